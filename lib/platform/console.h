// The console: a text screen of character cells with colour attributes, a
// cursor and a keyboard. Three implementations stand behind this interface:
// a real terminal (ANSI output, raw keyboard), plain output when stdout is
// not a terminal (keys read from stdin bytes), and an in-memory screen for
// tests with scripted keys and a clock the test controls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cell_grid.h"

// Key codes. Plain keys are their character code (1..255); extended keys are
// kKeyExtended plus their PC scan code, as the original keyboard delivered
// them as a zero followed by the scan code.
constexpr int kKeyExtended = 0x100;
constexpr int KEY_BACKSPACE = 8;
constexpr int KEY_TAB = 9;
constexpr int KEY_ENTER = 13;
constexpr int KEY_ESC = 27;
constexpr int KEY_SHIFT_TAB = kKeyExtended + 15;
constexpr int KEY_F1 = kKeyExtended + 59;
constexpr int KEY_F2 = kKeyExtended + 60;
constexpr int KEY_F3 = kKeyExtended + 61;
constexpr int KEY_F4 = kKeyExtended + 62;
constexpr int KEY_F5 = kKeyExtended + 63;
constexpr int KEY_F6 = kKeyExtended + 64;
constexpr int KEY_F7 = kKeyExtended + 65;
constexpr int KEY_F8 = kKeyExtended + 66;
constexpr int KEY_F9 = kKeyExtended + 67;
constexpr int KEY_F10 = kKeyExtended + 68;
constexpr int KEY_HOME = kKeyExtended + 71;
constexpr int KEY_UP = kKeyExtended + 72;
constexpr int KEY_PGUP = kKeyExtended + 73;
constexpr int KEY_LEFT = kKeyExtended + 75;
constexpr int KEY_RIGHT = kKeyExtended + 77;
constexpr int KEY_END = kKeyExtended + 79;
constexpr int KEY_DOWN = kKeyExtended + 80;
constexpr int KEY_PGDN = kKeyExtended + 81;
constexpr int KEY_INSERT = kKeyExtended + 82;
constexpr int KEY_DELETE = kKeyExtended + 83;
constexpr int KEY_CTRL_LEFT = kKeyExtended + 115;
constexpr int KEY_CTRL_RIGHT = kKeyExtended + 116;
constexpr int KEY_F11 = kKeyExtended + 133;
constexpr int KEY_F12 = kKeyExtended + 134;

// Text modes as the console reports them.
constexpr int kModeBW80 = 2;
constexpr int kModeColor80 = 3;
constexpr int kModeMono = 7;

enum class Beep { plain, warning };

class Console {
 public:
  virtual ~Console() = default;

  // Screen geometry and text mode.
  virtual int width() = 0;
  virtual int height() = 0;
  virtual int text_mode() = 0;
  virtual void set_text_mode(int mode) = 0;

  // Output. Columns and rows count from 1. put_text writes at the cursor in
  // the current attribute and moves the cursor; "\r" returns to column 1,
  // "\n" goes down a line (scrolling at the bottom), "\b" moves back one
  // column, "\a" beeps. Bytes are code page 437 (box characters 201, 187,
  // 200, 188, 205, 186 among them).
  virtual void clear() = 0;
  virtual void goto_xy(int col, int row) = 0;
  virtual int cursor_col() = 0;
  virtual int cursor_row() = 0;
  virtual void put_text(std::string_view text) = 0;
  virtual void clear_eol() = 0;
  // Attribute: background in bits 4..6 (and blink in bit 7), foreground in 0..3.
  virtual void set_attr(uint8_t attr) = 0;
  virtual uint8_t attr() = 0;
  virtual void set_cursor_visible(bool visible) = 0;

  // Keyboard. key_ready() does not wait; read_key() waits for a key.
  // At the end of scripted or piped input read_key() returns KEY_ESC and
  // input_ended() becomes true.
  virtual bool key_ready() = 0;
  virtual int read_key() = 0;
  virtual void flush_keys() = 0;
  virtual bool input_ended() = 0;

  virtual void beep(Beep kind) = 0;
  // Milliseconds on a clock the console owns (tests control it).
  virtual int64_t now_ms() = 0;
  // Waits a little while polling for keys (the in-memory console advances
  // its clock instead of sleeping).
  virtual void idle(int ms) = 0;

  // Gives the terminal back as it was found (cursor, colours, modes).
  virtual void restore() = 0;

  // True when the output is a stream of text lines rather than a screen (a
  // file, a pipe, a dumb terminal): what is written cannot be moved over or
  // drawn again, so screens are drawn once and nothing is animated.
  virtual bool plain() { return false; }
};

// The console in use by the program. Until one is installed, a console
// chosen for the process (terminal or plain) is created on first use.
Console* console();
// Installs a console (tests install the in-memory one); returns the old one.
Console* console_set(Console* c);

// Creates the console that fits this process: the terminal console when
// stdin and stdout are terminals, the plain console otherwise.
std::unique_ptr<Console> console_make_default();
std::unique_ptr<Console> console_make_terminal();
std::unique_ptr<Console> console_make_plain();

// The in-memory console for tests.
class MemoryConsole : public Console {
 public:
  explicit MemoryConsole(int width = 80, int height = 25);

  int width() override { return grid_.width(); }
  int height() override { return grid_.height(); }
  int text_mode() override { return mode_; }
  void set_text_mode(int mode) override { mode_ = mode; }
  void clear() override { grid_.clear(attr_); }
  void goto_xy(int col, int row) override { grid_.move(col, row); }
  int cursor_col() override { return grid_.col(); }
  int cursor_row() override { return grid_.row(); }
  void put_text(std::string_view text) override;
  void clear_eol() override { grid_.clear_eol(attr_); }
  void set_attr(uint8_t a) override { attr_ = a; }
  uint8_t attr() override { return attr_; }
  void set_cursor_visible(bool v) override { cursor_visible_ = v; }
  bool key_ready() override;
  int read_key() override;
  void flush_keys() override;
  bool input_ended() override { return ended_; }
  void beep(Beep kind) override;
  int64_t now_ms() override { return clock_ms_; }
  void idle(int ms) override;
  void restore() override { restored_ = true; }
  bool plain() override { return plain_; }

  // Test controls.
  // Makes the console report plain output (a file or pipe).
  void set_plain(bool plain) { plain_ = plain; }
  // Queues keys; a key given as kTimeGap + n advances the clock by n seconds
  // when it is reached instead of being delivered.
  static constexpr int kTimeGap = 0x10000;
  void push_keys(const std::vector<int>& keys);
  void push_text(std::string_view text);  // each byte as a plain key
  void advance(int64_t ms) { clock_ms_ += ms; }
  // The text of one row (1-based), width characters, blanks where nothing was written.
  std::string row_text(int row) const;
  uint8_t attr_at(int col, int row) const;
  char char_at(int col, int row) const;
  int plain_beeps() const { return plain_beeps_; }
  int warning_beeps() const { return warning_beeps_; }
  bool cursor_visible() const { return cursor_visible_; }
  bool restored() const { return restored_; }
  // Everything written with put_text, in order (a transcript).
  const std::string& transcript() const { return transcript_; }
  void resize(int width, int height);

 private:
  CellGrid grid_{80, 25, 7};
  int mode_ = kModeColor80;
  uint8_t attr_ = 7;
  bool cursor_visible_ = true;
  bool plain_ = false;
  bool ended_ = false;
  bool restored_ = false;
  int64_t clock_ms_ = 0;
  int plain_beeps_ = 0, warning_beeps_ = 0;
  std::vector<int> keys_;
  size_t next_key_ = 0;
  std::string transcript_;
};
