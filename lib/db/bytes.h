// Little-endian field access for stored records. Every stored layout is
// encoded and decoded through these, never by copying a C++ struct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline int32_t le_get_i32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t le_get_u32(const uint8_t* p) { return static_cast<uint32_t>(le_get_i32(p)); }
inline int16_t le_get_i16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}
inline void le_put_i32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
inline void le_put_u32(uint8_t* p, uint32_t v) { le_put_i32(p, static_cast<int32_t>(v)); }
inline void le_put_i16(uint8_t* p, int16_t v) {
  uint16_t u = static_cast<uint16_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
}

// Text held in a fixed-width field: the length up to the first NUL, or the
// whole width when the field has none.
inline size_t field_strlen(const char* field, size_t width) {
  const void* nul = std::memchr(field, 0, width);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
}

// Copies a text into a fixed-width field, cut so that it always ends in a
// NUL within the field; the rest of the field is zero-filled.
inline void field_set(char* field, size_t width, const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n > width - 1) n = width - 1;
  std::memcpy(field, text, n);
  std::memset(field + n, 0, width - n);
}
