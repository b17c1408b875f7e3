// The workorder writer: the worked example byte for byte, and the optional
// parts of the format.
#include <cstdio>
#include <string>

#include "doc_fixture.h"
#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/doctext.h"
#include "ui/settings.h"

namespace {

class WoWrite : public DocTest {
 protected:
  void TearDown() override {
    wo_free(&wo_);
    DocTest::TearDown();
  }
  std::string text() {
    std::string s;
    wo_format(wo_, &s);
    return s;
  }
  Workorder wo_{};
};

TEST_F(WoWrite, WorkedExampleByteForByte) {
  example_workorder(&wo_);
  EXPECT_EQ(text(), example_text());

  MemFile f("previous contents that are longer than nothing at all");
  int64_t length = 0;
  int64_t n = wo_write(&f, wo_, 0, &length);
  EXPECT_EQ(n, static_cast<int64_t>(example_text().size()));
  EXPECT_EQ(length, n);
  EXPECT_EQ(f.data, example_text());
  EXPECT_EQ(f.pos, n);  // left after the NUL
}

TEST_F(WoWrite, WritingIntoTheMiddleCutsTheRest) {
  example_workorder(&wo_);
  MemFile f(std::string(100, 'x') + std::string(50000, 'y'));
  int64_t n = wo_write(&f, wo_, 100, nullptr);
  EXPECT_EQ(f.data, std::string(100, 'x') + example_text());
  EXPECT_EQ(n + 100, f.size());
}

TEST_F(WoWrite, ShortWriteIsReportedAgainstTheLength) {
  example_workorder(&wo_);
  MemFile f;
  f.write_limit = 10;
  int64_t length = 0;
  EXPECT_EQ(wo_write(&f, wo_, 0, &length), 10);
  EXPECT_GT(length, 10);
}

TEST_F(WoWrite, SplitPaymentWritesAllTenEntries) {
  wo_init(&wo_);
  wo_.totals.PaymentMethod = PAY_SPLIT;
  wo_.totals.SplitType[0] = 2;
  wo_.totals.SplitAmount[0] = 1500;
  wo_.totals.SplitDate[0] = kMar14_1998;
  std::string s = text();
  EXPECT_NE(s.find("PaymentMethod=Split   \r\n"
                   "SplitType1=Cash    \r\nSplitAmount1=1500\r\nSplitDate1=03/14/1998\r\n"
                   "SplitType2=  None  \r\nSplitAmount2=0\r\nSplitDate2=          \r\n"),
            std::string::npos);
  EXPECT_NE(s.find("SplitType10=  None  \r\nSplitAmount10=0\r\nSplitDate10=          \r\n\r\n"
                   "[Customer]"),
            std::string::npos);
}

TEST_F(WoWrite, PurgeProgramSpellsPaymentNoneItsOwnWay) {
  wo_init(&wo_);
  settings_defaults(ProgramKind::prune);
  EXPECT_NE(text().find("PaymentMethod= None   \r\n"), std::string::npos);
  settings_defaults(ProgramKind::tally);
  EXPECT_NE(text().find("PaymentMethod=  None  \r\n"), std::string::npos);
}

TEST_F(WoWrite, OptionalValuesAndSections) {
  wo_init(&wo_);
  wo_.totals.DateOpen = -1;
  std::string s = text();
  // No dates, no zero amounts, no vehicle section, no empty customer texts;
  // the company city of wo_init is written.
  EXPECT_EQ(s.find("Date"), std::string::npos);
  EXPECT_EQ(s.find("[Vehicle]"), std::string::npos);
  EXPECT_NE(s.find("[Totals]\r\nPaymentMethod=  None  \r\n\r\n[Customer]\r\nCustomerNumber=0\r\n"
                   "City=DEFAULT CITY\r\n\r\n[Parts]"),
            std::string::npos);
  // Every line section is written, even empty, and the document ends in the
  // check list's empty line and a NUL.
  EXPECT_NE(s.find("[Parts]\r\n\r\n[Labor]\r\n\r\n[Sublets]\r\n\r\n[Waste]\r\n\r\n[Credits]\r\n\r\n"
                   "[Notes]\r\n\r\n[Check List]\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(s.back(), '\0');

  // A model alone brings the vehicle section, with its two original values.
  field_set(wo_.vehicle.Model, sizeof wo_.vehicle.Model, "VAN");
  wo_.vehicle.OrigDate = -1;
  wo_.vehicle.Date = -1;
  EXPECT_NE(text().find("[Vehicle]\r\nModel=VAN\r\nOrigMileage=0\r\nOrigDate=          \r\n\r\n"),
            std::string::npos);
}

TEST_F(WoWrite, LineColumns) {
  wo_init(&wo_);
  add_part(&wo_, "", "NO STOCK NUMBER", -3, -1, 0, 7);
  LaborLine* l = add_labor(&wo_, 1234567, 100, 0, 0, -50, "A\tB\tC\tD\tE\tF\tG\tH\tI");
  l->followup_date = 730000;
  add_labor(&wo_, 5, 1, 2, 3, 4, "NO FOLLOW-UP");
  add_sublet(&wo_.sublets, "TOWING", "INV-9", 'N', 2500, 3000, " rest of line");
  add_sublet(&wo_.waste, "OIL", "", 0, 1, 2, "");
  add_credit(&wo_.credits, -125, "COUPON");
  std::string s = text();
  EXPECT_NE(s.find("\r\n                    NO STOCK NUMBER                          -3          -1"
                   "           0           7\r\n"),
            std::string::npos);
  // Eight tabs already: the follow-up columns follow at once.
  EXPECT_NE(s.find("\r\n1234567         100           0           0         -50"
                   "A\tB\tC\tD\tE\tF\tG\tH\tI      0\t    0\t 730000\r\n"),
            std::string::npos);
  EXPECT_NE(s.find("\r\n000005           1           2           3           4NO FOLLOW-UP\r\n"),
            std::string::npos);
  EXPECT_NE(s.find("\r\nTOWING                         INV-9     N        2500        3000"
                   " rest of line\r\n"),
            std::string::npos);
  // A line without a flag is written as not taxable, never with a NUL.
  EXPECT_NE(s.find("\r\nOIL                                      N           1           2\r\n"),
            std::string::npos);
  EXPECT_NE(s.find("\r\n-125        COUPON\r\n"), std::string::npos);
  EXPECT_EQ(s.find('\0'), s.size() - 1);
}

TEST_F(WoWrite, OutOfRangeCodesWriteTheEmptyWord) {
  wo_init(&wo_);
  wo_.Status = 9;
  wo_.Type = -1;
  EXPECT_NE(text().find("Status=\r\nType=\r\nPricing=RETAIL   \r\n"), std::string::npos);
}

TEST(DocTextNumbers, MatchPrintfConversions) {
  const int32_t values[] = {0, 1, -1, 9, -9, 10, 12345, -12345, 999999, 1000000, -1000000,
                            INT32_MAX, INT32_MIN, 42, -42};
  for (int32_t v : values) {
    const struct {
      int width;
      bool zero, left;
      const char* fmt;
    } forms[] = {{0, false, false, "%d"},  {5, false, false, "%5d"}, {12, false, false, "%12d"},
                 {6, true, false, "%06d"}, {7, false, false, "%7d"}, {12, false, true, "%-12d"}};
    for (const auto& f : forms) {
      DocText t;
      t.number(v, f.width, f.zero, f.left);
      char want[64];
      std::snprintf(want, sizeof want, f.fmt, v);
      EXPECT_EQ(std::string(t.data(), t.size()), want) << f.fmt << " " << v;
    }
  }
}

}  // namespace
