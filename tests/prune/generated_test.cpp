// The real velkprune on generated sample shops: what every pass keeps,
// checked against the old files; a full disk in every pass; kills at many
// points followed by the same purge.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/workorder.h"
#include "prune_fixture.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

const char* const kCutoffText = "07/01/2022";
const int32_t kCutoff = parse_date(kCutoffText);

PurgeKeys passes_up_to(int k) {
  PurgeKeys keys;
  keys.inventory = k >= 1;
  keys.customers = k >= 2;
  std::string* dates[] = {&keys.usage, &keys.receiving, &keys.payroll, &keys.workorders,
                          &keys.purchase_orders};
  for (int i = 0; i < 5; i++)
    if (k >= 3 + i) *dates[i] = kCutoffText;
  return keys;
}

// The children of a chain as the purge walks it: a link outside the file,
// off a record boundary or seen before ends it.
std::vector<std::vector<uint8_t>> guarded_chain(const std::vector<uint8_t>& file, int32_t head,
                                                size_t size, size_t next) {
  std::vector<std::vector<uint8_t>> out;
  std::set<int32_t> seen;
  for (int32_t link = head; link != -1 && out.size() < 100000;) {
    if (link < 0 || link % static_cast<int32_t>(size) != 0 ||
        static_cast<size_t>(link) + size > file.size() || !seen.insert(link).second)
      break;
    out.emplace_back(file.begin() + link, file.begin() + link + static_cast<ptrdiff_t>(size));
    link = le_get_i32(out.back().data() + next);
  }
  return out;
}

// Entries with their next links blanked, to compare chains by content.
std::vector<std::vector<uint8_t>> unlinked(std::vector<std::vector<uint8_t>> chain, size_t next) {
  for (auto& c : chain) std::memset(c.data() + next, 0, 4);
  return chain;
}

bool has_slash_c(const uint8_t* item) {
  return std::strstr(reinterpret_cast<const char*>(item), "/C") != nullptr;
}

class GeneratedTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_defaults(ProgramKind::prune); }
};

