#include "doc_window.h"

#include "platform/env.h"

namespace {

constexpr size_t kWindow = 8 << 20;

// Moves the window to start at p and reads until it holds want bytes.
bool refill(DocWindow* w, int64_t p) {
  int64_t end = w->start + static_cast<int64_t>(w->buf.size());
  if (p >= w->start && p <= end) {
    w->buf.erase(0, static_cast<size_t>(p - w->start));
  } else {
    w->buf.clear();
    w->eof = false;
  }
  w->start = p;
  while (!w->eof && w->buf.size() < w->want) {
    size_t have = w->buf.size();
    w->buf.resize(w->want);
    int64_t pos = w->start + static_cast<int64_t>(have);
    int64_t got = w->file->seek(pos) ? w->file->read(w->buf.data() + have, w->want - have) : -1;
    if (got < 0) {
      w->buf.resize(have);
      return false;
    }
    w->buf.resize(have + static_cast<size_t>(got));
    if (got == 0) w->eof = true;
  }
  return true;
}

}  // namespace

void window_begin(DocWindow* w, File* f) {
  w->file = f;
  w->buf.clear();
  w->start = 0;
  w->eof = false;
  w->want = kWindow;
}

bool window_at(DocWindow* w, int64_t p, const char** data, size_t* len) {
  int64_t end = w->start + static_cast<int64_t>(w->buf.size());
  bool inside = p >= w->start && p <= end;
  if (!inside || (!w->eof && static_cast<size_t>(end - p) < w->want / 2)) {
    if (!refill(w, p)) return false;
  }
  size_t off = static_cast<size_t>(p - w->start);
  *data = w->buf.data() + off;
  *len = w->buf.size() - off;
  return true;
}

bool window_grow(DocWindow* w, int64_t p) {
  w->want *= 2;
  return refill(w, p);
}
