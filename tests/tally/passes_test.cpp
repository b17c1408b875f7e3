// The clearing and rebuild passes of velktally, run through the program on
// small hand-made data directories and checked on the files it leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "tally/tally_fixture.h"
#include "ui/dates.h"

namespace {

const int32_t kJan1 = parse_date("01/01/1998");
const int32_t kJan10 = parse_date("01/10/1998");
const int32_t kJan20 = parse_date("01/20/1998");

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(TallyPasses, ChainsRunFromOpenWorkordersDownThroughStoredOnes) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A"), make_item("B"), make_item("C")}));
  write_stored_workorders(shop, {
      {101, kJan1, "SMITH   ", "JOHN", {{"A", 2, 150, 300}, {"B"}}},
      {102, kJan10, "JONES", "AMY", {{"A"}}},
      {103, kJan20, "BROWN", "", {{"A"}, {"B", 5}}},
  });
  write_open_workorders(shop, {
      {201, kJan20, "OPEN", "ONE", {{"A"}}},
      {202, kJan20, "OPEN", "TWO", {{"A"}, {"B"}}},
  });
  TallyRun r = shop.run({});
  ASSERT_EQ(r.status, 10) << r.output;
  EXPECT_TRUE(ends_with(r.output, "\r\nUsage set!\r\n"));
  EXPECT_NE(r.output.find("Clearing usage links....\r\n"), std::string::npos);
  EXPECT_NE(r.output.find("\r\nRebuilding Inventory Usage...\r\n"), std::string::npos);
  // The shop had no settings file: its counters now stand at the defaults.
  EXPECT_NE(r.output.find("VKSYSTEM.DAT was missing or empty: the default settings were written\r\n"
                          "Check the next numbers: workorder 5000,"),
            std::string::npos);

  EXPECT_EQ(usage_chain(shop, "A"), (std::vector<int32_t>{202, 201, 103, 102, 101}));
  EXPECT_EQ(usage_chain(shop, "B"), (std::vector<int32_t>{202, 103, 101}));
  EXPECT_TRUE(usage_chain(shop, "C").empty());

  // The first entry written is the first line of W101.
  std::vector<UsageRecord> usage = decode_usage(shop.read("VKUSEHST.DAT"));
  ASSERT_EQ(usage.size(), 8u);
  EXPECT_EQ(shop.read("VKUSEHST.DAT").size(), 8 * kUsageRecordSize);
  EXPECT_STREQ(usage[0].stock_number, "A");
  EXPECT_EQ(usage[0].workorder_number, 101);
  EXPECT_EQ(usage[0].date, kJan1);
  EXPECT_STREQ(usage[0].customer_name, "SMITH,JOHN");
  EXPECT_EQ(usage[0].quantity, 2);
  EXPECT_EQ(usage[0].unit_cost, 150);
  EXPECT_EQ(usage[0].unit_price, 300);
  EXPECT_EQ(usage[0].next, -1);
  EXPECT_STREQ(usage[3].customer_name, "BROWN,");

  // Items keep everything but their usage link; the index lists all three.
  std::vector<InventoryRecord> items = decode_items(shop.read("VKINVENT.DAT"));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].usage_head, -1);
  EXPECT_EQ(items[2].receiving_head, 4242);
  EXPECT_EQ(items[2].item_data[0], 0xEE);
  std::vector<InventoryTag> tags = decode_tags(shop.read("VKINVTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_STREQ(tags[1].stock_number, "B");
  EXPECT_EQ(tags[1].record_offset, 344);
  // No replacement file is left behind.
  for (const std::string& n : shop.names()) EXPECT_EQ(n.find(".NEW"), std::string::npos) << n;

  // A second run gives the same files.
  std::string inventory = shop.read("VKINVENT.DAT"), history = shop.read("VKUSEHST.DAT");
  r = shop.run({});
  ASSERT_EQ(r.status, 10);
  EXPECT_EQ(r.output.find("VKSYSTEM.DAT was missing"), std::string::npos);
  EXPECT_EQ(shop.read("VKINVENT.DAT"), inventory);
  EXPECT_EQ(shop.read("VKUSEHST.DAT"), history);
}

TEST(TallyPasses, TrimsByDateAndByStockNumber) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A"), make_item("B"), make_item("abc")}));
  write_stored_workorders(shop, {
      {100, -1, "NO", "DATE", {{"A"}, {"B"}}},
      {101, kJan1, "OLD", "ONE", {{"A"}, {"B"}, {"abc"}}},
      {102, kJan10, "ON", "DAY", {{"A"}, {"B"}}},
      {103, kJan20, "NEW", "ONE", {{"A"}, {"B"}, {"abc"}}},
  });

  // A date alone: older workorders (no date counts as older) give nothing;
  // one opened on the date itself counts.
  ASSERT_EQ(shop.run({"/TDATE=01/10/1998"}).status, 10);
  EXPECT_EQ(usage_chain(shop, "A"), (std::vector<int32_t>{103, 102}));
  EXPECT_EQ(usage_chain(shop, "B"), (std::vector<int32_t>{103, 102}));

  // Stock numbers alone lose their whole history; case counts.
  ASSERT_EQ(shop.run({"/TRIM=", "A", "/TRIM=", "ABC"}).status, 10);
  EXPECT_TRUE(usage_chain(shop, "A").empty());
  EXPECT_EQ(usage_chain(shop, "B"), (std::vector<int32_t>{103, 102, 101, 100}));
  EXPECT_EQ(usage_chain(shop, "abc"), (std::vector<int32_t>{103, 101}));

  // Both: the listed stock numbers lose only what is older than the date.
  ASSERT_EQ(shop.run({"/TDATE=01/10/1998", "/TRIM=", "A"}).status, 10);
  EXPECT_EQ(usage_chain(shop, "A"), (std::vector<int32_t>{103, 102}));
  EXPECT_EQ(usage_chain(shop, "B"), (std::vector<int32_t>{103, 102, 101, 100}));
}