TEST_F(GeneratedTest, EveryPassKeepsWhatTheOldFilesSayItShould) {
  ShopDir old, dir;
  old.generate(7, 2.0);
  dir.copy_from(old);
  dir.install("velkprune");
  ProgramRun r = run_prune(dir, keys_text(passes_up_to(7)));
  ASSERT_EQ(r.status, 10) << r.output.substr(r.output.size() > 2000 ? r.output.size() - 2000 : 0);
  expect_consistent(dir);

  // Inventory: every item kept is an old item in use, in the old order,
  // and its usage and receiving chains are the old chains' entries from the
  // cut-off on (all of them for "/C"), in reverse order.
  std::vector<uint8_t> old_items = old.read("VKINVENT.DAT"), new_items = dir.read("VKINVENT.DAT");
  std::map<std::string, size_t> old_at;
  for (size_t at = 0; at + 344 <= old_items.size(); at += 344)
    old_at.emplace(std::string(reinterpret_cast<const char*>(old_items.data() + at), 336), at);
  ASSERT_EQ(new_items.size() % 344, 0u);
  ASSERT_GT(new_items.size(), 0u);
  size_t last_old = 0;
  std::vector<uint8_t> old_usage = old.read("VKUSEHST.DAT"), new_usage = dir.read("VKUSEHST.DAT");
  std::vector<uint8_t> old_rcv = old.read("VKRCVLOG.DAT"), new_rcv = dir.read("VKRCVLOG.DAT");
  for (size_t at = 0; at < new_items.size(); at += 344) {
    const uint8_t* item = new_items.data() + at;
    auto it = old_at.find(std::string(reinterpret_cast<const char*>(item), 336));
    ASSERT_NE(it, old_at.end()) << "item at " << at << " is not an old item";
    EXPECT_GE(it->second, last_old);
    last_old = it->second;
    EXPECT_EQ(item[335], 0);
    for (auto [head, file_old, file_new, size, next, date] :
         {std::tuple{336, &old_usage, &new_usage, size_t{76}, size_t{71}, size_t{25}},
          std::tuple{340, &old_rcv, &new_rcv, size_t{84}, size_t{80}, size_t{68}}}) {
      auto before = unlinked(guarded_chain(*file_old, le_get_i32(old_items.data() + it->second + head),
                                           size, next),
                             next);
      std::vector<std::vector<uint8_t>> want;
      for (auto e = before.rbegin(); e != before.rend(); ++e)
        if (has_slash_c(item) || le_get_i32(e->data() + date) >= kCutoff) want.push_back(*e);
      EXPECT_EQ(unlinked(walk_chain(*file_new, le_get_i32(item + head), size, next), next), want)
          << "chain at " << head << " of " << reinterpret_cast<const char*>(item);
    }
  }

  // Customers: the old ones with a number and a name, in order.
  std::vector<uint8_t> old_cust = old.read("VKCSTDAT.DAT");
  std::vector<CustomerRecord> kept = read_customers(dir);
  size_t k = 0;
  for (size_t at = 0; at + 317 <= old_cust.size(); at += 317) {
    CustomerRecord c;
    customer_decode(old_cust.data() + at, &c);
    if (static_cast<int32_t>(c.CustomerNumber) <= 0 || (!c.Lastname[0] && !c.Firstname[0])) continue;
    ASSERT_LT(k, kept.size());
    EXPECT_EQ(kept[k].CustomerNumber, c.CustomerNumber);
    EXPECT_EQ(std::string(kept[k].Lastname), std::string(c.Lastname));
    k++;
  }
  EXPECT_EQ(k, kept.size());
  EXPECT_EQ(read_customer_tags(dir).size(), kept.size());

  // Stored workorders: the old ones that are not void and whose paid, else
  // closed, else open date is on or after the cut-off.
  std::vector<int32_t> want_wo;
  std::vector<uint8_t> inv = old.read("VKINVOIC.DAT");
  for (size_t at = 0; at < inv.size();) {
    Workorder wo;
    wo_init(&wo);
    int64_t n = wo_parse(reinterpret_cast<const char*>(inv.data()) + at, inv.size() - at, &wo);
    wo_free(&wo);
    if (n <= 0) break;
    at += static_cast<size_t>(n);
    const WorkorderTotals& t = wo.totals;
    if (wo.Status != WO_VOID && document_cutoff_day(t.DateOpen, t.DateClosed, t.DatePaid) >= kCutoff)
      want_wo.push_back(static_cast<int32_t>(wo.WorkorderNumber));
  }
  EXPECT_EQ(stored_workorder_numbers(dir), want_wo);
  // Every open workorder file with a number is listed.
  std::set<std::string> listed;
  for (const auto& e : read_open_workorders(dir)) listed.insert(e.file_name);
  for (const std::string& name : dir.files())
    if (name[0] == 'W' && name.size() == 12 && name.substr(8) == ".DKT" && name != "W0000000.DKT") {
      EXPECT_TRUE(listed.count(name)) << name;
    }
}

// The files of an uninterrupted run after each number of passes, for the
// checks below: snapshot k holds the files after the first k passes.
class SnapshotTest : public GeneratedTest {
 protected:
  void make_snapshots(double scale) {
    master.generate(11, scale, true);
    TestDoc zero;
    zero.open = kCutoff;
    master.write("W0000000.DKT", workorder_text(zero));
    master.write("AU123.$$$", std::string("temp"));
    master.install("velkprune");
    run_prune(master, "\x1b");  // the settings file, as every later run has it
    for (int k = 0; k <= 7; k++) {
      ShopDir d;
      d.copy_from(master);
      if (k > 0) {
        ProgramRun r = run_prune(d, keys_text(passes_up_to(k)));
        ASSERT_EQ(r.status, 10) << k;
      }
      snapshots.push_back(comparable(d));
    }
  }
  // The data files, leaving out what a stopped run may leave beside them:
  // replacements, the run marker, temporary files, the number-0 workorder
  // file whose deletion follows its pass.
  static FileSet comparable(const ShopDir& d) {
    FileSet out;
    for (auto& [name, bytes] : data_files(d)) {
      if (name.find(".NEW") != std::string::npos || name == "VKPURGE.DAT" ||
          name.rfind("AU", 0) == 0 || name == "W0000000.DKT")
        continue;
      out.emplace_back(name, bytes);
    }
    return out;
  }
  // The snapshot a directory equals, -1 when none.
  int matching_snapshot(const ShopDir& d) {
    FileSet now = comparable(d);
    for (size_t k = 0; k < snapshots.size(); k++)
      if (now == snapshots[k]) return static_cast<int>(k);
    return -1;
  }
  ShopDir master;
  std::vector<FileSet> snapshots;
};

