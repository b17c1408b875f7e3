#include "db/recfile.h"

#include <cstring>
#include <limits>

#include "platform/env.h"
#include "ui/screen.h"

namespace {

// Records per buffer fill: large reads, whatever the record size.
constexpr size_t kScanBytes = 64 * 1024;

// Reads into buf[s->len, capacity) at the scan's read offset; returns the
// count, 0 at the end of the file.
size_t fill(RecordScan* s) {
  if (!s->file->seek(s->read_offset)) rec_read_failed();
  int64_t n = s->file->read(s->buf.data() + s->len, s->buf.size() - s->len);
  if (n < 0) rec_read_failed();
  s->len += static_cast<size_t>(n);
  s->read_offset += n;
  return static_cast<size_t>(n);
}

}  // namespace

void rec_read_failed() {
  alert_line("File read error (bad media)...");
  fatal_exit();
}

void rec_write_failed() {
  beep_warning();
  alert_line("File write error (bad media / disk full)...");
}

void scan_begin(RecordScan* s, File* f, size_t record_size, const std::string& name) {
  s->file = f;
  s->record_size = record_size;
  s->name = name;
  size_t records = kScanBytes / record_size;
  s->buf.assign((records ? records : 1) * record_size, 0);
  s->pos = s->len = 0;
  s->read_offset = 0;
  s->stray = 0;
  s->ended = false;
}

bool scan_next(RecordScan* s, uint8_t* rec, int64_t* offset) {
  if (s->ended) return false;
  while (s->len - s->pos < s->record_size) {
    // Keep the unread part, then read behind it until a record is whole or
    // the file ends.
    size_t rest = s->len - s->pos;
    std::memmove(s->buf.data(), s->buf.data() + s->pos, rest);
    s->pos = 0;
    s->len = rest;
    if (fill(s) == 0) {
      s->ended = true;
      s->stray = static_cast<int64_t>(rest);
      if (rest > 0)
        con_warning("%s has %lld stray bytes at its end (not a whole record), left as they are\r\n",
                    s->name.c_str(), static_cast<long long>(rest));
      return false;
    }
  }
  if (offset) *offset = s->read_offset - static_cast<int64_t>(s->len - s->pos);
  std::memcpy(rec, s->buf.data() + s->pos, s->record_size);
  s->pos += s->record_size;
  return true;
}

bool scan_copy_stray(RecordScan* s, File* out) {
  if (!s->ended || s->stray == 0) return true;
  int64_t end = out->size();
  if (end < 0 || !out->seek(end)) return false;
  size_t n = static_cast<size_t>(s->stray);
  return out->write(s->buf.data() + s->pos, n) == static_cast<int64_t>(n);
}

bool rec_read_at(File* f, int64_t offset, uint8_t* rec, size_t size) {
  if (!f->seek(offset)) rec_read_failed();
  size_t got = 0;
  while (got < size) {
    int64_t n = f->read(rec + got, size - got);
    if (n < 0) rec_read_failed();
    if (n == 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

bool rec_write_at(File* f, int64_t offset, const uint8_t* rec, size_t size) {
  return f->seek(offset) && f->write(rec, size) == static_cast<int64_t>(size);
}

int64_t rec_end(File* f, size_t size) {
  int64_t n = f->size();
  if (n < 0) return -1;
  int64_t r = static_cast<int64_t>(size);
  return (n + r - 1) / r * r;
}

bool rec_append(File* f, const uint8_t* rec, size_t size, int32_t* offset) {
  int64_t end = rec_end(f, size);
  if (end < 0 || end > std::numeric_limits<int32_t>::max()) return false;
  if (!rec_write_at(f, end, rec, size)) {
    // A part written on a full disk is taken back, so the file keeps whole records.
    if (f->seek(end)) f->truncate_here();
    return false;
  }
  *offset = static_cast<int32_t>(end);
  return true;
}
