#include "db/replace.h"

#include <unistd.h>

#include <filesystem>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db_fixture.h"

namespace {

// The system's Env, except that the process dies at a chosen rename, as a
// power cut would stop it there.
class CrashingEnv : public Env {
 public:
  explicit CrashingEnv(int die_at_rename) : left_(die_at_rename) {}
  File* open_exclusive(const std::string& p) override { return base()->open_exclusive(p); }
  File* open_read(const std::string& p) override { return base()->open_read(p); }
  bool exists(const std::string& p) override { return base()->exists(p); }
  bool remove(const std::string& p) override { return base()->remove(p); }
  bool rename(const std::string& from, const std::string& to) override {
    if (--left_ == 0) _exit(3);
    return base()->rename(from, to);
  }
  bool make_dir(const std::string& p) override { return base()->make_dir(p); }
  bool sync_dir(const std::string& d) override { return base()->sync_dir(d); }
  std::vector<std::string> find_files(const std::string& d, const std::string& p) override {
    return base()->find_files(d, p);
  }
  std::string actual_name(const std::string& d, const std::string& n) override {
    return base()->actual_name(d, n);
  }
  uint64_t free_physical_memory() override { return base()->free_physical_memory(); }
  LocalTime local_time() override { return base()->local_time(); }
  int64_t monotonic_ms() override { return base()->monotonic_ms(); }
  void sleep_ms(int ms) override { base()->sleep_ms(ms); }
  std::string current_dir() override { return base()->current_dir(); }

