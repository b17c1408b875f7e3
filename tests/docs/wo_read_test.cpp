// The workorder reader: round trips, the stored-file walk, the older layouts,
// placement rules, rejections and the tolerance rules.
#include <cstdio>
#include <cstring>
#include <string>

#include "db/bytes.h"
#include "doc_fixture.h"
#include "docs/codes.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

// Sublet lines in the current layout and in the older one without the flag.
std::string sublet(const char* description, const char* reference, char flag, int cost, int price,
                   const char* text = "") {
  char line[256];
  std::snprintf(line, sizeof line, "%-31s%-10s%c%12d%12d%s\r\n", description, reference, flag,
                cost, price, text);
  return line;
}
std::string old_sublet(const char* description, const char* reference, int cost, int price,
                       const char* text) {
  char line[256];
  std::snprintf(line, sizeof line, "%-31s%-10s%12d%12d%s\r\n", description, reference, cost,
                price, text);
  return line;
}

class WoRead : public DocTest {
 protected:
  void TearDown() override {
    wo_free(&wo_);
    wo_free(&again_);
    DocTest::TearDown();
  }
  // Reads a document held in a file at offset 0.
  int64_t read(const std::string& bytes, DocRead* info = nullptr) {
    wo_free(&wo_);
    MemFile f(bytes);
    return wo_read(&f, &wo_, info);
  }
  std::string written(const Workorder& wo) {
    std::string s;
    wo_format(wo, &s);
    return s;
  }
  // A minimal document: header, totals, customer, then whatever follows.
  static std::string doc(const std::string& tail, const char* type = "REPAIR") {
    return "[Workorder]\r\nWorkorderNumber=000042\r\nStatus=CLOSED \r\nType=" + std::string(type) +
           "\r\nPricing=RETAIL\r\n\r\n[Totals]\r\nSubletTaxRate=70000\r\nPaymentMethod=Cash\r\n\r\n"
           "[Customer]\r\nCustomerNumber=5\r\nLastname=DOE\r\n\r\n" + tail + std::string(1, '\0');
  }
  Workorder wo_{};
  Workorder again_{};
};

TEST_F(WoRead, WorkedExampleReadsBackAndRewritesTheSameBytes) {
  DocRead info;
  std::string raw;
  info.raw = &raw;
  std::string text = example_text();
  EXPECT_EQ(read(text, &info), static_cast<int64_t>(text.size()));
  EXPECT_TRUE(info.whole);
  EXPECT_EQ(raw, text);
  EXPECT_EQ(info.padding, 0);
  EXPECT_EQ(warnings(), 0);

  EXPECT_EQ(wo_.WorkorderNumber, 1234u);
  EXPECT_EQ(wo_.Status, WO_OPEN);
  EXPECT_EQ(wo_.Pricing, PRICE_RETAIL);
  EXPECT_EQ(wo_.totals.DateOpen, kMar14_1998);
  EXPECT_EQ(wo_.totals.DateClosed, -1);
  EXPECT_EQ(wo_.totals.WorkorderTotal, 8859);
  EXPECT_EQ(wo_.totals.PaymentMethod, 0);
  EXPECT_EQ(wo_.customer.CustomerNumber, 77u);
  EXPECT_STREQ(wo_.customer.City, "SPRINGFIELD");
  EXPECT_STREQ(wo_.customer.State, "");  // missing key reads as empty
  EXPECT_STREQ(wo_.customer.Salesperson, "");
  EXPECT_EQ(wo_.customer.date, kMar14_1998);  // from the customer starting values
  EXPECT_STREQ(wo_.vehicle.Model, "RANGER");
  EXPECT_EQ(wo_.vehicle.Date, -1);
  EXPECT_EQ(wo_.vehicle.OrigDate, kMar14_1998);
  ASSERT_NE(wo_.parts, nullptr);
  EXPECT_STREQ(wo_.parts->stock_number, "FL1A");
  EXPECT_STREQ(wo_.parts->description, "OIL FILTER                            ");
  EXPECT_EQ(wo_.parts->quantity, 2);
  ASSERT_NE(wo_.labor, nullptr);
  // The text ends before the eighth tab: the tabs the writer added before the
  // follow-up columns but the last stay with it, so the rewrite is the same.
  EXPECT_STREQ(wo_.labor->text, "LUBE, OIL AND FILTER\t\t\t\t\t\t\t");
  EXPECT_EQ(wo_.labor->amount, 6750);
  EXPECT_EQ(wo_.labor->followup_mileage, 3000);
  EXPECT_EQ(wo_.labor->followup_date, 0);
  EXPECT_STREQ(wo_.notes, "CUSTOMER WAITING");
  EXPECT_EQ(wo_.check_list, nullptr);
  EXPECT_EQ(written(wo_), text);
}

