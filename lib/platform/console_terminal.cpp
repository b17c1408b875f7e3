// The terminal console: ECMA-48 output with colours from the PC attribute,
// code-page-437 bytes drawn as their Unicode characters in UTF-8, and raw
// keyboard input decoded by the KeyDecoder.
//
// The terminal is given back as it was found (colours, cursor, line
// discipline) on restore(), on every exit through exit() and on SIGINT,
// SIGTERM, SIGHUP and SIGQUIT; the signal handler puts the cursor on a new
// line below the screen, restores, then lets the signal take its default
// course. The normal screen is kept (no alternate screen), so text printed
// before or after a run stays where it was.
//
// Ctrl+Z (SIGTSTP) gives the terminal back the same way before the program
// stops; when it is continued in the foreground it takes the terminal again
// and draws the whole screen anew from the cells it keeps (a CellGrid beside
// the terminal, which also tracks the cursor by the terminal's own rules:
// "\n" is a pure line feed while the console holds the terminal).
#include <errno.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/cell_grid.h"
#include "platform/console.h"
#include "platform/cp437.h"
#include "platform/key_input_posix.h"

namespace {

constexpr char kRestoreSequence[] = "\x1b[0m\x1b[?25h";

// State the exit hook and the signal handlers need; plain globals so that the
// handlers only touch async-signal-safe things.
struct termios g_saved_termios;
volatile sig_atomic_t g_have_saved = 0;
volatile sig_atomic_t g_raw = 0;
volatile sig_atomic_t g_hooks_installed = 0;
// Lines of the screen last drawn, for putting the cursor below it.
volatile sig_atomic_t g_screen_rows = 0;
// Set when the program was continued after a stop: the terminal is taken
// again and the screen drawn anew.
volatile sig_atomic_t g_continued = 0;

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

// Moves the cursor to a new line below the screen drawn, so that what the
// shell prints next stands under it; async-signal-safe.
void cursor_below_screen() {
  int rows = g_screen_rows;
  if (rows <= 0) return;
  char text[32];
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + rows % 10);
    rows /= 10;
  } while (rows > 0 && n < 11);
  int len = 0;
  text[len++] = '\x1b';
  text[len++] = '[';
  while (n > 0) text[len++] = digits[--n];
  for (char c : {';', '1', 'H', '\r', '\n'}) text[len++] = c;
  write_all(1, text, static_cast<size_t>(len));
}

void on_exit_hook() {
  std::fflush(stdout);
  terminal_give_back();
}

void on_signal(int sig) {
  cursor_below_screen();
  terminal_give_back();
  signal(sig, SIG_DFL);
  raise(sig);
}

void on_stop(int);

void catch_signal(int sig, void (*handler)(int)) {
  struct sigaction sa{};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(sig, &sa, nullptr);
}

void on_stop(int) {
  int saved_errno = errno;
  cursor_below_screen();
  terminal_give_back();
  signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);  // the program stops here until it is continued
  catch_signal(SIGTSTP, on_stop);
  g_continued = 1;
  errno = saved_errno;
}

void on_continue(int) { g_continued = 1; }

bool default_action(int sig) {
  struct sigaction old;
  return sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL;
}

