// Reading and writing fixed-size records. A read error is fatal ("File read
// error (bad media)...") and never taken for the end of a file. Bytes at the
// end of a file that do not make a whole record are never taken as a record:
// the console says how many there are, and they stay as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class File;

// Reads a record file from its start, one whole record at a time, through a
// buffer of many records. The scan seeks before every read, so the caller
// may write to the same file (a record back at its own offset) in between.
struct RecordScan {
  File* file = nullptr;
  size_t record_size = 0;
  std::string name;             // file name used in the console message
  std::vector<uint8_t> buf;
  size_t pos = 0, len = 0;      // unread bytes are buf[pos, len)
  int64_t read_offset = 0;      // file offset of buf[len]
  int64_t stray = 0;            // bytes past the last whole record, once at the end
  bool ended = false;
};

void scan_begin(RecordScan* s, File* f, size_t record_size, const std::string& name);
// The next whole record into rec and its byte offset into *offset; false at
// the end of the whole records (a stray tail is then counted and reported).
bool scan_next(RecordScan* s, uint8_t* rec, int64_t* offset = nullptr);
// Appends the scanned file's stray tail, unchanged, to the end of out (for a
// copy that keeps the file's bytes as they were); false on a write failure.
bool scan_copy_stray(RecordScan* s, File* out);

// One record at an offset: true when it is whole, false when the file ends
// before it (a read error is fatal).
bool rec_read_at(File* f, int64_t offset, uint8_t* rec, size_t size);
// Writes a record at an offset; false when it could not be written whole.
bool rec_write_at(File* f, int64_t offset, const uint8_t* rec, size_t size);
// The offset at which a record appended to the file goes: its size, rounded
// up to a whole record past a stray tail so that links stay on record
// boundaries.
int64_t rec_end(File* f, size_t size);
// Appends a record at rec_end and gives its offset; false when the write
// fails or the offset would not fit a 32-bit link.
bool rec_append(File* f, const uint8_t* rec, size_t size, int32_t* offset);

// The fatal read error of the record layer.
[[noreturn]] void rec_read_failed();
// The write error message of the rewriting passes, on the bottom line with a
// warning beep (the caller then discards its replacement files).
void rec_write_failed();
