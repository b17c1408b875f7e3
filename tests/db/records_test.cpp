// Every stored layout against its table: sizes, field offsets, byte-exact
// round trips, and the values built from records.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "db/bytes.h"
#include "db/customer.h"
#include "db/inventory.h"
#include "db/payroll.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "db_fixture.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

// Decoding any bytes and encoding them again gives the same bytes.
template <class R>
void expect_round_trip(size_t size, void (*decode)(const uint8_t*, R*),
                       void (*encode)(const R&, uint8_t*)) {
  for (uint8_t seed : {1, 0x80, 0xFF}) {
    std::vector<uint8_t> in = pattern(size, seed), out(size, 0xEE);
    R r;
    decode(in.data(), &r);
    encode(r, out.data());
    EXPECT_EQ(in, out) << "size " << size << " seed " << int(seed);
  }
}

// Sets one field of a zeroed record and checks where its bytes land.
template <class R>
std::vector<uint8_t> encoded(size_t size, void (*encode)(const R&, uint8_t*),
                             const std::function<void(R&)>& set) {
  R r;
  std::memset(&r, 0, sizeof r);
  set(r);
  std::vector<uint8_t> out(size + 8, 0xEE);
  encode(r, out.data());
  EXPECT_EQ(out[size], 0xEE) << "wrote past the record";
  return out;
}

int32_t i32_at(const std::vector<uint8_t>& b, size_t off) { return le_get_i32(b.data() + off); }
int16_t i16_at(const std::vector<uint8_t>& b, size_t off) { return le_get_i16(b.data() + off); }
std::string text_at(const std::vector<uint8_t>& b, size_t off) {
  return reinterpret_cast<const char*>(b.data() + off);
}

TEST(Records, InventoryLayouts) {
  EXPECT_EQ(kInventoryRecordSize, 344u);
  EXPECT_EQ(kInventoryTagSize, 128u);
  expect_round_trip<InventoryRecord>(344, inventory_decode, inventory_encode);
  expect_round_trip<InventoryTag>(128, inventory_tag_decode, inventory_tag_encode);

  auto b = encoded<InventoryRecord>(344, inventory_encode, [](InventoryRecord& r) {
    std::strcpy(r.stock_number, "STK");
    std::strcpy(r.description, "DESC");
    std::strcpy(r.code_a, "A");
    std::strcpy(r.code_b, "B");
    for (int i = 0; i < 4; i++) r.amounts[i] = 1000 + i;
    for (int i = 0; i < 3; i++) r.markups[i] = 2000 + i;
    r.index_flag = 0x5A;
    std::strcpy(r.stocking_text, "NOT STOCKED");
    r.index_count = -7;
    r.deleted = 9;
    r.usage_head = 0x01020304;
    r.receiving_head = -1;
  });
  EXPECT_EQ(text_at(b, 0), "STK");
  EXPECT_EQ(text_at(b, 105), "DESC");
  EXPECT_EQ(text_at(b, 144), "A");
  EXPECT_EQ(text_at(b, 165), "B");
  for (int i = 0; i < 4; i++) EXPECT_EQ(i32_at(b, 265 + 4 * i), 1000 + i);
  for (int i = 0; i < 3; i++) EXPECT_EQ(i32_at(b, 285 + 4 * i), 2000 + i);
  EXPECT_EQ(b[297], 0x5A);
  EXPECT_EQ(text_at(b, 298), "NOT STOCKED");
  EXPECT_EQ(i16_at(b, 331), -7);
  EXPECT_EQ(b[335], 9);
  EXPECT_EQ(i32_at(b, kInventoryUsageHeadOffset), 0x01020304);
  EXPECT_EQ(i32_at(b, kInventoryReceivingHeadOffset), -1);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 21, b.begin() + 105), std::vector<uint8_t>(84, 0));

  auto t = encoded<InventoryTag>(128, inventory_tag_encode, [](InventoryTag& g) {
    std::strcpy(g.stock_number, "STK");
    std::strcpy(g.description, "DESC");
    g.amounts[3] = 77;
    g.index_count = 5;
    g.record_offset = 688;
    g.index_flag = 3;
  });
  EXPECT_EQ(text_at(t, 0), "STK");
  EXPECT_EQ(text_at(t, 21), "DESC");
  EXPECT_EQ(i32_at(t, 72), 77);
  EXPECT_EQ(i16_at(t, 76), 5);
  EXPECT_EQ(i32_at(t, 78), 688);
  EXPECT_EQ(t[82], 3);
}

