#include "ui/dates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

TEST(Dates, EveryDateFrom1900To2100RoundTrips) {
  static const int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int32_t previous = -1;
  for (int y = 1900; y <= 2100; ++y) {
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    for (int m = 1; m <= 12; ++m) {
      int days = kLength[m - 1] + (m == 2 && leap ? 1 : 0);
      for (int d = 1; d <= days; ++d) {
        char text[24];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", m, d, y);
        int32_t n = parse_date(text);
        ASSERT_GT(n, previous) << text;
        ASSERT_STREQ(format_date(n), text);
        previous = n;
      }
    }
  }
}

TEST(Dates, KnownDayNumbers) {
  EXPECT_EQ(parse_date("01/01/1900"), 693975);
  EXPECT_EQ(parse_date("01/01/1998"), 729770);
  EXPECT_EQ(parse_date("01/01/2000"), 730500);
  EXPECT_STREQ(format_date(729770), "01/01/1998");
  EXPECT_STREQ(format_date(-1), "          ");
  EXPECT_STREQ(format_date(-123456), "          ");
}

TEST(Dates, RefusedTexts) {
  for (const char* t : {"00/15/1998", "01/00/1998", "01/32/1998", "2/15/1998", "12/31/1899",
                        "1/5", "", "0", "01/05/", "01/05/ab", "0a/05/1998", "01/4x/1998",
                        "21/01/1998", "01/40/1998"})
    EXPECT_EQ(parse_date(t), -1) << '"' << t << '"';
}

TEST(Dates, MonthOverflowAndLooseDays) {
  EXPECT_EQ(parse_date("13/05/1998"), parse_date("01/05/1999"));
  EXPECT_EQ(parse_date("19/05/1998"), parse_date("07/05/1999"));
  // Days are not checked against the length of the month.
  EXPECT_EQ(parse_date("02/30/1998"), parse_date("03/02/1998"));
  EXPECT_EQ(parse_date("01/31/1998"), 729770 + 30);
  // Separators are not examined.
  EXPECT_EQ(parse_date("01-01-1998"), 729770);
  EXPECT_EQ(parse_date("01/01/1998 trailing"), 729770);
}

TEST(Dates, StarIsToday) {
  today_set(731000);
  EXPECT_EQ(parse_date("*"), 731000);
  EXPECT_EQ(parse_date("*anything"), 731000);
  EXPECT_EQ(today(), 731000);
}

TEST(Dates, HugeYearsStayInTheirBuffer) {
  EXPECT_EQ(parse_date("01/01/99999999999999999999"), -1);
  // The largest day numbers give long years; the text is still whole.
  std::string big = format_date(INT32_MAX);
  EXPECT_GT(big.size(), 10u);
  EXPECT_EQ(big.substr(2, 1), "/");
  // The day after 12/31/1900 that no text gives is shown as a real date.
  EXPECT_STREQ(format_date(parse_date("12/31/1900") + 1), "01/01/1901");
  EXPECT_STREQ(format_date(0), "01/01/0000");
  // A parsed year far out still round-trips.
  int32_t n = parse_date("06/15/123456");
  ASSERT_GT(n, 0);
  EXPECT_STREQ(format_date(n), "06/15/123456");
}

struct Conversion {
  const char* text;
  bool ok;
  int32_t value;
};

TEST(Money, TypedMoneyRoundsTheDecimalValue) {
  const Conversion cases[] = {
      {"12.125", true, 1213}, {"-12.125", true, -1213}, {"12.345", true, 1235},
      {"0.715", true, 72},    {"-0.715", true, -72},    {"0.714999", true, 71},
      {"47.5", true, 4750},   {"", true, 0},            {"   3", true, 300},
      {"abc", true, 0},       {"5.", true, 500},        {"-.5", true, -50},
      {"1.5e2", true, 15000}, {"15e-3", true, 2},       {"1e-400", true, 0},
      {"12.3x", true, 1230},  {"+7", true, 700},        {"0.005", true, 1},
      {"-0.004", true, 0},    {"0x10", true, 1600},
      {"30000000", false, 0}, {"1e400", false, 0},      {"inf", false, 0},
      {"nan", false, 0},
      // The range is open at both ends.
      {"21474836.46", true, 2147483646}, {"21474836.47", false, 0},
      {"-21474836.45", true, -2147483645}, {"-21474836.46", false, 0},
      {"000000000000000000000000000000000000000000000012.345", true, 1235},
      {"0.0000000000000000000000000000000000000000000000001", true, 0},
  };
  for (const Conversion& c : cases) {
    int32_t v = 99;
    EXPECT_EQ(text_to_money(c.text, &v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
}

TEST(Money, RatesToTenThousandths) {
  int32_t v = 0;
  EXPECT_TRUE(text_to_rate("5.8125", &v));
  EXPECT_EQ(v, 58125);
  EXPECT_TRUE(text_to_rate("0.00005", &v));
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(text_to_rate("-0.00005", &v));
  EXPECT_EQ(v, -1);
  EXPECT_FALSE(text_to_rate("300000", &v));
  EXPECT_EQ(v, 0);
}

TEST(Money, Texts) {
  EXPECT_EQ(money_text(1213), "       12.13");
  EXPECT_EQ(money_text(-1213), "      -12.13");
  EXPECT_EQ(money_text(-5), "       -0.05");
  EXPECT_EQ(money_text(4750, false), "  47.50");
  EXPECT_EQ(money_text(INT32_MIN), "-21474836.48");
  EXPECT_EQ(rate_text(58125), "      5.8125");
  EXPECT_EQ(rate_text(-1), "     -0.0001");
  // Agrees with printf of the divided value across a range of values.
  for (int32_t c = -100000; c <= 100000; c += 7) {
    char expect[32];
    std::snprintf(expect, sizeof expect, "%12.2f", c / 100.0);
    ASSERT_EQ(money_text(c), expect);
  }
}

TEST(Money, TrimTrailingBlanks) {
  char a[] = "ABC   ";
  trim_trailing_blanks(a);
  EXPECT_STREQ(a, "ABC");
  char b[] = "   ";
  trim_trailing_blanks(b);
  EXPECT_STREQ(b, "");
  char c[] = " A B\t";
  trim_trailing_blanks(c);
  EXPECT_STREQ(c, " A B\t");
}

}  // namespace
