// The POSIX Env: files, byte-range locks, directories, memory and time.
//
// Exclusive use: a handle from open_exclusive holds a non-blocking exclusive
// flock() on its open file description, so every other open_exclusive of the
// same file, by this process or another, fails while it is open. flock()
// does not interfere with the byte-range locks, which are open-file-
// description locks (F_OFD_SETLK): they belong to the handle, are released
// when it closes, and conflict between two handles of one process as well.
//
// Names: shop data copied from other systems often arrives in lower case.
// Every name given to the Env is looked up without regard to ASCII case when
// it does not exist as spelled (each path component in turn), so an existing
// "vkinvent.dat" is the file "VKINVENT.DAT"; a new file keeps the spelling
// given. Backslashes in paths are taken as separators.
//
// A write past the process's file size limit (ulimit -f) would raise
// SIGXFSZ, whose default action ends the program without a word. The Env
// ignores it, so such a write fails with EFBIG and is reported like a full
// disk by the caller that made it.
//
// The run lock of a directory is a non-blocking exclusive flock() on the
// directory itself: it creates nothing, and the system drops it with the
// last descriptor when the process ends in any way.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/env.h"

namespace {

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(const std::string& a, const char* b) {
  size_t n = a.size();
  if (std::strlen(b) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// Case-insensitive order (letters compared as capitals), ties by bytes, so
// the order is total and the same on every run.
bool name_less(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(fold(a[i]));
    unsigned char y = static_cast<unsigned char>(fold(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// DOS wildcard match: '*' any run of characters, '?' one character, letters
// without regard to case. "*.*" matches every name, with or without a dot.
bool wild_match(const char* pat, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pat == '*') {
      star = pat++;
      resume = name;
    } else if (*pat == '?' || (*pat && fold(*pat) == fold(*name))) {
      ++pat;
      ++name;
    } else if (star) {
      pat = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == '*') ++pat;
  return *pat == 0;
}

bool dos_match(const std::string& pattern, const char* name) {
  if (pattern == "*.*") return true;
  return wild_match(pattern.c_str(), name);
}

std::string normalise(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

// The path as it exists on disk: each component that is missing as spelled
// is matched without regard to case among its directory's entries. Parts
// that match nothing keep the spelling given.
std::string resolve(const std::string& raw) {
  std::string p = normalise(raw);
  struct stat st;
  if (p.empty() || lstat(p.c_str(), &st) == 0) return p;
  size_t end = p.find_last_not_of('/');
  if (end == std::string::npos) return p;  // only slashes
  std::string trailing = p.substr(end + 1);
  std::string body = p.substr(0, end + 1);
  size_t slash = body.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string() : body.substr(0, slash + 1);
  std::string name = body.substr(dir.size());
  if (name == "." || name == "..") return p;
  std::string rdir = dir;
  size_t dend = dir.find_last_not_of('/');
  if (dend != std::string::npos) rdir = resolve(dir.substr(0, dend + 1)) + dir.substr(dend + 1);
  DIR* d = opendir(rdir.empty() ? "." : rdir.c_str());
  std::string found;
  if (d) {
    while (struct dirent* e = readdir(d)) {
      if (same_name(name, e->d_name) && (found.empty() || std::strcmp(e->d_name, found.c_str()) < 0))
        found = e->d_name;
    }
    closedir(d);
  }
  return rdir + (found.empty() ? name : found) + trailing;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixFile() override { ::close(fd_); }

  int64_t read(void* buf, size_t n) override {
    size_t done = 0;
    char* p = static_cast<char*>(buf);
    while (done < n) {
      ssize_t r = ::read(fd_, p + done, n - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return done ? static_cast<int64_t>(done) : -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
  }

  int64_t write(const void* buf, size_t n) override {
    size_t done = 0;
    const char* p = static_cast<const char*>(buf);
    while (done < n) {
      ssize_t r = ::write(fd_, p + done, n - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        // A full disk reports what did fit; anything else is an error.
        if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) return static_cast<int64_t>(done);
        return -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
  }

  bool seek(int64_t offset) override {
    if (offset < 0) return false;
    return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }

  int64_t tell() override { return lseek(fd_, 0, SEEK_CUR); }

  int64_t size() override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return -1;
    return st.st_size;
  }

  bool truncate_here() override {
    off_t pos = lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) return false;
    while (ftruncate(fd_, pos) != 0)
      if (errno != EINTR) return false;
    return true;
  }

  bool flush() override {
    while (fsync(fd_) != 0) {
      if (errno == EINTR) continue;
      // Files on which syncing means nothing (pipes, some special files).
      if (errno == EINVAL || errno == EROFS) return true;
      return false;
    }
    return true;
  }

  LockResult lock(int64_t start, int64_t length) override {
    return set_lock(writable_ ? F_WRLCK : F_RDLCK, start, length);
  }
  LockResult unlock(int64_t start, int64_t length) override { return set_lock(F_UNLCK, start, length); }

 private:
  LockResult set_lock(short type, int64_t start, int64_t length) {
    if (start < 0 || length < 0) return LockResult::error;
    // A length of 0 would mean "to the end of the file and beyond" to the
    // system; an empty region needs no lock.
    if (length == 0) return LockResult::ok;
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(start);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    for (;;) {
      if (fcntl(fd_, F_OFD_SETLK, &fl) == 0) return LockResult::ok;
      switch (errno) {
        case EINTR:
          continue;
        case EACCES:
        case EAGAIN:
          return LockResult::held;
        case ENOLCK:
        case EDEADLK:
          return LockResult::no_resources;
        case EINVAL:
        case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
        case ENOTSUP:
#endif
          return LockResult::not_supported;
        default:
          return LockResult::error;
      }
    }
  }

  int fd_;
  bool writable_;
};

OpenFailure open_failure_of(int error) {
  switch (error) {
    case EWOULDBLOCK: return OpenFailure::held;
    case EACCES:
    case EPERM: return OpenFailure::denied;
    case EISDIR:
    case ENXIO:
    case ENODEV: return OpenFailure::not_a_file;
    case ENOENT:
    case ENOTDIR: return OpenFailure::no_folder;
    case EROFS: return OpenFailure::read_only;
    case ENOSPC:
    case EDQUOT: return OpenFailure::disk_full;
    default: return OpenFailure::other;
  }
}

class PosixDirLock : public DirLock {
 public:
  explicit PosixDirLock(int fd) : fd_(fd) {}
  ~PosixDirLock() override { ::close(fd_); }

 private:
  int fd_;
};

class PosixEnv : public Env {
 public:
  PosixEnv() { signal(SIGXFSZ, SIG_IGN); }

  File* open_exclusive(const std::string& path) override {
    std::string p = resolve(path);
    int fd;
    do fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return failed(errno);
    int r;
    do r = flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
      int error = errno;
      ::close(fd);
      return failed(error);
    }
    File* f = new (std::nothrow) PosixFile(fd, true);
    if (!f) {
      ::close(fd);
      return failed(ENOMEM);
    }
    return f;
  }

  OpenFailure open_failure() override { return last_failure_; }

  File* open_read(const std::string& path) override {
    std::string p = resolve(path);
    int fd;
    do fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return new (std::nothrow) PosixFile(fd, false);
  }

  bool exists(const std::string& path) override {
    struct stat st;
    return stat(resolve(path).c_str(), &st) == 0;
  }

  bool remove(const std::string& path) override {
    std::string p = resolve(path);
    if (unlink(p.c_str()) == 0) return true;
    return errno == ENOENT;
  }

  bool rename(const std::string& from, const std::string& to) override {
    return ::rename(resolve(from).c_str(), resolve(to).c_str()) == 0;
  }

  bool make_dir(const std::string& path) override {
    std::string p = resolve(path);
    if (mkdir(p.c_str(), 0777) == 0) return true;
    struct stat st;
    return errno == EEXIST && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool sync_dir(const std::string& dir) override {
    std::string p = dir.empty() ? std::string(".") : resolve(dir);
    int fd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int r;
    do r = fsync(fd);
    while (r != 0 && errno == EINTR);
    bool ok = r == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
  }

  std::vector<std::string> find_files(const std::string& dir, const std::string& pattern) override {
    std::vector<std::string> names;
    std::string d = dir.empty() ? std::string(".") : resolve(dir);
    if (d.back() != '/') d += '/';
    DIR* dp = opendir(d.c_str());
    if (!dp) return names;
    while (struct dirent* e = readdir(dp)) {
      if (!dos_match(pattern, e->d_name)) continue;
      bool plain = e->d_type == DT_REG;
      if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
        struct stat st;
        plain = stat((d + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
      }
      if (plain) names.emplace_back(e->d_name);
    }
    closedir(dp);
    std::sort(names.begin(), names.end(), name_less);
    return names;
  }

  std::string actual_name(const std::string& dir, const std::string& name) override {
    // Case matching never changes a name's length, so the resolved path
    // ends in the spelling of name found on disk.
    std::string full = dir + name;
    std::string r = resolve(full);
    if (r.size() != full.size()) return name;
    return r.substr(dir.size());
  }

  uint64_t free_physical_memory() override {
    if (FILE* f = std::fopen("/proc/meminfo", "r")) {
      char line[256];
      unsigned long long avail = 0, free_kb = 0;
      bool have_avail = false;
      while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &avail) == 1) have_avail = true;
        std::sscanf(line, "MemFree: %llu kB", &free_kb);
      }
      std::fclose(f);
      if (have_avail) return avail * 1024ull;
      if (free_kb) return free_kb * 1024ull;
    }
    long pages = sysconf(_SC_AVPHYS_PAGES);
    long page = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0) return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page);
    return 0;
  }

  LocalTime local_time() override {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    time_t t = ts.tv_sec;
    struct tm tm;
    localtime_r(&t, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
  }

  int64_t monotonic_ms() override {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }

  void sleep_ms(int ms) override {
    if (ms <= 0) return;
    struct timespec req{ms / 1000, static_cast<long>(ms % 1000) * 1000000L}, rem;
    while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
  }

  std::string current_dir() override {
    std::vector<char> buf(256);
    for (;;) {
      if (getcwd(buf.data(), buf.size())) break;
      if (errno != ERANGE) return "./";
      buf.resize(buf.size() * 2);
    }
    std::string d(buf.data());
    if (d.empty() || d.back() != '/') d += '/';
    return d;
  }

  DirLock* lock_dir(const std::string& dir, LockResult* result) override {
    std::string p = dir.empty() ? std::string(".") : resolve(dir);
    int fd;
    do fd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      *result = LockResult::error;
      return nullptr;
    }
    int r;
    do r = flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r == 0) {
      if (DirLock* lock = new (std::nothrow) PosixDirLock(fd)) {
        *result = LockResult::ok;
        return lock;
      }
      errno = ENOMEM;
    }
    switch (errno) {
      case EWOULDBLOCK: *result = LockResult::held; break;
      case ENOLCK: *result = LockResult::no_resources; break;
      case EINVAL:
      case EOPNOTSUPP: *result = LockResult::not_supported; break;
      default: *result = LockResult::error; break;
    }
    ::close(fd);
    return nullptr;
  }

 private:
  File* failed(int error) {
    last_failure_ = open_failure_of(error);
    return nullptr;
  }

  OpenFailure last_failure_ = OpenFailure::none;
};

}  // namespace

Env* env_system() {
  static PosixEnv posix_env;
  return &posix_env;
}
