// The usage-history, receiving-log and payroll passes: chains rebuilt by
// date, kept entries in reverse order, new heads only in the new parent file.
#include <cstring>

#include "db/bytes.h"
#include "prune_fixture.h"
#include "ui/dates.h"

namespace {

const int32_t kCutoff = parse_date("01/01/2020");
const int32_t kOld = kCutoff - 10;
const int32_t kNew = kCutoff + 10;

class HistoryPassTest : public PassTest {
 protected:
  ChainImage usage{{}, kUsageRecordSize, kUsageNextOffset};
  ChainImage receiving{{}, kReceivingRecordSize, kReceivingNextOffset};
  std::vector<uint8_t> items;

  // An item with usage entries (date, workorder) and receiving entries
  // (date, po), oldest first.
  void add_item(const char* stock, const std::vector<std::pair<int32_t, int32_t>>& uses,
                const std::vector<std::pair<int32_t, int32_t>>& receipts) {
    InventoryRecord r = make_item(stock);
    std::vector<std::vector<uint8_t>> u, c;
    for (auto [d, n] : uses) u.push_back(encode_usage(make_usage(stock, d, n)));
    for (auto [d, n] : receipts) c.push_back(encode_receiving(make_receiving(stock, d, n)));
    r.usage_head = usage.add_chain(u);
    r.receiving_head = receiving.add_chain(c);
    std::vector<uint8_t> b = encode_item(r);
    items.insert(items.end(), b.begin(), b.end());
  }
  void write() {
    dir.write("VKINVENT.DAT", items);
    dir.write("VKUSEHST.DAT", usage.bytes);
    dir.write("VKRCVLOG.DAT", receiving.bytes);
    dir.write("VKINVTAG.DAT", std::string("index bytes left alone"));
  }
  std::vector<int32_t> chain_numbers(size_t item, bool receipts) {
    std::vector<uint8_t> inv = dir.read("VKINVENT.DAT");
    size_t head_at = item * 344 + (receipts ? 340 : 336);
    std::vector<int32_t> out;
    if (receipts) {
      for (const auto& e : walk_chain(dir.read("VKRCVLOG.DAT"), le_get_i32(inv.data() + head_at),
                                      kReceivingRecordSize, kReceivingNextOffset))
        out.push_back(le_get_i32(e.data() + 64));
    } else {
      for (const auto& e : walk_chain(dir.read("VKUSEHST.DAT"), le_get_i32(inv.data() + head_at),
                                      kUsageRecordSize, kUsageNextOffset))
        out.push_back(le_get_i32(e.data() + 21));
    }
    return out;
  }
};

TEST_F(HistoryPassTest, UsageKeepsEntriesFromTheCutoffOnInReverseAndAllOfSlashC) {
  add_item("A-1", {{kOld, 1}, {kCutoff, 2}, {kOld, 3}, {kNew, 4}}, {{kOld, 50}});
  add_item("B/C2", {{kOld, 5}, {kOld, 6}}, {});
  add_item("C-1", {{kOld, 7}}, {});
  add_item("D-1", {}, {});
  write();
  std::vector<uint8_t> before = dir.read("VKINVENT.DAT");
  // As stored, newest first: 4, 3, 2, 1.
  ASSERT_EQ(chain_numbers(0, false), (std::vector<int32_t>{4, 3, 2, 1}));

  ASSERT_EQ(usage_pass(&run, kCutoff), PassEnd::done);
  EXPECT_EQ(chain_numbers(0, false), (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(chain_numbers(1, false), (std::vector<int32_t>{5, 6}));
  EXPECT_TRUE(chain_numbers(2, false).empty());
  EXPECT_TRUE(chain_numbers(3, false).empty());
  EXPECT_EQ(dir.read("VKUSEHST.DAT").size(), 4 * kUsageRecordSize);
  // Only the usage heads changed; the receiving log and the index are untouched.
  std::vector<uint8_t> after = dir.read("VKINVENT.DAT");
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); i++) {
    if (i % 344 < 336 || i % 344 >= 340) {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(chain_numbers(0, true), (std::vector<int32_t>{50}));
  EXPECT_EQ(dir.read("VKINVTAG.DAT").size(), 22u);
}

TEST_F(HistoryPassTest, ReceivingGoesTheSameWayAndAllKeptChainsComeOutReversed) {
  add_item("A-1", {{kOld, 1}}, {{kNew, 10}, {kNew, 11}, {kNew, 12}});
  add_item("X/C", {}, {{kOld, 20}, {kNew, 21}});
  add_item("Z-9", {}, {{kOld, 30}});
  write();
  ASSERT_EQ(receiving_pass(&run, kCutoff), PassEnd::done);
  EXPECT_EQ(chain_numbers(0, true), (std::vector<int32_t>{10, 11, 12}));  // was 12, 11, 10
  EXPECT_EQ(chain_numbers(1, true), (std::vector<int32_t>{20, 21}));
  EXPECT_TRUE(chain_numbers(2, true).empty());
  EXPECT_EQ(chain_numbers(0, false), (std::vector<int32_t>{1}));  // usage untouched
  expect_consistent(dir);
}

TEST_F(HistoryPassTest, BadLinkEndsTheChainAndNamesTheItem) {
  add_item("LOOP-1", {{kNew, 1}, {kNew, 2}}, {});
  add_item("ODD-1", {{kNew, 3}}, {});
  le_put_i32(usage.bytes.data() + kUsageNextOffset, 76);  // entry 1 points at entry 2: a loop
  le_put_i32(items.data() + 344 + 336, 77);                // off a record boundary
  write();
  ASSERT_EQ(usage_pass(&run, kCutoff), PassEnd::done);
  EXPECT_EQ(chain_numbers(0, false), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(chain_numbers(1, false).empty());
  EXPECT_NE(con.transcript().find("LOOP-1"), std::string::npos);
  EXPECT_NE(con.transcript().find("ODD-1"), std::string::npos);
}

TEST_F(PassTest, PayrollChainsKeepTheirEntriesFromTheCutoffOnAndTheEmployeeBytes) {
  ChainImage pay{{}, kPayrollEntrySize, kPayrollNextOffset};
  std::vector<uint8_t> employees;
  int32_t h1 = pay.add_chain({payroll_entry(kOld, 1), payroll_entry(kNew, 2),
                              payroll_entry(kCutoff, 3)});
  int32_t h2 = pay.add_chain({payroll_entry(kOld, 4)});
  for (auto e : {employee(0x11, h1), employee(0x22, h2), employee(0x33, -1)})
    employees.insert(employees.end(), e.begin(), e.end());
  dir.write("VKEMPLOY.DAT", employees);
  dir.write("VKPAYROL.DAT", pay.bytes);

  ASSERT_EQ(payroll_pass(&run, kCutoff), PassEnd::done);
  std::vector<uint8_t> emp = dir.read("VKEMPLOY.DAT");
  std::vector<uint8_t> payroll = dir.read("VKPAYROL.DAT");
  ASSERT_EQ(emp.size(), employees.size());
  EXPECT_EQ(0, std::memcmp(emp.data(), employees.data(), 195));
  auto fills = [&](size_t e) {
    std::vector<int> out;
    for (const auto& p : walk_chain(payroll, le_get_i32(emp.data() + e * 199 + 195),
                                    kPayrollEntrySize, kPayrollNextOffset))
      out.push_back(p[100]);
    return out;
  };
  EXPECT_EQ(fills(0), (std::vector<int>{2, 3}));  // stored 3, 2, 1
  EXPECT_TRUE(fills(1).empty());
  EXPECT_TRUE(fills(2).empty());
  EXPECT_EQ(payroll.size(), 2 * kPayrollEntrySize);
}

}  // namespace
