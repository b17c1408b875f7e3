// Code page 437, the console's byte set, and its Unicode equivalents.
#pragma once

#include <cstdint>
#include <string>

// The Unicode code point of a code-page byte. Bytes 1..31 and 127 give the
// code page's pictures; callers keep control bytes they interpret themselves.
uint32_t cp437_to_unicode(unsigned char byte);
// The code-page byte of a Unicode code point, or -1 when the code page has none.
int cp437_from_unicode(uint32_t cp);
// Appends the UTF-8 encoding of a code point.
void utf8_append(std::string& out, uint32_t cp);