TEST(Records, UsageReceivingAndPayrollLayouts) {
  expect_round_trip<UsageRecord>(76, usage_decode, usage_encode);
  expect_round_trip<ReceivingRecord>(84, receiving_decode, receiving_encode);
  expect_round_trip<EmployeeRecord>(199, employee_decode, employee_encode);
  expect_round_trip<PayrollEntry>(303, payroll_decode, payroll_encode);

  auto u = encoded<UsageRecord>(76, usage_encode, [](UsageRecord& r) {
    std::strcpy(r.stock_number, "P1");
    r.workorder_number = 5001;
    r.date = 729770;
    std::strcpy(r.customer_name, "SMITH,JOHN");
    r.quantity = -2;
    r.unit_cost = 150;
    r.unit_price = 299;
    r.next = 152;
  });
  EXPECT_EQ(text_at(u, 0), "P1");
  EXPECT_EQ(i32_at(u, 21), 5001);
  EXPECT_EQ(i32_at(u, kUsageDateOffset), 729770);
  EXPECT_EQ(text_at(u, 29), "SMITH,JOHN");
  EXPECT_EQ(i16_at(u, 61), -2);
  EXPECT_EQ(i32_at(u, 63), 150);
  EXPECT_EQ(i32_at(u, 67), 299);
  EXPECT_EQ(i32_at(u, kUsageNextOffset), 152);

  auto r = encoded<ReceivingRecord>(84, receiving_encode, [](ReceivingRecord& e) {
    std::strcpy(e.stock_number, "P2");
    std::strcpy(e.vendor, "ACME");
    std::strcpy(e.vendor_invoice_number, "INV9");
    e.po_number = 1001;
    e.date = 729771;
    e.quantity_1 = 3;
    e.quantity_2 = 4;
    e.amount = 1234;
    e.next = -1;
  });
  EXPECT_EQ(text_at(r, 21), "ACME");
  EXPECT_EQ(text_at(r, 53), "INV9");
  EXPECT_EQ(i32_at(r, 64), 1001);
  EXPECT_EQ(i32_at(r, kReceivingDateOffset), 729771);
  EXPECT_EQ(i16_at(r, 72), 3);
  EXPECT_EQ(i16_at(r, 74), 4);
  EXPECT_EQ(i32_at(r, 76), 1234);
  EXPECT_EQ(i32_at(r, kReceivingNextOffset), -1);

  auto e = encoded<EmployeeRecord>(199, employee_encode, [](EmployeeRecord& x) { x.payroll_head = 606; });
  EXPECT_EQ(i32_at(e, kEmployeePayrollHeadOffset), 606);
  auto p = encoded<PayrollEntry>(303, payroll_encode, [](PayrollEntry& x) {
    x.date = 729000;
    x.next = 303;
  });
  EXPECT_EQ(i32_at(p, kPayrollDateOffset), 729000);
  EXPECT_EQ(i32_at(p, kPayrollNextOffset), 303);
}