TEST(TallyPasses, MissingPartsAreAddedOnlyOnRequest) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A")}));
  write_stored_workorders(shop, {
      {101, kJan1, "X", "Y", {{"GONE-1", 1, 700, 900, 650, "LOST PART"}, {"A"}}},
      {102, kJan10, "X", "Y", {{"GONE-1", 3, 710, 910, 0, "LOST AGAIN"}, {""}}},
  });
  TallyRun r = shop.run({});
  ASSERT_EQ(r.status, 10);
  EXPECT_EQ(r.output.find("rebuilt:"), std::string::npos);
  EXPECT_EQ(decode_items(shop.read("VKINVENT.DAT")).size(), 1u);
  EXPECT_EQ(decode_usage(shop.read("VKUSEHST.DAT")).size(), 1u);

  r = shop.run({"/REBUILD"});
  ASSERT_EQ(r.status, 10);
  // One record for both lines, announced once.
  EXPECT_NE(r.output.find("rebuilt:               GONE-1\r\n"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("rebuilt:", r.output.find("rebuilt:") + 1), std::string::npos);
  std::vector<InventoryRecord> items = decode_items(shop.read("VKINVENT.DAT"));
  ASSERT_EQ(items.size(), 2u);
  const InventoryRecord& added = items[1];
  EXPECT_STREQ(added.stock_number, "GONE-1");
  EXPECT_EQ(std::string(added.description).substr(0, 10), "LOST PART ");
  EXPECT_STREQ(added.code_a, "RECOVERED");
  EXPECT_STREQ(added.code_b, "RECOVERED");
  EXPECT_STREQ(added.stocking_text, "NOT STOCKED");
  EXPECT_EQ(added.amounts[0], 700);
  EXPECT_EQ(added.amounts[2], 650);
  EXPECT_EQ(added.receiving_head, -1);
  EXPECT_EQ(usage_chain(shop, "GONE-1"), (std::vector<int32_t>{102, 101}));
  EXPECT_EQ(decode_tags(shop.read("VKINVTAG.DAT")).size(), 2u);

  // The next run finds the part in inventory and adds nothing.
  r = shop.run({"/REBUILD"});
  EXPECT_EQ(r.output.find("rebuilt:"), std::string::npos);
  EXPECT_EQ(decode_items(shop.read("VKINVENT.DAT")).size(), 2u);
}