TEST_F(WoRead, FullWorkorderRoundTripIsStable) {
  example_workorder(&again_);
  again_.Status = WO_ON_ACCT;
  again_.Type = WO_WARRANTY;
  again_.Pricing = PRICE_WHOLESALE;
  field_set(again_.PaymentComment, sizeof again_.PaymentComment, "PAID IN PART");
  field_set(again_.customer.TaxIDNumber, sizeof again_.customer.TaxIDNumber, "TX-1");
  field_set(again_.customer.Phone2ext, sizeof again_.customer.Phone2ext, "12");
  field_set(again_.customer.Salesperson, sizeof again_.customer.Salesperson, "AL");
  field_set(again_.vehicle.VComment3, sizeof again_.vehicle.VComment3, "DENT ON DOOR");
  field_set(again_.vehicle.State, sizeof again_.vehicle.State, "IL");
  again_.vehicle.Date = kMar14_1998 - 30;
  WorkorderTotals& t = again_.totals;
  t.DateClosed = kMar14_1998 + 1;
  t.DatePaid = kMar14_1998 + 2;
  t.NonTaxSubletSubtotal = 333;
  t.WasteDiscount = 1;
  t.DollarDiscount = -7;
  t.PaymentMethod = PAY_SPLIT;
  for (int i = 0; i < 10; i++) {
    t.SplitType[i] = static_cast<uint8_t>(i % 9);
    t.SplitAmount[i] = i * 100 - 300;
    t.SplitDate[i] = i % 3 ? kMar14_1998 + i : -1;
  }
  add_part(&again_, "OTHER", "A", 1, 1, 2, 3);
  add_labor(&again_, 20, 50, 0, 0, 2500, "SECOND\tLINE");
  add_sublet(&again_.sublets, "TOWING", "R1", 'N', 1, 2, "x");
  add_sublet(&again_.waste, "Waste Disposal", "", 'Y', 3, 4, "");
  add_credit(&again_.credits, 500, "GOODWILL");
  again_.check_list = dup_text("BRAKES OK\r\n  TIRES OK\r\n\r\nLIGHTS");

  std::string first = written(again_);
  DocRead info;
  EXPECT_EQ(read(first, &info), static_cast<int64_t>(first.size()));
  EXPECT_TRUE(info.whole);
  EXPECT_STREQ(wo_.check_list, again_.check_list);
  EXPECT_EQ(wo_.totals.WasteTaxRate, 0);  // read from a waste section: no copy of the rate
  for (int i = 0; i < 10; i++) {
    EXPECT_EQ(wo_.totals.SplitType[i], i % 9 == 0 ? 0 : i % 9) << i;
    EXPECT_EQ(wo_.totals.SplitAmount[i], i * 100 - 300);
    EXPECT_EQ(wo_.totals.SplitDate[i], t.SplitDate[i]);
  }
  uint8_t a[kWorkorderBlockSize], b[kWorkorderBlockSize];
  wo_block_encode(wo_.totals, a);
  wo_block_encode(again_.totals, b);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
  EXPECT_EQ(std::memcmp(wo_.vehicle.VComment3, "DENT ON DOOR", 13), 0);
  // Writing what was read gives the same bytes, again and again.
  EXPECT_EQ(written(wo_), first);
}

