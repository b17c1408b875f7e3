// Appending to a new file through a large buffer. Every record and document
// of a rewritten file goes through here, so that a failed write (a full
// disk) is seen once and stops the pass, and so that no offset passes the
// 32-bit links that point into the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class File;

struct OutFile {
  File* file = nullptr;
  std::vector<uint8_t> buf;  // bytes not yet written
  int64_t size = 0;          // bytes appended so far: the offset of the next
  bool failed = false;       // a write failed or the file grew too large
};

// Starts appending to an empty file.
void out_begin(OutFile* o, File* f);
// Appends n bytes and returns the offset they go to; -1 when writing has
// failed (now or earlier) or the offset would not fit a 32-bit link.
int64_t out_append(OutFile* o, const void* bytes, size_t n);
// Writes the buffered bytes; false when writing has failed.
bool out_flush(OutFile* o);
// Writes the buffered bytes and cuts the file after them; false when any of
// it failed. (The swap that puts the file in place flushes it to the disk.)
bool out_finish(OutFile* o);
