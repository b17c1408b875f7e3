// The sample database generator: the same seed gives the same shop; a clean
// shop is consistent file by file (indexes, lists, chains, documents); a
// messy one holds every messy case at least once.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "db/bytes.h"
#include "db/customer.h"
#include "db/inventory.h"
#include "db/payroll.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/codes.h"
#include "docs/purchase.h"
#include "docs/workorder.h"
#include "support/shop_dir.h"
#include "ui/settings.h"

namespace {

// Checks that the chains starting at heads are sound and together hold every
// record of the file exactly once.
::testing::AssertionResult chains_cover(const std::vector<uint8_t>& file, size_t size,
                                        size_t next_at, const std::vector<int32_t>& heads) {
  size_t count = file.size() / size;
  if (file.size() % size) return ::testing::AssertionFailure() << "stray bytes at the end";
  std::vector<bool> seen(count, false);
  size_t linked = 0;
  for (int32_t head : heads) {
    for (int32_t at = head; at != -1;) {
      if (at < 0 || at % static_cast<int32_t>(size) || static_cast<size_t>(at) / size >= count)
        return ::testing::AssertionFailure() << "link " << at << " is not a record";
      size_t i = static_cast<size_t>(at) / size;
      if (seen[i]) return ::testing::AssertionFailure() << "record " << at << " linked twice";
      seen[i] = true;
      linked++;
      at = le_get_i32(file.data() + i * size + next_at);
    }
  }
  if (linked != count)
    return ::testing::AssertionFailure() << linked << " of " << count << " records linked";
  return ::testing::AssertionSuccess();
}

// Every document of a file of documents, with its offset.
template <class Doc, class Parse, class Free>
void each_document(const std::vector<uint8_t>& file, Parse parse, Free release,
                   const std::function<void(int64_t, Doc&, const DocRead&)>& fn) {
  int64_t at = 0;
  while (at < static_cast<int64_t>(file.size())) {
    Doc doc;
    DocRead info;
    int64_t n = parse(reinterpret_cast<const char*>(file.data()) + at, file.size() - at, &doc, &info);
    if (n <= 0) break;
    fn(at + info.padding, doc, info);
    release(&doc);
    at += n;
  }
}

void each_workorder(const std::vector<uint8_t>& file,
                    const std::function<void(int64_t, Workorder&, const DocRead&)>& fn) {
  each_document<Workorder>(
      file, [](const char* b, size_t n, Workorder* w, DocRead* i) { return wo_parse(b, n, w, i); },
      wo_free, fn);
}

void each_purchase_order(const std::vector<uint8_t>& file,
                         const std::function<void(int64_t, PurchaseOrder&, const DocRead&)>& fn) {
  each_document<PurchaseOrder>(
      file, [](const char* b, size_t n, PurchaseOrder* p, DocRead* i) { return po_parse(b, n, p, i); },
      po_free, fn);
}

bool printable(const char* text, size_t width) {
  for (size_t i = 0; i < width && text[i]; i++)
    if (static_cast<unsigned char>(text[i]) < 0x20 || static_cast<unsigned char>(text[i]) > 0x7E)
      return false;
  return true;
}

std::string bytes_text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

TEST(Generator, SameSeedSameShopOtherSeedOtherShop) {
  ShopDir a, b, c;
  a.generate(11, 0.3);
  b.generate(11, 0.3);
  c.generate(12, 0.3);
  ASSERT_EQ(a.files(), b.files());
  for (const std::string& name : a.files()) EXPECT_TRUE(a.read(name) == b.read(name)) << name;
  EXPECT_FALSE(a.read("VKINVOIC.DAT") == c.read("VKINVOIC.DAT"));
}

TEST(Generator, SizesGrowWithTheScale) {
  ShopDir small, large;
  small.generate(3, 0.5, true);
  large.generate(3, 1.0, true);
  auto records = [](const ShopDir& d, const char* name, size_t size) {
    return static_cast<double>(d.read(name).size() / size);
  };
  EXPECT_EQ(records(small, "VKINCTAG.DAT", kWorkorderTagSize), 500);
  EXPECT_EQ(records(large, "VKINCTAG.DAT", kWorkorderTagSize), 1000);
  for (auto [name, size] : {std::pair{"VKINVENT.DAT", kInventoryRecordSize},
                            {"VKCSTDAT.DAT", kCustomerRecordSize},
                            {"VKPURTAG.DAT", kPurchaseOrderTagSize},
                            {"VKUSEHST.DAT", kUsageRecordSize}}) {
    double ratio = records(large, name, size) / records(small, name, size);
    EXPECT_NEAR(ratio, 2.0, 0.15) << name;
  }
}

class CleanShop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shop = new ShopDir;
    shop->generate(21, 1.0, true);
  }
  static void TearDownTestSuite() { delete shop; }
  static ShopDir* shop;
};
ShopDir* CleanShop::shop = nullptr;