TEST_F(WoRead, RoundTripExceptions) {
  example_workorder(&again_);
  field_set(again_.PaymentComment, sizeof again_.PaymentComment, "  LATER   ");
  field_set(again_.customer.Salesperson, sizeof again_.customer.Salesperson, " None");
  again_.check_list = dup_text("; heading\r\n   FIRST ITEM");
  add_part(&again_, "FL1A", "OIL FILTER", 3, 575, 995, 995);
  read(written(again_));
  EXPECT_STREQ(wo_.PaymentComment, "LATER");        // leading spaces and trailing blanks go
  EXPECT_STREQ(wo_.customer.Salesperson, "None");   // a value's leading spaces go
  EXPECT_STREQ(wo_.check_list, "FIRST ITEM");       // leading blanks and comment lines go
  ASSERT_NE(wo_.parts, nullptr);
  EXPECT_EQ(wo_.parts->next, nullptr);              // duplicates merged
  EXPECT_EQ(wo_.parts->quantity, 5);
}

TEST_F(WoRead, ThreeDocumentsInOneFileWithPadding) {
  Workorder a{}, b{}, c{};
  example_workorder(&a);
  example_workorder(&b);
  example_workorder(&c);
  b.WorkorderNumber = 2;
  c.WorkorderNumber = 3;
  std::string sa = written(a), sb = written(b), sc = written(c);
  wo_free(&a);
  wo_free(&b);
  wo_free(&c);
  // Zero padding of more than a read piece before the second document and a
  // few bytes before the third.
  MemFile f(sa + std::string(5000, '\0') + sb + std::string(3, '\0') + sc + std::string(10, '\0'));
  int64_t p = 0;
  std::vector<uint32_t> numbers;
  std::vector<int64_t> results;
  for (;;) {
    f.seek(p);
    DocRead info;
    int64_t r = wo_read(&f, &wo_, &info);
    if (r == 0) break;
    ASSERT_GT(r, 0);
    EXPECT_TRUE(info.whole);
    numbers.push_back(wo_.WorkorderNumber);
    results.push_back(r);
    p += r;
    wo_free(&wo_);
  }
  wo_init(&wo_);
  EXPECT_EQ(numbers, (std::vector<uint32_t>{1234, 2, 3}));
  EXPECT_EQ(results, (std::vector<int64_t>{static_cast<int64_t>(sa.size()),
                                           static_cast<int64_t>(5000 + sb.size()),
                                           static_cast<int64_t>(3 + sc.size())}));
  EXPECT_EQ(warnings(), 0);
}

TEST_F(WoRead, EndOfFileReadErrorAndUnterminatedText) {
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(read(std::string(3000, '\0')), 0);
  MemFile f(example_text());
  f.fail_read_at = 0;
  EXPECT_EQ(wo_read(&f, &wo_, nullptr), -1);
  EXPECT_EQ(warnings(), 1);
  // A document cut before its NUL steps one past the end of the file.
  std::string cut = example_text();
  cut.pop_back();
  DocRead info;
  EXPECT_EQ(read(cut, &info), static_cast<int64_t>(cut.size() + 1));
  EXPECT_FALSE(info.terminated);
}

TEST_F(WoRead, DocumentsOfAnySizeAreReadWhole) {
  example_workorder(&again_);
  for (int i = 0; i < 1500; i++) {
    char stock[21];
    std::snprintf(stock, sizeof stock, "P%05d", i);
    add_part(&again_, stock, "BULK PART", 1, 1, 1, 1);
  }
  std::string big = written(again_);
  ASSERT_GT(big.size(), 140000u);
  DocRead info;
  MemFile f(big + example_text());
  EXPECT_EQ(wo_read(&f, &wo_, &info), static_cast<int64_t>(big.size()));
  EXPECT_TRUE(info.whole);
  int n = 0;
  for (PartLine* p = wo_.parts; p; p = p->next) n++;
  EXPECT_EQ(n, 1501);
  EXPECT_EQ(written(wo_), big);
  wo_free(&wo_);
  f.seek(static_cast<int64_t>(big.size()));
  EXPECT_EQ(wo_read(&f, &wo_, &info), static_cast<int64_t>(example_text().size()));
  EXPECT_EQ(wo_.WorkorderNumber, 1234u);
}

