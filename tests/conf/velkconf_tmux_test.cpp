// velkconf in a real terminal: tmux runs it, keys are sent with send-keys
// and the screen is read back with capture-pane; then the files are checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ui/passwords.h"
#include "ui/settings.h"

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

class VelkconfTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    program_ = fs::path(VELK_BIN_DIR) / "velkconf";
    if (!fs::exists(program_)) GTEST_SKIP() << "velkconf is not built";
    char tmpl[] = "/tmp/velk-conf-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    // The data directory is the program's own: run it through a link there.
    fs::create_symlink(program_, dir_ / "velkconf");
    socket_ = "velkconf-test-" + std::to_string(getpid());
  }
  void TearDown() override {
    if (!socket_.empty()) run(tmux() + " kill-server 2>/dev/null");
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::string tmux() const { return "tmux -L " + socket_; }
  void start(int lines, int columns = 80) {
    // A tmux server starting while other tests start theirs can die at once
    // ("server exited unexpectedly"); the session is then asked for again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      run(tmux() + " kill-server 2>/dev/null");
      run(tmux() + " new-session -d -s conf -x " + std::to_string(columns) + " -y " +
          std::to_string(lines) + " '" +
          (dir_ / "velkconf").string() + "; echo EXIT=$?; sleep 60' 2>/dev/null");
      if (system((tmux() + " has-session -t conf 2>/dev/null").c_str()) == 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  void send(const std::string& keys) {
    run(tmux() + " send-keys -t conf " + keys);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  std::string screen() { return run(tmux() + " capture-pane -p -t conf"); }
  // Waits until the screen shows text; false after five seconds.
  bool wait_for(const std::string& text) {
    for (int i = 0; i < 100; ++i) {
      if (screen().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::string line(int n) {
    std::string s = screen();
    size_t pos = 0;
    for (int i = 1; i < n && pos != std::string::npos; ++i) {
      pos = s.find('\n', pos);
      if (pos != std::string::npos) ++pos;
    }
    if (pos == std::string::npos) return std::string();
    return s.substr(pos, s.find('\n', pos) - pos);
  }
  SettingsRecord settings() {
    std::ifstream in(dir_ / "VKSYSTEM.DAT", std::ios::binary);
    std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(b.size(), kSettingsRecordSize);
    b.resize(kSettingsRecordSize);
    SettingsRecord s{};
    settings_decode(b.data(), &s);
    return s;
  }

  fs::path program_, dir_;
  std::string socket_;
};

TEST_F(VelkconfTerminal, MenuScreensPasswordGuardAndTallWindow) {
  // Started where there is no shop database, it makes none.
  start(25);
  ASSERT_TRUE(wait_for("EXIT=1")) << screen();
  EXPECT_NE(screen().find("No shop database in " + dir_.string() + "/..."), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "VKSYSTEM.DAT"));
  std::ofstream(dir_ / "VKCSTDAT.DAT").close();

  start(25);
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  EXPECT_TRUE(wait_for("Select 1-4, ESC-exit"));

  send("2");
  ASSERT_TRUE(wait_for("Default Shop Rate ($/hr)   :        50.00")) << screen();
  send("F1 4 7 . 5 F10");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  EXPECT_EQ(settings().default_shop_rate, 4750);

  send("3");
  ASSERT_TRUE(wait_for("SERIOUS consequenses!!!")) << screen();
  send("F1 0 Tab F10");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  EXPECT_EQ(settings().prompt_timeout, 2147483647);

  send("4");
  ASSERT_TRUE(wait_for("Edit Menu Password")) << screen();
  for (int i = 0; i < 8; ++i) send("Tab");
  send("p w F10");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  send("Escape");
  ASSERT_TRUE(wait_for("EXIT=0")) << screen();
  EXPECT_NE(screen().find("Configuration complete..."), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat((dir_ / "VKPASSWD.DAT").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, off_t(kPasswordRecordSize));

  // The menu now asks for the system password first.
  start(25);
  ASSERT_TRUE(wait_for("Input the System password then <ENTER> :")) << screen();
  send("P W Enter");
  ASSERT_TRUE(wait_for("EXIT=1")) << screen();
  EXPECT_NE(screen().find("Wrong password..."), std::string::npos);

  // A 50-line window doubles the form rows.
  start(50);
  ASSERT_TRUE(wait_for("Input the System password")) << screen();
  send("p w Enter");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  send("1");
  ASSERT_TRUE(wait_for("Special    Color :  12")) << screen();
  EXPECT_EQ(line(10).substr(0, 22), "Foreground Color :   3");
  EXPECT_EQ(line(18).substr(0, 22), "Special    Color :  12");
  EXPECT_EQ(line(50).substr(0, 36), "F10-save, TAB-next field, ESC-cancel");
  send("Escape");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  send("Escape");
  ASSERT_TRUE(wait_for("EXIT=0")) << screen();

  // 30 lines cannot hold the parameters doubled: every field keeps its own
  // row, the key help stays on the last line.
  start(30, 100);
  ASSERT_TRUE(wait_for("Input the System password")) << screen();
  send("p w Enter");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  send("2");
  ASSERT_TRUE(wait_for("Shell Command Line")) << screen();
  EXPECT_EQ(line(4).substr(0, 24), "Default Shop Rate ($/hr)");
  EXPECT_EQ(line(22).substr(0, 22), "Fleet Statement Late %");
  EXPECT_EQ(line(23).substr(0, 18), "Shell Command Line");
  EXPECT_EQ(line(30).substr(0, 36), "F10-save, TAB-next field, ESC-cancel");
  send("Escape");
  ASSERT_TRUE(wait_for("System Configuration")) << screen();
  send("Escape");
  ASSERT_TRUE(wait_for("EXIT=0")) << screen();

  // Lower than the parameters screen: said at once, nothing touched.
  struct stat before {};
  ASSERT_EQ(stat((dir_ / "VKSYSTEM.DAT").c_str(), &before), 0);
  start(20);
  ASSERT_TRUE(wait_for("EXIT=1")) << screen();
  EXPECT_NE(screen().find("The screen has 20 lines; this program needs at least 25."),
            std::string::npos)
      << screen();
  struct stat after {};
  ASSERT_EQ(stat((dir_ / "VKSYSTEM.DAT").c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
}

}  // namespace
