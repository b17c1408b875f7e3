// Cursors that read and write a stored record's fields in stored order,
// explicitly little-endian. One field list per layout serves both directions
// (see fields() in the record sources), so decode and encode cannot drift.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "db/bytes.h"

struct RecordReader {
  const uint8_t* p;
  static constexpr bool reading = true;
  void i32(int32_t& v) { v = le_get_i32(p); p += 4; }
  void i16(int16_t& v) { v = le_get_i16(p); p += 2; }
  void u8(uint8_t& v) { v = *p++; }
  template <class T, size_t N> void raw(T (&f)[N]) {
    static_assert(sizeof(T) == 1);
    std::memcpy(f, p, N);
    p += N;
  }
  template <size_t N> void i32s(int32_t (&f)[N]) { for (auto& v : f) i32(v); }
};

struct RecordWriter {
  uint8_t* p;
  static constexpr bool reading = false;
  void i32(const int32_t& v) { le_put_i32(p, v); p += 4; }
  void i16(const int16_t& v) { le_put_i16(p, v); p += 2; }
  void u8(const uint8_t& v) { *p++ = v; }
  template <class T, size_t N> void raw(const T (&f)[N]) {
    static_assert(sizeof(T) == 1);
    std::memcpy(p, f, N);
    p += N;
  }
  template <size_t N> void i32s(const int32_t (&f)[N]) { for (auto v : f) i32(v); }
};

// Copies a text field into another of a possibly different width: the text up
// to its NUL (or the source's whole width), cut to leave a NUL in the
// destination, the rest zero.
inline void field_copy(char* dst, size_t dst_width, const char* src, size_t src_width) {
  size_t n = field_strlen(src, src_width);
  if (n > dst_width - 1) n = dst_width - 1;
  std::memcpy(dst, src, n);
  std::memset(dst + n, 0, dst_width - n);
}