TEST_F(WoRead, OlderLaborAndSubletLayouts) {
  read(doc("[Parts]\r\n\r\n[Labor]\r\n"
           "000010         150        4500      333333LUBE OLD STYLE\r\n"
           "000011         100        3333           0\r\n"
           "\r\n[Sublets]\r\n" +
           old_sublet("TOWING", "R1", 2500, 3000, " OLD TEXT") +
           "\r\n[Waste]\r\n\r\n[Credits]\r\n\r\n[Notes]\r\n"));
  ASSERT_NE(wo_.labor, nullptr);
  EXPECT_EQ(wo_.labor->amount, 6750);
  EXPECT_STREQ(wo_.labor->text, "LUBE OLD STYLE");
  ASSERT_NE(wo_.labor->next, nullptr);
  EXPECT_EQ(wo_.labor->next->amount, 3333);  // 333300 x 0.01, half away from zero
  ASSERT_NE(wo_.sublets, nullptr);
  EXPECT_EQ(wo_.sublets->taxable, 'Y');
  EXPECT_EQ(wo_.sublets->cost, 2500);
  EXPECT_EQ(wo_.sublets->price, 3000);
  EXPECT_STREQ(wo_.sublets->text, " OLD TEXT");
}

TEST_F(WoRead, WasteDisposalAndSurchargePlacement) {
  const std::string lines = "[Parts]\r\n\r\n[Labor]\r\n\r\n[sublets]\r\n" +
                            sublet("Waste Disposal", "R1", 'N', 1, 2) +
                            sublet("ENV SURCHARGE", "R2", 'Y', 3, 4) +
                            sublet("waste disposal", "R3", 'Y', 5, 6) + "\r\n[Waste]\r\n" +
                            sublet("SHOP SURCHARGE", "R4", 'Y', 7, 8) +
                            sublet("RAGS", "R5", 'N', 9, 10) + "\r\n[Credits]\r\n\r\n[Notes]\r\n";
  for (char setting : {'Y', 'N'}) {
    g_settings.surcharge_is_sublet = setting;
    DocRead info;
    read(doc(lines), &info);
    EXPECT_TRUE(info.whole);
    EXPECT_EQ(wo_.totals.WasteTaxRate, 70000);  // copied from the sublet tax rate
    std::string sublets, waste;
    // References are kept as read, blank-filled to their column width.
    for (SubletLine* s = wo_.sublets; s; s = s->next) sublets += std::string(s->reference, 2) + ' ';
    for (SubletLine* s = wo_.waste; s; s = s->next) waste += std::string(s->reference, 2) + ' ';
    if (setting == 'Y') {
      EXPECT_EQ(sublets, "R2 R3 R4 ");
      EXPECT_EQ(waste, "R1 R5 ");
    } else {
      EXPECT_EQ(sublets, "R3 ");
      EXPECT_EQ(waste, "R1 R2 R4 R5 ");
    }
  }
}

TEST_F(WoRead, FollowUpColumnsAfterTheEighthTab) {
  read(doc("[Parts]\r\n\r\n[Labor]\r\n"
           "000001           0           0           0           0A\tB\t\t\t\t\t\t\t  1 2 3\t   45\t 730000\r\n"
           "000002           0           0           0           0NO TABS   3000\r\n"
           "000003           0           0           0           0\t\t\t\t\t\t\t\t\r\n"
           "\r\n[Sublets]\r\n\r\n[Credits]\r\n\r\n"));
  LaborLine* l = wo_.labor;
  ASSERT_NE(l, nullptr);
  EXPECT_STREQ(l->text, "A\tB\t\t\t\t\t\t");
  EXPECT_EQ(l->followup_mileage, 123);  // blanks inside the slice are ignored
  EXPECT_EQ(l->followup_second, 45);
  EXPECT_EQ(l->followup_date, 730000);
  l = l->next;
  EXPECT_STREQ(l->text, "NO TABS   3000");
  EXPECT_EQ(l->followup_mileage, 0);
  l = l->next;
  EXPECT_STREQ(l->text, "\t\t\t\t\t\t\t");
  EXPECT_EQ(l->followup_mileage + l->followup_second + l->followup_date, 0);
}