TEST(TallyPasses, RecordsNotInUseKeepTheirPlaceAndTheirBytes) {
  TallyDir shop;
  InventoryRecord deleted = make_item("A");
  deleted.deleted = 1;
  deleted.usage_head = 7600;
  InventoryRecord empty = make_item("");
  empty.usage_head = 76;
  InventoryRecord duplicate = make_item("B", "SECOND B");
  std::string bytes =
      encode_items({deleted, empty, make_item("B"), duplicate, make_item("C")}) + "xyz";
  shop.write("VKINVENT.DAT", bytes);
  write_stored_workorders(shop, {{101, kJan1, "X", "Y", {{"A"}, {"B"}, {"C"}}}});

  TallyRun r = shop.run({"/REBUILD"});
  ASSERT_EQ(r.status, 10) << r.output;
  std::string after = shop.read("VKINVENT.DAT");
  // A (deleted) comes back as a new record after the stray tail's record.
  ASSERT_EQ(after.size(), 7 * kInventoryRecordSize);
  EXPECT_EQ(after.substr(0, 2 * kInventoryRecordSize), bytes.substr(0, 2 * kInventoryRecordSize));
  EXPECT_EQ(after.substr(5 * kInventoryRecordSize, 3), "xyz");
  std::vector<InventoryRecord> items = decode_items(after);
  EXPECT_EQ(items[0].usage_head, 7600);
  EXPECT_EQ(items[1].usage_head, 76);
  // The duplicate of B gets no tag and no usage; C sits at its own offset.
  EXPECT_EQ(items[3].usage_head, -1);
  EXPECT_NE(items[2].usage_head, -1);
  EXPECT_NE(items[4].usage_head, -1);
  EXPECT_EQ(usage_chain(shop, "C"), (std::vector<int32_t>{101}));
  EXPECT_STREQ(items[6].stock_number, "A");
  EXPECT_STREQ(items[6].code_a, "RECOVERED");
  std::vector<InventoryTag> tags = decode_tags(shop.read("VKINVTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].record_offset, static_cast<int32_t>(6 * kInventoryRecordSize));
  EXPECT_EQ(tags[2].record_offset, static_cast<int32_t>(4 * kInventoryRecordSize));
}

// Started in a folder without a shop database (through PATH, say), the
// program makes no empty database there.
TEST(TallyPasses, NoShopDatabaseNoFiles) {
  TallyDir shop;
  shop.write("NOTES.TXT", "not a shop");
  TallyRun r = shop.run({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "No shop database in " + shop.path() + "/...\r\n");
  EXPECT_EQ(shop.names(), std::vector<std::string>{"NOTES.TXT"});
}

TEST(TallyPasses, BadIndexAndListEntriesAreSkipped) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A")}));
  std::string doc = workorder_document({101, kJan1, "X", "Y", {{"A"}}});
  shop.write("VKINVOIC.DAT", doc);
  shop.write("VKINCTAG.DAT", workorder_index_entry(100, -1) + workorder_index_entry(101, 0) +
                                 workorder_index_entry(102, 1 << 20) +
                                 workorder_index_entry(103, -5));
  shop.write("W0000201.DKT", workorder_document({201, kJan1, "X", "Y", {{"A"}}}));
  shop.write("VKOPENWO.DAT", open_list_entry(200, "") + open_list_entry(201, "W0000201.DKT") +
                                 open_list_entry(202, "../W0000202.DKT") +
                                 open_list_entry(203, "/tmp/x.DKT") +
                                 open_list_entry(204, "W0000204.DKT"));
  TallyRun r = shop.run({});
  ASSERT_EQ(r.status, 10) << r.output;
  EXPECT_EQ(usage_chain(shop, "A"), (std::vector<int32_t>{201, 101}));
  EXPECT_NE(r.output.find("Workorder 102: document offset 1048576 lies outside VKINVOIC.DAT, "
                          "skipped\r\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Workorder 103: document offset -5"), std::string::npos);
  EXPECT_NE(r.output.find("Open workorder 202: document name \"../W0000202.DKT\" is not a plain "
                          "file name, skipped\r\n"),
            std::string::npos);
  EXPECT_NE(r.output.find("Open workorder 203:"), std::string::npos);
  EXPECT_NE(r.output.find("Open workorder 204: document W0000204.DKT is missing, skipped\r\n"),
            std::string::npos);
  EXPECT_FALSE(shop.exists("W0000204.DKT"));
  // Given again, after the screen that showed them was cleared.
  size_t replay = r.output.find("5 warnings in this run:\r\nWorkorder 102: document offset");
  EXPECT_NE(replay, std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Open workorder 204: document W0000204.DKT is missing, skipped\r\n"
                          "\r\nUsage set!\r\n",
                          replay),
            std::string::npos);
}

TEST(TallyPasses, FailedWriteEndsTheRunAndLeavesTheOldFiles) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A")}));
  std::vector<TestWorkorder> many;
  for (uint32_t n = 1; n <= 400; ++n) many.push_back({n, kJan1, "X", "Y", {{"A"}}});
  write_stored_workorders(shop, many);
  shop.write("VKUSEHST.DAT", "old history");
  shop.write("VKINVTAG.DAT", "old index");
  std::string inventory = shop.read("VKINVENT.DAT");

  // 400 usage entries need 30400 bytes; writes past 20000 fail.
  TallyRun r = shop.run({}, "", 20000);
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(r.output.find("Usage set!"), std::string::npos);
  EXPECT_NE(r.output.find("File write error on VKUSEHST.DAT"), std::string::npos) << r.output;
  EXPECT_EQ(shop.read("VKUSEHST.DAT"), "old history");
  EXPECT_EQ(shop.read("VKINVTAG.DAT"), "old index");
  EXPECT_EQ(shop.read("VKINVENT.DAT"), inventory);
  for (const std::string& n : shop.names()) EXPECT_EQ(n.find(".NEW"), std::string::npos) << n;

  // A new run without the limit rebuilds the history.
  ASSERT_EQ(shop.run({}).status, 10);
  EXPECT_EQ(usage_chain(shop, "A").size(), 400u);
}

}  // namespace
