// A screen of character cells with their attributes and a cursor that
// follows a terminal's rules: a character written in the last column leaves
// the cursor there with a wrap pending, and the next printable character goes
// to the start of the following line (scrolling at the bottom); "\n" moves
// down without changing the column; "\r" returns to column 1; "\b" moves back
// one column (or only drops a pending wrap); "\t" goes to the next tab stop.
//
// The in-memory console is one; the terminal console keeps one beside the
// terminal so that it can draw the whole screen again (after the program was
// stopped and continued, say).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CellGrid {
 public:
  CellGrid(int width, int height, uint8_t attr) { reset(width, height, attr); }

  // A blank grid of that size, the cursor kept where it fits.
  void reset(int width, int height, uint8_t attr);
  // A new size keeping the cells that still fit.
  void resize(int width, int height, uint8_t attr);
  int width() const { return width_; }
  int height() const { return height_; }

  int col() const { return col_; }
  int row() const { return row_; }
  bool wrap_pending() const { return wrap_pending_; }

  void clear(uint8_t attr);
  void move(int col, int row);  // clamped to the grid
  // One output byte: the control bytes above move the cursor; any other byte
  // is stored at the cursor in attr.
  void put(char c, uint8_t attr);
  void clear_eol(uint8_t attr);

  // Columns and rows count from 1; outside the grid a blank cell.
  char char_at(int col, int row) const;
  uint8_t attr_at(int col, int row) const;
  std::string row_text(int row) const;

 private:
  size_t index(int col, int row) const {
    return static_cast<size_t>(row - 1) * static_cast<size_t>(width_) + static_cast<size_t>(col - 1);
  }
  void line_feed(uint8_t attr);
  int width_ = 80, height_ = 25;
  int col_ = 1, row_ = 1;
  bool wrap_pending_ = false;
  std::vector<char> chars_;
  std::vector<uint8_t> attrs_;
};
