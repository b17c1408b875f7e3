// Loading one stored document from a file into memory, shared by the
// workorder and purchase-order readers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "docs/docio.h"

class File;

// One document as found in a file or a memory range: the NUL padding in
// front of it, then its text up to the first NUL.
struct DocBytes {
  const char* text = nullptr;
  size_t text_length = 0;
  int64_t padding = 0;
  bool terminated = false;
  // Bytes the document takes: padding, text and its NUL.
  int64_t span() const { return padding + static_cast<int64_t>(text_length) + 1; }
};

// Reads the document at the file's current position in pieces of 2048 bytes
// until a piece holds the NUL that ends it (or the file ends). NUL bytes in
// front of it are skipped and counted. Returns -1 when a buffer cannot be
// had or a read fails (one warning beep for a failed read), 0 when nothing
// but end of file (or padding up to it) is there, 1 with *doc filled. The
// text lives in a buffer of the calling thread that the next load reuses.
// The file is left where reading stopped: callers position it themselves.
int doc_load(File* f, DocBytes* doc);

// The same over bytes held in memory.
int doc_from_memory(const char* bytes, size_t len, DocBytes* doc);

// Fills the reader's report from a loaded document.
void doc_report(const DocBytes& doc, bool whole, DocRead* info);
