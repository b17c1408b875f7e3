// Starting values, the stored totals blocks and the code tables.
#include <cstring>

#include "db/bytes.h"
#include "doc_fixture.h"
#include "docs/codes.h"
#include "ui/settings.h"

namespace {

class Model : public DocTest {};

TEST_F(Model, WorkorderStartingValues) {
  std::strcpy(g_settings.company_city, "SHELBYVILLE");
  std::strcpy(g_settings.company_state, "IL");
  Workorder wo;
  std::memset(&wo, 0x5A, sizeof wo);
  wo_init(&wo);
  EXPECT_EQ(wo.customer.date, -1);
  EXPECT_EQ(wo.customer.vehicle_head, -1);
  EXPECT_EQ(wo.customer.setting, 0);
  EXPECT_STREQ(wo.customer.City, "SHELBYVILLE");
  EXPECT_STREQ(wo.customer.State, "IL");
  EXPECT_STREQ(wo.customer.Salesperson, "");
  EXPECT_EQ(wo.vehicle.next, -1);
  EXPECT_EQ(wo.vehicle.second, 0);
  EXPECT_STREQ(wo.vehicle.State, "");
  EXPECT_EQ(wo.totals.DateOpen, kMar14_1998);
  EXPECT_EQ(wo.totals.DateClosed, -1);
  EXPECT_EQ(wo.totals.DatePaid, -1);
  EXPECT_EQ(wo.Status, WO_OPEN);
  EXPECT_EQ(wo.Type, WO_REPAIR);
  EXPECT_EQ(wo.Pricing, PRICE_RETAIL);
  EXPECT_EQ(wo.totals.PaymentMethod, 0);
  for (int i = 0; i < 10; i++) {
    EXPECT_EQ(wo.totals.SplitType[i], 0);
    EXPECT_EQ(wo.totals.SplitAmount[i], 0);
    EXPECT_EQ(wo.totals.SplitDate[i], -1);
  }
  EXPECT_EQ(wo.parts, nullptr);
  EXPECT_EQ(wo.check_list, nullptr);
}

TEST_F(Model, FreeingAFollowupRecordWarns) {
  Workorder wo;
  wo_init(&wo);
  wo.followup = std::malloc(16);
  wo_free(&wo);
  EXPECT_EQ(warnings(), 1);
  EXPECT_NE(con_.row_text(25).find("Followup record not NULL!"), std::string::npos);
}

TEST_F(Model, PurchaseOrderStartingValues) {
  PurchaseOrder po;
  std::memset(&po, 0x5A, sizeof po);
  po_init(&po);
  EXPECT_EQ(po.totals.DateOpen, kMar14_1998);
  EXPECT_EQ(po.totals.DateClosed, -1);
  EXPECT_EQ(po.totals.DatePaid, -1);
  EXPECT_EQ(po.Status, 0);
  EXPECT_EQ(po.totals.reserved_36[11], 0);
  EXPECT_EQ(po.parts, nullptr);
  EXPECT_STREQ(po.vendor.Vendor, "");
}

TEST_F(Model, WorkorderBlockOffsets) {
  WorkorderTotals t{};
  int32_t* fields[] = {&t.DateOpen, &t.DateClosed, &t.DatePaid, &t.PartsTaxRate,
                       &t.LaborTaxRate, &t.SubletTaxRate, &t.WasteTaxRate, &t.PartsCost,
                       &t.LaborCost, &t.SubletCost, &t.WasteCost, &t.NonTaxSubletCost,
                       &t.NonTaxWasteCost, &t.reserved_52, &t.reserved_56, &t.PartsSubtotal,
                       &t.LaborSubtotal, &t.SubletSubtotal, &t.WasteSubtotal,
                       &t.NonTaxSubletSubtotal, &t.NonTaxWasteSubtotal, &t.CreditSubtotal,
                       &t.reserved_88, &t.PartsDiscount, &t.LaborDiscount, &t.SubletDiscount,
                       &t.WasteDiscount, &t.DollarDiscount, &t.WorkorderTax, &t.WorkorderTotal};
  for (size_t i = 0; i < sizeof fields / sizeof fields[0]; i++) *fields[i] = 0x01020300 + static_cast<int32_t>(i);
  t.PaymentMethod = 8;
  for (int i = 0; i < 10; i++) {
    t.SplitType[i] = static_cast<uint8_t>(i + 1);
    t.SplitAmount[i] = -1000 - i;
    t.SplitDate[i] = 729000 + i;
  }
  uint8_t b[kWorkorderBlockSize + 1];
  b[kWorkorderBlockSize] = 0xEE;
  wo_block_encode(t, b);
  EXPECT_EQ(b[kWorkorderBlockSize], 0xEE);  // exactly 211 bytes
  for (size_t i = 0; i < sizeof fields / sizeof fields[0]; i++)
    EXPECT_EQ(le_get_i32(b + 4 * i), 0x01020300 + static_cast<int32_t>(i)) << "offset " << 4 * i;
  EXPECT_EQ(b[120], 8);
  EXPECT_EQ(b[121], 1);
  EXPECT_EQ(b[130], 10);
  EXPECT_EQ(le_get_i32(b + 131), -1000);
  EXPECT_EQ(le_get_i32(b + 167), -1009);
  EXPECT_EQ(le_get_i32(b + 171), 729000);
  EXPECT_EQ(le_get_i32(b + 207), 729009);
  WorkorderTotals back{};
  wo_block_decode(b, &back);
  uint8_t again[kWorkorderBlockSize];
  wo_block_encode(back, again);
  EXPECT_EQ(std::memcmp(b, again, kWorkorderBlockSize), 0);
}

TEST_F(Model, PurchaseOrderBlockOffsetsAndReservedBytes) {
  uint8_t b[kPurchaseOrderBlockSize];
  for (size_t i = 0; i < sizeof b; i++) b[i] = static_cast<uint8_t>(i * 7 + 1);
  PurchaseOrderTotals t{};
  po_block_decode(b, &t);
  EXPECT_EQ(t.DateOpen, le_get_i32(b + 0));
  EXPECT_EQ(t.PartsTaxRate, le_get_i32(b + 12));
  EXPECT_EQ(t.SubletTaxRate, le_get_i32(b + 20));
  EXPECT_EQ(t.PartsCost, le_get_i32(b + 24));
  EXPECT_EQ(t.SubletCost, le_get_i32(b + 32));
  EXPECT_EQ(t.PartsSubtotal, le_get_i32(b + 48));
  EXPECT_EQ(t.SubletSubtotal, le_get_i32(b + 56));
  EXPECT_EQ(t.CreditSubtotal, le_get_i32(b + 72));
  EXPECT_EQ(t.LaborDiscount, le_get_i32(b + 76));
  EXPECT_EQ(t.SubletDiscount, le_get_i32(b + 80));
  EXPECT_EQ(t.POTax, le_get_i32(b + 84));
  EXPECT_EQ(t.POTotal, le_get_i32(b + 88));
  EXPECT_EQ(t.PaymentMethod, le_get_i16(b + 92));
  EXPECT_EQ(t.POInputTax, le_get_i32(b + 94));
  EXPECT_EQ(t.POInputTotal, le_get_i32(b + 98));
  EXPECT_EQ(t.POShipping, le_get_i32(b + 102));
  uint8_t again[kPurchaseOrderBlockSize];
  po_block_encode(t, again);
  EXPECT_EQ(std::memcmp(b, again, sizeof b), 0);  // reserved bytes carried through
}

TEST_F(Model, CodeTables) {
  EXPECT_STREQ(code_word(CT_PAYMENT, 0), "  None  ");
  EXPECT_STREQ(code_word(CT_STATUS, 4), "ON ACCT");
  EXPECT_STREQ(code_word(CT_PRICING, 4), "");
  // Matching over the value's length, without regard to case.
  EXPECT_EQ(code_match(CT_STATUS, "", 0), 0);
  EXPECT_EQ(code_match(CT_STATUS, "op", 2), 0);
  EXPECT_EQ(code_match(CT_STATUS, "VOID   ", 7), 3);
  EXPECT_EQ(code_match(CT_STATUS, "VOID    ", 8), -1);  // longer than the word
  EXPECT_EQ(code_match(CT_PAYMENT, "None  ", 6), -1);   // "  None  " read back
  EXPECT_EQ(code_match(CT_PAYMENT, "split", 5), 8);
  EXPECT_EQ(code_match(CT_TYPE, "W", 1), 3);
  settings_defaults(ProgramKind::prune);
  EXPECT_STREQ(code_word(CT_PAYMENT, 0), " None   ");
  EXPECT_STREQ(code_word(CT_PAYMENT, 1), "Visa/MC ");
}

}  // namespace