TEST_F(CleanShop, WorkorderIndexAndListFindEveryDocument) {
  std::vector<uint8_t> invoice = shop->read("VKINVOIC.DAT");
  std::map<int64_t, int32_t> stored;  // offset -> number
  std::set<int32_t> numbers;
  each_workorder(invoice, [&](int64_t at, Workorder& wo, const DocRead& info) {
    EXPECT_TRUE(info.whole) << wo.WorkorderNumber;
    EXPECT_NE(wo.Status, WO_OPEN);
    EXPECT_NE(wo.Status, WO_VOID);
    stored[at] = static_cast<int32_t>(wo.WorkorderNumber);
    EXPECT_TRUE(numbers.insert(static_cast<int32_t>(wo.WorkorderNumber)).second) << "duplicate";
  });
  std::set<std::string> open_files;
  int32_t last = 0;
  size_t tags_stored = 0;
  for (const auto& rec : split_records(shop->read("VKINCTAG.DAT"), kWorkorderTagSize)) {
    WorkorderTag t;
    workorder_tag_decode(rec.data(), &t);
    EXPECT_GT(t.number, last);
    last = t.number;
    if (t.invoice_offset == -1) {
      char name[32];
      std::snprintf(name, sizeof name, "W%07d.DKT", t.number);
      open_files.insert(name);
    } else {
      ASSERT_TRUE(stored.count(t.invoice_offset)) << t.number;
      EXPECT_EQ(stored[t.invoice_offset], t.number);
      tags_stored++;
    }
  }
  EXPECT_EQ(tags_stored, stored.size());

  std::set<std::string> listed;
  for (const auto& rec : split_records(shop->read("VKOPENWO.DAT"), kOpenWorkorderEntrySize)) {
    OpenWorkorderEntry e;
    open_workorder_decode(rec.data(), &e);
    listed.insert(e.file_name);
    std::vector<uint8_t> doc = shop->read(e.file_name);
    Workorder wo;
    DocRead info;
    wo_parse(reinterpret_cast<const char*>(doc.data()), doc.size(), &wo, &info);
    EXPECT_TRUE(info.whole);
    EXPECT_EQ(static_cast<int32_t>(wo.WorkorderNumber), e.tag.number);
    EXPECT_EQ(wo.Status, WO_OPEN);
    wo_free(&wo);
  }
  std::set<std::string> files;
  for (const std::string& f : shop->files())
    if (f[0] == 'W') files.insert(f);
  EXPECT_EQ(listed, open_files);
  EXPECT_EQ(files, open_files);

  SettingsRecord s;
  settings_decode(shop->read("VKSYSTEM.DAT").data(), &s);
  EXPECT_EQ(shop->read("VKSYSTEM.DAT").size(), kSettingsRecordSize);
  EXPECT_GT(s.next_workorder, last);
}

