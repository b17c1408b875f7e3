// The plain console, used when standard output is not a terminal: the
// programs' texts go out byte for byte with their own line ends and no escape
// sequences; colours, cursor shape and clearing to the end of a line are
// dropped. Cursor moves cannot be shown either, with one exception that keeps
// the output readable: a move to another row, or a clear of the screen, while
// the current output line holds text first writes "\r\n", so that a status or
// alert line always stands on a line of its own. Keys are read from the input
// bytes through the KeyDecoder; the end of the input reads as ESC.
#pragma once

#include <string>

#include "platform/console.h"
#include "platform/key_input_posix.h"

class PlainConsole : public Console {
 public:
  PlainConsole(int in_fd, int out_fd) : keys_(in_fd), out_fd_(out_fd) {}

  int width() override { return 80; }
  int height() override { return 25; }
  int text_mode() override { return mode_; }
  void set_text_mode(int mode) override { mode_ = mode; }
  void clear() override;
  void goto_xy(int col, int row) override;
  int cursor_col() override { return col_; }
  int cursor_row() override { return row_; }
  void put_text(std::string_view text) override;
  void clear_eol() override {}
  void set_attr(uint8_t a) override { attr_ = a; }
  uint8_t attr() override { return attr_; }
  void set_cursor_visible(bool) override {}
  bool key_ready() override { return keys_.key_ready(); }
  int read_key() override { return keys_.read_key(); }
  void flush_keys() override { keys_.flush(); }
  bool input_ended() override { return keys_.ended(); }
  void beep(Beep) override {}
  int64_t now_ms() override { return posix_monotonic_ms(); }
  void idle(int ms) override { keys_.wait(ms); }
  void restore() override {}

 private:
  void end_line_if_used();
  void emit(std::string_view bytes);
  FdKeyInput keys_;
  int out_fd_;
  int mode_ = kModeColor80;
  int col_ = 1, row_ = 1;
  uint8_t attr_ = 7;
  bool line_used_ = false;  // text written since the last "\n"
};
