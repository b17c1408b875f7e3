// Dates, money and rates typed as any text. A date text gives -1 or a day
// number that its own MM/DD/YYYY gives again; every day number is shown as a
// date that reads back as that day (or, for the one day after the end of a
// century year that no date gives, the next). Money and rates agree with the
// C library's reading of the text to half a unit, fail only where the value
// does not fit, and what they show reads back exactly.
#include <cerrno>
#include <cmath>

#include "fuzz_support.h"
#include "ui/dates.h"

namespace {

constexpr int32_t kToday = 729842;

void check_fixed(const char* text, bool (*parse)(const char*, int32_t*),
                 std::string (*show)(int32_t), double unit, const char* what) {
  int32_t v = -7;
  bool ok = parse(text, &v);
  if (!ok && v != 0) fuzz::fail(std::string(what) + ": a failure leaves a value");
  errno = 0;
  char* end = nullptr;
  double d = std::strtod(text, &end);
  double scaled = end == text ? 0.0 : d * unit;
  if (ok) {
    if (std::fabs(scaled - v) > 0.5 + 1e-9 * std::fabs(scaled))
      fuzz::fail(std::string(what) + ": value differs from the text's");
    int32_t again = -7;
    if (!parse(show(v).c_str(), &again) || again != v)
      fuzz::fail(std::string(what) + ": shown value does not read back");
  } else {
    if (std::isfinite(scaled) && std::fabs(scaled) <= 2147483000.0)
      fuzz::fail(std::string(what) + ": a value that fits refused");
  }
}

std::string money_wide(int32_t v) { return money_text(v, true); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  today_set(kToday);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text exactly as long as the input, so that reading past its end is seen.
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  const char* t = text.data();

  int32_t day = parse_date(t);
  fuzz::expect(day == -1 || day >= 0, "negative day number");
  if (t[0] == '*') fuzz::expect(day == kToday, "* is today");
  if (day >= 0) {
    std::string shown = format_date(day);
    if (parse_date(shown.c_str()) != day) fuzz::fail("a date read does not read back: " + shown);
  }

  // Any day number from the input's first bytes.
  fuzz::Input in{data, size};
  int32_t n = static_cast<int32_t>(in.u32() & 0x7fffffff);
  std::string shown = format_date(n);
  if (shown.size() < 10 || shown[2] != '/' || shown[5] != '/') fuzz::fail("date shape: " + shown);
  int month = std::atoi(shown.c_str()), dom = std::atoi(shown.c_str() + 3);
  long long year = std::atoll(shown.c_str() + 6);
  if (month < 1 || month > 12 || dom < 1 || dom > 31) fuzz::fail("date out of range: " + shown);
  int32_t back = parse_date(shown.c_str());
  if (year < 1900) fuzz::expect(back == -1, "a date before 1900 read");
  else if (back != n && !(back == n + 1 && month == 1 && dom == 1 && (year - 1) % 100 == 0))
    fuzz::fail("a day number does not read back: " + shown);

  check_fixed(t, text_to_money, money_wide, 100.0, "money");
  check_fixed(t, text_to_rate, rate_text, 10000.0, "rate");
  int32_t any = static_cast<int32_t>(in.u32());
  if (any > -2147483646 && any < 2147483647) {
    int32_t again = 0;
    fuzz::expect(text_to_money(money_text(any, false).c_str(), &again) && again == any, "money shown narrow");
  }
  return 0;
}