TEST(Records, WorkorderAndPurchaseOrderIndexLayouts) {
  expect_round_trip<WorkorderTag>(290, workorder_tag_decode, workorder_tag_encode);
  expect_round_trip<OpenWorkorderEntry>(302, open_workorder_decode, open_workorder_encode);
  expect_round_trip<PurchaseOrderTag>(159, purchase_order_tag_decode, purchase_order_tag_encode);
  expect_round_trip<OpenPurchaseOrderEntry>(171, open_purchase_order_decode, open_purchase_order_encode);
  expect_round_trip<FollowupRecord>(596, followup_decode, followup_encode);

  auto w = encoded<WorkorderTag>(290, workorder_tag_encode, [](WorkorderTag& t) {
    workorder_tag_clear(&t);
    t.number = 5000;
    std::strcpy(t.name_key, "DOE,JANE");
    t.customer_number = 42;
    std::strcpy(t.VIN, "VIN1");
    std::strcpy(t.LicenseNumber, "LIC1");
    t.status = 2;
    t.type = 1;
    t.has_tax_id = 1;
    block_put(t.totals, 191 - 75, 0x7F7F7F7F);  // WorkorderTotal
    t.invoice_offset = 1234;
  });
  EXPECT_EQ(i32_at(w, 0), 5000);
  EXPECT_EQ(text_at(w, 4), "DOE,JANE");
  EXPECT_EQ(i32_at(w, 36), 42);
  EXPECT_EQ(text_at(w, 40), "VIN1");
  EXPECT_EQ(text_at(w, 61), "LIC1");
  EXPECT_EQ(w[72], 2);
  EXPECT_EQ(w[73], 1);
  EXPECT_EQ(w[74], 1);
  EXPECT_EQ(i32_at(w, 75), -1);   // DateOpen
  EXPECT_EQ(i32_at(w, 79), -1);   // DateClosed
  EXPECT_EQ(i32_at(w, 83), -1);   // DatePaid
  EXPECT_EQ(i32_at(w, 87), 0);
  EXPECT_EQ(i32_at(w, 191), 0x7F7F7F7F);
  for (int i = 0; i < 10; i++) EXPECT_EQ(i32_at(w, 246 + 4 * i), -1);
  EXPECT_EQ(i32_at(w, 206), 0);  // split amounts stay zero
  EXPECT_EQ(i32_at(w, 286), 1234);

  // The list entry keeps the tag's first 286 bytes and the document's name.
  WorkorderTag tag;
  workorder_tag_decode(w.data(), &tag);
  OpenWorkorderEntry entry;
  open_workorder_make(tag, &entry);
  std::vector<uint8_t> eb(302);
  open_workorder_encode(entry, eb.data());
  EXPECT_TRUE(std::equal(eb.begin(), eb.begin() + 286, w.begin()));
  EXPECT_EQ(text_at(eb, 286), "W0005000.DKT");

  auto p = encoded<PurchaseOrderTag>(159, purchase_order_tag_encode, [](PurchaseOrderTag& t) {
    purchase_order_tag_clear(&t);
    t.number = 1001;
    std::strcpy(t.vendor, "ACME");
    std::strcpy(t.VendorInvoiceNumber, "X1");
    t.status = 3;
    t.order_offset = -1;
  });
  EXPECT_EQ(i32_at(p, 0), 1001);
  EXPECT_EQ(text_at(p, 4), "ACME");
  EXPECT_EQ(text_at(p, 36), "X1");
  EXPECT_EQ(i16_at(p, 47), 3);
  EXPECT_EQ(i32_at(p, 49), -1);
  EXPECT_EQ(i32_at(p, 53), -1);
  EXPECT_EQ(i32_at(p, 57), -1);
  EXPECT_EQ(i32_at(p, 61), 0);
  EXPECT_EQ(i32_at(p, 155), -1);
  PurchaseOrderTag ptag;
  purchase_order_tag_decode(p.data(), &ptag);
  OpenPurchaseOrderEntry pentry;
  open_purchase_order_make(ptag, &pentry);
  std::vector<uint8_t> pb(171);
  open_purchase_order_encode(pentry, pb.data());
  EXPECT_TRUE(std::equal(pb.begin(), pb.begin() + 155, p.begin()));
  EXPECT_EQ(text_at(pb, 155), "I0001001.DKT");

  auto f = encoded<FollowupRecord>(596, followup_encode, [](FollowupRecord& r) {
    r.active = 1;
    r.customer_number = 42;
    std::strcpy(r.VIN, "V");
    std::strcpy(r.LicenseNumber, "L");
    r.date = 729770;
    r.workorder_number = 5000;
    r.due_date = 729800;
    r.due_mileage = 61000;
    std::strcpy(r.text, "OIL CHANGE");
    r.code = 7;
    r.hours = 50;
    r.rate = 6500;
    r.amount = 3250;
    r.position = 1192;
  });
  EXPECT_EQ(f[0], 1);
  EXPECT_EQ(i32_at(f, 1), 42);
  EXPECT_EQ(text_at(f, 5), "V");
  EXPECT_EQ(text_at(f, 26), "L");
  EXPECT_EQ(i32_at(f, 37), 729770);
  EXPECT_EQ(i32_at(f, 43), 5000);
  EXPECT_EQ(i32_at(f, 47), 729800);
  EXPECT_EQ(i32_at(f, 51), 61000);
  EXPECT_EQ(text_at(f, 59), "OIL CHANGE");
  EXPECT_EQ(i32_at(f, 572), 7);
  EXPECT_EQ(i32_at(f, 576), 50);
  EXPECT_EQ(i32_at(f, 580), 6500);
  EXPECT_EQ(i32_at(f, 584), 3250);
  EXPECT_EQ(i32_at(f, 592), 1192);
}

