// The terminal console in a real terminal: a tmux session runs this test
// program as a child that draws a box and echoes the key codes it reads; the
// parent types keys and reads the screen. Skipped where tmux is missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/console.h"

namespace {

// The child: runs only inside the tmux session.
TEST(TerminalChild, DrawAndEchoKeys) {
  const char* mode = std::getenv("VELK_TERMINAL_CHILD");
  if (!mode) GTEST_SKIP() << "runs inside the terminal test only";
  auto c = console_make_terminal();
  if (std::string(mode) != "keys") {
    // Leaves with the terminal raw and the cursor hidden; the exit hook or
    // the signal handler must give the terminal back.
    c->set_cursor_visible(false);
    c->put_text("LEAVING");
    c->read_key();
    if (std::string(mode) == "exit") std::exit(1);
    raise(SIGTERM);
  }
  c->set_attr(0x1F);
  c->clear();
  c->put_text("\xC9\xCD\xCD\xBB\r\n\xBA");
  c->put_text("ok");
  c->put_text("\xBA\r\n\xC8\xCD\xCD\xBC\r\n");
  c->set_attr(7);
  c->set_cursor_visible(false);
  std::string codes = "keys:";
  for (int k; (k = c->read_key()) != 'q';) codes += " " + std::to_string(k);
  c->goto_xy(1, 10);
  c->put_text(codes + "\r\nEND");
  c->read_key();
  c->restore();
  struct termios t;
  bool cooked = tcgetattr(0, &t) == 0 && (t.c_lflag & ICANON) && (t.c_lflag & ECHO) && (t.c_oflag & OPOST);
  std::printf("\nTERMIOS %s\n", cooked ? "restored" : "raw");
  std::fflush(stdout);
}

std::string run(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    pclose(p);
  }
  return out;
}

class TerminalSession {
 public:
  // Each session runs its own tmux server on a socket of its own, so one
  // shutting down never meets the next one starting.
  TerminalSession()
      : socket_(testing::TempDir() + "velk_tmux_" + std::to_string(getpid()) + "_" + std::to_string(++count_)),
        tmux_("tmux -S '" + socket_ + "' ") {}
  ~TerminalSession() {
    std::system((tmux_ + "kill-server 2>/dev/null").c_str());
    unlink(socket_.c_str());
  }
  bool start(const std::string& command) {
    // A server starting beside other tests' servers can die at once; ask again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (std::system((tmux_ + "new-session -d -x 80 -y 25 '" + command + "' 2>/dev/null").c_str()) ==
              0 &&
          std::system((tmux_ + "has-session 2>/dev/null").c_str()) == 0)
        return true;
      std::system((tmux_ + "kill-server 2>/dev/null").c_str());
      usleep(200000);
    }
    return false;
  }
  void keys(const std::string& names) { std::system((tmux_ + "send-keys " + names).c_str()); }
  std::string screen(bool escapes = false) {
    return run(tmux_ + "capture-pane -p" + (escapes ? " -e" : "") + " 2>/dev/null");
  }
  // Waits up to five seconds for the text to show.
  bool wait_for(const std::string& text) {
    for (int i = 0; i < 100; ++i) {
      if (screen().find(text) != std::string::npos) return true;
      usleep(50000);
    }
    return false;
  }

 private:
  static inline int count_ = 0;
  std::string socket_;
  std::string tmux_;
};

TEST(TerminalConsole, DrawsBoxesDecodesKeysAndRestoresTheTerminal) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  TerminalSession s;
  ASSERT_TRUE(s.start(std::string("LANG=C.UTF-8 VELK_TERMINAL_CHILD=keys ") + self +
                      " --gtest_filter=TerminalChild.DrawAndEchoKeys >/dev/tty 2>&1; sleep 30"));
  ASSERT_TRUE(s.wait_for("\u2551ok\u2551")) << s.screen();
  std::string screen = s.screen();
  EXPECT_NE(screen.find("\u2554\u2550\u2550\u2557\n\u2551ok\u2551\n\u255a\u2550\u2550\u255d"), std::string::npos)
      << screen;
  std::string coloured = s.screen(true);
  EXPECT_NE(coloured.find("44"), std::string::npos) << "blue background expected";

  s.keys("F10 BTab Up Home Escape");
  usleep(200000);  // lets the lone ESC time out
  s.keys("C-Right Enter F1 PageDown Delete q");
  ASSERT_TRUE(s.wait_for("END")) << s.screen();
  screen = s.screen();
  EXPECT_NE(screen.find("keys: 324 271 328 327 27 372 13 315 337 339"), std::string::npos) << screen;
  s.keys("x");
  ASSERT_TRUE(s.wait_for("TERMIOS")) << s.screen();
  EXPECT_NE(s.screen().find("TERMIOS restored"), std::string::npos) << s.screen();
}

TEST(TerminalConsole, ExitAndTerminationGiveTheTerminalBack) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = 0;
  for (const char* mode : {"exit", "term"}) {
    SCOPED_TRACE(mode);
    std::string script = testing::TempDir() + "velk_term_" + mode + ".sh";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
      std::fprintf(f,
                   "VELK_TERMINAL_CHILD=%s %s --gtest_filter=TerminalChild.DrawAndEchoKeys\n"
                   "echo \"STATUS $? $(stty -a | grep -o -w -e -icanon -e -echo -e -opost | tr -d '\\n')END\"\n"
                   "sleep 30\n",
                   mode, self);
      std::fclose(f);
    }
    TerminalSession s;
    ASSERT_TRUE(s.start("sh " + script));
    ASSERT_TRUE(s.wait_for("LEAVING")) << s.screen();
    s.keys("x");
    ASSERT_TRUE(s.wait_for("END")) << s.screen();
    std::string expect = std::string("STATUS ") + (mode[0] == 'e' ? "1" : "143") + " END";
    EXPECT_NE(s.screen().find(expect), std::string::npos) << s.screen();
    std::remove(script.c_str());
  }
}

}  // namespace