TEST_F(CleanShop, PurchaseOrderIndexAndListFindEveryDocument) {
  std::map<int64_t, int32_t> stored;
  each_purchase_order(shop->read("VKPURCHA.DAT"), [&](int64_t at, PurchaseOrder& po, const DocRead& info) {
    EXPECT_TRUE(info.whole);
    EXPECT_NE(po.Status, WO_VOID);
    stored[at] = static_cast<int32_t>(po.PONumber);
  });
  size_t open = 0, last = 0;
  for (const auto& rec : split_records(shop->read("VKPURTAG.DAT"), kPurchaseOrderTagSize)) {
    PurchaseOrderTag t;
    purchase_order_tag_decode(rec.data(), &t);
    EXPECT_GT(static_cast<size_t>(t.number), last);
    last = static_cast<size_t>(t.number);
    if (t.order_offset == -1) {
      open++;
      continue;
    }
    ASSERT_TRUE(stored.count(t.order_offset));
    EXPECT_EQ(stored[t.order_offset], t.number);
  }
  size_t listed = 0;
  for (const auto& rec : split_records(shop->read("VKOPENPO.DAT"), kOpenPurchaseOrderEntrySize)) {
    OpenPurchaseOrderEntry e;
    open_purchase_order_decode(rec.data(), &e);
    EXPECT_TRUE(shop->exists(e.file_name)) << e.file_name;
    listed++;
  }
  EXPECT_EQ(listed, open);
  EXPECT_GT(open, 0u);
}

TEST_F(CleanShop, InventoryIndexAndChains) {
  std::vector<uint8_t> inv = shop->read("VKINVENT.DAT");
  std::vector<int32_t> usage_heads, receiving_heads;
  std::vector<InventoryRecord> records;
  for (const auto& rec : split_records(inv, kInventoryRecordSize)) {
    records.emplace_back();
    inventory_decode(rec.data(), &records.back());
    const InventoryRecord& r = records.back();
    EXPECT_TRUE(inventory_in_use(r));
    EXPECT_TRUE(printable(r.stock_number, sizeof r.stock_number)) << r.stock_number;
    EXPECT_TRUE(printable(r.description, sizeof r.description)) << r.description;
    EXPECT_EQ(std::strstr(r.stock_number, "/C"), nullptr);
    usage_heads.push_back(r.usage_head);
    receiving_heads.push_back(r.receiving_head);
  }
  EXPECT_TRUE(chains_cover(shop->read("VKUSEHST.DAT"), kUsageRecordSize, kUsageNextOffset, usage_heads));
  EXPECT_TRUE(chains_cover(shop->read("VKRCVLOG.DAT"), kReceivingRecordSize, kReceivingNextOffset,
                           receiving_heads));

  std::vector<uint8_t> index = shop->read("VKINVTAG.DAT");
  ASSERT_EQ(index.size(), records.size() * kInventoryTagSize);
  for (size_t i = 0; i < records.size(); i++) {
    const uint8_t* tag = index.data() + i * kInventoryTagSize;
    if (i > 0) {
      EXPECT_LT(inventory_tag_compare(tag - kInventoryTagSize, tag), 0);
    }
    InventoryTag t, expected;
    inventory_tag_decode(tag, &t);
    size_t r = static_cast<size_t>(t.record_offset) / kInventoryRecordSize;
    ASSERT_LT(r, records.size());
    inventory_make_tag(records[r], t.record_offset, &expected);
    uint8_t expected_bytes[kInventoryTagSize];
    inventory_tag_encode(expected, expected_bytes);
    EXPECT_EQ(0, std::memcmp(tag, expected_bytes, kInventoryTagSize)) << t.stock_number;
  }
}

