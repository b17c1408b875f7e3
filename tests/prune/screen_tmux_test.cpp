// The parameters screen of the real program in a real terminal (tmux), at
// 25 and at 50 lines: the layout, keys typed into it, the files afterwards.
// Skipped where tmux is missing.
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "prune_fixture.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

std::string shell(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    pclose(p);
  }
  return out;
}

class Tmux {
 public:
  Tmux()
      : socket_(testing::TempDir() + "velkprune_tmux_" + std::to_string(getpid()) + "_" +
                std::to_string(++count_)),
        tmux_("tmux -S '" + socket_ + "' ") {}
  ~Tmux() {
    std::system((tmux_ + "kill-server 2>/dev/null").c_str());
    unlink(socket_.c_str());
  }
  bool start(const std::string& dir, int lines) {
    std::string cmd = "cd " + dir + " && ./velkprune; echo EXIT=\\$?; sleep 60";
    // A server starting beside other tests' servers can die at once; ask again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (std::system((tmux_ + "new-session -d -x 80 -y " + std::to_string(lines) + " \"" + cmd +
                       "\" 2>/dev/null")
                          .c_str()) == 0 &&
          std::system((tmux_ + "has-session 2>/dev/null").c_str()) == 0)
        return true;
      std::system((tmux_ + "kill-server 2>/dev/null").c_str());
      usleep(200000);
    }
    return false;
  }
  void keys(const std::string& names) { std::system((tmux_ + "send-keys " + names).c_str()); }
  std::vector<std::string> screen() {
    std::vector<std::string> rows;
    std::istringstream in(shell(tmux_ + "capture-pane -p 2>/dev/null"));
    for (std::string line; std::getline(in, line);) rows.push_back(line);
    return rows;
  }
  bool wait_for(const std::string& text) {
    for (int i = 0; i < 100; i++) {
      for (const std::string& row : screen())
        if (row.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  static inline int count_ = 0;
  std::string socket_, tmux_;
};

class ScreenTmuxTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is missing";
    settings_defaults(ProgramKind::prune);
    write_small_shop(dir, parse_date("01/01/2020"));
    dir.install("velkprune");
  }
  ShopDir dir;
};

TEST_P(ScreenTmuxTest, FormLaidOutAndKeysPurge) {
  const int lines = GetParam();
  const int k = lines >= 50 ? 2 : 1;
  Tmux t;
  ASSERT_TRUE(t.start(dir.path(), lines));
  ASSERT_TRUE(t.wait_for("Purge P.O.'s Before Date")) << "the form did not show";
  std::vector<std::string> rows = t.screen();
  ASSERT_GE(rows.size(), static_cast<size_t>(20 * k));
  EXPECT_NE(rows[1].find("Purge Old Data"), std::string::npos) << rows[1];
  auto row = [&](int r) { return rows[static_cast<size_t>(r * k - 1)]; };
  EXPECT_EQ(row(5).rfind("Warning : It is recommended that you", 0), 0u) << row(5);
  EXPECT_EQ(row(6).rfind("backup BEFORE you purge anything!!!", 0), 0u);
  EXPECT_EQ(row(7).rfind("Network users : LOG EVERYONE OFF!!!", 0), 0u);
  EXPECT_EQ(row(9).rfind("Purge Inventory             :", 0), 0u);
  EXPECT_EQ(row(10).rfind("Purge Customers / Vehicles  :", 0), 0u);
  EXPECT_EQ(row(12).rfind("Purge Usage Before Date     :", 0), 0u);
  EXPECT_EQ(row(14).rfind("Purge Receiving Before Date :", 0), 0u);
  EXPECT_EQ(row(16).rfind("Purge Payroll Before Date   :", 0), 0u);
  EXPECT_EQ(row(18).rfind("Purge Workorders Before Date:", 0), 0u);
  EXPECT_EQ(row(20).rfind("Purge P.O.'s Before Date    :", 0), 0u);
  bool prompt = false;
  for (const std::string& r : rows)
    prompt |= r.find("F10-start report, TAB-next field, ESC-cancel") != std::string::npos;
  EXPECT_TRUE(prompt);

  // Inventory off, customers on, usage before 01/01/2020, then F10.
  FileSet before = data_files(dir);
  t.keys("Tab Y 0 1 / 0 1 / 2 0 2 0");
  ASSERT_TRUE(t.wait_for("01/01/2020"));
  t.keys("F10");
  ASSERT_TRUE(t.wait_for("EXIT=10")) << "the purge did not end";
  EXPECT_TRUE(t.wait_for("Purge complete..."));

  auto bytes_of = [](const FileSet& set, const std::string& name) {
    for (const auto& [n, b] : set)
      if (n == name) return b;
    return std::vector<uint8_t>{};
  };
  FileSet after = data_files(dir);
  EXPECT_EQ(bytes_of(after, "VKINVENT.DAT").size(), bytes_of(before, "VKINVENT.DAT").size());
  EXPECT_LT(bytes_of(after, "VKUSEHST.DAT").size(), bytes_of(before, "VKUSEHST.DAT").size());
  EXPECT_LT(bytes_of(after, "VKCSTDAT.DAT").size(), bytes_of(before, "VKCSTDAT.DAT").size());
  EXPECT_EQ(bytes_of(after, "VKPAYROL.DAT"), bytes_of(before, "VKPAYROL.DAT"));
}

INSTANTIATE_TEST_SUITE_P(Lines, ScreenTmuxTest, ::testing::Values(25, 50));

}  // namespace