TEST_F(WoRead, PartsMergeAddsTheMergedQuantity) {
  read(doc("[Parts]\r\n"
           "FL1A                FILTER                                    3           1           2           0\r\n"
           "fl1a                FILTER                                    1           1           2           0\r\n"
           "FL1A                FILTER AGAIN                              2           9           9           9\r\n"
           "                    NO NUMBER                                 4           0           0           0\r\n"
           "                    NO NUMBER EITHER                          1           0           0           0\r\n"
           "\r\n[Labor]\r\n\r\n"));
  PartLine* p = wo_.parts;
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->stock_number, "FL1A");
  EXPECT_EQ(p->quantity, 5);
  EXPECT_EQ(p->unit_cost, 1);  // the first line's values stay
  p = p->next;
  EXPECT_STREQ(p->stock_number, "fl1a");  // case counts
  p = p->next;
  EXPECT_STREQ(p->stock_number, "");      // columns count from the line's start
  EXPECT_STREQ(p->description, "NO NUMBER                             ");
  EXPECT_EQ(p->quantity, 5);
  EXPECT_EQ(p->next, nullptr);
}

TEST_F(WoRead, ManyDistinctAndRepeatedPartsMerge) {
  example_workorder(&again_);
  for (int round = 0; round < 3; round++)
    for (int i = 0; i < 200; i++) {
      char stock[21];
      std::snprintf(stock, sizeof stock, "S%d", i);
      add_part(&again_, stock, "X", static_cast<int16_t>(round + 1), 0, 0, 0);
    }
  read(written(again_));
  int n = 0;
  for (PartLine* p = wo_.parts; p; p = p->next, n++)
    if (n > 0) {
      EXPECT_EQ(p->quantity, 6) << p->stock_number;
    }
  EXPECT_EQ(n, 201);
}

TEST_F(WoRead, RejectedDocumentsStepOverAndKeepWhatWasRead) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"no header", std::string("just some text\r\n") + '\0'},
      {"unknown status", std::string("[Workorder]\r\nWorkorderNumber=7\r\nStatus=DONE\r\n") + '\0'},
      {"unknown pricing", std::string("[Workorder]\r\nWorkorderNumber=7\r\nStatus=PAID\r\nPricing=LIST\r\n") + '\0'},
      {"repair without customer",
       std::string("[Workorder]\r\nWorkorderNumber=7\r\nStatus=paid\r\nPricing=\r\n\r\n[Totals]\r\n") + '\0'},
      {"text ends in the parts", doc("[Parts]\r\nFL1A")},
      {"text ends in the credits", doc("[Parts]\r\n\r\n[Labor]\r\n\r\n[Sublets]\r\n\r\n[Credits]\r\n500  X\r\n")},
  };
  int beeps = 0;
  for (const Case& c : cases) {
    DocRead info;
    EXPECT_EQ(read(c.text, &info), static_cast<int64_t>(c.text.size())) << c.what;
    EXPECT_FALSE(info.whole) << c.what;
    EXPECT_EQ(warnings(), ++beeps) << c.what;
  }
  // What was read before the reader gave up stays.
  EXPECT_EQ(wo_.WorkorderNumber, 42u);
  ASSERT_NE(wo_.credits, nullptr);
  EXPECT_EQ(wo_.credits->amount, 500);
  read(cases[3].text);
  EXPECT_EQ(wo_.WorkorderNumber, 7u);
  EXPECT_EQ(wo_.Status, WO_PAID);
  EXPECT_STREQ(wo_.customer.Salesperson, " None");  // the customer starting values
}

