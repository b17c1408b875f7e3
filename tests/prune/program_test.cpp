// The real velkprune on hand-made data directories, keys piped in.
#include <filesystem>

#include "db/bytes.h"
#include "prune_fixture.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

const int32_t kCutoff = parse_date("01/01/2020");

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_defaults(ProgramKind::prune);
    dir.install("velkprune");
  }
  FileSet files() { return data_files(dir); }
  ShopDir dir;
};

PurgeKeys all_passes() {
  PurgeKeys k;
  k.inventory = k.customers = true;
  k.usage = k.receiving = k.payroll = k.workorders = k.purchase_orders = "01/01/2020";
  return k;
}

TEST_F(ProgramTest, UsageRequestsPrintTheUsageAndTouchNothing) {
  for (std::string arg : {"/?", "-x", "?"}) {
    ProgramRun r = run_prune(dir, "", 0, {"word", arg});
    EXPECT_EQ(r.status, 0) << arg;
    // Arguments are echoed from the last one down.
    EXPECT_EQ(r.output.rfind(arg + "\r\n\r\nUsage:\r\nVELKPRUNE   <-- Purge VELK index files...\r\n",
                             0),
              0u)
        << r.output;
    EXPECT_TRUE(files().empty());
  }
  // In a folder without a shop database nothing is made: not even the
  // settings file.
  ProgramRun r = run_prune(dir, "", 0, {"hello"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "hello\r\nNo shop database in " + dir.path() + "...\r\n");
  EXPECT_TRUE(files().empty());
  // A plain word is echoed and the screen opens; the end of the input
  // leaves it with nothing purged.
  write_small_shop(dir, kCutoff);
  r = run_prune(dir, "", 0, {"hello"});
  EXPECT_EQ(r.status, 10);
  EXPECT_EQ(r.output.rfind("hello\r\n", 0), 0u);
  EXPECT_NE(r.output.find("Purge Old Data"), std::string::npos);
  EXPECT_EQ(r.output.substr(r.output.size() - 19), "Purge complete...\r\n");
}

// Output to a file or pipe is text: the screen's rows as lines in UTF-8,
// the form once, each value typed once, no spinner, no escapes.
TEST_F(ProgramTest, RedirectedOutputIsReadableText) {
  write_small_shop(dir, kCutoff);
  PurgeKeys k;
  k.usage = k.receiving = "01/01/2020";
  ProgramRun r = run_prune(dir, keys_text(k));
  ASSERT_EQ(r.status, 10) << r.output;
  const std::string& out = r.output;
  EXPECT_EQ(out.rfind("\u2554\u2550\u2550", 0), 0u) << out;  // the box's first row, in UTF-8
  EXPECT_NE(out.find("\u2557\r\n\u2551 Your Company Name Here..."), std::string::npos);
  EXPECT_NE(out.find("Purge P.O.'s Before Date    : \r\n"
                     "F10-start report, TAB-next field, ESC-cancel\r\n"
                     "Purge Usage Before Date     : 01/01/2020\r\n"
                     "Purge Receiving Before Date : 01/01/2020\r\n"
                     "This could take a while...\r\n"
                     "Purging Usage... \r\n"
                     "Purging Receiving... \r\n"),
            std::string::npos)
      << out;
  size_t shown = 0;
  for (size_t at = 0; (at = out.find("Purge Usage Before Date", at)) != std::string::npos; ++at)
    ++shown;
  EXPECT_EQ(shown, 2u);  // the form, then the value typed
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_TRUE(out[i] != '\r' || (i + 1 < out.size() && out[i + 1] == '\n')) << "bare CR at " << i;
    ASSERT_TRUE(out[i] != '\b' && out[i] != '\x1b' && out[i] != '\a') << "control byte at " << i;
  }
  EXPECT_LT(out.size(), 1500u);
}

