// The parameters screen of the real program in a real terminal (tmux), at
// several window sizes: the layout, keys typed into it, the files afterwards;
// a window too low, a stop and continue from the shell, a dumb terminal.
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
  // Runs the command (velkprune in dir by default) in a window of that size.
  bool start(const std::string& dir, int lines, int columns = 80, std::string cmd = "") {
    if (cmd.empty()) cmd = "cd " + dir + " && ./velkprune; echo EXIT=\\$?; sleep 60";
    // A server starting beside other tests' servers can die at once; ask again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (std::system((tmux_ + "new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(lines) + " \"" + cmd +
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

struct Window {
  int columns, lines;
  bool doubled;
};

class ScreenTmuxTest : public ::testing::TestWithParam<Window> {
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
  const int lines = GetParam().lines;
  const int k = GetParam().doubled ? 2 : 1;
  Tmux t;
  ASSERT_TRUE(t.start(dir.path(), lines, GetParam().columns));
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
  ASSERT_EQ(rows.size(), static_cast<size_t>(lines));
  EXPECT_EQ(rows.back().rfind("F10-start report, TAB-next field, ESC-cancel", 0), 0u) << rows.back();

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

// Rows are doubled only where the doubled form (42 lines) fits above the
// status line.
INSTANTIATE_TEST_SUITE_P(Windows, ScreenTmuxTest,
                         ::testing::Values(Window{80, 25, false}, Window{100, 30, false},
                                           Window{80, 42, false}, Window{80, 43, true},
                                           Window{80, 50, true}));

TEST_F(ScreenTmuxTest, AWindowTooLowIsSaidBeforeAnythingIsTouched) {
  FileSet before = data_files(dir);
  Tmux t;
  ASSERT_TRUE(t.start(dir.path(), 20));
  ASSERT_TRUE(t.wait_for("EXIT=1"));
  bool said = false;
  for (const std::string& row : t.screen())
    said |= row.find("The screen has 20 lines; this program needs at least 22.") != std::string::npos;
  EXPECT_TRUE(said);
  expect_same_files(data_files(dir), before, "window too low");
}

// Ctrl+Z gives the terminal back to the shell; after fg the screen is drawn
// again and keys act at once. Ctrl+C leaves the cursor below the form and
// the terminal as the shell had it.
TEST_F(ScreenTmuxTest, StopAndContinueFromTheShell) {
  if (std::system("command -v bash >/dev/null 2>&1") != 0) GTEST_SKIP() << "bash is missing";
  Tmux t;
  ASSERT_TRUE(t.start(dir.path(), 25, 80, "env PS1=READY: bash --norc --noprofile -i"));
  ASSERT_TRUE(t.wait_for("READY:"));
  t.keys("'cd " + dir.path() + " && ./velkprune' Enter");
  ASSERT_TRUE(t.wait_for("F10-start report"));
  t.keys("Tab");
  t.keys("C-z");
  ASSERT_TRUE(t.wait_for("Stopped"));
  t.keys("fg Enter");
  // The screen, scrolled by the shell's lines, is drawn again in its place.
  std::vector<std::string> rows;
  for (int i = 0; i < 100; ++i) {
    rows = t.screen();
    if (rows.size() == 25 && rows[1].find("Purge Old Data") != std::string::npos &&
        rows[24].rfind("F10-start report", 0) == 0)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_NE(rows[1].find("Purge Old Data"), std::string::npos) << rows[1];
  EXPECT_EQ(rows[24].rfind("F10-start report", 0), 0u) << rows[24];
  t.keys("Y");
  ASSERT_TRUE(t.wait_for("Purge Customers / Vehicles  : Y")) << "keys do not act after fg";

  t.keys("C-c");
  ASSERT_TRUE(t.wait_for("READY:"));
  rows = t.screen();
  EXPECT_EQ(rows[24].rfind("READY:", 0), 0u) << rows[24];
  t.keys("'stty -a | grep -c -w -e -icanon -e -echo; echo COO\"\"KED' Enter");
  ASSERT_TRUE(t.wait_for("COOKED"));
  bool cooked = false;
  rows = t.screen();
  for (size_t i = 1; i < rows.size(); ++i) cooked |= rows[i] == "COOKED" && rows[i - 1] == "0";
  EXPECT_TRUE(cooked);
}

// A dumb terminal gets the text lines a file gets; its keys come line by
// line, as the terminal sends them.
TEST_F(ScreenTmuxTest, ADumbTerminalGetsPlainLines) {
  Tmux t;
  ASSERT_TRUE(t.start(dir.path(), 25, 80,
                      "cd " + dir.path() + " && TERM=dumb ./velkprune; echo EXIT=\\$?; sleep 60"));
  ASSERT_TRUE(t.wait_for("F10-start report"));
  t.keys("Escape Enter");
  ASSERT_TRUE(t.wait_for("EXIT=10"));
  std::vector<std::string> rows = t.screen();
  // One line after the other from the top, nothing placed on the screen.
  EXPECT_NE(rows[0].find("\u2554\u2550"), std::string::npos) << rows[0];
  EXPECT_EQ(rows[3].rfind("Warning : It is recommended that you", 0), 0u) << rows[3];
  EXPECT_EQ(rows[6].rfind("Purge Inventory             :", 0), 0u) << rows[6];
  EXPECT_EQ(rows[13].rfind("F10-start report", 0), 0u) << rows[13];
}

}  // namespace
