// velktally on generated sample databases: the history it writes is exactly
// the part lines of the stored workorders (in index order) and then of the
// open ones (in list order), each chain sound; a run killed half-way and run
// again ends with the same files as a run never stopped.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "docs/workorder.h"
#include "tally_e2e/tally_shop.h"

namespace {

std::string key_of(const char* stock) {
  char key[64];
  size_t n = inventory_key(stock, std::strlen(stock), key);
  return std::string(key, n);
}

struct Expected {
  // Workorder numbers of each item's chain, oldest first, by record offset.
  std::map<int32_t, std::vector<int32_t>> chains;
  size_t entries = 0;
  int32_t inventory_end = 0;  // size of the inventory file after the run
};

// Works out the usage history a rebuild must leave, from the documents.
Expected expected_history(const ShopDir& dir, bool recover) {
  Expected ex;
  std::map<std::string, int32_t> items;  // key -> record offset, first record wins
  int32_t offset = 0;
  for (const InventoryRecord& r : read_inventory(dir)) {
    if (!r.deleted && r.stock_number[0]) items.emplace(key_of(r.stock_number), offset);
    offset += static_cast<int32_t>(kInventoryRecordSize);
  }
  ex.inventory_end = offset;

  auto take = [&](const char* bytes, size_t len) {
    Workorder wo;
    wo_parse(bytes, len, &wo);
    for (const PartLine* p = wo.parts; p; p = p->next) {
      if (!p->stock_number[0]) continue;
      auto it = items.find(key_of(p->stock_number));
      if (it == items.end()) {
        if (!recover) continue;
        it = items.emplace(key_of(p->stock_number), ex.inventory_end).first;
        ex.inventory_end += static_cast<int32_t>(kInventoryRecordSize);
      }
      ex.chains[it->second].push_back(static_cast<int32_t>(wo.WorkorderNumber));
      ex.entries++;
    }
    wo_free(&wo);
  };

  std::vector<uint8_t> invoice = dir.read("VKINVOIC.DAT");
  for (const auto& rec : split_records(dir.read("VKINCTAG.DAT"), kWorkorderTagSize)) {
    WorkorderTag t;
    workorder_tag_decode(rec.data(), &t);
    if (t.invoice_offset < 0 || static_cast<size_t>(t.invoice_offset) >= invoice.size()) continue;
    take(reinterpret_cast<const char*>(invoice.data()) + t.invoice_offset,
         invoice.size() - static_cast<size_t>(t.invoice_offset));
  }
  for (const auto& rec : split_records(dir.read("VKOPENWO.DAT"), kOpenWorkorderEntrySize)) {
    OpenWorkorderEntry e;
    open_workorder_decode(rec.data(), &e);
    std::string name(e.file_name, strnlen(e.file_name, sizeof e.file_name));
    if (name.empty() || !dir.exists(name)) continue;
    std::vector<uint8_t> doc = dir.read(name);
    take(reinterpret_cast<const char*>(doc.data()), doc.size());
  }
  return ex;
}

// Checks the files a run left against the expectation: every chain sound and
// exactly as expected, every entry on one chain, records not in use as they
// were, the index sorted and pointing at its records.
void check_history(const ShopDir& dir, const Expected& ex,
                   const std::vector<InventoryRecord>& before) {
  std::vector<InventoryRecord> inv = read_inventory(dir);
  std::vector<UsageRecord> usage = read_usage(dir);
  ASSERT_EQ(dir.read("VKUSEHST.DAT").size(), ex.entries * kUsageRecordSize);
  ASSERT_EQ(static_cast<int32_t>(inv.size() * kInventoryRecordSize), ex.inventory_end);

  size_t linked = 0, in_use = 0;
  for (size_t i = 0; i < inv.size(); i++) {
    const InventoryRecord& r = inv[i];
    int32_t offset = static_cast<int32_t>(i * kInventoryRecordSize);
    if (i < before.size()) {
      EXPECT_EQ(r.receiving_head, before[i].receiving_head) << i;
    }
    if (r.deleted || !r.stock_number[0]) {
      ASSERT_LT(i, before.size());
      EXPECT_EQ(r.usage_head, before[i].usage_head) << "record not in use at " << offset;
      continue;
    }
    in_use++;
    bool sound;
    std::string problem;
    std::vector<int32_t> chain = walk_usage_chain(usage, r.usage_head, &sound, &problem);
    ASSERT_TRUE(sound) << r.stock_number << ": " << problem;
    std::vector<int32_t> numbers;
    for (int32_t at : chain) {
      const UsageRecord& u = usage[static_cast<size_t>(at) / kUsageRecordSize];
      ASSERT_EQ(key_of(u.stock_number), key_of(r.stock_number));
      numbers.insert(numbers.begin(), u.workorder_number);
    }
    auto it = ex.chains.find(offset);
    EXPECT_EQ(numbers, it == ex.chains.end() ? std::vector<int32_t>{} : it->second)
        << r.stock_number;
    linked += chain.size();
  }
  EXPECT_EQ(linked, usage.size());

  std::vector<InventoryTag> index = read_inventory_index(dir);
  ASSERT_EQ(index.size(), in_use);
  for (size_t i = 0; i < index.size(); i++) {
    if (i > 0) {
      ASSERT_LT(inventory_key_compare(index[i - 1].stock_number, index[i].stock_number), 0)
          << index[i - 1].stock_number << " / " << index[i].stock_number;
    }
    size_t rec = static_cast<size_t>(index[i].record_offset) / kInventoryRecordSize;
    ASSERT_LT(rec, inv.size());
    EXPECT_STREQ(inv[rec].stock_number, index[i].stock_number);
  }
}

RunResult run_tally(ShopDir& dir, const std::vector<std::string>& args = {}) {
  RunResult r = dir.run("velktally", args);
  EXPECT_EQ(r.status, 10) << r.output;
  EXPECT_TRUE(ends_with(r.output, kUsageSet));
  return r;
}

struct Shop {
  uint64_t seed;
  double scale;
  bool clean;
  bool recover;
};

class TallyGenerated : public ::testing::TestWithParam<Shop> {};

TEST_P(TallyGenerated, HistoryIsThePartLinesOfEveryWorkorder) {
  const Shop& p = GetParam();
  ShopDir dir;
  dir.generate(p.seed, p.scale, p.clean);
  dir.install("velktally");
  std::vector<InventoryRecord> before = read_inventory(dir);
  Expected ex = expected_history(dir, p.recover);
  ASSERT_GT(ex.entries, 0u);

  RunResult r = run_tally(dir, p.recover ? std::vector<std::string>{"/REBUILD"}
                                         : std::vector<std::string>{});
  check_history(dir, ex, before);
  if (!p.recover) {
    EXPECT_EQ(r.output.find("rebuilt:"), std::string::npos);
  }

  // A second run over its own result changes nothing.
  std::vector<uint8_t> usage = dir.read("VKUSEHST.DAT");
  std::vector<uint8_t> inventory = dir.read("VKINVENT.DAT");
  std::vector<uint8_t> index = dir.read("VKINVTAG.DAT");
  run_tally(dir, p.recover ? std::vector<std::string>{"/REBUILD"} : std::vector<std::string>{});
  EXPECT_TRUE(dir.read("VKUSEHST.DAT") == usage);
  EXPECT_TRUE(dir.read("VKINVENT.DAT") == inventory);
  EXPECT_TRUE(dir.read("VKINVTAG.DAT") == index);
}

INSTANTIATE_TEST_SUITE_P(Shops, TallyGenerated,
                         ::testing::Values(Shop{1, 0.5, true, false}, Shop{2, 0.8, false, false},
                                           Shop{3, 0.8, false, true}));

// Killed while it rebuilds the history, then run again: the same files as a
// run that was never stopped.
TEST(TallyInterrupted, NewRunAfterAKillGivesTheSameFiles) {
  ShopDir whole, killed;
  whole.generate(5, 3.0);
  killed.copy_from(whole);
  whole.install("velktally");
  killed.install("velktally");
  run_tally(whole);

  bool stopped = false;
  for (int attempt = 0; attempt < 5 && !stopped; attempt++) {
    pid_t pid = killed.start("velktally");
    // The new history file appears when the rebuild starts.
    for (int i = 0; i < 20000 && !killed.exists("VKUSEHST.NEW"); i++) usleep(100);
    usleep(static_cast<useconds_t>(attempt * 2000));
    kill(pid, SIGKILL);
    RunResult r = killed.wait(pid);
    stopped = r.signal == SIGKILL;
  }
  EXPECT_TRUE(stopped) << "velktally always finished before it could be stopped";

  run_tally(killed);
  ASSERT_EQ(killed.files(), whole.files());
  for (const std::string& name : whole.files())
    EXPECT_TRUE(killed.read(name) == whole.read(name)) << name;
}

}  // namespace
