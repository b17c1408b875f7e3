// Files of the POSIX Env: exclusive opens, byte-range locks across handles and
// processes, names matched without regard to case, directory searches.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/env.h"

namespace {

class EnvFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velk_env_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  void touch(const std::string& name, const std::string& text = "") {
    std::ofstream(dir_ + name, std::ios::binary) << text;
  }
  std::unique_ptr<File> open_x(const std::string& name) {
    return std::unique_ptr<File>(env()->open_exclusive(dir_ + name));
  }

  // Runs fn in a child process and returns its exit status.
  template <class Fn>
  static int in_child(Fn fn) {
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string dir_;
};

TEST_F(EnvFiles, ExclusiveOpenShutsOutOtherOpensUntilClosed) {
  auto f = open_x("VKSYSTEM.DAT");
  ASSERT_TRUE(f);
  EXPECT_FALSE(open_x("VKSYSTEM.DAT")) << "second open in the same process";
  EXPECT_EQ(env()->open_failure(), OpenFailure::held);
  EXPECT_FALSE(open_x("vksystem.dat")) << "same file under another case";
  std::string path = dir_ + "VKSYSTEM.DAT";
  EXPECT_EQ(in_child([&] { return env()->open_exclusive(path) ? 1 : 0; }), 0)
      << "another process must not open it";
  f.reset();
  EXPECT_TRUE(open_x("VKSYSTEM.DAT"));
  EXPECT_EQ(in_child([&] { return env()->open_exclusive(path) ? 0 : 1; }), 0);
}

TEST_F(EnvFiles, ExclusiveOpenFailsInMissingDirectoryAndOnDirectory) {
  EXPECT_FALSE(env()->open_exclusive(dir_ + "NODIR/VKSYSTEM.DAT"));
  EXPECT_EQ(env()->open_failure(), OpenFailure::no_folder);
  ASSERT_TRUE(env()->make_dir(dir_ + "SUB"));
  EXPECT_FALSE(env()->open_exclusive(dir_ + "SUB"));
  EXPECT_EQ(env()->open_failure(), OpenFailure::not_a_file);
  EXPECT_FALSE(env()->open_read(dir_ + "SUB"));
  EXPECT_FALSE(env()->open_read(dir_ + "MISSING.DAT"));
  EXPECT_FALSE(env()->exists(dir_ + "MISSING.DAT")) << "open_read must not create";
}

// One holder at a time; released when deleted or when its holder dies;
// nothing is left in the directory.
TEST_F(EnvFiles, DirectoryLockHasOneHolderAndLeavesNothing) {
  LockResult r = LockResult::error;
  std::unique_ptr<DirLock> lock(env()->lock_dir(dir_, &r));
  ASSERT_TRUE(lock);
  EXPECT_FALSE(env()->lock_dir(dir_, &r)) << "a second handle";
  EXPECT_EQ(r, LockResult::held);
  lock.reset();
  std::string dir = dir_;
  EXPECT_EQ(in_child([&] { return env()->lock_dir(dir, &r) ? 0 : 1; }), 0);  // dies holding it
  lock.reset(env()->lock_dir(dir_, &r));
  EXPECT_TRUE(lock);
  EXPECT_TRUE(env()->find_files(dir_, "*").empty());
}

TEST_F(EnvFiles, ReadWriteSeekTruncate) {
  auto f = open_x("DATA.DAT");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->size(), 0);
  EXPECT_EQ(f->write("abcdefghij", 10), 10);
  EXPECT_EQ(f->tell(), 10);
  ASSERT_TRUE(f->seek(4));
  char buf[16] = {};
  EXPECT_EQ(f->read(buf, sizeof buf), 6);
  EXPECT_EQ(std::string(buf, 6), "efghij");
  EXPECT_EQ(f->read(buf, sizeof buf), 0) << "end of file";
  ASSERT_TRUE(f->seek(3));
  ASSERT_TRUE(f->truncate_here());
  EXPECT_EQ(f->size(), 3);
  EXPECT_TRUE(f->flush());
  EXPECT_FALSE(f->seek(-1));
  // Writing past the end leaves a hole that reads as zeros.
  ASSERT_TRUE(f->seek(6));
  EXPECT_EQ(f->write("Z", 1), 1);
  ASSERT_TRUE(f->seek(0));
  EXPECT_EQ(f->read(buf, sizeof buf), 7);
  EXPECT_EQ(std::string(buf, 7), std::string("abc\0\0\0Z", 7));
}

