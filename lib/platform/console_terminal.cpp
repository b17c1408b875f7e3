// The terminal console: ECMA-48 output with colours from the PC attribute,
// code-page-437 bytes drawn as their Unicode characters in UTF-8, and raw
// keyboard input decoded by the KeyDecoder.
//
// The terminal is given back as it was found (colours, cursor, line
// discipline) on restore(), on every exit through exit() and on SIGINT,
// SIGTERM, SIGHUP and SIGQUIT; the signal handler restores, then lets the
// signal take its default course. The normal screen is kept (no alternate
// screen), so text printed before or after a run stays where it was.
//
// The cursor position is tracked here, following the terminal's own rules:
// a character in the last column leaves a wrap pending, and "\n" is a pure
// line feed (output processing is off while the console holds the terminal).
#include <errno.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/console.h"
#include "platform/cp437.h"
#include "platform/key_input_posix.h"

namespace {

constexpr char kRestoreSequence[] = "\x1b[0m\x1b[?25h";

// State the exit hook and the signal handler need; plain globals so that the
// handler only touches async-signal-safe things.
struct termios g_saved_termios;
volatile sig_atomic_t g_have_saved = 0;
volatile sig_atomic_t g_raw = 0;
volatile sig_atomic_t g_hooks_installed = 0;

void write_all(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

void terminal_give_back() {
  write_all(1, kRestoreSequence, sizeof kRestoreSequence - 1);
  if (g_have_saved && g_raw) tcsetattr(0, TCSAFLUSH, &g_saved_termios);
  g_raw = 0;
}

void on_exit_hook() {
  std::fflush(stdout);
  terminal_give_back();
}

void on_signal(int sig) {
  terminal_give_back();
  signal(sig, SIG_DFL);
  raise(sig);
}

void install_hooks() {
  if (g_hooks_installed) return;
  g_hooks_installed = 1;
  std::atexit(on_exit_hook);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction sa{};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

// PC colour order (blue, green, cyan, red, ...) to the ANSI order.
constexpr int kAnsiColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

class TerminalConsole : public Console {
 public:
  TerminalConsole() : keys_(0) {
    if (tcgetattr(0, &g_saved_termios) == 0) g_have_saved = 1;
    install_hooks();
    enter_raw();
  }
  ~TerminalConsole() override { restore(); }

  int width() override { return size().first; }
  int height() override { return size().second; }
  int text_mode() override { return mode_; }
  void set_text_mode(int mode) override { mode_ = mode; }

  void clear() override {
    sync_attr();
    out_ += "\x1b[H\x1b[2J";
    col_ = row_ = 1;
    wrap_pending_ = false;
    flush();
  }

  void goto_xy(int col, int row) override {
    auto [w, h] = size();
    col_ = std::clamp(col, 1, w);
    row_ = std::clamp(row, 1, h);
    wrap_pending_ = false;
    move_to(col_, row_);
    flush();
  }

  int cursor_col() override { return col_; }
  int cursor_row() override { return row_; }

  void put_text(std::string_view text) override {
    auto [w, h] = size();
    for (char ch : text) {
      unsigned char c = static_cast<unsigned char>(ch);
      switch (c) {
        case '\r':
          out_ += '\r';
          col_ = 1;
          wrap_pending_ = false;
          break;
        case '\n':
          out_ += '\n';
          if (row_ < h) ++row_;
          wrap_pending_ = false;
          break;
        case '\b':
          // With a wrap pending the terminals disagree on where BS goes;
          // an absolute move says it plainly.
          if (wrap_pending_) {
            wrap_pending_ = false;
            move_to(col_, row_);
          } else if (col_ > 1) {
            --col_;
            out_ += '\b';
          }
          break;
        case '\a':
          out_ += '\a';
          break;
        case '\t':
          col_ = std::min(w, ((col_ - 1) / 8 + 1) * 8 + 1);
          wrap_pending_ = false;
          move_to(col_, row_);
          break;
        default:
          sync_attr();
          if (wrap_pending_) {  // the terminal wraps (and scrolls) by itself
            col_ = 1;
            if (row_ < h) ++row_;
            wrap_pending_ = false;
          }
          if (c == 0)
            out_ += ' ';
          else if (c >= 32 && c < 127)
            out_ += static_cast<char>(c);
          else
            utf8_append(out_, cp437_to_unicode(c));
          if (col_ < w)
            ++col_;
          else
            wrap_pending_ = true;
      }
    }
    flush();
  }

  void clear_eol() override {
    sync_attr();
    out_ += "\x1b[K";
    flush();
  }

  void set_attr(uint8_t a) override { attr_ = a; }
  uint8_t attr() override { return attr_; }

  void set_cursor_visible(bool visible) override {
    out_ += visible ? "\x1b[?25h" : "\x1b[?25l";
    flush();
  }

  bool key_ready() override {
    flush();
    enter_raw();
    return keys_.key_ready();
  }
  int read_key() override {
    flush();
    enter_raw();
    return keys_.read_key();
  }
  void flush_keys() override { keys_.flush(); }
  bool input_ended() override { return keys_.ended(); }

  void beep(Beep) override {
    out_ += '\a';
    flush();
  }
  int64_t now_ms() override { return posix_monotonic_ms(); }
  void idle(int ms) override {
    flush();
    keys_.wait(ms);
  }

  void restore() override {
    flush();
    terminal_give_back();
    shown_attr_ = -1;
  }

 private:
  std::pair<int, int> size() {
    struct winsize ws;
    if (ioctl(1, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) return {ws.ws_col, ws.ws_row};
    return {80, 25};
  }

  void enter_raw() {
    if (g_raw || !g_have_saved) return;
    struct termios t = g_saved_termios;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);  // ISIG stays: Ctrl+C ends the run
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(0, TCSAFLUSH, &t) == 0) g_raw = 1;
  }

  void move_to(int col, int row) {
    out_ += "\x1b[" + std::to_string(row) + ';' + std::to_string(col) + 'H';
  }

  // Foreground bits 0..3 (bit 3 bright), background bits 4..6, and bit 7 as
  // a bright background, which is how a PC console shows it without blink.
  void sync_attr() {
    if (shown_attr_ == attr_) return;
    int fg = attr_ & 7, bg = (attr_ >> 4) & 7;
    out_ += "\x1b[0;";
    out_ += std::to_string((attr_ & 8 ? 90 : 30) + kAnsiColour[fg]);
    out_ += ';';
    out_ += std::to_string((attr_ & 0x80 ? 100 : 40) + kAnsiColour[bg]);
    out_ += 'm';
    shown_attr_ = attr_;
  }

  void flush() {
    if (out_.empty()) return;
    std::fflush(stdout);
    write_all(1, out_.data(), out_.size());
    out_.clear();
  }

  FdKeyInput keys_;
  std::string out_;
  int mode_ = kModeColor80;
  int col_ = 1, row_ = 1;
  bool wrap_pending_ = false;
  uint8_t attr_ = 7;
  int shown_attr_ = -1;
};

}  // namespace

std::unique_ptr<Console> console_make_terminal() { return std::make_unique<TerminalConsole>(); }