TEST(Records, InventoryKeyOrder) {
  auto cmp = [](const char* a, const char* b) {
    char fa[21] = {}, fb[21] = {};
    std::strncpy(fa, a, 20);
    std::strncpy(fb, b, 20);
    return inventory_key_compare(fa, fb);
  };
  char key[32];
  EXPECT_EQ(std::string(key, inventory_key("123-456", 21, key)), "456 123");
  EXPECT_EQ(std::string(key, inventory_key("123-456A", 21, key)), "456A 123");
  EXPECT_EQ(std::string(key, inventory_key("1234567", 21, key)), "1234567");  // no separator
  EXPECT_EQ(std::string(key, inventory_key("123-4567", 21, key)), "123-4567");  // a digit at 7
  EXPECT_EQ(std::string(key, inventory_key("12-3456", 21, key)), "12-3456");

  // The ddd?ddd forms with the same digits share one key, whatever the separator.
  EXPECT_EQ(cmp("123-456", "123/456"), 0);
  EXPECT_EQ(cmp("123-456", "123 456"), 0);
  EXPECT_NE(cmp("123-456", "456 123"), 0);  // that one keys as "123 456"
  EXPECT_LT(cmp("ABC", "ABCD"), 0);         // a prefix first
  EXPECT_LT(cmp("ABC", "abc"), 0);          // byte values
  EXPECT_LT(cmp("Z", "\xC0"), 0);           // unsigned bytes
  EXPECT_LT(cmp("999-111", "222-333"), 0);  // "111 999" before "333 222"
  EXPECT_GT(cmp("100-200", "200"), 0);      // "200 100" after its prefix "200"

  // The tag comparison reads the stock number at the start of a tag.
  uint8_t a[128] = {}, b[128] = {};
  std::strcpy(reinterpret_cast<char*>(a), "555-100");
  std::strcpy(reinterpret_cast<char*>(b), "100");
  EXPECT_GT(inventory_tag_compare(a, b), 0);
}