TEST_F(WoRead, MissingSectionsEndADocumentWithoutRejectingIt) {
  // A sale without customer data is complete, with the starting blocks.
  std::string sale = "[Workorder]\r\nWorkorderNumber=8\r\nStatus=\r\nType=sales\r\nPricing=COST\r\n"
                     "\r\n[Totals]\r\nPaymentMethod=Visa\r\n\r\n[Parts]\r\nX\r\n\r\n[Labor]\r\n";
  sale.push_back('\0');
  DocRead info;
  read(sale, &info);
  EXPECT_TRUE(info.whole);
  EXPECT_EQ(wo_.Type, WO_SALES);
  EXPECT_EQ(wo_.Pricing, PRICE_COST);
  EXPECT_EQ(wo_.totals.PaymentMethod, 1);
  EXPECT_EQ(wo_.totals.DateOpen, -1);  // a missing date overwrites today
  EXPECT_EQ(wo_.customer.date, kMar14_1998);
  EXPECT_STREQ(wo_.customer.Salesperson, " None");
  EXPECT_EQ(wo_.vehicle.second, -1);
  EXPECT_EQ(wo_.parts, nullptr);
  // Parts followed by the notes and no labor section anywhere after them.
  read(doc("[Parts]\r\nP1\r\n\r\n[Notes]\r\nHELLO\r\n"), &info);
  EXPECT_TRUE(info.whole);
  ASSERT_NE(wo_.parts, nullptr);
  EXPECT_EQ(wo_.notes, nullptr);
  EXPECT_EQ(warnings(), 0);
}

TEST_F(WoRead, KeysAreSearchedInOrderCaseInsensitivelyPastCommentsAndIndentation) {
  std::string text =
      "; saved by hand\r\n  [WORKORDER]\r\n  ; a comment line\r\n"
      "   Type=ESTIMATE\r\n workordernumber =1\r\nWorkorderNumber=  77\r\n\tSTATUS=void\r\n"
      "Pricing=ret\r\n\r\n[totals]\r\n\r\n\r\nDateOpen=13/05/1998\r\nCostOfNothing=5\r\n"
      "LaborCost=9\r\nPartsTaxRate=3\r\nWorkorderTax=12x\r\nPaymentMethod=\r\n";
  text.push_back('\0');
  read(text);
  EXPECT_EQ(wo_.WorkorderNumber, 77u);
  EXPECT_EQ(wo_.Status, WO_VOID);
  EXPECT_EQ(wo_.Pricing, PRICE_RETAIL);
  EXPECT_EQ(wo_.Type, 0);  // "Type" stood before the position: not seen
  EXPECT_EQ(wo_.totals.DateOpen, parse_date("01/05/1999"));
  EXPECT_EQ(wo_.totals.PartsTaxRate, 3);
  EXPECT_EQ(wo_.totals.LaborCost, 0);  // stood before PartsTaxRate: not seen
  EXPECT_EQ(wo_.totals.WorkorderTax, 12);
}

TEST_F(WoRead, ValuesAreCutToTheirFieldsAndShortLinesGiveEmptyFields) {
  std::string long_name(40, 'L');
  read(doc("[Vehicle]\r\nMake=none of them\r\nModel=\r\nState=ILLINOIS\r\n\r\n"
           "[Parts]\r\nAVERYLONGSTOCKNUMBERTHATGOESON DESCRIPTION\r\nSHORT\r\n\r\n"
           "[Labor]\r\n1\r\n\r\n[Sublets]\r\nS\r\n\r\n[Credits]\r\n-5\r\n\r\n"));
  EXPECT_STREQ(wo_.vehicle.Make, " None");
  EXPECT_STREQ(wo_.vehicle.Model, "");
  EXPECT_STREQ(wo_.vehicle.State, "IL");
  PartLine* p = wo_.parts;
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->stock_number, "AVERYLONGSTOCKNUMBER");
  EXPECT_STREQ(p->description, "THATGOESON DESCRIPTION");
  EXPECT_STREQ(p->next->stock_number, "SHORT");
  EXPECT_STREQ(p->next->description, "");
  EXPECT_EQ(p->next->quantity, 0);
  ASSERT_NE(wo_.labor, nullptr);
  EXPECT_EQ(wo_.labor->code, 1u);
  EXPECT_STREQ(wo_.labor->text, "");
  ASSERT_NE(wo_.sublets, nullptr);
  EXPECT_STREQ(wo_.sublets->description, "S");
  EXPECT_STREQ(wo_.sublets->text, "");
  EXPECT_EQ(wo_.credits->amount, -5);

  Workorder big{};
  wo_init(&big);
  std::string text = written(big);
  wo_free(&big);
  text.insert(text.find("City="), "Lastname=" + long_name + "\r\n");
  read(text);
  EXPECT_EQ(std::string(wo_.customer.Lastname), long_name.substr(0, 20));
}

