// velktally on small hand-made databases: chain order, trims, recovered
// parts, records not in use, an empty database.
#include <gtest/gtest.h>

#include <cstring>

#include "tally_e2e/tally_shop.h"
#include "ui/dates.h"

namespace {

using Numbers = std::vector<int32_t>;

int32_t day(const char* text) { return parse_date(text); }

class TallyHandmade : public ::testing::Test {
 protected:
  void SetUp() override { dir.install("velktally"); }
  RunResult tally(const std::vector<std::string>& args = {}) {
    RunResult r = dir.run("velktally", args);
    EXPECT_EQ(r.status, 10) << r.output;
    EXPECT_TRUE(ends_with(r.output, kUsageSet)) << r.output;
    return r;
  }
  ShopDir dir;
  HandShop shop;
};

// Closed workorders are taken in ascending number (whatever their place in
// the invoice file), then the open ones in list order; each new entry goes in
// front, so the chain runs: open ones last listed first, then closed ones from
// the highest number down.
TEST_F(TallyHandmade, ChainRunsFromLastOpenDownToLowestClosed) {
  shop.item("FL1A");
  shop.item("BP7");
  shop.stored(30, day("03/01/2024"), {{"FL1A", 1, 575, 995}});
  shop.stored(10, day("01/01/2024"), {{"FL1A", 2, 575, 995}, {"BP7"}}, "DOE   ", "JANE");
  shop.stored(20, day("02/01/2024"), {{"FL1A"}});
  shop.open(50, day("05/01/2024"), {{"FL1A"}});
  shop.blank_open_entry();
  shop.open(40, day("04/01/2024"), {{"FL1A"}, {"BP7"}});
  shop.save(dir);
  tally();

  EXPECT_EQ(chain_numbers(dir, "FL1A"), (Numbers{40, 50, 30, 20, 10}));
  EXPECT_EQ(chain_numbers(dir, "BP7"), (Numbers{40, 10}));
  std::vector<UsageRecord> usage = read_usage(dir);
  ASSERT_EQ(dir.read("VKUSEHST.DAT").size(), 7 * kUsageRecordSize);
  // The oldest entry of FL1A carries everything of its part line.
  const UsageRecord& first = usage[0];
  EXPECT_STREQ(first.stock_number, "FL1A");
  EXPECT_EQ(first.workorder_number, 10);
  EXPECT_EQ(first.date, day("01/01/2024"));
  EXPECT_STREQ(first.customer_name, "DOE,JANE");
  EXPECT_EQ(first.quantity, 2);
  EXPECT_EQ(first.unit_cost, 575);
  EXPECT_EQ(first.unit_price, 995);
  EXPECT_EQ(first.next, -1);
}

TEST_F(TallyHandmade, TrimDateKeepsWorkordersOpenedOnOrAfterIt) {
  shop.item("A1");
  shop.stored(1, -1, {{"A1"}});  // no open date: older than any trim date
  shop.stored(2, day("02/29/2024"), {{"A1"}});
  shop.stored(3, day("03/01/2024"), {{"A1"}});
  shop.open(4, day("03/02/2024"), {{"A1"}});
  shop.save(dir);
  tally({"/TDATE=03/01/2024"});
  EXPECT_EQ(chain_numbers(dir, "A1"), (Numbers{4, 3}));
}

// A trimmed stock number loses its history (before the trim date, when one is
// given); the comparison counts letter case; other parts keep everything.
TEST_F(TallyHandmade, TrimStockNumbers) {
  shop.item("ABC");
  shop.item("abc");
  shop.item("XYZ");
  shop.stored(1, day("01/10/2024"), {{"ABC"}, {"abc"}, {"XYZ"}});
  shop.stored(2, day("06/10/2024"), {{"ABC"}, {"abc"}, {"XYZ"}});
  shop.save(dir);

  tally({"/TRIM=", "ABC"});
  EXPECT_EQ(chain_numbers(dir, "ABC"), Numbers{});
  EXPECT_EQ(chain_numbers(dir, "abc"), (Numbers{2, 1}));
  EXPECT_EQ(chain_numbers(dir, "XYZ"), (Numbers{2, 1}));

  tally({"/tdate=03/01/2024", "/trim=", "ABC", "/TRIM=", "XYZ"});
  EXPECT_EQ(chain_numbers(dir, "ABC"), Numbers{2});
  EXPECT_EQ(chain_numbers(dir, "abc"), (Numbers{2, 1}));
  EXPECT_EQ(chain_numbers(dir, "XYZ"), Numbers{2});

  tally();  // a plain run gives the whole history back
  EXPECT_EQ(chain_numbers(dir, "ABC"), (Numbers{2, 1}));
}

TEST_F(TallyHandmade, MissingPartsAreSkippedUnlessRebuildAddsThem) {
  shop.item("KNOWN");
  shop.stored(1, day("01/10/2024"), {{"KNOWN"}, {"NEW-1", 3, 1234, 2000, 1500}});
  shop.stored(2, day("01/11/2024"), {{"NEW-1", 1, 1300, 2100, 1600}});
  shop.save(dir);
  std::vector<uint8_t> inventory_before = dir.read("VKINVENT.DAT");

  RunResult plain = tally();
  EXPECT_EQ(plain.output.find("rebuilt:"), std::string::npos);
  EXPECT_EQ(dir.read("VKINVENT.DAT").size(), inventory_before.size());
  EXPECT_EQ(read_usage(dir).size(), 1u);

  RunResult rebuilt = tally({"/REBUILD"});
  // Added once, announced once, right-aligned in 20 columns.
  size_t at = rebuilt.output.find("rebuilt: " + std::string(15, ' ') + "NEW-1\r\n");
  EXPECT_NE(at, std::string::npos) << rebuilt.output;
  EXPECT_EQ(rebuilt.output.find("rebuilt:", at + 1), std::string::npos);
  std::vector<InventoryRecord> inv = read_inventory(dir);
  ASSERT_EQ(inv.size(), 2u);
  const InventoryRecord& added = inv[1];
  EXPECT_STREQ(added.stock_number, "NEW-1");
  // The description as the document's column holds it, blanks included.
  EXPECT_EQ(std::string(added.description), "PART NEW-1" + std::string(28, ' '));
  EXPECT_STREQ(added.code_a, "RECOVERED");
  EXPECT_STREQ(added.code_b, "RECOVERED");
  EXPECT_EQ(added.amounts[0], 1234);
  EXPECT_EQ(added.amounts[2], 1500);
  EXPECT_EQ(added.receiving_head, -1);
  EXPECT_EQ(chain_numbers(dir, "NEW-1"), (Numbers{2, 1}));
  std::vector<InventoryTag> index = read_inventory_index(dir);
  ASSERT_EQ(index.size(), 2u);
  EXPECT_STREQ(index[0].stock_number, "KNOWN");
  EXPECT_STREQ(index[1].stock_number, "NEW-1");
  EXPECT_EQ(index[1].record_offset, static_cast<int32_t>(kInventoryRecordSize));

  // The next run finds the part in inventory and adds nothing more.
  RunResult again = tally({"/REBUILD"});
  EXPECT_EQ(again.output.find("rebuilt:"), std::string::npos);
  EXPECT_EQ(read_inventory(dir).size(), 2u);
}

TEST_F(TallyHandmade, DeleteRebuildsInventoryFromWorkordersAlone) {
  shop.item("OLD");
  shop.stored(1, day("01/10/2024"), {{"P2"}, {"P1"}});
  shop.save(dir);
  tally({"/DELETE"});
  std::vector<InventoryRecord> inv = read_inventory(dir);
  ASSERT_EQ(inv.size(), 2u);
  EXPECT_STREQ(inv[0].stock_number, "P2");
  EXPECT_STREQ(inv[1].stock_number, "P1");
  std::vector<InventoryTag> index = read_inventory_index(dir);
  ASSERT_EQ(index.size(), 2u);
  EXPECT_STREQ(index[0].stock_number, "P1");
  EXPECT_EQ(chain_numbers(dir, "P1"), Numbers{1});
}

// Deleted and empty records are neither indexed nor linked: their bytes,
// the usage head included, stay as they were; receiving heads are never
// touched.
TEST_F(TallyHandmade, RecordsNotInUseKeepTheirBytes) {
  shop.item("GONE", 1, 7 * 76, 84);
  shop.item("", 0, 3 * 76);
  shop.item("LIVE", 0, 5 * 76, 2 * 84);
  shop.stored(1, day("01/10/2024"), {{"GONE"}, {"LIVE"}});
  shop.save(dir);
  std::vector<uint8_t> before = dir.read("VKINVENT.DAT");
  tally();
  std::vector<uint8_t> after = dir.read("VKINVENT.DAT");
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 2 * kInventoryRecordSize, after.begin()));
  std::vector<InventoryRecord> inv = read_inventory(dir);
  EXPECT_EQ(inv[2].usage_head, 0);
  EXPECT_EQ(inv[2].receiving_head, 2 * 84);
  EXPECT_EQ(read_usage(dir).size(), 1u);
  std::vector<InventoryTag> index = read_inventory_index(dir);
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(index[0].record_offset, static_cast<int32_t>(2 * kInventoryRecordSize));
}

