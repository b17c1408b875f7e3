#include "db/dbfile.h"

#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>

#include "db/catalog.h"
#include "db_fixture.h"
#include "platform/console_plain.h"
#include "ui/settings.h"

namespace {

// A file whose lock answers are scripted, for the error classes that a real
// file cannot be made to give.
class ScriptedFile : public File {
 public:
  std::deque<LockResult> lock_answers;
  LockResult unlock_answer = LockResult::ok;
  bool flush_ok = true;
  int lock_calls = 0;
  int64_t pos = 0, length = 0;
  int64_t read(void*, size_t) override { return 0; }
  int64_t write(const void*, size_t n) override { return static_cast<int64_t>(n); }
  bool seek(int64_t o) override { pos = o; return true; }
  int64_t tell() override { return pos; }
  int64_t size() override { return length; }
  bool truncate_here() override { return true; }
  bool flush() override { return flush_ok; }
  LockResult lock(int64_t, int64_t) override {
    lock_calls++;
    if (lock_answers.empty()) return LockResult::ok;
    LockResult r = lock_answers.front();
    if (lock_answers.size() > 1) lock_answers.pop_front();
    return r;
  }
  LockResult unlock(int64_t, int64_t) override { return unlock_answer; }
};

// Messages of a death-test child go to stderr, where EXPECT_EXIT sees them.
void console_to_stderr() {
  static PlainConsole err(0, 2);
  console_set(&err);
}

bool free_for_others(const std::string& path, int64_t start, int64_t length) {
  int fd = raw_lock(path, start, length);
  if (fd < 0) return false;
  close(fd);
  return true;
}

using DbFile = DbTest;
using DbFileDeathTest = DbTest;

TEST_F(DbFile, CatalogNamesAndDataDirectory) {
  EXPECT_STREQ(catalog_name(F_VKINVENT), "VKINVENT.DAT");
  EXPECT_STREQ(catalog_name(F_VKPAYROL), "VKPAYROL.DAT");
  EXPECT_STREQ(catalog_name(F_CHECKLST), "CHECKLST.TXT");
  EXPECT_EQ(F_CHECKLST, kCatalogSize);
  EXPECT_STREQ(catalog_name(0), "");
  EXPECT_STREQ(catalog_name(34), "");

  EXPECT_EQ(replacement_name("VKINVENT.DAT"), "VKINVENT.NEW");
  EXPECT_EQ(replacement_name("vkcstdat.dat"), "vkcstdat.NEW");
  // A name without ".DAT" never gives the name itself.
  EXPECT_EQ(replacement_name("VKFOLLOW.QRY"), "VKFOLLOW.QRY.NEW");

  set_data_dir_from_program_path("/opt/shop/velktally");
  EXPECT_EQ(data_dir(), "/opt/shop/");
  set_data_dir_from_program_path("C:\\SHOP\\VELKTALLY.EXE");
  EXPECT_EQ(data_dir(), "C:\\SHOP\\");
  set_data_dir_from_program_path("velktally");
  EXPECT_EQ(data_dir(), "./");
  set_data_dir("/srv/data");
  EXPECT_EQ(data_path("VKINVENT.DAT"), "/srv/data/VKINVENT.DAT");
}

TEST_F(DbFile, OpenCreatesMissingFilesInTheDataDirectoryAndTakesLongPaths) {
  File* f = db_open("VKUSEHST.DAT", true);
  EXPECT_EQ(f->size(), 0);
  EXPECT_TRUE(exists("VKUSEHST.DAT"));
  db_close(f);

  std::string deep = dir_;
  for (int i = 0; i < 12; i++) deep += std::string(30, 'd') + "/";
  std::filesystem::create_directories(deep);
  ASSERT_GT(deep.size(), 260u);
  f = db_open(deep + "VKINVENT.DAT", false);
  EXPECT_EQ(f->write("abc", 3), 3);
  db_close(f);
  EXPECT_TRUE(std::filesystem::exists(deep + "VKINVENT.DAT"));
}

// The message of the layer stays; the line before it names the file and why.
TEST_F(DbFileDeathTest, OpenOfAFileHeldByAnotherProgramIsFatal) {
  File* held = db_open("VKINVENT.DAT", true);
  // The death test runs in a second process while this one holds the file.
  EXPECT_EXIT({ console_to_stderr(); db_open("VKINVENT.DAT", true); },
              ::testing::ExitedWithCode(1),
              "Cannot open " + dir_ + "VKINVENT\\.DAT: held open by another program\r\n"
              ".*File open error\\.\\.\\. \\(SHARE needs to be loaded\\.\\.\\.\\)");
  db_close(held);
  EXPECT_EXIT({ console_to_stderr(); db_open(dir_ + "no/such/dir/VKINVENT.DAT", false); },
              ::testing::ExitedWithCode(1), "VKINVENT\\.DAT: its folder does not exist.*File open error");
  std::filesystem::create_directories(dir_ + "VKCSTDAT.DAT");
  EXPECT_EXIT({ console_to_stderr(); db_open("VKCSTDAT.DAT", true); }, ::testing::ExitedWithCode(1),
              "VKCSTDAT\\.DAT: not a file");
}

TEST_F(DbFile, LockRegionsFollowTheFileKind) {
  write_file("VKINVTAG.DAT", std::vector<uint8_t>(1280));
  File* tags = db_open("VKINVTAG.DAT", true);
  tags->seek(0);
  EXPECT_EQ(db_lock(tags, 2, &lock_inventory_index), 0);
  EXPECT_EQ(lock_inventory_index.start, 0);
  EXPECT_EQ(lock_inventory_index.length, 3328);
  EXPECT_FALSE(free_for_others(path("VKINVTAG.DAT"), 3327, 1));
  EXPECT_TRUE(free_for_others(path("VKINVTAG.DAT"), 3328, 1));
  EXPECT_EQ(db_lock(tags, 0, &lock_inventory_index), 0);  // mode 0 unlocks
  EXPECT_TRUE(free_for_others(path("VKINVTAG.DAT"), 0, 3328));
  db_close(tags);

  File* empty = db_open("VKUSEHST.DAT", true);
  EXPECT_EQ(db_lock(empty, 2, &lock_usage), 0);
  EXPECT_EQ(lock_usage.length, 2048);
  db_unlock(empty, &lock_usage);
  db_close(empty);

  write_file("VKINVENT.DAT", std::vector<uint8_t>(344 * 5));
  File* inv = db_open("VKINVENT.DAT", true);
  inv->seek(688);
  EXPECT_EQ(db_lock(inv, 2, &lock_inventory), 0);
  EXPECT_EQ(lock_inventory.start, 688);
  EXPECT_EQ(lock_inventory.length, 344);
  EXPECT_TRUE(free_for_others(path("VKINVENT.DAT"), 0, 688));
  EXPECT_FALSE(free_for_others(path("VKINVENT.DAT"), 1031, 1));
  EXPECT_TRUE(free_for_others(path("VKINVENT.DAT"), 1032, 100));
  db_unlock(inv, &lock_inventory);
  EXPECT_TRUE(free_for_others(path("VKINVENT.DAT"), 688, 344));

  inv->seek(0);
  EXPECT_EQ(db_lock(inv, 2, &lock_vendor), 0);  // the vendor kind: size + 4096
  EXPECT_EQ(lock_vendor.length, 344 * 5 + 4096);
  db_unlock(inv, &lock_vendor);
  db_close(inv);
}

TEST_F(DbFile, RecordLockHeldByAnotherProcessWaitsUntilFree) {
  write_file("VKINVENT.DAT", std::vector<uint8_t>(344 * 4));
  std::string file = path("VKINVENT.DAT");
  Helper other = start_helper([file](int ready, int) {
    int fd = raw_lock(file, 688, 344);
    (void)!write(ready, "r", 1);
    usleep(300 * 1000);  // then gives the record up on its own
    close(fd);
  });
  other.wait_ready();
  WaitConsole waiting;
  console_set(&waiting);
  File* inv = db_open("VKINVENT.DAT", true);
  inv->seek(688);
  waiting.keys = {'x', 'y'};  // any other key keeps the wait going
  EXPECT_EQ(db_lock(inv, 2, &lock_inventory), 0);
  EXPECT_EQ(waiting.row_text(25).find("Inventory record in use... <esc> to continue"), 0u);
  EXPECT_FALSE(waiting.key_ready());
  console_set(&con_);
  db_unlock(inv, &lock_inventory);
  db_close(inv);
  EXPECT_EQ(other.wait_exit(), 0);
}

TEST_F(DbFile, EscGivesUpARecordWaitAndEmptiesTheKeyboard) {
  write_file("VKCSTDAT.DAT", std::vector<uint8_t>(317 * 2));
  std::string file = path("VKCSTDAT.DAT");
  Helper other = start_helper([file](int ready, int go) {
    int fd = raw_lock(file, 317, 317);
    (void)!write(ready, "r", 1);
    char c;
    (void)!read(go, &c, 1);
    close(fd);
  });
  other.wait_ready();
  File* cst = db_open("VKCSTDAT.DAT", true);
  cst->seek(317);
  con_.push_keys({KEY_ESC, 'a', 'b'});
  EXPECT_EQ(db_lock(cst, 2, &lock_customer), 1);
  EXPECT_NE(con_.row_text(25).find("Customer record in use... <esc> to continue"), std::string::npos);
  // The keys behind the ESC were flushed: the script is at its end.
  EXPECT_EQ(con_.read_key(), KEY_ESC);
  EXPECT_TRUE(con_.input_ended());
  other.release();
  EXPECT_EQ(other.wait_exit(), 0);
  db_close(cst);
}

TEST_F(DbFile, WholeFileLockWaitsSilentlyForAnotherProcess) {
  write_file("VKOPENWO.DAT", std::vector<uint8_t>(302));
  std::string file = path("VKOPENWO.DAT");
  Helper other = start_helper([file](int ready, int) {
    int fd = raw_lock(file, 0, 1);
    (void)!write(ready, "r", 1);
    usleep(200 * 1000);
    close(fd);
  });
  other.wait_ready();
  File* f = db_open("VKOPENWO.DAT", true);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(db_lock(f, 2, &lock_open_workorders), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
  EXPECT_EQ(con_.row_text(25), std::string(80, ' '));
  db_close(f);
  EXPECT_EQ(other.wait_exit(), 0);
}

TEST_F(DbFile, LockErrorClasses) {
  ScriptedFile f;
  f.lock_answers = {LockResult::not_supported};
  EXPECT_EQ(db_lock(&f, 2, &lock_inventory), 0);  // no locking: go on unlocked
  f.lock_answers = {LockResult::no_resources, LockResult::no_resources, LockResult::ok};
  EXPECT_EQ(db_lock(&f, 2, &lock_usage), 0);  // a whole file retries, beeping
  EXPECT_EQ(con_.warning_beeps(), 2);

  // A record lock without resources ends the wait; the program goes on.
  f.lock_answers = {LockResult::no_resources};
  con_.push_keys({'z'});  // not ESC: the wait ends on the lock's own answer
  EXPECT_EQ(db_lock(&f, 2, &lock_inventory), 1);
  EXPECT_EQ(con_.row_text(25).substr(0, 21), "Error Locking File...");
  // Asked again until granted, once the system has the resources.
  f.lock_answers = {LockResult::no_resources, LockResult::ok};
  f.lock_calls = 0;
  db_lock_retry(&f, &lock_inventory);
  EXPECT_EQ(f.lock_calls, 2);
}

TEST_F(DbFileDeathTest, HardLockFailuresAreFatal) {
  ScriptedFile f;
  EXPECT_EXIT({ console_to_stderr(); db_lock(&f, 1, &lock_inventory); },
              ::testing::ExitedWithCode(1), "Bad Locking Parameter\\.\\.\\.");
  f.lock_answers = {LockResult::error};
  EXPECT_EXIT({ console_to_stderr(); db_lock(&f, 2, &lock_receiving); },
              ::testing::ExitedWithCode(1), "Error Locking File\\.\\.\\.");
  // A record lock that the system refuses for ever is not asked again.
  EXPECT_EXIT({ console_to_stderr(); db_lock_retry(&f, &lock_workorder); },
              ::testing::ExitedWithCode(1), "Error Locking File\\.\\.\\.");
  f.flush_ok = false;
  EXPECT_EXIT({ console_to_stderr(); db_commit(&f); }, ::testing::ExitedWithCode(1),
              "File commit error\\.\\.\\.");
}

TEST_F(DbFileDeathTest, UnlockFailureNamesTheProgram) {
  ScriptedFile f;
  f.unlock_answer = LockResult::not_supported;
  EXPECT_EQ(db_unlock(&f, &lock_payroll), 0);
  f.unlock_answer = LockResult::error;
  EXPECT_EXIT({ console_to_stderr(); g_program = ProgramKind::prune; db_unlock(&f, &lock_payroll); },
              ::testing::ExitedWithCode(1), "dkt_ext: Unlock failed \\(You're hosed!!!\\)");
  EXPECT_EXIT({ console_to_stderr(); g_program = ProgramKind::tally; db_unlock(&f, &lock_payroll); },
              ::testing::ExitedWithCode(1), "velktally: Unlock failed \\(You're hosed!!!\\)");
  EXPECT_EXIT({ console_to_stderr(); g_program = ProgramKind::scrub; db_unlock(&f, &lock_payroll); },
              ::testing::ExitedWithCode(1), "(^|[\r\n])Unlock failed \\(You're hosed!!!\\)");
}

}  // namespace
