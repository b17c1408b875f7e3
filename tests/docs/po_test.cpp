// Purchase-order documents: the written form, reading back, the part order,
// the shared slot and the quiet ends of reading.
#include <cstring>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "doc_fixture.h"
#include "docs/codes.h"
#include "ui/settings.h"

namespace {

class Po : public DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    po_init(&po_);
    po_init(&got_);
  }
  void TearDown() override {
    po_free(&po_);
    po_free(&got_);
    DocTest::TearDown();
  }
  std::string written(const PurchaseOrder& po) {
    std::string s;
    po_format(po, &s);
    return s;
  }
  int64_t read(const std::string& bytes, DocRead* info = nullptr) {
    po_free(&got_);
    MemFile f(bytes);
    return po_read(&f, &got_, info);
  }
  std::vector<std::string> stock_numbers() {
    std::vector<std::string> v;
    for (POPartLine* p = got_.parts; p; p = p->next) {
      std::string s = p->stock_number;
      while (!s.empty() && s.back() == ' ') s.pop_back();
      v.push_back(s + "/" + std::to_string(p->quantity_1));
    }
    return v;
  }
  PurchaseOrder po_{};
  PurchaseOrder got_{};
};

TEST_F(Po, WrittenForm) {
  po_.PONumber = 815;
  po_.Status = WO_VOID;
  field_set(po_.Employee, sizeof po_.Employee, "PAT");
  field_set(po_.vendor.Vendor, sizeof po_.vendor.Vendor, "ACME PARTS");
  field_set(po_.vendor.Phone1, sizeof po_.vendor.Phone1, "555-0199");
  field_set(po_.POPaymentComment, sizeof po_.POPaymentComment, "NET 30   ");
  po_.totals.DateClosed = kMar14_1998;
  po_.totals.CreditSubtotal = 250;
  po_.totals.LaborDiscount = 9;
  po_.totals.POShipping = 1200;
  add_po_part(&po_, "FL1A", "OIL FILTER", 10, 8, 5750);
  add_sublet(&po_.sublets, "MACHINE SHOP", "M-1", 0, 100, 200, " BORE");
  add_credit(&po_.credits, -40, "RETURN");
  po_.notes = dup_text("CALL FIRST");
  std::string want = crlf_lines({
      "[PO]", "PONumber=000815", "Employee=PAT", "VendorInvoiceNumber=", "Status=VOID",
      "POShipping=1200", "POInputTax=0", "POInputTotal=0", "",
      "[Totals]", "DateOpen=03/14/1998", "DateClosed=03/14/1998", "DatePaid=          ", "",
      "PartsTaxRate=0", "SubletTaxRate=0", "", "PartsCost=0", "SubletCost=0", "",
      "PartsSubtotal=0", "SubletSubtotal=0", "CreditSubtotal=250", "",
      "PartsDiscount=250", "LaborDiscount=9", "SubletDiscount=0", "", "POTax=0", "",
      "POTotal=0", "", "PaymentMethod=  None", "POPaymentComment=NET 30", "",
      "[Vendor]", "Vendor=ACME PARTS", "Address=", "City=", "State=", "Zip=",
      "Phone1=555-0199", "Extension=", "Phone2=", "TaxIdNumber=", "",
      "[Parts]",
      "FL1A                OIL FILTER                               10    8        5750", "",
      "[Sublets]", "MACHINE SHOP                   M-1                100         200 BORE", "",
      "[Credits]", "-40         RETURN", "",
      "[Notes]", "CALL FIRST", ""});
  want.push_back('\0');
  EXPECT_EQ(written(po_), want);

  MemFile f("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" + want + "tail");
  EXPECT_EQ(po_write(&f, po_, 3, nullptr), static_cast<int64_t>(want.size()));
  EXPECT_EQ(f.data, "xxx" + want);

  settings_defaults(ProgramKind::prune);
  EXPECT_NE(written(po_).find("PaymentMethod= None\r\n"), std::string::npos);
}

