// Building a document's text for the writers: a growing buffer and the
// printf-style conversions the document format uses, without going through
// printf for every line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class DocText {
 public:
  DocText();
  ~DocText();
  DocText(const DocText&) = delete;
  DocText& operator=(const DocText&) = delete;

  const char* data() const { return data_; }
  size_t size() const { return len_; }

  void put(const char* s, size_t n) {
    reserve(n);
    std::memcpy(data_ + len_, s, n);
    len_ += n;
  }
  void put(const char* s) { put(s, std::strlen(s)); }
  void put_char(char c) {
    reserve(1);
    data_[len_++] = c;
  }
  void crlf() { put("\r\n", 2); }
  // Moves the text from `from` to the end so that it stands at `at`, in
  // front of what followed there.
  void move_to(size_t at, size_t from) { std::rotate(data_ + at, data_ + from, data_ + len_); }
  // A text of a fixed field (up to its NUL or the field's width).
  void field(const char* f, size_t width);
  // A text of a fixed field left-aligned and blank-filled to `width`
  // characters ("%-*s"); a longer text is not cut.
  void padded(const char* f, size_t field_width, size_t width);
  // "%<width>ld", "%0<width>ld" (zero) and "%-<width>ld" (left).
  void number(int32_t v, int width = 0, bool zero = false, bool left = false);
  // "[name]\r\n".
  void header(const char* name);
  // "key=" then the text of a fixed field, then "\r\n".
  void key_text(const char* key, const char* f, size_t width);
  void key_number(const char* key, int32_t v);
  // "key=" and the date text (ten blanks for a negative day).
  void key_date(const char* key, int32_t day);

 private:
  void reserve(size_t n) {
    if (len_ + n > cap_) grow(len_ + n);
  }
  void grow(size_t need);
  char* data_;
  size_t len_ = 0;
  size_t cap_ = 0;
};

// Length of a text with its trailing blanks left out.
size_t trimmed_length(const char* s, size_t n);
