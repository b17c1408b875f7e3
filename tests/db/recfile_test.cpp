// Record scans, chains and the index and list lookups.
#include "db/recfile.h"

#include <cstring>

#include "db/bytes.h"
#include "db/chain.h"
#include "db/inventory.h"
#include "db/lookups.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "db_fixture.h"
#include "platform/console_plain.h"

namespace {

using RecFile = DbTest;
using RecFileDeathTest = DbTest;

std::vector<uint8_t> records(size_t count, size_t size) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i < count; i++) {
    std::vector<uint8_t> r = pattern(size, static_cast<uint8_t>(i));
    le_put_i32(r.data(), static_cast<int32_t>(i));
    v.insert(v.end(), r.begin(), r.end());
  }
  return v;
}

TEST_F(RecFile, ScanReturnsWholeRecordsOnlyAcrossBufferFills) {
  MemFile f;
  f.data = records(2000, 76);  // several buffer fills
  const std::vector<uint8_t> stray = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  f.data.insert(f.data.end(), stray.begin(), stray.end());
  RecordScan s;
  scan_begin(&s, &f, 76, "VKUSEHST.DAT");
  uint8_t rec[76];
  int64_t at = -1;
  size_t n = 0;
  while (scan_next(&s, rec, &at)) {
    ASSERT_EQ(at, static_cast<int64_t>(n * 76));
    ASSERT_EQ(0, std::memcmp(rec, f.data.data() + at, 76));
    n++;
  }
  EXPECT_EQ(n, 2000u);
  EXPECT_EQ(s.stray, 10);
  EXPECT_FALSE(scan_next(&s, rec, &at));
  EXPECT_NE(con_.transcript().find("VKUSEHST.DAT has 10 stray bytes at its end"), std::string::npos);

  // A copy that keeps the file's bytes as they were takes the tail along.
  MemFile out;
  out.data = {0xAA};
  EXPECT_TRUE(scan_copy_stray(&s, &out));
  EXPECT_EQ(std::vector<uint8_t>(out.data.begin() + 1, out.data.end()), stray);
}

TEST_F(RecFile, ScanAllowsWritingRecordsBackInPlace) {
  MemFile f;
  f.data = records(1500, 344);
  RecordScan s;
  scan_begin(&s, &f, 344, "VKINVENT.DAT");
  uint8_t rec[344];
  int64_t at;
  int32_t seen = 0;
  while (scan_next(&s, rec, &at)) {
    ASSERT_EQ(le_get_i32(rec), seen++);
    le_put_i32(rec + 336, -1);
    ASSERT_TRUE(rec_write_at(&f, at, rec, 344));
    f.seek(0);  // moves the position elsewhere; the scan does not rely on it
  }
  EXPECT_EQ(seen, 1500);
  EXPECT_EQ(f.data.size(), 1500u * 344);
  for (size_t i = 0; i < 1500; i++) EXPECT_EQ(le_get_i32(f.data.data() + i * 344 + 336), -1);
}

TEST_F(RecFileDeathTest, AReadErrorIsNeverTheEndOfTheFile) {
  auto to_stderr = [] {
    static PlainConsole err(0, 2);
    console_set(&err);
  };
  MemFile f;
  f.data = records(3000, 76);
  f.fail_reads_from = 100000;
  RecordScan s;
  scan_begin(&s, &f, 76, "VKUSEHST.DAT");
  EXPECT_EXIT(
      {
        to_stderr();
        uint8_t rec[76];
        while (scan_next(&s, rec)) {}
      },
      ::testing::ExitedWithCode(1), "File read error \\(bad media\\)\\.\\.\\.");
  uint8_t rec[76];
  EXPECT_EXIT({ to_stderr(); rec_read_at(&f, 152000, rec, 76); }, ::testing::ExitedWithCode(1),
              "File read error");
}

TEST_F(RecFile, AppendsKeepLinksOnRecordBoundaries) {
  MemFile f;
  f.data.assign(76 * 2 + 5, 0x11);  // two records and a stray tail
  uint8_t rec[76] = {};
  int32_t at = -1;
  EXPECT_EQ(rec_end(&f, 76), 228);
  ASSERT_TRUE(rec_append(&f, rec, 76, &at));
  EXPECT_EQ(at, 228);
  EXPECT_EQ(f.data.size(), 304u);
  EXPECT_EQ(std::vector<uint8_t>(f.data.begin() + 152, f.data.begin() + 157), std::vector<uint8_t>(5, 0x11));

  // A full disk: the part written is taken back and the head stays.
  f.write_room = 30;
  int32_t head = 76;
  EXPECT_FALSE(chain_append(&f, rec, 76, 71, &head));
  EXPECT_EQ(head, 76);
  EXPECT_EQ(f.data.size(), 304u);
}