void install_hooks() {
  if (g_hooks_installed) return;
  g_hooks_installed = 1;
  std::atexit(on_exit_hook);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    if (default_action(sig)) catch_signal(sig, on_signal);
  if (default_action(SIGTSTP)) {
    catch_signal(SIGTSTP, on_stop);
    catch_signal(SIGCONT, on_continue);
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
    keys_.on_interrupt(&TerminalConsole::interrupted, this);
    auto [w, h] = size();
    grid_.reset(w, h, attr_);
  }
  ~TerminalConsole() override { restore(); }

  int width() override { return size().first; }
  int height() override { return size().second; }
  int text_mode() override { return mode_; }
  void set_text_mode(int mode) override { mode_ = mode; }

  void clear() override {
    sync_size();
    sync_attr();
    out_ += "\x1b[H\x1b[2J";
    grid_.clear(attr_);
    flush();
  }

  void goto_xy(int col, int row) override {
    sync_size();
    grid_.move(col, row);
    move_to(grid_.col(), grid_.row());
    flush();
  }

  int cursor_col() override { return grid_.col(); }
  int cursor_row() override { return grid_.row(); }

  void put_text(std::string_view text) override {
    sync_size();
    for (char ch : text) {
      unsigned char c = static_cast<unsigned char>(ch);
      switch (c) {
        case '\r':
        case '\n':
          out_ += ch;
          grid_.put(ch, attr_);
          break;
        case '\b':
          // With a wrap pending the terminals disagree on where BS goes;
          // an absolute move says it plainly.
          if (grid_.wrap_pending()) {
            grid_.put(ch, attr_);
            move_to(grid_.col(), grid_.row());
          } else if (grid_.col() > 1) {
            grid_.put(ch, attr_);
            out_ += '\b';
          }
          break;
        case '\a':
          out_ += '\a';
          break;
        case '\t':
          grid_.put(ch, attr_);
          move_to(grid_.col(), grid_.row());
          break;
        default:
          sync_attr();
          grid_.put(ch, attr_);  // the terminal wraps (and scrolls) by itself
          append_glyph(c);
      }
    }
    flush();
  }

  void clear_eol() override {
    sync_attr();
    out_ += "\x1b[K";
    grid_.clear_eol(attr_);
    flush();
  }

  void set_attr(uint8_t a) override { attr_ = a; }
  uint8_t attr() override { return attr_; }

  void set_cursor_visible(bool visible) override {
    cursor_visible_ = visible;
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
  static void interrupted(void* self) { static_cast<TerminalConsole*>(self)->take_back_if_continued(); }

  std::pair<int, int> size() {
    struct winsize ws;
    int w = 80, h = 25;
    if (ioctl(1, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      w = ws.ws_col;
      h = ws.ws_row;
    }
    g_screen_rows = h;
    return {w, h};
  }

  // The cells follow the terminal when its window changes size.
  void sync_size() {
    auto [w, h] = size();
    if (w != grid_.width() || h != grid_.height()) grid_.resize(w, h, attr_);
  }

  // when: TCSAFLUSH drops keys typed before the program took the terminal;
  // TCSADRAIN keeps those typed while it was coming back from a stop.
  void enter_raw(int when = TCSAFLUSH) {
    if (g_raw || !g_have_saved) return;
    struct termios t = g_saved_termios;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);  // ISIG stays: Ctrl+C ends the run
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(0, when, &t) == 0) g_raw = 1;
  }

  // After a stop and continue in the foreground: the terminal is set up
  // again and the screen drawn as it was. In the background nothing is
  // taken; the next output, key read or continue tries again.
  void take_back_if_continued() {
    if (!g_continued) return;
    // The shell may hand the terminal over just after the signal.
    for (int i = 0; i < 100 && tcgetpgrp(0) != getpgrp(); ++i) usleep(10000);
    if (tcgetpgrp(0) != getpgrp()) return;
    g_continued = 0;
    g_raw = 0;
    enter_raw(TCSADRAIN);
    redraw();
  }

  void redraw() {
    sync_size();
    out_.clear();
    out_ += "\x1b[0m\x1b[H\x1b[2J";
    shown_attr_ = -1;
    const uint8_t current = attr_;
    for (int r = 1; r <= grid_.height(); ++r) {
      move_to(1, r);
      for (int c = 1; c <= grid_.width(); ++c) {
        attr_ = grid_.attr_at(c, r);
        sync_attr();
        append_glyph(static_cast<unsigned char>(grid_.char_at(c, r)));
      }
    }
    move_to(grid_.col(), grid_.row());
    if (grid_.wrap_pending()) {
      // Writing the last cell again leaves the terminal's wrap pending too.
      attr_ = grid_.attr_at(grid_.col(), grid_.row());
      sync_attr();
      append_glyph(static_cast<unsigned char>(grid_.char_at(grid_.col(), grid_.row())));
    }
    attr_ = current;
    out_ += cursor_visible_ ? "\x1b[?25h" : "\x1b[?25l";
    write_out();
  }

  void append_glyph(unsigned char c) {
    if (c == 0)
      out_ += ' ';
    else if (c >= 32 && c < 127)
      out_ += static_cast<char>(c);
    else
      utf8_append(out_, cp437_to_unicode(c));
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
    take_back_if_continued();
    write_out();
  }

  void write_out() {
    if (out_.empty()) return;
    std::fflush(stdout);
    write_all(1, out_.data(), out_.size());
    out_.clear();
  }

  FdKeyInput keys_;
  std::string out_;
  CellGrid grid_{80, 25, 7};
  int mode_ = kModeColor80;
  uint8_t attr_ = 7;
  int shown_attr_ = -1;
  bool cursor_visible_ = true;
};

}  // namespace

std::unique_ptr<Console> console_make_terminal() { return std::make_unique<TerminalConsole>(); }