TEST_F(WoRead, CheckListTrailerIsNotReadBack) {
  example_workorder(&again_);
  again_.check_list = dup_text("ONE\r\nTWO\r\n");
  std::string first = written(again_);
  read(first);
  EXPECT_STREQ(wo_.check_list, "ONE\r\nTWO\r\n");
  EXPECT_EQ(written(wo_), first);
}

TEST_F(WoRead, NotesKeepEveryLineUpToTheCheckList) {
  example_workorder(&again_);
  free(again_.notes);
  again_.notes = dup_text("LINE ONE  \r\n\r\n  [PARTS ON ORDER]\r\n; NOT A COMMENT\nLAST");
  std::string first = written(again_);
  read(first);
  EXPECT_STREQ(wo_.notes, again_.notes);
  EXPECT_EQ(written(wo_), first);

  // Without a check list the note runs to the end of the text, its trailing
  // blanks and line breaks left out; a check list header straight after the
  // notes header means there is no note.
  const std::string lines = "[Parts]\r\n\r\n[Labor]\r\n\r\n[Sublets]\r\n\r\n[Credits]\r\n\r\n";
  read(doc(lines + "[Notes]\r\nA\r\nB  \r\n\r\n"));
  EXPECT_STREQ(wo_.notes, "A\r\nB");
  read(doc(lines + "[Notes]\r\n[check list]\r\nX"));
  EXPECT_EQ(wo_.notes, nullptr);
  EXPECT_STREQ(wo_.check_list, "X");
}

TEST_F(WoRead, AVehicleHeaderLaterInTheDocumentIsNotTakenForTheMissingSection) {
  // No make or model: no vehicle section, unless a later text holds a
  // "[Vehicle]" the reader would take for it. The rewrite then writes the
  // section, and reads back whole with its lines.
  example_workorder(&again_);
  vehicle_init(&again_.vehicle);
  again_.vehicle.OrigMileage = 70000;
  again_.vehicle.OrigDate = -1;
  again_.check_list = dup_text("[Vehicle]\r\nMake=FORD\r\n[Parts]\r\nX");
  std::string first = written(again_);
  EXPECT_NE(first.find("Phone1=555-0100\r\n\r\n[Vehicle]\r\nOrigMileage=70000\r\n"
                       "OrigDate=          \r\n\r\n[Parts]\r\nFL1A "),
            std::string::npos);
  DocRead info;
  read(first, &info);
  EXPECT_TRUE(info.whole);
  EXPECT_STREQ(wo_.vehicle.Make, "");
  ASSERT_NE(wo_.parts, nullptr);
  EXPECT_STREQ(wo_.parts->stock_number, "FL1A");
  EXPECT_EQ(written(wo_), first);
  free(again_.check_list);
  again_.check_list = nullptr;
  EXPECT_EQ(written(again_).find("[Vehicle]"), std::string::npos);
}

TEST_F(WoRead, QuantitiesStayWithinSixteenBitsAndTheirColumns) {
  auto part = [](const char* stock, const char* quantity) {
    char line[128];
    std::snprintf(line, sizeof line, "%-20s%-38s%5s%12d%12d%12d\r\n", stock, "D", quantity, 1, 2, 3);
    return std::string(line);
  };
  // 99999 does not wrap round to a negative quantity; a merge stops at what
  // five columns hold.
  read(doc("[Parts]\r\n" + part("BIG", "99999") + part("LOW", "-9999") + part("LOW", "-9999") +
           "\r\n[Labor]\r\n\r\n"));
  ASSERT_NE(wo_.parts, nullptr);
  ASSERT_NE(wo_.parts->next, nullptr);
  EXPECT_EQ(wo_.parts->quantity, 32767);
  EXPECT_EQ(wo_.parts->next->quantity, -9999);
  // A quantity set below that is written as -9999, so the amounts stay in
  // their columns.
  wo_.parts->quantity = -20000;
  std::string text = written(wo_);
  read(text);
  EXPECT_EQ(wo_.parts->quantity, -9999);
  EXPECT_EQ(wo_.parts->unit_cost, 1);
  EXPECT_EQ(wo_.parts->third_amount, 3);
}

}  // namespace