// A warning a pass prints is given again, with the count, once the screen
// that scrolled it away has been cleared.
TEST_F(ProgramTest, WarningsOfThePassesAreGivenAgainAtTheEnd) {
  write_small_shop(dir, kCutoff);
  std::vector<uint8_t> invoices = dir.read("VKINVOIC.DAT");
  TestDoc twice;
  twice.number = 10;
  twice.status = 2;
  twice.open = twice.closed = twice.paid = kCutoff + 1;
  std::string doc = workorder_text(twice);
  invoices.insert(invoices.end(), doc.begin(), doc.end());
  dir.write("VKINVOIC.DAT", invoices);
  PurgeKeys k;
  k.workorders = "01/01/2020";
  ProgramRun r = run_prune(dir, keys_text(k));
  ASSERT_EQ(r.status, 10) << r.output;
  const std::string warning =
      "Workorder 0000010 is stored twice: the later one has no index entry\r\n";
  size_t during = r.output.find(warning);
  ASSERT_NE(during, std::string::npos) << r.output;
  // The small shop's workorder index also holds an entry past the end of the
  // invoice file: two warnings, in the order they came.
  EXPECT_TRUE(r.output.ends_with(
      "2 warnings in this run:\r\n"
      "1 entry of VKINCTAG.DAT pointed past the end of VKINVOIC.DAT and was dropped\r\n" +
      warning + "Purge complete...\r\n"))
      << r.output;
}

TEST_F(ProgramTest, NothingSelectedOrEscapeChangesNothing) {
  write_small_shop(dir, kCutoff);
  dir.write("AU000001.$$$", std::string("temp"));
  run_prune(dir, "\x1b");  // creates the settings file once
  FileSet before = files();
  ProgramRun r = run_prune(dir, keys_text(PurgeKeys{}));
  EXPECT_EQ(r.status, 10);
  EXPECT_NE(r.output.find("No purge parameters selected..."), std::string::npos);
  EXPECT_EQ(r.output.find("This could take a while..."), std::string::npos);
  expect_same_files(files(), before, "no parameters");

  PurgeKeys esc = all_passes();
  esc.end = "\x1b" "Y";  // ESC, then Y to the abandon question
  r = run_prune(dir, keys_text(esc));
  EXPECT_EQ(r.status, 10);
  EXPECT_NE(r.output.find("Abandon changes ? (Y/N/ESC) : "), std::string::npos);
  expect_same_files(files(), before, "abandoned");
}

