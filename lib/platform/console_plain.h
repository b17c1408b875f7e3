// The plain console, used when standard output is not a terminal (a file or
// a pipe) or the terminal is a dumb one: the output is text, one line for
// each screen row written, readable in any editor.
//
// The line being written is held until it is finished, so that what a screen
// writes over itself comes out once, as it ended: a counter rewritten after a
// carriage return appears once with its last value, a status line once with
// its text. A line is finished by "\n" (the programs' messages keep their own
// "\r\n"), by a move to another row or back over its text, by a clear of
// the screen, before the program waits for a key and when the console is
// given back. Every line ends in "\r\n" and holds what was written up to the
// furthest column written; a row that holds only blanks gives no line.
// Code-page-437 bytes (the box characters among them) come out as UTF-8.
// There are no escape sequences, colours or beeps.
//
// Keys are read from the input bytes through the KeyDecoder; the end of the
// input reads as ESC.
#pragma once

#include <string>

#include "platform/console.h"
#include "platform/key_input_posix.h"

class PlainConsole : public Console {
 public:
  PlainConsole(int in_fd, int out_fd) : keys_(in_fd), out_fd_(out_fd), line_(kWidth, ' ') {}
  ~PlainConsole() override { end_line(); }

  int width() override { return kWidth; }
  int height() override { return kHeight; }
  int text_mode() override { return mode_; }
  void set_text_mode(int mode) override { mode_ = mode; }
  void clear() override;
  void goto_xy(int col, int row) override;
  int cursor_col() override { return col_; }
  int cursor_row() override { return row_; }
  void put_text(std::string_view text) override;
  void clear_eol() override;
  void set_attr(uint8_t a) override { attr_ = a; }
  uint8_t attr() override { return attr_; }
  void set_cursor_visible(bool) override {}
  bool key_ready() override;
  int read_key() override;
  void flush_keys() override { keys_.flush(); }
  bool input_ended() override { return keys_.ended(); }
  void beep(Beep) override {}
  int64_t now_ms() override { return posix_monotonic_ms(); }
  void idle(int ms) override;
  void restore() override { end_line(); }
  bool plain() override { return true; }

 private:
  static constexpr int kWidth = 80;
  static constexpr int kHeight = 25;
  // Writes the line held, if it holds anything but blanks, with "\r\n".
  void end_line();
  // Writes the line held (possibly empty) and "\r\n": a line end of a message.
  void line_feed();
  void emit(std::string_view bytes);
  std::string held_text() const;
  FdKeyInput keys_;
  int out_fd_;
  int mode_ = kModeColor80;
  int col_ = 1, row_ = 1;
  uint8_t attr_ = 7;
  std::string line_;   // the cells of the line being written
  size_t extent_ = 0;  // how far text was written into it
};
