// The platform layer: everything the library and the programs need from the
// operating system, behind one narrow interface. Nothing above this layer
// sees a system type. The POSIX implementation lives in env_posix.cpp; tests
// install their own Env (a fault-injecting wrapper, for instance) with
// env_set().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Outcome of a byte-range lock or unlock, sorted into the classes the record
// file layer acts on.
enum class LockResult {
  ok,             // the region is locked (or unlocked)
  not_supported,  // locking is not available on this file: go on unlocked
  held,           // another handle holds an overlapping region
  no_resources,   // the system's lock resources are exhausted ("deadlock")
  error,          // anything else
};

// An open file: exclusive to its holder, with a current position.
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes at the current position; returns the count (0 at the
  // end of the file) or -1 on a read error. The position advances.
  virtual int64_t read(void* buf, size_t n) = 0;
  // Writes n bytes at the current position; returns the count written (less
  // than n on a full disk) or -1 on an error. The position advances.
  virtual int64_t write(const void* buf, size_t n) = 0;
  // Moves the position to an absolute offset.
  virtual bool seek(int64_t offset) = 0;
  virtual int64_t tell() = 0;
  // Current size of the file in bytes, -1 on error.
  virtual int64_t size() = 0;
  // Sets the end of the file at the current position.
  virtual bool truncate_here() = 0;
  // Flushes the file's data to the disk.
  virtual bool flush() = 0;
  virtual LockResult lock(int64_t start, int64_t length) = 0;
  virtual LockResult unlock(int64_t start, int64_t length) = 0;
};

// Why the last open_exclusive failed, for a message that says so.
enum class OpenFailure {
  none,        // no open has failed
  held,        // another handle (of this or another program) has the file open
  denied,      // no permission to read and write it
  not_a_file,  // the name is a folder or a device
  no_folder,   // the folder it would be in does not exist
  read_only,   // the disk is read-only
  disk_full,   // no room for a new file
  other,
};

// A lock on a whole directory, held until it is deleted or the process ends
// (the system releases it then, however the process ends).
class DirLock {
 public:
  virtual ~DirLock() = default;
};

// Local date and time, with milliseconds.
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};

class Env {
 public:
  virtual ~Env() = default;

  // Opens a file for reading and writing, creating it when missing, shared
  // with nobody: while the returned handle is open every other open of the
  // same file, by this or another process, fails. A name in the directory
  // part of the path matches an existing file without regard to letter case;
  // a new file gets the spelling given. Returns null on failure.
  virtual File* open_exclusive(const std::string& path) = 0;
  // Why the last open_exclusive that returned null failed.
  virtual OpenFailure open_failure();
  // Opens an existing file for reading only (no creation, no exclusivity).
  virtual File* open_read(const std::string& path) = 0;

  // Name operations; the file name part matches without regard to case.
  virtual bool exists(const std::string& path) = 0;
  virtual bool remove(const std::string& path) = 0;  // true when gone (missing is fine)
  // Renames from over to (atomically replacing an existing to).
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool make_dir(const std::string& path) = 0;  // true when it exists afterwards
  // Flushes a directory's entries (after renames), so they survive a power cut.
  virtual bool sync_dir(const std::string& dir) = 0;
  // The names (no directory part) of the plain files in dir matching a DOS
  // wildcard pattern such as "W*.DKT" or "AU*.$$$", compared without regard
  // to case, returned in case-insensitive name order.
  virtual std::vector<std::string> find_files(const std::string& dir,
                                              const std::string& pattern) = 0;
  // The spelling an existing file has on disk for dir + name (matched without
  // regard to case), or name itself when there is none.
  virtual std::string actual_name(const std::string& dir, const std::string& name) = 0;

  // Free physical memory in bytes.
  virtual uint64_t free_physical_memory() = 0;
  virtual LocalTime local_time() = 0;
  // A monotonic clock in milliseconds.
  virtual int64_t monotonic_ms() = 0;
  virtual void sleep_ms(int ms) = 0;
  // The current working directory, ending in a separator.
  virtual std::string current_dir() = 0;

  // Takes the lock of a directory without waiting: one holder at a time,
  // across processes and across the handles of one process. It creates no
  // file, or none that outlives the lock (a lock file opened shared with
  // nobody and deleted on close serves where a directory cannot be locked
  // itself), so nothing stale is ever left to block a later holder. Returns
  // null, with *result saying why (held elsewhere, not supported, an error),
  // when it is not taken.
  virtual DirLock* lock_dir(const std::string& dir, LockResult* result);
};

// The Env in use (the POSIX one unless a test installed another).
Env* env();
// Installs an Env for tests; null restores the default. Returns the old one.
Env* env_set(Env* e);
// The system's own Env.
Env* env_default();

// Path helpers shared by every layer.
// The separator this platform writes into paths it builds.
constexpr char kPathSeparator = '/';
// True for either separator a path may carry ('/' or '\\').
inline bool is_path_separator(char c) { return c == '/' || c == '\\'; }