TEST_F(ProgramTest, AllPassesRunInOrderAndLeaveAConsistentShop) {
  write_small_shop(dir, kCutoff);
  dir.write("AU000001.$$$", std::string("temp"));
  dir.write("au2.$$$", std::string("temp"));
  ProgramRun r = run_prune(dir, keys_text(all_passes()));
  ASSERT_EQ(r.status, 10) << r.output;
  size_t at = 0;
  for (const char* step : {"This could take a while...", "Purging Inventory... ",
                           "Purging Customers... ", "Purging Usage... ", "Purging Receiving... ",
                           "Purging workorders...", "Purging purchase orders...",
                           "Purge complete...", "\r\nPurge complete...\r\n"}) {
    size_t found = r.output.find(step, at);
    ASSERT_NE(found, std::string::npos) << step << " in " << r.output;
    at = found;
  }
  EXPECT_FALSE(dir.exists("AU000001.$$$"));
  EXPECT_FALSE(dir.exists("au2.$$$"));
  for (const auto& [name, bytes] : files())
    EXPECT_EQ(name.find(".NEW"), std::string::npos) << name;
  expect_consistent(dir);

  // What each pass left.
  EXPECT_EQ(read_items(dir).size(), 5u);                 // the deleted item went
  EXPECT_EQ(dir.read("VKUSEHST.DAT").size(), 5 * 76u);   // one new entry per item kept
  EXPECT_EQ(dir.read("VKRCVLOG.DAT").size(), 5 * 84u);
  EXPECT_EQ(read_customers(dir).size(), 4u);             // number 0 went
  EXPECT_EQ(dir.read("VKVEHICL.DAT").size(), 4 * 397u);  // empty vehicles and number 0's went
  EXPECT_EQ(dir.read("VKPAYROL.DAT").size(), 3 * 2 * 303u);
  EXPECT_EQ(stored_workorder_numbers(dir), (std::vector<int32_t>{2, 6, 8, 10, 12}));
  EXPECT_EQ(read_workorder_tags(dir).size(), 6u);        // and open workorder 50
  EXPECT_FALSE(dir.exists("W0000000.DKT"));
  EXPECT_TRUE(dir.exists("W0000050.DKT"));
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path() + "DELETED")->path().filename().string().substr(0, 9),
            "W0000000_");
  EXPECT_EQ(stored_po_numbers(dir), (std::vector<int32_t>{2, 6, 8, 10, 12}));  // 4 is void
  ASSERT_EQ(read_open_pos(dir).size(), 1u);
  EXPECT_STREQ(read_open_pos(dir)[0].file_name, "I0000000.DKT");

  // Nothing is left to resume once every pass is done: the same purge
  // started again runs in full (each chain comes out turned around once
  // more) and leaves no run record either.
  EXPECT_FALSE(dir.exists("VKPURGE.DAT"));
  FileSet once = files();
  r = run_prune(dir, keys_text(all_passes()));
  EXPECT_EQ(r.status, 10);
  EXPECT_EQ(r.output.find("already purged"), std::string::npos) << r.output;
  EXPECT_FALSE(dir.exists("VKPURGE.DAT"));
  EXPECT_NE(dir.read("VKPAYROL.DAT"), once[std::find_if(once.begin(), once.end(), [](const auto& f) {
                                                return f.first == "VKPAYROL.DAT";
                                              }) - once.begin()].second);
  expect_consistent(dir);
}

TEST_F(ProgramTest, OnlyTheChosenPassRuns) {
  write_small_shop(dir, kCutoff);
  dir.write("AU000001.$$$", std::string("temp"));
  run_prune(dir, "\x1b");
  FileSet before = files();
  PurgeKeys k;
  k.purchase_orders = "01/01/2020";
  ProgramRun r = run_prune(dir, keys_text(k));
  ASSERT_EQ(r.status, 10) << r.output;
  EXPECT_EQ(r.output.find("Purging workorders..."), std::string::npos);
  // On the bottom line, and once more after the screen (and the warning of
  // the index entry past the end of VKPURCHA.DAT).
  EXPECT_NE(r.output.find("Purge complete...\r\n1 warning in this run:\r\n"), std::string::npos)
      << r.output;
  EXPECT_TRUE(r.output.ends_with("and was dropped\r\nPurge complete...\r\n")) << r.output;
  FileSet after = files();
  for (const auto& [name, bytes] : before) {
    bool po_file = name == "VKPURCHA.DAT" || name == "VKPURTAG.DAT" || name == "VKOPENPO.DAT";
    if (name == "AU000001.$$$") continue;
    auto it = std::find_if(after.begin(), after.end(), [&](const auto& f) { return f.first == name; });
    ASSERT_NE(it, after.end()) << name;
    EXPECT_EQ(it->second != bytes, po_file) << name;
  }
  EXPECT_FALSE(dir.exists("AU000001.$$$"));
}

