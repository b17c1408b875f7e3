#include "docs/doctext.h"

#include <cstdlib>

#include "db/bytes.h"
#include "ui/dates.h"
#include "ui/screen.h"

namespace {

constexpr size_t kStartSize = 64 * 1024;

[[noreturn]] void out_of_memory() {
  alert_line("Buffer allocation error (out of memory)...");
  fatal_exit();
}

}  // namespace

DocText::DocText() {
  data_ = static_cast<char*>(std::malloc(kStartSize));
  if (!data_) out_of_memory();
  cap_ = kStartSize;
}

DocText::~DocText() { std::free(data_); }

void DocText::grow(size_t need) {
  size_t c = cap_ * 2;
  while (c < need) c *= 2;
  char* d = static_cast<char*>(std::realloc(data_, c));
  if (!d) out_of_memory();
  data_ = d;
  cap_ = c;
}

void DocText::field(const char* f, size_t width) { put(f, field_strlen(f, width)); }

void DocText::padded(const char* f, size_t field_width, size_t width) {
  size_t n = field_strlen(f, field_width);
  put(f, n);
  if (n < width) {
    reserve(width - n);
    std::memset(data_ + len_, ' ', width - n);
    len_ += width - n;
  }
}

void DocText::number(int32_t v, int width, bool zero, bool left) {
  char digits[16];
  int nd = 0;
  uint32_t u = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  do {
    digits[nd++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  int len = nd + (v < 0 ? 1 : 0);
  int pad = width > len ? width - len : 0;
  reserve(static_cast<size_t>(len + pad));
  char* o = data_ + len_;
  if (!left && !zero)
    for (int i = 0; i < pad; i++) *o++ = ' ';
  if (v < 0) *o++ = '-';
  if (!left && zero)
    for (int i = 0; i < pad; i++) *o++ = '0';
  while (nd) *o++ = digits[--nd];
  if (left)
    for (int i = 0; i < pad; i++) *o++ = ' ';
  len_ = static_cast<size_t>(o - data_);
}

void DocText::header(const char* name) {
  put_char('[');
  put(name);
  put("]\r\n", 3);
}

void DocText::key_text(const char* key, const char* f, size_t width) {
  put(key);
  put_char('=');
  field(f, width);
  crlf();
}

void DocText::key_number(const char* key, int32_t v) {
  put(key);
  put_char('=');
  number(v);
  crlf();
}

void DocText::key_date(const char* key, int32_t day) {
  put(key);
  put_char('=');
  put(format_date(day));
  crlf();
}

size_t trimmed_length(const char* s, size_t n) {
  while (n > 0 && s[n - 1] == ' ') n--;
  return n;
}
