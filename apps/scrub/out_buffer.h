// Sequential writing of a new file through a large buffer; a write the disk
// refuses is fatal and names the file.
#pragma once

#include <cstdint>
#include <string>

class File;

struct OutBuffer {
  File* file = nullptr;
  std::string name;     // for the failure message
  std::string pending;  // bytes not yet written
  int64_t flushed = 0;  // bytes written to the file
  int64_t size() const { return flushed + static_cast<int64_t>(pending.size()); }
};

void out_begin(OutBuffer* b, File* f, const std::string& name);
void out_append(OutBuffer* b, const void* bytes, size_t n);
// Writes what is pending.
void out_flush(OutBuffer* b);
// Writes what is pending, cuts the file there and closes it.
void out_finish(OutBuffer* b, bool flush_to_disk);