TEST_F(Po, ReadBackWithItsExceptions) {
  po_.PONumber = 815;
  po_.Status = WO_VOID;
  field_set(po_.VendorInvoiceNumber, sizeof po_.VendorInvoiceNumber, "INV-77");
  field_set(po_.vendor.Vendor, sizeof po_.vendor.Vendor, "ACME PARTS");
  field_set(po_.vendor.Phone1, sizeof po_.vendor.Phone1, "555-0199");
  field_set(po_.vendor.TaxIdNumber, sizeof po_.vendor.TaxIdNumber, "T-9");
  PurchaseOrderTotals& t = po_.totals;
  t.DatePaid = kMar14_1998 + 3;
  t.PartsTaxRate = 60000;
  t.CreditSubtotal = 250;
  t.LaborDiscount = 9;
  t.POTotal = 123456;
  t.PaymentMethod = 3;
  t.POInputTax = -4;
  add_po_part(&po_, "FL1A", "OIL FILTER", 10, 8, 5750);
  add_sublet(&po_.sublets, "MACHINE SHOP", "M-1", 0, 100, 200, " BORE");
  add_credit(&po_.credits, -40, "RETURN");
  po_.notes = dup_text("CALL FIRST");
  std::string text = written(po_);

  DocRead info;
  EXPECT_EQ(read(text, &info), static_cast<int64_t>(text.size()));
  EXPECT_TRUE(info.whole);
  EXPECT_EQ(got_.PONumber, 815u);
  EXPECT_EQ(got_.Status, WO_VOID);
  EXPECT_STREQ(got_.VendorInvoiceNumber, "INV-77");
  EXPECT_STREQ(got_.vendor.Phone1, "555-0199");
  EXPECT_STREQ(got_.vendor.TaxIdNumber, "T-9");
  EXPECT_EQ(got_.totals.DateOpen, kMar14_1998);
  EXPECT_EQ(got_.totals.DateClosed, -1);
  EXPECT_EQ(got_.totals.DatePaid, kMar14_1998 + 3);
  EXPECT_EQ(got_.totals.PartsTaxRate, 60000);
  EXPECT_EQ(got_.totals.CreditSubtotal, 250);
  EXPECT_EQ(got_.totals.LaborDiscount, 0);  // written, never read back
  EXPECT_EQ(got_.totals.POTotal, 123456);
  EXPECT_EQ(got_.totals.PaymentMethod, 3);
  EXPECT_EQ(got_.totals.POInputTax, -4);
  ASSERT_NE(got_.parts, nullptr);
  EXPECT_STREQ(got_.parts->stock_number, "FL1A                ");  // trailing blanks kept
  EXPECT_EQ(got_.parts->quantity_2, 8);
  EXPECT_EQ(got_.parts->amount, 5750);
  ASSERT_NE(got_.sublets, nullptr);
  EXPECT_EQ(got_.sublets->price, 200);
  EXPECT_EQ(got_.sublets->taxable, 0);
  EXPECT_STREQ(got_.sublets->text, " BORE");
  ASSERT_NE(got_.credits, nullptr);
  EXPECT_STREQ(got_.credits->text, "RETURN");
  EXPECT_STREQ(got_.notes, "CALL FIRST");

  // Apart from the labor discount, writing what was read gives the same bytes.
  got_.totals.LaborDiscount = 9;
  EXPECT_EQ(written(got_), text);
  EXPECT_EQ(warnings(), 0);
}

TEST_F(Po, PartsComeBackInKeyOrderWithoutMerging) {
  add_po_part(&po_, "ZED", "", 1, 0, 0);
  add_po_part(&po_, "123-456", "", 2, 0, 0);  // keyed as "456 123"
  add_po_part(&po_, "ABC", "", 3, 0, 0);
  add_po_part(&po_, "ZED", "", 4, 0, 0);
  add_po_part(&po_, "400", "", 5, 0, 0);
  add_po_part(&po_, "ZED", "", 6, 0, 0);
  read(written(po_));
  EXPECT_EQ(stock_numbers(), (std::vector<std::string>{"400/5", "123-456/2", "ABC/3", "ZED/6",
                                                       "ZED/4", "ZED/1"}));
  // Lines of equal keys turn round on every read.
  read(written(got_));
  EXPECT_EQ(stock_numbers(), (std::vector<std::string>{"400/5", "123-456/2", "ABC/3", "ZED/1",
                                                       "ZED/4", "ZED/6"}));
}

