#include "out_file.h"

#include <cstdint>

#include "platform/env.h"

namespace {

constexpr size_t kFlushAt = 1u << 20;

}  // namespace

void out_begin(OutFile* o, File* f) {
  o->file = f;
  o->buf.clear();
  o->buf.reserve(kFlushAt + 4096);
  o->size = 0;
  o->failed = !f || !f->seek(0);
}

int64_t out_append(OutFile* o, const void* bytes, size_t n) {
  if (o->failed) return -1;
  if (o->size > INT32_MAX) {
    o->failed = true;
    return -1;
  }
  int64_t at = o->size;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  o->buf.insert(o->buf.end(), p, p + n);
  o->size += static_cast<int64_t>(n);
  if (o->buf.size() >= kFlushAt && !out_flush(o)) return -1;
  return at;
}

bool out_flush(OutFile* o) {
  if (o->failed) return false;
  if (o->buf.empty()) return true;
  if (o->file->write(o->buf.data(), o->buf.size()) != static_cast<int64_t>(o->buf.size())) {
    o->failed = true;
    return false;
  }
  o->buf.clear();
  return true;
}

bool out_finish(OutFile* o) {
  if (!out_flush(o)) return false;
  if (!o->file->seek(o->size) || !o->file->truncate_here()) {
    o->failed = true;
    return false;
  }
  return true;
}
