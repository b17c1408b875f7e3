#include "docs/docload.h"

#include <cstdlib>
#include <cstring>

#include "platform/env.h"
#include "ui/screen.h"

namespace {

constexpr size_t kPiece = 2048;
constexpr size_t kStartSize = 64 * 1024;
// A buffer grown past this for one large document is given back afterwards.
constexpr size_t kKeepSize = 1024 * 1024;

// The load buffer, reused from document to document.
struct LoadBuffer {
  char* data = nullptr;
  size_t cap = 0;
  ~LoadBuffer() { std::free(data); }
  bool reserve(size_t need) {
    if (need <= cap) return true;
    size_t c = cap ? cap : kStartSize;
    while (c < need) c *= 2;
    char* d = static_cast<char*>(std::realloc(data, c));
    if (!d) return false;
    data = d;
    cap = c;
    return true;
  }
  void trim() {
    if (cap > kKeepSize) {
      std::free(data);
      data = nullptr;
      cap = 0;
    }
  }
};

thread_local LoadBuffer t_buf;

}  // namespace

int doc_load(File* f, DocBytes* doc) {
  *doc = DocBytes{};
  t_buf.trim();
  size_t len = 0;
  int64_t padding = 0;
  bool terminated = false;
  for (;;) {
    if (!t_buf.reserve(len + kPiece + 1)) return -1;
    char* piece = t_buf.data + len;
    int64_t n = f->read(piece, kPiece);
    if (n < 0) {
      beep_warning();
      return -1;
    }
    if (n == 0) break;
    size_t got = static_cast<size_t>(n);
    const char* from = piece;
    if (len == 0) {
      // Still in the padding in front of the document.
      size_t k = 0;
      while (k < got && piece[k] == 0) k++;
      padding += static_cast<int64_t>(k);
      if (k == got) {
        if (got < kPiece) break;
        continue;
      }
      got -= k;
      std::memmove(piece, piece + k, got);
    }
    len += got;
    if (std::memchr(from, 0, got)) {
      terminated = true;
      break;
    }
    if (static_cast<size_t>(n) < kPiece) break;
  }
  doc->padding = padding;
  if (len == 0) return 0;
  t_buf.data[len] = 0;
  doc->text = t_buf.data;
  doc->text_length = std::strlen(t_buf.data);
  doc->padding = padding;
  doc->terminated = terminated;
  return 1;
}

int doc_from_memory(const char* bytes, size_t len, DocBytes* doc) {
  *doc = DocBytes{};
  size_t k = 0;
  while (k < len && bytes[k] == 0) k++;
  doc->padding = static_cast<int64_t>(k);
  if (k == len) return 0;
  const char* text = bytes + k;
  size_t rest = len - k;
  const void* nul = std::memchr(text, 0, rest);
  doc->text = text;
  doc->text_length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : rest;
  doc->padding = static_cast<int64_t>(k);
  doc->terminated = nul != nullptr;
  return 1;
}

void doc_report(const DocBytes& doc, bool whole, DocRead* info) {
  if (!info) return;
  info->whole = whole;
  info->padding = doc.padding;
  info->text_length = static_cast<int64_t>(doc.text_length);
  info->terminated = doc.terminated;
  if (!info->raw) return;
  if (doc.text) info->raw->assign(doc.text, doc.text_length + (doc.terminated ? 1 : 0));
  else info->raw->clear();
}

void doc_carried_bytes(std::string* raw) {
  if (raw->empty() || raw->back() != '\0') raw->push_back('\0');
}

bool doc_copy_bytes(File* f, int64_t offset, int64_t length, std::string* out) {
  out->clear();
  if (length <= 0) return true;
  if (!f->seek(offset)) return false;
  out->resize(static_cast<size_t>(length));
  int64_t done = 0;
  while (done < length) {
    int64_t n = f->read(&(*out)[static_cast<size_t>(done)], static_cast<size_t>(length - done));
    if (n <= 0) {
      out->resize(static_cast<size_t>(done));
      return false;
    }
    done += n;
  }
  return true;
}