TEST_F(RecFile, UsageChainsRunNewestFirst) {
  MemFile inv, usage;
  InventoryRecord item;
  inventory_init(&item);
  std::strcpy(item.stock_number, "P-1");
  inv.data.assign(344 * 2, 0);
  inventory_encode(item, inv.data.data() + 344);
  for (const char* who : {"A", "B", "C"}) {
    UsageRecord u{};
    std::strcpy(u.customer_name, who);
    ASSERT_TRUE(inventory_add_usage(&inv, 344, &usage, &u));
  }
  UsageRecord stray{};
  EXPECT_FALSE(inventory_add_usage(&inv, 344 * 5, &usage, &stray));  // no such item
  EXPECT_EQ(usage.data.size(), 3u * 76);
  inventory_decode(inv.data.data() + 344, &item);
  EXPECT_EQ(item.usage_head, 152);
  EXPECT_EQ(item.receiving_head, -1);

  ChainWalk w;
  chain_setup(&w, &usage, 76, kUsageNextOffset, "VKUSEHST.DAT");
  chain_start(&w, item.usage_head, "P-1");
  std::string order;
  uint8_t rec[76];
  int32_t at;
  UsageRecord u;
  while (chain_next(&w, rec, &at)) {
    usage_decode(rec, &u);
    order += u.customer_name;
  }
  EXPECT_EQ(order, "CBA");
  EXPECT_EQ(u.next, -1);
  EXPECT_FALSE(w.broken);

  MemFile rcv;
  ReceivingRecord r{};
  r.po_number = 7;
  ASSERT_TRUE(inventory_add_receiving(&inv, 344, &rcv, &r));
  inventory_decode(inv.data.data() + 344, &item);
  EXPECT_EQ(item.receiving_head, 0);
  EXPECT_EQ(r.next, -1);
}

TEST_F(RecFile, DamagedLinksEndTheChain) {
  // Five 76-byte entries; each test sets the links and the head.
  MemFile f;
  f.data.assign(76 * 5, 0);
  auto link = [&](int from, int32_t to) { le_put_i32(f.data.data() + from * 76 + 71, to); };
  ChainWalk w;
  chain_setup(&w, &f, 76, 71, "VKUSEHST.DAT");
  auto walk = [&](int32_t head, const std::string& parent) {
    std::vector<int32_t> got;
    uint8_t rec[76];
    int32_t at;
    chain_start(&w, head, parent);
    while (chain_next(&w, rec, &at)) got.push_back(at);
    return got;
  };

  link(4, 152); link(2, 304);  // a loop: 304 -> 152 -> 304
  EXPECT_EQ(walk(304, "LOOPER"), (std::vector<int32_t>{304, 152}));
  EXPECT_TRUE(w.broken);
  EXPECT_NE(con_.transcript().find("VKUSEHST.DAT: the chain of LOOPER ends at a bad link (304)"),
            std::string::npos);
  // The marks are per walk: another parent may start where the last one looped.
  link(2, -1);
  EXPECT_EQ(walk(304, "NEXT"), (std::vector<int32_t>{304, 152}));
  EXPECT_FALSE(w.broken);

  link(1, 10);  // not on a record boundary
  EXPECT_EQ(walk(76, "ODD"), (std::vector<int32_t>{76}));
  EXPECT_TRUE(w.broken);
  link(1, 380);  // just past the end
  EXPECT_EQ(walk(76, "PAST"), (std::vector<int32_t>{76}));
  EXPECT_TRUE(w.broken);
  EXPECT_EQ(walk(-76, "NEGATIVE"), (std::vector<int32_t>{}));
  EXPECT_TRUE(w.broken);
  EXPECT_EQ(walk(-1, "EMPTY"), (std::vector<int32_t>{}));
  EXPECT_FALSE(w.broken);

  // A limit ends a long chain quietly.
  link(0, 76); link(1, 152); link(2, 228); link(3, 304); link(4, -1);
  w.limit = 3;
  EXPECT_EQ(walk(0, "LONG"), (std::vector<int32_t>{0, 76, 152}));
  EXPECT_FALSE(w.broken);
}

class Lookups : public DbTest {
 protected:
  void write_index(const std::vector<int32_t>& numbers) {
    std::vector<uint8_t> bytes;
    for (int32_t n : numbers) {
      WorkorderTag t;
      workorder_tag_clear(&t);
      t.number = n;
      t.invoice_offset = n % 20 == 0 ? -1 : n * 100;  // every other one open
      std::vector<uint8_t> b(290);
      workorder_tag_encode(t, b.data());
      bytes.insert(bytes.end(), b.begin(), b.end());
    }
    write_file("VKINCTAG.DAT", bytes);
  }
};

