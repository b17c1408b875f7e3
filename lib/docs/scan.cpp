#include "docs/scan.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "ui/dates.h"

namespace {

inline bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool same_name(const char* a, const char* name, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (lower(a[i]) != lower(name[i])) return false;
  return true;
}

}  // namespace

const char* scan_eol(const char* p, const char* end) {
  while (p < end && *p != '\r' && *p != '\n') p++;
  return p;
}

const char* scan_skip_blanks(const char* p, const char* end) {
  for (;;) {
    while (p < end && is_blank(*p)) p++;
    if (p < end && *p == ';') {
      p = scan_eol(p, end);
      continue;
    }
    return p;
  }
}

const char* scan_find_header(const char* p, const char* end, const char* name) {
  size_t n = std::strlen(name);
  p = scan_skip_blanks(p, end);
  while (p < end) {
    const char* b = static_cast<const char*>(std::memchr(p, '[', static_cast<size_t>(end - p)));
    if (!b) return nullptr;
    if (static_cast<size_t>(end - b) > n + 1 && same_name(b + 1, name, n) && b[n + 1] == ']')
      return b;
    p = scan_next_line(b, end);
  }
  return nullptr;
}

const char* scan_find_section(const char* p, const char* end, const char* name) {
  const char* b = scan_find_header(p, end, name);
  return b ? b + std::strlen(name) + 2 : nullptr;
}

void KeySection::open(const char* p, const char* end) {
  lines_.clear();
  cursor_ = 0;
  p = scan_skip_blanks(p, end);
  while (p < end && *p != '[') {
    Line l{p, p, -1};
    const char* q = p;
    while (q < end && *q != '\r' && *q != '\n') {
      if (*q == '=' && l.key_len < 0) l.key_len = static_cast<int32_t>(q - p);
      q++;
    }
    l.eol = q;
    lines_.push_back(l);
    p = scan_skip_blanks(q, end);
  }
  stop_ = p;
}

bool KeySection::find(const char* key, size_t length, View* value) {
  int32_t n = static_cast<int32_t>(length);
  char first = lower(key[0]);
  for (size_t i = cursor_; i < lines_.size(); i++) {
    const Line& l = lines_[i];
    if (l.key_len != n || lower(l.start[0]) != first || !same_name(l.start, key, length)) continue;
    const char* v = l.start + n + 1;
    while (v < l.eol && *v == ' ') v++;
    *value = View{v, static_cast<size_t>(l.eol - v)};
    cursor_ = i + 1;
    return true;
  }
  *value = View{stop_, 0};
  return false;
}

const char* KeySection::position() const {
  return cursor_ < lines_.size() ? lines_[cursor_].start : stop_;
}

bool LineCursor::next(View* line, const char** bracket) {
  while (p < end) {
    const char* q = p;
    while (q < end && (*q == ' ' || *q == '\t' || *q == '\v' || *q == '\f')) q++;
    if (q < end && *q == '[') {
      *bracket = q;
      return false;
    }
    const char* e = scan_eol(q, end);
    const char* start = p;
    p = e < end ? e + 1 : end;
    if (q == e || *q == ';') continue;
    *line = View{start, static_cast<size_t>(e - start)};
    return true;
  }
  *bracket = nullptr;
  return false;
}

View trim_right(View v) {
  while (v.n > 0 && v.p[v.n - 1] == ' ') v.n--;
  return v;
}

View trim_note(View v) {
  while (v.n > 0 && (v.p[v.n - 1] == ' ' || v.p[v.n - 1] == '\r' || v.p[v.n - 1] == '\n')) v.n--;
  return v;
}

namespace {

int32_t number_of(View v, bool ignore_blanks) {
  size_t i = 0;
  while (i < v.n && is_blank(v.p[i])) i++;
  bool neg = false;
  if (i < v.n && (v.p[i] == '-' || v.p[i] == '+')) neg = v.p[i++] == '-';
  int64_t acc = 0;
  for (; i < v.n; i++) {
    char c = v.p[i];
    if (ignore_blanks && (c == ' ' || c == '\t')) continue;
    if (c < '0' || c > '9') break;
    if (acc <= INT64_C(1) << 40) acc = acc * 10 + (c - '0');
  }
  if (neg) acc = -acc;
  if (acc > INT32_MAX) return INT32_MAX;
  if (acc < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(acc);
}

}  // namespace

int32_t view_number(View v) { return number_of(v, false); }
int32_t view_number_noblanks(View v) { return number_of(v, true); }

int32_t view_date(View v) {
  char buf[64];
  size_t n = v.n < sizeof buf - 1 ? v.n : sizeof buf - 1;
  std::memcpy(buf, v.p, n);
  buf[n] = 0;
  return parse_date(buf);
}

void view_to_field(View v, char* field, size_t width) {
  size_t n = v.n < width - 1 ? v.n : width - 1;
  std::memcpy(field, v.p, n);
  std::memset(field + n, 0, width - n);
}

char* view_dup(View v) {
  char* s = static_cast<char*>(std::malloc(v.n + 1));
  if (!s) return nullptr;
  std::memcpy(s, v.p, v.n);
  s[v.n] = 0;
  return s;
}

bool view_contains(View v, const char* s) {
  size_t n = std::strlen(s);
  if (n > v.n) return false;
  for (size_t i = 0; i + n <= v.n; i++)
    if (v.p[i] == s[0] && std::memcmp(v.p + i, s, n) == 0) return true;
  return false;
}