TEST_F(TallyHandmade, EmptyDatabase) {
  dir.write("VKINVENT.DAT", std::string());  // a shop with nothing in it yet
  tally();
  EXPECT_TRUE(dir.exists("VKUSEHST.DAT"));
  EXPECT_EQ(dir.read("VKUSEHST.DAT").size(), 0u);
  EXPECT_EQ(dir.read("VKINVTAG.DAT").size(), 0u);
  EXPECT_EQ(dir.read("VKINVENT.DAT").size(), 0u);
  EXPECT_EQ(dir.read("VKSYSTEM.DAT").size(), 1038u);
}

// Entries that point nowhere are passed over with a line on the console;
// the rest of the run goes on.
TEST_F(TallyHandmade, DanglingIndexAndListEntriesAreSkipped) {
  shop.item("A1");
  shop.stored(1, day("01/10/2024"), {{"A1"}});
  shop.open(2, day("01/11/2024"), {{"A1"}});
  shop.open(3, day("01/12/2024"), {{"A1"}});
  shop.save(dir);
  std::remove(dir.file("W0000003.DKT").c_str());
  // An index entry far beyond the invoice file, and a list entry naming a
  // file outside the data directory.
  std::vector<uint8_t> idx = dir.read("VKINCTAG.DAT");
  WorkorderTag far;
  workorder_tag_clear(&far);
  far.number = 9;
  far.invoice_offset = 1 << 30;
  idx.resize(idx.size() + kWorkorderTagSize);
  workorder_tag_encode(far, idx.data() + idx.size() - kWorkorderTagSize);
  dir.write("VKINCTAG.DAT", idx);
  std::vector<uint8_t> list = dir.read("VKOPENWO.DAT");
  OpenWorkorderEntry evil;
  std::memset(&evil, 0, sizeof evil);
  evil.tag.number = 4;
  std::strcpy(evil.file_name, "../W0000004.DKT");
  list.resize(list.size() + kOpenWorkorderEntrySize);
  open_workorder_encode(evil, list.data() + list.size() - kOpenWorkorderEntrySize);
  dir.write("VKOPENWO.DAT", list);

  RunResult r = tally();
  EXPECT_NE(r.output.find("W0000003.DKT"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("../W0000004.DKT"), std::string::npos) << r.output;
  EXPECT_FALSE(dir.exists("W0000003.DKT"));
  EXPECT_EQ(chain_numbers(dir, "A1"), (Numbers{2, 1}));
}

}  // namespace
