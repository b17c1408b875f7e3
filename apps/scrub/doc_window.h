// Reading a file of stored documents ("VKINVOIC.DAT", "VKPURCHA.DAT") from
// start to end through a large window in memory: the documents' own parsers
// read each document from the window, so the file is read in few large
// pieces instead of document by document.
#pragma once

#include <cstdint>
#include <string>

#include "docs/docio.h"

class File;

struct DocWindow {
  File* file = nullptr;
  std::string buf;   // file bytes from offset start on
  int64_t start = 0;
  bool eof = false;  // buf reaches the end of the file
  size_t want = 0;   // bytes the window holds after a refill
};

void window_begin(DocWindow* w, File* f);
// The bytes from offset p on that the window holds (refilled when fewer
// than half the window are left). False when the file read fails.
bool window_at(DocWindow* w, int64_t p, const char** data, size_t* len);
// Doubles the window and refills it from p: the document there runs past it.
bool window_grow(DocWindow* w, int64_t p);

// Parses one document at offset p with parse(bytes, len, info) -> result
// (wo_parse or po_parse); release() frees what a parse that has to be
// repeated on a larger window had read. Returns what the file readers return
// for the document: 0 at the end of the file, -1 when the file cannot be
// read, else the bytes it takes (padding in front included). Zero padding
// longer than the window is passed over as the file readers pass over it.
template <class Parse, class Release>
int64_t window_parse(DocWindow* w, int64_t p, DocRead* info, Parse parse, Release release) {
  int64_t skipped = 0;
  for (;;) {
    const char* data;
    size_t len;
    if (!window_at(w, p + skipped, &data, &len)) return -1;
    if (len == 0) return 0;
    int64_t result = parse(data, len, info);
    if (result == 0) {
      if (w->eof) return 0;
      skipped += static_cast<int64_t>(len);  // nothing but padding so far
      continue;
    }
    if (result > 0 && !info->terminated && !w->eof) {
      release();
      if (!window_grow(w, p + skipped)) return -1;
      continue;
    }
    if (result > 0) {
      result += skipped;
      info->padding += skipped;
    }
    return result;
  }
}