TEST_F(ProgramTest, AFullDiskStopsTheRunWithTheOldFilesOfThatPassAndExitOne) {
  write_small_shop(dir, kCutoff);
  // Make the workorder file large enough that its copy cannot be written.
  std::string invoices;
  std::vector<uint8_t> old = dir.read("VKINVOIC.DAT");
  invoices.assign(old.begin(), old.end());
  for (uint32_t n = 100; n < 400; n++) {
    TestDoc d;
    d.number = n;
    d.status = 2;
    d.open = d.closed = d.paid = kCutoff + 1;
    invoices += workorder_text(d);
  }
  dir.write("VKINVOIC.DAT", invoices);
  dir.write("VKINCTAG.DAT", std::string());  // no old index entries to check
  dir.write("VKPURTAG.DAT", std::string());
  run_prune(dir, "\x1b");
  FileSet before = files();
  ShopDir straight;
  straight.copy_from(dir);
  ASSERT_EQ(run_prune(straight, keys_text(all_passes())).status, 10);

  ProgramRun r = run_prune(dir, keys_text(all_passes()), static_cast<long>(invoices.size() / 2));
  EXPECT_EQ(r.status, 1) << r.output;
  // The message stays on the screen given back.
  EXPECT_NE(r.output.rfind("File write error (bad media / disk full)...\r\n"), std::string::npos);
  EXPECT_EQ(r.output.find("Purge complete..."), std::string::npos);
  EXPECT_TRUE(dir.exists("VKPURGE.DAT"));  // the passes before it are recorded as done
  for (const auto& [name, bytes] : files()) EXPECT_EQ(name.find(".NEW"), std::string::npos) << name;
  for (const char* name : {"VKINVOIC.DAT", "VKINCTAG.DAT", "VKOPENWO.DAT", "W0000000.DKT",
                           "VKPURCHA.DAT", "VKPURTAG.DAT", "VKOPENPO.DAT"}) {
    auto it = std::find_if(before.begin(), before.end(), [&](const auto& f) { return f.first == name; });
    ASSERT_NE(it, before.end());
    EXPECT_EQ(dir.read(name), it->second) << name;
  }
  expect_consistent(dir);

  // With room again the same purge finishes without doing the passes
  // done again, and ends with the files of one uninterrupted run.
  r = run_prune(dir, keys_text(all_passes()));
  EXPECT_EQ(r.status, 10) << r.output;
  EXPECT_NE(r.output.find("Inventory: already purged with these choices"), std::string::npos);
  expect_same_files(files(), data_files(straight), "resumed run");
}

// A settings file made again from the defaults in a shop that holds
// workorders is named with its counters after the screen is given back; old
// index entries past the end of a document file cut short are counted.
TEST_F(ProgramTest, AMissingSettingsFileAndACutDocumentFileAreReported) {
  write_small_shop(dir, kCutoff);
  const std::string notice =
      "VKSYSTEM.DAT was missing or empty: the default settings were written\r\n"
      "Check the next numbers: workorder 1, estimate 1, purchase order 1,\r\n"
      "customer 1, employee 1 (velkconf, Other System Parameters)\r\n"
      "Purge complete...\r\n";
  ProgramRun r = run_prune(dir, "\x1b");
  EXPECT_NE(r.output.find(notice), std::string::npos) << r.output;
  r = run_prune(dir, "\x1b");
  EXPECT_EQ(r.output.find("VKSYSTEM.DAT was missing"), std::string::npos) << "said only once";

  const int32_t end = static_cast<int32_t>(dir.read("VKINVOIC.DAT").size());
  std::string index;
  for (int32_t offset : {0, -1, end, end + 100}) {
    std::string entry(290, '\0');
    le_put_i32(reinterpret_cast<uint8_t*>(entry.data()), 1);
    le_put_i32(reinterpret_cast<uint8_t*>(entry.data()) + 286, offset);
    index += entry;
  }
  dir.write("VKINCTAG.DAT", index);
  PurgeKeys k;
  k.workorders = "01/01/2020";
  r = run_prune(dir, keys_text(k));
  EXPECT_EQ(r.status, 10) << r.output;
  EXPECT_NE(r.output.find("2 entries of VKINCTAG.DAT pointed past the end of VKINVOIC.DAT and "
                          "were dropped\r\n"),
            std::string::npos)
      << r.output;
}

}  // namespace