TEST_F(EnvFiles, LockHeldByAnotherHandleOrProcess) {
  touch("VKINVENT.DAT", std::string(2000, 'x'));
  auto f = open_x("VKINVENT.DAT");
  ASSERT_TRUE(f);
  ASSERT_EQ(f->lock(688, 344), LockResult::ok);

  // Another handle of this process (opened without exclusivity) conflicts on
  // an overlapping region only.
  std::unique_ptr<File> r(env()->open_read(dir_ + "VKINVENT.DAT"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->lock(1031, 1), LockResult::held);
  EXPECT_EQ(r->lock(600, 100), LockResult::held);
  EXPECT_EQ(r->lock(1032, 344), LockResult::ok);
  EXPECT_EQ(r->unlock(1032, 344), LockResult::ok);

  std::string path = dir_ + "VKINVENT.DAT";
  auto child_lock = [&] {
    std::unique_ptr<File> c(env()->open_read(path));
    if (!c) return 9;
    return static_cast<int>(c->lock(688, 344));
  };
  EXPECT_EQ(in_child(child_lock), static_cast<int>(LockResult::held));
  EXPECT_EQ(f->unlock(688, 344), LockResult::ok);
  EXPECT_EQ(in_child(child_lock), static_cast<int>(LockResult::ok));

  // Closing the handle releases its locks.
  ASSERT_EQ(f->lock(0, 4048), LockResult::ok);
  EXPECT_EQ(r->lock(0, 1), LockResult::held);
  f.reset();
  EXPECT_EQ(r->lock(0, 1), LockResult::ok);
}

TEST_F(EnvFiles, LockRegionsOfEmptyFile) {
  auto f = open_x("VKUSEHST.DAT");
  ASSERT_TRUE(f);
  // A whole-file lock on an empty file covers bytes past the end.
  EXPECT_EQ(f->lock(0, 2048), LockResult::ok);
  std::unique_ptr<File> r(env()->open_read(dir_ + "VKUSEHST.DAT"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->lock(2047, 1), LockResult::held);
  EXPECT_EQ(r->lock(2048, 1), LockResult::ok);
  // An empty region locks nothing (it must not become "to the end").
  EXPECT_EQ(f->lock(5000, 0), LockResult::ok);
  EXPECT_EQ(r->lock(6000, 10), LockResult::ok);
  EXPECT_EQ(f->lock(-1, 10), LockResult::error);
}

TEST_F(EnvFiles, NamesMatchWithoutRegardToCase) {
  touch("vkinvent.dat", "lower");
  auto f = open_x("VKINVENT.DAT");
  ASSERT_TRUE(f);
  char buf[8] = {};
  EXPECT_EQ(f->read(buf, 8), 5) << "the existing lower-case file is opened";
  f.reset();
  EXPECT_FALSE(std::ifstream(dir_ + "VKINVENT.DAT").good()) << "no second file created";
  EXPECT_EQ(env()->actual_name(dir_, "VKINVENT.DAT"), "vkinvent.dat");
  EXPECT_EQ(env()->actual_name(dir_, "VKINVTAG.DAT"), "VKINVTAG.DAT");
  EXPECT_TRUE(env()->exists(dir_ + "VkInVeNt.DaT"));

  // A new file gets the spelling it is given.
  ASSERT_TRUE(open_x("VKINVTAG.DAT"));
  EXPECT_TRUE(std::ifstream(dir_ + "VKINVTAG.DAT").good());

  // Rename over an existing lower-case target replaces it, not a twin.
  touch("VKINVENT.NEW", "new");
  ASSERT_TRUE(env()->rename(dir_ + "VKINVENT.NEW", dir_ + "VKINVENT.DAT"));
  EXPECT_EQ(env()->find_files(dir_, "VKINVENT.*"), std::vector<std::string>{"vkinvent.dat"});
  EXPECT_TRUE(env()->remove(dir_ + "VKINVENT.DAT"));
  EXPECT_FALSE(env()->exists(dir_ + "vkinvent.dat"));
  EXPECT_TRUE(env()->remove(dir_ + "VKINVENT.DAT")) << "a missing file is gone already";

  // Directory parts match as well, and backslashes separate.
  ASSERT_TRUE(env()->make_dir(dir_ + "deleted"));
  EXPECT_TRUE(env()->make_dir(dir_ + "DELETED"));
  ASSERT_TRUE(open_x("DELETED\\W0000001.DKT"));
  EXPECT_TRUE(std::ifstream(dir_ + "deleted/W0000001.DKT").good());
  EXPECT_TRUE(env()->sync_dir(dir_ + "DELETED"));
}

TEST_F(EnvFiles, FindFilesByPatternInCaseInsensitiveOrder) {
  for (const char* n : {"W0000010.DKT", "w0000002.dkt", "W0000001.DKT", "W_9.DKT", "WX.TXT", "AU1.$$$",
                        "au2.$$$", "VKINVOIC.DAT", "X.DKT"})
    touch(n);
  ASSERT_TRUE(env()->make_dir(dir_ + "W0000003.DKT"));  // directories are not listed
  std::vector<std::string> w = {"W0000001.DKT", "w0000002.dkt", "W0000010.DKT", "W_9.DKT"};
  EXPECT_EQ(env()->find_files(dir_, "W*.DKT"), w);
  EXPECT_EQ(env()->find_files(dir_, "w*.dkt"), w);
  EXPECT_EQ(env()->find_files(dir_, "AU*.$$$"), (std::vector<std::string>{"AU1.$$$", "au2.$$$"}));
  EXPECT_EQ(env()->find_files(dir_, "W000000?.DKT"), (std::vector<std::string>{"W0000001.DKT", "w0000002.dkt"}));
  EXPECT_EQ(env()->find_files(dir_, "*.*").size(), 9u);
  EXPECT_TRUE(env()->find_files(dir_, "*.BAK").empty());
  EXPECT_TRUE(env()->find_files(dir_ + "NOPE/", "*.*").empty());
}

TEST_F(EnvFiles, LongPathsHaveNoFixedLimit) {
  std::string sub = dir_;
  for (int i = 0; i < 12; ++i) {
    sub += std::string(30, static_cast<char>('A' + i)) + "/";
    ASSERT_TRUE(env()->make_dir(sub));
  }
  ASSERT_GT(sub.size(), 300u);
  auto f = std::unique_ptr<File>(env()->open_exclusive(sub + "VKSYSTEM.DAT"));
  ASSERT_TRUE(f);
  EXPECT_EQ(env()->find_files(sub, "VK*.DAT"), std::vector<std::string>{"VKSYSTEM.DAT"});
}

TEST(EnvMisc, ClocksMemoryAndDirectory) {
  Env* e = env();
  EXPECT_GT(e->free_physical_memory(), 0u);
  int64_t t0 = e->monotonic_ms();
  e->sleep_ms(20);
  EXPECT_GE(e->monotonic_ms() - t0, 19);
  LocalTime lt = e->local_time();
  EXPECT_GE(lt.year, 2000);
  EXPECT_TRUE(lt.month >= 1 && lt.month <= 12 && lt.day >= 1 && lt.day <= 31);
  EXPECT_TRUE(lt.millisecond >= 0 && lt.millisecond < 1000);
  std::string cwd = e->current_dir();
  ASSERT_FALSE(cwd.empty());
  EXPECT_EQ(cwd.back(), '/');
}

TEST(EnvMisc, InstalledEnvReplacesDefaultUntilReset) {
  Env* sys = env();
  EXPECT_EQ(sys, env_default());
  struct Fake : Env {
    File* open_exclusive(const std::string&) override { return nullptr; }
    File* open_read(const std::string&) override { return nullptr; }
    bool exists(const std::string&) override { return true; }
    bool remove(const std::string&) override { return true; }
    bool rename(const std::string&, const std::string&) override { return true; }
    bool make_dir(const std::string&) override { return true; }
    bool sync_dir(const std::string&) override { return true; }
    std::vector<std::string> find_files(const std::string&, const std::string&) override { return {}; }
    std::string actual_name(const std::string&, const std::string& n) override { return n; }
    uint64_t free_physical_memory() override { return 1; }
    LocalTime local_time() override { return {}; }
    int64_t monotonic_ms() override { return 0; }
    void sleep_ms(int) override {}
    std::string current_dir() override { return "/"; }
  } fake;
  EXPECT_EQ(env_set(&fake), sys);
  EXPECT_EQ(env(), &fake);
  EXPECT_EQ(env_set(nullptr), &fake);
  EXPECT_EQ(env(), sys);
}

}  // namespace