TEST_F(CleanShop, CustomersVehiclesAndPayroll) {
  std::vector<uint8_t> cst = shop->read("VKCSTDAT.DAT");
  std::vector<uint8_t> tags = shop->read("VKCSTTAG.DAT");
  std::vector<uint8_t> vehicles = shop->read("VKVEHICL.DAT");
  std::vector<int32_t> heads;
  size_t i = 0;
  for (const auto& rec : split_records(cst, kCustomerRecordSize)) {
    CustomerRecord c;
    customer_decode(rec.data(), &c);
    EXPECT_GT(static_cast<int32_t>(c.CustomerNumber), 0);
    EXPECT_TRUE(c.Lastname[0]);
    EXPECT_TRUE(printable(c.Lastname, sizeof c.Lastname)) << c.Lastname;
    heads.push_back(c.vehicle_head);
    for (int32_t v = c.vehicle_head; v >= 0 && static_cast<size_t>(v) < vehicles.size();) {
      VehicleRecord vr;
      vehicle_decode(vehicles.data() + v, &vr);
      EXPECT_EQ(vr.owner, c.CustomerNumber);
      EXPECT_TRUE(vr.Make[0] && vr.Model[0] && vr.Year[0]);
      v = vr.next;
    }
    CustomerTag expected;
    customer_make_tag(c, static_cast<int32_t>(i * kCustomerRecordSize), &expected);
    uint8_t bytes[kCustomerTagSize];
    customer_tag_encode(expected, bytes);
    ASSERT_LE((i + 1) * kCustomerTagSize, tags.size());
    EXPECT_EQ(0, std::memcmp(bytes, tags.data() + i * kCustomerTagSize, kCustomerTagSize));
    i++;
  }
  EXPECT_EQ(tags.size(), i * kCustomerTagSize);
  EXPECT_TRUE(chains_cover(vehicles, kVehicleRecordSize, 393, heads));

  std::vector<int32_t> pay_heads;
  for (const auto& rec : split_records(shop->read("VKEMPLOY.DAT"), kEmployeeRecordSize)) {
    EmployeeRecord e;
    employee_decode(rec.data(), &e);
    pay_heads.push_back(e.payroll_head);
  }
  EXPECT_FALSE(pay_heads.empty());
  EXPECT_TRUE(chains_cover(shop->read("VKPAYROL.DAT"), kPayrollEntrySize, kPayrollNextOffset, pay_heads));
}