TEST_F(Po, PartsDiscountSharesTheCreditSlot) {
  std::string text = written(po_);
  size_t at = text.find("PartsDiscount=0");
  text.replace(at, 15, "PartsDiscount=77");
  read(text);
  EXPECT_EQ(got_.totals.CreditSubtotal, 77);
}

TEST_F(Po, MissingSectionsEndReadingQuietly) {
  po_.PONumber = 9;
  add_po_part(&po_, "P1", "", 1, 0, 0);
  add_credit(&po_.credits, 5, "C");
  std::string text = written(po_);

  std::string no_vendor = text;
  no_vendor.replace(no_vendor.find("[Vendor]"), 8, "[Vandor]");
  DocRead info;
  EXPECT_EQ(read(no_vendor, &info), static_cast<int64_t>(no_vendor.size()));
  EXPECT_FALSE(info.whole);
  EXPECT_EQ(got_.PONumber, 9u);
  EXPECT_EQ(got_.parts, nullptr);  // the parts section is there, but after a missing one

  std::string bad_status = text;
  bad_status.replace(bad_status.find("Status=OPEN"), 11, "Status=SHUT");
  read(bad_status, &info);
  EXPECT_FALSE(info.whole);
  EXPECT_EQ(got_.totals.DateOpen, kMar14_1998);  // starting value
  EXPECT_EQ(got_.totals.DateClosed, -1);

  std::string no_notes = text;
  no_notes.replace(no_notes.find("[Notes]"), 7, "[Other]");
  read(no_notes, &info);
  EXPECT_TRUE(info.whole);  // a missing note section is no loss
  ASSERT_NE(got_.credits, nullptr);

  std::string cut = text.substr(0, text.find("[Credits]") + 14);  // inside the credit lines
  read(cut, &info);
  EXPECT_FALSE(info.whole);
  EXPECT_FALSE(info.terminated);
  EXPECT_EQ(warnings(), 0);
}

TEST_F(Po, PaddingIsSkippedAndLargeOrdersAreReadWhole) {
  po_.PONumber = 1;
  for (int i = 0; i < 700; i++) {
    char stock[21];
    std::snprintf(stock, sizeof stock, "S%04d", 699 - i);
    add_po_part(&po_, stock, "BULK", 1, 1, i);
  }
  std::string big = written(po_);
  ASSERT_GT(big.size(), 40960u);
  PurchaseOrder small{};
  po_init(&small);
  small.PONumber = 2;
  std::string second = written(small);
  MemFile f(std::string(4097, '\0') + big + std::string(2, '\0') + second);
  DocRead info;
  EXPECT_EQ(po_read(&f, &got_, &info), static_cast<int64_t>(4097 + big.size()));
  EXPECT_TRUE(info.whole);
  EXPECT_EQ(info.padding, 4097);
  EXPECT_EQ(got_.PONumber, 1u);
  EXPECT_STREQ(got_.parts->stock_number, "S0000               ");
  po_free(&got_);
  f.seek(static_cast<int64_t>(4097 + big.size()));
  EXPECT_EQ(po_read(&f, &got_, &info), static_cast<int64_t>(2 + second.size()));
  EXPECT_EQ(got_.PONumber, 2u);
  po_free(&got_);
  f.seek(f.size());
  EXPECT_EQ(po_read(&f, &got_, &info), 0);
  po_init(&got_);
}

TEST_F(Po, NotesKeepEveryLineAndQuantitiesTheirColumns) {
  po_.notes = dup_text("CALL FIRST\r\n\r\n[BACKORDER]\r\nLAST  ");
  add_po_part(&po_, "A", "D", -20000, 1, 77);
  std::string text = written(po_);
  read(text);
  EXPECT_STREQ(got_.notes, "CALL FIRST\r\n\r\n[BACKORDER]\r\nLAST");
  ASSERT_NE(got_.parts, nullptr);
  EXPECT_EQ(got_.parts->quantity_1, -9999);
  EXPECT_EQ(got_.parts->amount, 77);
  std::string big = text;
  big.replace(big.find("-9999    1"), 10, "99999-9999");
  read(big);
  EXPECT_EQ(got_.parts->quantity_1, 32767);
  EXPECT_EQ(got_.parts->quantity_2, -9999);
}

}  // namespace
