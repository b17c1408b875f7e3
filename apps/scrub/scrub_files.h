// File helpers of the cleanup program's passes: replacement files and writes
// that cannot fail silently. A write that the disk refuses ends the run with
// the name of the file; the ".NEW" files not yet swapped in are removed
// first, so a full disk gets its room back, and no old file has been
// replaced by an incomplete one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>
#include <string>

class File;

// Deletes an old replacement file of a catalog name ("VKINCTAG.DAT" gives
// "VKINCTAG.NEW") and opens it empty in the data directory.
File* new_file_open(const std::string& dat_name);
// Removes every replacement opened by new_file_open and not yet swapped in
// (a pass that cannot finish); the ".DAT" files stay as they are.
void new_files_discard();

// Writes n bytes at an offset; a failed or short write is fatal.
void file_write_at(File* f, int64_t offset, const void* bytes, size_t n, const std::string& name);
// Reads exactly n bytes at an offset; false on a failed or short read.
bool file_read_at(File* f, int64_t offset, void* bytes, size_t n);

// Cuts a file at an offset, flushes it when asked and closes it.
void file_finish(File* f, int64_t end, bool flush, const std::string& name);

// The fatal end of a write the disk refused.
[[noreturn]] void file_write_failed(const std::string& name);
// The fatal end of a read that failed.
[[noreturn]] void file_read_failed(const std::string& name);

// Swaps the complete replacement files of one pass in for their ".DAT" files,
// as one group: after a crash the next start-up finishes the group.
void swap_in(const std::vector<std::string>& dat_names);