TEST_F(Lookups, WorkorderIndexBinarySearch) {
  WorkorderTag t;
  int32_t pos = 0;
  t.number = 10;
  EXPECT_EQ(find_workorder_tag(&t, &pos), -1);  // an empty index
  EXPECT_EQ(pos, -1);

  write_index({10, 15, 20, 25, 35, 45, 50});
  for (int32_t n : {10, 15, 20, 25, 35, 45, 50}) {
    t.number = n;
    int32_t result = find_workorder_tag(&t, &pos);
    EXPECT_GE(pos, 0) << n;
    EXPECT_EQ(pos % 290, 0);
    EXPECT_EQ(t.number, n);
    EXPECT_EQ(result, n % 20 == 0 ? -1 : n * 100);
    EXPECT_EQ(block_get(t.totals, kWoBlockDatePaid), -1);
  }
  t.number = 35;
  find_workorder_tag(&t, &pos);
  EXPECT_EQ(pos, 4 * 290);
  for (int32_t n : {5, 30, 55}) {
    t.number = n;
    EXPECT_EQ(find_workorder_tag(&t, &pos), -1);
    EXPECT_EQ(pos, -1);
  }

  // The purchase-order index works the same on 159-byte tags.
  std::vector<uint8_t> bytes;
  for (int32_t n : {1000, 1001, 1003}) {
    PurchaseOrderTag p;
    purchase_order_tag_clear(&p);
    p.number = n;
    p.order_offset = n - 1000;
    std::vector<uint8_t> b(159);
    purchase_order_tag_encode(p, b.data());
    bytes.insert(bytes.end(), b.begin(), b.end());
  }
  write_file("VKPURTAG.DAT", bytes);
  PurchaseOrderTag p;
  p.number = 1003;
  EXPECT_EQ(find_purchase_order_tag(&p, &pos), 3);
  EXPECT_EQ(pos, 2 * 159);
  p.number = 1002;
  EXPECT_EQ(find_purchase_order_tag(&p, &pos), -1);
}

TEST_F(Lookups, OpenListsAreSearchedChunkByChunk) {
  // 250 workorder entries: more than two chunks of 108. Entry 7 is blank.
  std::vector<uint8_t> list;
  for (int32_t i = 0; i < 250; i++) {
    WorkorderTag t;
    workorder_tag_clear(&t);
    t.number = 100 + i;
    OpenWorkorderEntry e;
    open_workorder_make(t, &e);
    std::vector<uint8_t> b(302, 0);
    if (i != 7) open_workorder_encode(e, b.data());
    list.insert(list.end(), b.begin(), b.end());
  }
  list.resize(list.size() + 100, 0);  // a stray tail is no entry
  write_file("VKOPENWO.DAT", list);
  OpenWorkorderEntry e;
  int32_t pos = -1;
  for (int32_t i : {0, 107, 108, 216, 249}) {
    e.tag.number = 100 + i;
    ASSERT_TRUE(find_open_workorder(&e, &pos)) << i;
    EXPECT_EQ(pos, i * 302);
    EXPECT_EQ(std::string(e.file_name), "W" + std::string(i + 100 < 1000 ? "0000" : "000") +
                                             std::to_string(100 + i) + ".DKT");
  }
  e.tag.number = 107;  // the blanked one
  EXPECT_FALSE(find_open_workorder(&e, &pos));
  e.tag.number = 0;
  ASSERT_TRUE(find_open_workorder(&e, &pos));
  EXPECT_EQ(pos, 7 * 302);

  // Purchase orders in chunks of 191: the first entry of the second chunk.
  list.clear();
  for (int32_t i = 0; i < 200; i++) {
    PurchaseOrderTag t;
    purchase_order_tag_clear(&t);
    t.number = i + 1;
    OpenPurchaseOrderEntry pe;
    open_purchase_order_make(t, &pe);
    std::vector<uint8_t> b(171);
    open_purchase_order_encode(pe, b.data());
    list.insert(list.end(), b.begin(), b.end());
  }
  write_file("VKOPENPO.DAT", list);
  OpenPurchaseOrderEntry pe;
  pe.tag.number = 192;
  ASSERT_TRUE(find_open_purchase_order(&pe, &pos));
  EXPECT_EQ(pos, 191 * 171);
  EXPECT_STREQ(pe.file_name, "I0000192.DKT");
  pe.tag.number = 500;
  EXPECT_FALSE(find_open_purchase_order(&pe, &pos));
}

}  // namespace
