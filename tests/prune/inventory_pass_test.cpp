// The inventory pass on hand-made inventory files.
#include <cstring>

#include "prune_fixture.h"

namespace {

class InventoryPassTest : public PassTest {
 protected:
  void write_items(const std::vector<std::vector<uint8_t>>& records, size_t stray = 0) {
    std::vector<uint8_t> bytes;
    for (const auto& r : records) bytes.insert(bytes.end(), r.begin(), r.end());
    bytes.insert(bytes.end(), stray, 0xAB);
    dir.write("VKINVENT.DAT", bytes);
  }
};

TEST_F(InventoryPassTest, DropsDeletedEmptyAndDamagedItemsAndIndexesTheRest) {
  InventoryRecord deleted = make_item("DEL-1");
  deleted.deleted = 1;
  InventoryRecord empty = make_item("");
  std::vector<uint8_t> high = encode_item(make_item("HIGH-1"));
  high[105 + 3] = 0x80;  // description byte of 0x80 or more
  std::vector<uint8_t> no_nul = encode_item(make_item("NONUL"));
  std::memset(no_nul.data(), 'X', 21);  // stock number fills its field without a NUL
  std::vector<uint8_t> control = encode_item(make_item("CTRL-1"));
  control[165 + 2] = 0x07;  // code_b with a control character
  std::vector<uint8_t> tail_byte = encode_item(make_item("TAIL-1"));
  tail_byte[144 + 20] = 'Z';  // code_a printable to its last byte, NUL earlier: passes

  write_items({encode_item(make_item("B-2")), encode_item(deleted), encode_item(empty), high,
               no_nul, control, tail_byte, encode_item(make_item("A-1"))});
  ASSERT_EQ(inventory_pass(&run), PassEnd::done);

  std::vector<InventoryRecord> items = read_items(dir);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[0].stock_number, "B-2");
  EXPECT_STREQ(items[1].stock_number, "TAIL-1");
  EXPECT_STREQ(items[2].stock_number, "A-1");
  EXPECT_EQ(dir.read("VKINVENT.DAT").size(), 3 * kInventoryRecordSize);

  // The index comes out in key order, each tag built from its record at its
  // new offset.
  std::vector<InventoryTag> tags = read_item_tags(dir);
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_STREQ(tags[0].stock_number, "A-1");
  EXPECT_EQ(tags[0].record_offset, 2 * 344);
  EXPECT_STREQ(tags[1].stock_number, "B-2");
  EXPECT_EQ(tags[1].record_offset, 0);
  EXPECT_STREQ(tags[2].stock_number, "TAIL-1");
  EXPECT_EQ(tags[2].record_offset, 344);
  InventoryTag expected;
  inventory_make_tag(items[2], 2 * 344, &expected);
  uint8_t want[kInventoryTagSize], got[kInventoryTagSize];
  inventory_tag_encode(expected, want);
  inventory_tag_encode(tags[0], got);
  EXPECT_EQ(0, std::memcmp(want, got, sizeof want));
  EXPECT_FALSE(dir.exists("VKINVENT.NEW"));
  EXPECT_FALSE(dir.exists("VKINVTAG.NEW"));
  expect_consistent(dir);
}

TEST_F(InventoryPassTest, FirstOfTheSameStockNumberStaysAndEqualKeysOfOthersAreKeptUnindexed) {
  std::vector<uint8_t> first = encode_item(make_item("123-456", "FIRST"));
  std::vector<uint8_t> other = encode_item(make_item("123/456", "OTHER"));
  std::vector<uint8_t> x = encode_item(make_item("X"));
  // A repeat of the item kept unindexed is a duplicate like any other.
  write_items({first, encode_item(make_item("123-456", "SECOND")), other, x,
               encode_item(make_item("123/456", "OTHER AGAIN"))});
  ASSERT_EQ(inventory_pass(&run), PassEnd::done);

  std::vector<uint8_t> want = first;
  want.insert(want.end(), other.begin(), other.end());
  want.insert(want.end(), x.begin(), x.end());
  EXPECT_EQ(dir.read("VKINVENT.DAT"), want);
  std::vector<InventoryRecord> items = read_items(dir);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[1].stock_number, "123/456");  // its key equals 123-456's: kept
  std::vector<InventoryTag> tags = read_item_tags(dir);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_STREQ(tags[0].stock_number, "123-456");
  EXPECT_EQ(tags[0].record_offset, 0);
  EXPECT_NE(con.transcript().find("123/456 kept without an index entry"), std::string::npos);
}

TEST_F(InventoryPassTest, StrayTailIsCarriedBehindTheKeptRecords) {
  write_items({encode_item(make_item("A")), encode_item(make_item("B"))}, 17);
  ASSERT_EQ(inventory_pass(&run), PassEnd::done);
  std::vector<uint8_t> bytes = dir.read("VKINVENT.DAT");
  ASSERT_EQ(bytes.size(), 2 * 344 + 17u);
  EXPECT_EQ(bytes.back(), 0xAB);
}

TEST_F(InventoryPassTest, FullStoreKeepsEveryItemAndEndsTheRun) {
  small_store(64);  // room for a couple of hundred tags
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < 400; i++)
    records.push_back(encode_item(make_item(("P" + std::to_string(1000 + i)).c_str())));
  records.push_back(encode_item(make_item("P1000")));  // a repeat of an indexed item
  write_items(records);

  EXPECT_EQ(inventory_pass(&run), PassEnd::last);
  EXPECT_EQ(run.failure, "XMS is full... Free more memory or delete some stock...");
  // Every item stays but the repeat, which is still found in the index.
  EXPECT_EQ(read_items(dir).size(), 400u);
  EXPECT_EQ(con.warning_beeps(), 1);  // one full store, one beep
  std::vector<InventoryTag> tags = read_item_tags(dir);
  EXPECT_GT(tags.size(), 100u);
  EXPECT_LT(tags.size(), 400u);
  expect_consistent(dir);
  // Not recorded as done: the next purge does the pass again.
  EXPECT_FALSE(dir.exists("VKPURGE.DAT"));
}

}  // namespace
