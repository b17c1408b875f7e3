#include "out_buffer.h"

#include "scrub_files.h"

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

void out_begin(OutBuffer* b, File* f, const std::string& name) {
  b->file = f;
  b->name = name;
  b->pending.clear();
  b->pending.reserve(kBufferSize + 65536);
  b->flushed = 0;
}

void out_append(OutBuffer* b, const void* bytes, size_t n) {
  b->pending.append(static_cast<const char*>(bytes), n);
  if (b->pending.size() >= kBufferSize) out_flush(b);
}

void out_flush(OutBuffer* b) {
  if (b->pending.empty()) return;
  file_write_at(b->file, b->flushed, b->pending.data(), b->pending.size(), b->name);
  b->flushed += static_cast<int64_t>(b->pending.size());
  b->pending.clear();
}

void out_finish(OutBuffer* b, bool flush_to_disk) {
  out_flush(b);
  file_finish(b->file, b->flushed, flush_to_disk, b->name);
  b->file = nullptr;
}