TEST(Records, InventoryTagsAndSearchTags) {
  InventoryRecord r;
  std::vector<uint8_t> bytes = pattern(344);
  inventory_decode(bytes.data(), &r);
  std::strcpy(r.stock_number, "AB-1");
  std::strcpy(r.description, "WIPER");
  InventoryTag t;
  inventory_make_tag(r, 1032, &t);
  std::vector<uint8_t> tb(128);
  inventory_tag_encode(t, tb.data());
  // Texts are copied as texts: nothing of the source behind the NUL.
  EXPECT_EQ(std::vector<uint8_t>(tb.begin(), tb.begin() + 21),
            std::vector<uint8_t>({'A', 'B', '-', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(text_at(tb, 21), "WIPER");
  EXPECT_EQ(tb[21 + 38], 0);
  EXPECT_TRUE(std::equal(tb.begin() + 60, tb.begin() + 76, bytes.begin() + 265));
  EXPECT_EQ(i16_at(tb, 76), le_get_i16(bytes.data() + 331));
  EXPECT_EQ(i32_at(tb, 78), 1032);
  EXPECT_EQ(tb[82], bytes[297]);
  EXPECT_EQ(std::vector<uint8_t>(tb.begin() + 83, tb.end()), std::vector<uint8_t>(45, 0));

  inventory_search_tag("123-456   ", &t);
  EXPECT_STREQ(t.stock_number, "123-456");
  inventory_search_tag("ABCDEFGHIJKLMNOPQRSTUVWXYZ", &t);
  EXPECT_EQ(std::strlen(t.stock_number), 20u);

  r.deleted = 0;
  EXPECT_TRUE(inventory_in_use(r));
  r.deleted = 1;
  EXPECT_FALSE(inventory_in_use(r));
  r.deleted = 0;
  r.stock_number[0] = 0;
  EXPECT_FALSE(inventory_in_use(r));
}

TEST(Records, NewRecordsFollowTheSettingsInMemory) {
  settings_defaults(ProgramKind::tally);
  today_set(729770);
  CustomerRecord c;
  std::memset(&c, 0x55, sizeof c);
  customer_init(&c);
  EXPECT_STREQ(c.City, "DEFAULT CITY");
  EXPECT_STREQ(c.State, "");
  EXPECT_STREQ(c.Salesperson, " None");
  EXPECT_EQ(c.date, 729770);
  EXPECT_EQ(c.setting, 3);
  EXPECT_EQ(c.vehicle_head, -1);
  EXPECT_EQ(c.CustomerNumber, 0u);
  EXPECT_STREQ(c.Lastname, "");

  std::strcpy(g_settings.company_city, "LAKEVIEW");
  std::strcpy(g_settings.company_state, "OR");
  customer_init(&c);
  EXPECT_STREQ(c.City, "LAKEVIEW");
  EXPECT_STREQ(c.State, "OR");

  VehicleRecord v;
  std::memset(&v, 0x55, sizeof v);
  vehicle_init(&v);
  EXPECT_STREQ(v.State, "OR");
  EXPECT_EQ(v.Date, -1);
  EXPECT_EQ(v.next, -1);
  EXPECT_EQ(v.second, -1);
  EXPECT_EQ(v.Mileage, 0);
  EXPECT_STREQ(v.Make, "");

  settings_defaults(ProgramKind::tally);
  InventoryRecord r;
  std::memset(&r, 0x55, sizeof r);
  inventory_init(&r);
  std::vector<uint8_t> b(344);
  inventory_encode(r, b.data());
  EXPECT_EQ(i32_at(b, 336), -1);
  EXPECT_EQ(i32_at(b, 340), -1);
  EXPECT_EQ(text_at(b, 144), " None");
  EXPECT_EQ(text_at(b, 165), " None");
  EXPECT_EQ(text_at(b, 298), "NOT STOCKED");
  EXPECT_EQ(i32_at(b, 285), 450000);
  EXPECT_EQ(i32_at(b, 289), 900000);
  EXPECT_EQ(i32_at(b, 293), 1150000);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[335], 0);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 21, b.begin() + 105), std::vector<uint8_t>(84, 0));
}

}  // namespace
