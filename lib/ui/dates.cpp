#include "ui/dates.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/env.h"

namespace {

// Days before each month in a common year.
constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool leap_year(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Division rounding toward minus infinity.
int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Day number of the first day of year y, minus one.
int64_t year_base(int64_t y) { return y * 365 + floor_div(y - 1, 4); }

int32_t g_today = -1;
bool g_today_known = false;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t parse_date(const char* text) {
  if (!text) return -1;
  if (text[0] == '*') return today();
  // Month and day occupy positions 0-1 and 3-4, the year starts at 6. A text
  // that ends before the year is no date; nothing past its end is read.
  size_t len = std::strlen(text);
  if (len < 7) return -1;
  if (text[0] != '0' && text[0] != '1') return -1;
  if (!is_digit(text[1]) || !is_digit(text[3]) || !is_digit(text[4])) return -1;
  if (text[3] > '3') return -1;
  if (text[3] == '3' && text[4] >= '2') return -1;
  if (text[3] == '0' && text[4] == '0') return -1;

  int64_t year = 0;
  for (const char* p = text + 6; is_digit(*p); ++p) {
    year = year * 10 + (*p - '0');
    if (year > 10000000) return -1;  // far beyond any day number
  }
  int month = (text[0] == '1' ? 10 : 0) + (text[1] - '0');
  while (month > 12) {
    month -= 12;
    ++year;
  }
  if (month == 0) return -1;
  int day = (text[3] - '0') * 10 + (text[4] - '0');
  if (day < 1 || day > 31 || year < 1900) return -1;

  int64_t n = year * 365 + floor_div(year - 1, 4) + kDaysBefore[month - 1] + day +
              ((leap_year(year) && month > 2) ? 1 : 0);
  if (n > INT32_MAX) return -1;
  return static_cast<int32_t>(n);
}

const char* format_date(int32_t day) {
  // Room for the longest text any day number gives (a seven-digit year).
  static char buffer[32];
  if (day < 0) {
    std::memcpy(buffer, "          ", 11);
    return buffer;
  }
  int64_t n = day;
  int64_t y = (4 * n) / 1461;
  int64_t doy = n - year_base(y);
  // The year estimate counts every fourth year as leap, so a day number that
  // no date gives (the day after 12/31 of a century year) can run past the
  // end of its year: it is shown as a day of the next year.
  while (doy > (leap_year(y) ? 366 : 365)) {
    doy -= leap_year(y) ? 366 : 365;
    ++y;
  }
  while (doy < 1) {
    --y;
    doy += leap_year(y) ? 366 : 365;
  }
  int month = 0;
  for (; month < 11; ++month) {
    int length = kMonthLength[month] + ((month == 1 && leap_year(y)) ? 1 : 0);
    if (doy <= length) break;
    doy -= length;
  }
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04lld", month + 1, static_cast<int>(doy),
                static_cast<long long>(y));
  return buffer;
}

void today_compute() {
  LocalTime t = env()->local_time();
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", t.month, t.day, t.year);
  g_today = parse_date(text);
  g_today_known = true;
}

int32_t today() {
  if (!g_today_known) today_compute();
  return g_today;
}

void today_set(int32_t day) {
  g_today = day;
  g_today_known = true;
}

namespace {

// A typed number, read with the C library's syntax, rounded half away from
// zero at 10^-places. The decimal digits themselves are rounded, so the
// result does not depend on any floating-point precision: 12.345 as money is
// 1235, 0.715 is 72.
// Returns false when the value is out of range.
bool text_to_fixed(const char* text, int places, int32_t* value) {
  *value = 0;
  if (!text) return true;
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  const char* after_sign = p;
  if (*after_sign == '+' || *after_sign == '-') {
    negative = *after_sign == '-';
    ++after_sign;
  }
  int64_t result = 0;
  bool hex = after_sign[0] == '0' && (after_sign[1] == 'x' || after_sign[1] == 'X');
  if (!hex && (is_digit(*after_sign) || (*after_sign == '.' && is_digit(after_sign[1])))) {
    // Decimal form: digits, point, digits, exponent.
    std::string digits;  // significant digits, leading zeros dropped
    int64_t point = 0;   // decimal exponent of the last digit kept
    const char* q = after_sign;
    for (; is_digit(*q); ++q) {
      if (digits.empty() && *q == '0') continue;
      if (digits.size() < 40) digits.push_back(*q);
      else ++point;  // beyond 40 digits only the magnitude matters
    }
    if (*q == '.') {
      ++q;
      for (; is_digit(*q); ++q) {
        if (digits.empty() && *q == '0') {
          --point;
          continue;
        }
        if (digits.size() < 40) {
          digits.push_back(*q);
          --point;
        }
      }
    }
    if (*q == 'e' || *q == 'E') {
      const char* e = q + 1;
      bool eneg = false;
      if (*e == '+' || *e == '-') {
        eneg = *e == '-';
        ++e;
      }
      if (is_digit(*e)) {
        int64_t exponent = 0;
        for (; is_digit(*e); ++e)
          if (exponent < 1000000) exponent = exponent * 10 + (*e - '0');
        point += eneg ? -exponent : exponent;
      }
    }
    if (digits.empty()) return true;  // zero
    // The value is digits x 10^(point + places).
    int64_t scale = point + places;
    int64_t magnitude = static_cast<int64_t>(digits.size()) + scale;  // digits before the point
    if (magnitude > 12) return false;
    if (scale >= 0) {
      for (char c : digits) result = result * 10 + (c - '0');
      for (int64_t i = 0; i < scale; ++i) result *= 10;
    } else {
      int64_t keep = static_cast<int64_t>(digits.size()) + scale;  // may be 0 or less
      for (int64_t i = 0; i < keep; ++i) result = result * 10 + (digits[i] - '0');
      char first_dropped = keep >= 0 ? digits[keep] : '0';
      if (first_dropped >= '5') ++result;
    }
  } else if (hex || std::isalpha(static_cast<unsigned char>(*after_sign))) {
    // Hexadecimal, infinity and NaN forms of the C library: a hexadecimal
    // number is exact in binary, so scaling it in extended precision is exact.
    errno = 0;
    char* end = nullptr;
    double d = std::strtod(p, &end);
    if (end == p) return true;  // no number: the value is 0
    if (!std::isfinite(d)) return false;
    if (errno == ERANGE && std::fabs(d) > 1.0) return false;
    long double scaled = static_cast<long double>(d) * (places == 2 ? 100.0L : 10000.0L);
    scaled = scaled >= 0 ? scaled + 0.5L : scaled - 0.5L;
    if (std::fabs(scaled) > 1e13L) return false;
    result = static_cast<int64_t>(scaled);
    negative = false;
  } else {
    return true;  // no number: the value is 0
  }
  if (negative) result = -result;
  if (result <= -2147483646 || result >= 2147483647) return false;
  *value = static_cast<int32_t>(result);
  return true;
}

// "%*.*f" of an integer count of 10^-places, written exactly.
std::string fixed_text(int32_t v, int places, int width) {
  int64_t a = v;
  bool negative = a < 0;
  if (negative) a = -a;
  int64_t unit = places == 2 ? 100 : 10000;
  char body[40];
  std::snprintf(body, sizeof body, "%s%lld.%0*lld", negative ? "-" : "",
                static_cast<long long>(a / unit), places, static_cast<long long>(a % unit));
  char out[48];
  std::snprintf(out, sizeof out, "%*s", width, body);
  return out;
}

}  // namespace

bool text_to_money(const char* text, int32_t* value) { return text_to_fixed(text, 2, value); }
bool text_to_rate(const char* text, int32_t* value) { return text_to_fixed(text, 4, value); }

std::string money_text(int32_t cents, bool wide) { return fixed_text(cents, 2, wide ? 12 : 7); }
std::string rate_text(int32_t ten_thousandths) { return fixed_text(ten_thousandths, 4, 12); }

void trim_trailing_blanks(char* text) {
  if (!text) return;
  size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
}
