// What the document readers report besides their result, and copying the
// stored bytes of a document, for callers that keep a document byte for byte
// (a rejected or duplicate one) instead of rewriting it from what was read.
#pragma once

#include <cstdint>
#include <string>

class File;

struct DocRead {
  // True when the document was read to its end; false when the reader gave
  // up on it (the document keeps what was read up to there).
  bool whole = false;
  // NUL bytes skipped in front of the document (padding between documents).
  int64_t padding = 0;
  // Length of the document's text (up to its NUL).
  int64_t text_length = 0;
  // True when the NUL that ends the text is in the file (false: the file
  // ended first).
  bool terminated = false;
  // When set, receives the document's stored bytes: its text and, when
  // terminated, its NUL (the padding in front is not included).
  std::string* raw = nullptr;
  // What the workorder reader got of a document it gave up on, for callers
  // that judge such a document by its content: its "[Workorder]" section
  // with a WorkorderNumber was there, and its customer and vehicle sections
  // were read to their end (a later section follows them). Set by the
  // workorder reader only.
  bool number_read = false;
  bool customer_read = false;
  bool vehicle_read = false;
};

// The stored bytes of a document (DocRead::raw) as a rewritten document file
// carries them: a document that the end of its file cut short gets the NUL
// it lacks, so that a document appended after it later stays one of its own.
void doc_carried_bytes(std::string* raw);

// Reads length bytes at offset of a file into out. False (out holds what was
// read) when the file read fails or the file ends first.
bool doc_copy_bytes(File* f, int64_t offset, int64_t length, std::string* out);