// A used shop: every messy case turns up at least once.
TEST(Generator, MessyShopHoldsEveryMessyCase) {
  ShopDir shop;
  shop.generate(31, 4.0);
  std::map<std::string, int> seen;
  auto saw = [&](const char* what, bool yes) { seen[what] += yes ? 1 : 0; };

  std::set<std::string> stock;
  for (const auto& rec : split_records(shop.read("VKINVENT.DAT"), kInventoryRecordSize)) {
    InventoryRecord r;
    inventory_decode(rec.data(), &r);
    stock.insert(r.stock_number);
    saw("deleted item", r.deleted != 0);
    saw("high bytes", !printable(r.description, sizeof r.description));
    saw("/C stock number", std::strstr(r.stock_number, "/C") != nullptr);
    saw("ddd-ddd stock number", std::strlen(r.stock_number) == 7 && r.stock_number[3] == '-' &&
                                    std::isdigit(static_cast<unsigned char>(r.stock_number[0])));
  }
  std::set<uint32_t> customer_numbers;
  for (const auto& rec : split_records(shop.read("VKCSTDAT.DAT"), kCustomerRecordSize)) {
    CustomerRecord c;
    customer_decode(rec.data(), &c);
    customer_numbers.insert(c.CustomerNumber);
    saw("customer number 0", c.CustomerNumber == 0);
    saw("customer without a name", !c.Lastname[0] && !c.Firstname[0]);
  }
  for (const auto& rec : split_records(shop.read("VKVEHICL.DAT"), kVehicleRecordSize)) {
    VehicleRecord v;
    vehicle_decode(rec.data(), &v);
    saw("vehicle without make, model and year", !v.Make[0] && !v.Model[0] && !v.Year[0]);
  }

  std::vector<uint8_t> invoice = shop.read("VKINVOIC.DAT");
  std::string text = bytes_text(invoice);
  std::map<uint32_t, int> copies;
  each_workorder(invoice, [&](int64_t at, Workorder& wo, const DocRead&) {
    copies[wo.WorkorderNumber]++;
    saw("void workorder", wo.Status == WO_VOID);
    saw("ON ACCT with splits", wo.Status == WO_ON_ACCT && wo.totals.PaymentMethod == PAY_SPLIT);
    saw("wrong customer number", !customer_numbers.count(wo.customer.CustomerNumber));
    size_t raw_lines = 0, lines = 0;
    for (const PartLine* p = wo.parts; p; p = p->next) {
      lines++;
      saw("part missing from inventory", !stock.count(p->stock_number));
    }
    for (const LaborLine* l = wo.labor; l; l = l->next)
      saw("labor follow-up", l->followup_mileage > 0 || l->followup_date > 0);
    // The reader moves both kinds out of the sublets by the shop's setting.
    for (const SubletLine* list : {wo.sublets, wo.waste}) {
      for (const SubletLine* s = list; s; s = s->next) {
        saw("Waste Disposal sublet", std::strstr(s->description, "Waste Disposal") != nullptr);
        saw("SURCHARGE sublet", std::strstr(s->description, "SURCHARGE") != nullptr);
      }
    }
    // The document text itself: duplicate part lines, header case, old layouts.
    size_t end = text.find('\0', static_cast<size_t>(at));
    std::string doc = text.substr(static_cast<size_t>(at), end - static_cast<size_t>(at));
    size_t parts = doc.find("]\r\n", doc.find("[Parts]") == std::string::npos ? doc.find("[parts]")
                                                                                : doc.find("[Parts]"));
    for (size_t p = parts + 3; p < doc.size() && doc[p] != '\r' && doc[p] != '['; p = doc.find("\r\n", p) + 2)
      raw_lines++;
    saw("duplicate part line", raw_lines > lines);
    saw("lower-case header", doc.find("[parts]") != std::string::npos ||
                                 doc.find("[labor]") != std::string::npos ||
                                 doc.find("[notes]") != std::string::npos);
    size_t labor = doc.find("]\r\n", doc.find("abor]") - 2);
    bool old = false;
    for (size_t p = labor + 3; p + 42 < doc.size() && doc[p] != '\r' && doc[p] != '['; p = doc.find("\r\n", p) + 2)
      old |= doc[p + 42] != ' ';
    saw("old-layout labor line", old);
  });
  for (auto [number, n] : copies) saw("duplicate workorder", n > 1);

  std::set<std::string> listed;
  for (const auto& rec : split_records(shop.read("VKOPENWO.DAT"), kOpenWorkorderEntrySize)) {
    OpenWorkorderEntry e;
    open_workorder_decode(rec.data(), &e);
    saw("blank open-list entry", !e.file_name[0]);
    saw("open-list entry without its document", e.file_name[0] && !shop.exists(e.file_name));
    if (e.file_name[0] && shop.exists(e.file_name))
      saw("open workorder also stored", copies.count(static_cast<uint32_t>(e.tag.number)) > 0);
  }

  for (const char* what :
       {"deleted item", "high bytes", "/C stock number", "ddd-ddd stock number", "customer number 0",
        "customer without a name", "vehicle without make, model and year", "void workorder",
        "ON ACCT with splits", "wrong customer number", "part missing from inventory",
        "labor follow-up", "Waste Disposal sublet", "SURCHARGE sublet", "duplicate part line",
        "lower-case header", "old-layout labor line", "duplicate workorder", "blank open-list entry",
        "open-list entry without its document", "open workorder also stored"})
    EXPECT_GT(seen[what], 0) << what;
}

}  // namespace