 private:
  static Env* base() { return env_default(); }
  int left_;
};

class Replace : public DbTest {
 protected:
  // Old and new contents of a file of the group.
  void prepare(const std::string& name, const std::string& old_text, const std::string& new_text) {
    write_file(name, old_text);
    write_file(replacement_name(name), new_text);
  }
  std::string text(const std::string& name) {
    auto b = read_file(name);
    return std::string(b.begin(), b.end());
  }
  // Runs a group swap in a second process that dies at the given rename
  // (the journal's own rename is the first); returns its exit status.
  int crash_during_swap(const std::vector<std::string>& names, int die_at_rename) {
    Helper h = start_helper([&](int, int) {
      static CrashingEnv crashing(die_at_rename);
      env_set(&crashing);
      _exit(replace_swap_group(names) ? 0 : 1);
    });
    return h.wait_exit();
  }
  const std::vector<std::string> group_{"VKUSEHST.DAT", "VKINVENT.DAT", "VKINVTAG.DAT"};
};

TEST_F(Replace, SwapPutsTheCopyInPlaceAndRefusesAMissingOne) {
  prepare("VKINVENT.DAT", "old", "new");
  EXPECT_TRUE(replace_swap("VKINVENT.DAT"));
  EXPECT_EQ(text("VKINVENT.DAT"), "new");
  EXPECT_FALSE(exists("VKINVENT.NEW"));
  EXPECT_FALSE(replace_swap("VKINVENT.DAT"));  // nothing to swap in
  EXPECT_EQ(text("VKINVENT.DAT"), "new");

  // The usual end of a rewrite, through the open handle.
  File* f = replace_open_new("VKCSTDAT.DAT");
  f->write("customers", 9);
  EXPECT_TRUE(replace_finish(f, "VKCSTDAT.DAT"));
  EXPECT_EQ(text("VKCSTDAT.DAT"), "customers");
}

TEST_F(Replace, NewCopiesStartEmptyAndFailedPassesLeaveNoCopy) {
  write_file("VKRCVLOG.DAT", "log");
  write_file("vkrcvlog.new", "leftover of a stopped run");  // any spelling
  File* f = replace_open_new("VKRCVLOG.DAT");
  EXPECT_EQ(f->size(), 0);
  f->write("half", 4);
  db_close(f);
  replace_discard("VKRCVLOG.DAT");
  EXPECT_FALSE(exists("VKRCVLOG.NEW"));
  EXPECT_FALSE(exists("vkrcvlog.new"));
  EXPECT_EQ(text("VKRCVLOG.DAT"), "log");

  // A copy whose data file is missing is its only copy: never deleted.
  write_file("VKPAYROL.NEW", "only copy");
  replace_discard(std::vector<std::string>{"VKPAYROL.DAT"});
  EXPECT_EQ(text("VKPAYROL.DAT"), "only copy");
  write_file("VKEMPLOY.NEW", "only copy too");
  db_close(replace_open_new("VKEMPLOY.DAT"));
  EXPECT_EQ(text("VKEMPLOY.DAT"), "only copy too");
  EXPECT_EQ(read_file("VKEMPLOY.NEW").size(), 0u);
}

TEST_F(Replace, GroupSwapsAsOne) {
  for (const auto& n : group_) prepare(n, "old " + n, "new " + n);
  EXPECT_TRUE(replace_swap_group(group_));
  for (const auto& n : group_) {
    EXPECT_EQ(text(n), "new " + n);
    EXPECT_FALSE(exists(replacement_name(n)));
  }
  EXPECT_FALSE(exists(kSwapJournalName));

  // One missing copy: nothing changes at all.
  for (const auto& n : group_) prepare(n, "old " + n, "new " + n);
  std::filesystem::remove(path("VKINVTAG.NEW"));
  EXPECT_FALSE(replace_swap_group(group_));
  EXPECT_EQ(text("VKUSEHST.DAT"), "old VKUSEHST.DAT");
  EXPECT_EQ(text("VKINVENT.DAT"), "old VKINVENT.DAT");
  EXPECT_FALSE(exists(kSwapJournalName));
}

TEST_F(Replace, AStopAfterTheJournalIsFinishedAtTheNextStart) {
  for (const auto& n : group_) prepare(n, "old " + n, "new " + n);
  // Renames: 1 the journal, 2 and 3 the first two files, 4 dies.
  EXPECT_EQ(crash_during_swap(group_, 4), 3);
  EXPECT_TRUE(exists(kSwapJournalName));
  EXPECT_EQ(text("VKUSEHST.DAT"), "new VKUSEHST.DAT");
  EXPECT_EQ(text("VKINVTAG.DAT"), "old VKINVTAG.DAT");  // half done

  db_startup_recover();
  for (const auto& n : group_) {
    EXPECT_EQ(text(n), "new " + n);
    EXPECT_FALSE(exists(replacement_name(n)));
  }
  EXPECT_FALSE(exists(kSwapJournalName));
  EXPECT_NE(con_.transcript().find("VKINVTAG.NEW put in place of VKINVTAG.DAT"), std::string::npos);
  EXPECT_EQ(con_.transcript().find("VKUSEHST.NEW put in place"), std::string::npos);

  // Finishing again changes nothing.
  db_startup_recover();
  EXPECT_EQ(text("VKINVTAG.DAT"), "new VKINVTAG.DAT");
}

TEST_F(Replace, AStopBeforeTheJournalLeavesTheOldFiles) {
  for (const auto& n : group_) prepare(n, "old " + n, "new " + n);
  EXPECT_EQ(crash_during_swap(group_, 1), 3);  // dies putting the journal in place
  EXPECT_TRUE(exists(kSwapJournalTempName));
  db_startup_recover();
  EXPECT_FALSE(exists(kSwapJournalTempName));
  for (const auto& n : group_) EXPECT_EQ(text(n), "old " + n);
}

TEST_F(Replace, StartupPutsOnlyCopiesOfMissingFilesInPlace) {
  write_file("VKUSEHST.NEW", "history");        // its data file is missing
  write_file("vkcsttag.new", "tags");           // the same, in lower case
  prepare("VKINVENT.DAT", "items", "newer");    // both there: left alone
  write_file("VKFOLLOW.QRY.NEW", "not a data file's copy");
  db_startup_recover();
  EXPECT_EQ(text("VKUSEHST.DAT"), "history");
  EXPECT_FALSE(exists("VKUSEHST.NEW"));
  EXPECT_EQ(env()->actual_name(dir_, "VKCSTTAG.DAT"), "VKCSTTAG.DAT");
  EXPECT_EQ(text("VKCSTTAG.DAT"), "tags");
  EXPECT_EQ(text("VKINVENT.DAT"), "items");
  EXPECT_EQ(text("VKINVENT.NEW"), "newer");
  EXPECT_FALSE(exists("VKFOLLOW.QRY"));
  EXPECT_NE(con_.transcript().find("VKUSEHST.DAT was missing: VKUSEHST.NEW put in its place"),
            std::string::npos);
}

TEST_F(Replace, ADamagedJournalIsDropped) {
  prepare("VKINVENT.DAT", "old", "new");
  write_file(kSwapJournalName, "VELKSHOP SWAP 1\nVKINVENT.NEW\tVKINVENT.DAT\nEND 2\n");
  db_startup_recover();
  EXPECT_FALSE(exists(kSwapJournalName));
  EXPECT_EQ(text("VKINVENT.DAT"), "old");
  // A journal may name only files of the data directory.
  write_file(kSwapJournalName, "VELKSHOP SWAP 1\nVKINVENT.NEW\t../VKINVENT.DAT\nEND 1\n");
  db_startup_recover();
  EXPECT_EQ(text("VKINVENT.DAT"), "old");
  EXPECT_FALSE(exists(kSwapJournalName));
}

}  // namespace