TEST_F(SnapshotTest, AFullDiskInAnyPassLeavesTheFilesAsBeforeThatPass) {
  make_snapshots(1.0);
  // For each pass alone: a file size limit that its biggest new file passes.
  struct Case {
    int pass;
    const char* file;
    int divisor;
  } cases[] = {{1, "VKINVENT.DAT", 2}, {2, "VKCSTDAT.DAT", 2}, {3, "VKINVENT.DAT", 2},
               {4, "VKINVENT.DAT", 2}, {5, "VKPAYROL.DAT", 4}, {6, "VKINVOIC.DAT", 4},
               {7, "VKPURCHA.DAT", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pass);
    ShopDir d;
    d.copy_from(master);
    PurgeKeys only = passes_up_to(c.pass);
    PurgeKeys one;
    std::string* from[] = {&only.usage, &only.receiving, &only.payroll, &only.workorders,
                           &only.purchase_orders};
    std::string* to[] = {&one.usage, &one.receiving, &one.payroll, &one.workorders,
                         &one.purchase_orders};
    one.inventory = c.pass == 1;
    one.customers = c.pass == 2;
    if (c.pass >= 3) *to[c.pass - 3] = *from[c.pass - 3];
    long limit = static_cast<long>(master.read(c.file).size() / c.divisor);
    ProgramRun r = run_prune(d, keys_text(one), limit);
    EXPECT_EQ(r.status, 1) << r.output.substr(r.output.size() > 500 ? r.output.size() - 500 : 0);
    EXPECT_NE(r.output.find("File write error (bad media / disk full)..."), std::string::npos);
    expect_same_files(data_files(d), data_files(master), "full disk");
  }

  // All passes with a limit that only the workorder pass's files pass:
  // the passes before it are in place, it and the next are not, and the
  // same purge with room again ends as one uninterrupted run.
  ShopDir d;
  d.copy_from(master);
  long limit = 0;
  for (const auto& [name, bytes] : snapshots[5]) {
    if (name != "VKINVOIC.DAT" && name != "VKPURCHA.DAT")
      limit = std::max(limit, static_cast<long>(bytes.size()) + 1);
  }
  for (const auto& [name, bytes] : snapshots[6]) {
    if (name == "VKINVOIC.DAT") {
      ASSERT_LT(limit, static_cast<long>(bytes.size()));
    }
  }
  ProgramRun r = run_prune(d, keys_text(passes_up_to(7)), limit);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(matching_snapshot(d), 5);
  r = run_prune(d, keys_text(passes_up_to(7)));
  EXPECT_EQ(r.status, 10);
  EXPECT_EQ(matching_snapshot(d), 7);
  EXPECT_FALSE(d.exists("W0000000.DKT"));
}

TEST_F(SnapshotTest, KilledAnywhereTheFilesAreWholeAndTheSamePurgeEndsAsOneRun) {
  make_snapshots(3.0);
  // How long one run takes, to spread the kills over it.
  ShopDir timing;
  timing.copy_from(master);
  auto t0 = std::chrono::steady_clock::now();
  run_prune(timing, keys_text(passes_up_to(7)));
  auto total = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - t0);

  std::set<int> reached;
  const int kKills = 8;
  for (int i = 1; i <= kKills; i++) {
    SCOPED_TRACE(i);
    ShopDir d;
    d.copy_from(master);
    pid_t pid = start_prune(d, keys_text(passes_up_to(7)));
    std::this_thread::sleep_for(total * i / (kKills + 1));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    // A purge that ended before its kill removed its run record, so the same
    // purge started again purges the purged files once more.
    const bool ended = WIFEXITED(status);

    // The next start of the program finishes or drops a swap half done;
    // then the files are those of some number of whole passes.
    ProgramRun look = run_prune(d, "");
    EXPECT_EQ(look.status, 10);
    int k = matching_snapshot(d);
    EXPECT_GE(k, 0) << "the files are not those of any number of whole passes";
    reached.insert(k);
    expect_consistent(d);
    if (ended) {
      EXPECT_EQ(k, 7);
      continue;
    }

    ProgramRun again = run_prune(d, keys_text(passes_up_to(7)));
    EXPECT_EQ(again.status, 10);
    expect_same_files(comparable(d), snapshots[7], "run again after a kill at " + std::to_string(k));
    EXPECT_FALSE(d.exists("W0000000.DKT"));
    EXPECT_FALSE(d.exists("AU123.$$$"));
  }
  // The kills landed at different points of the run (the timing is loose on
  // a busy machine, so only two are asked for).
  EXPECT_GE(reached.size(), 2u);
}

}  // namespace
