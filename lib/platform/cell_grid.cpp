#include "platform/cell_grid.h"

#include <algorithm>

void CellGrid::reset(int width, int height, uint8_t attr) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  chars_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), ' ');
  attrs_.assign(chars_.size(), attr);
  col_ = std::min(col_, width_);
  row_ = std::min(row_, height_);
  wrap_pending_ = false;
}

void CellGrid::resize(int width, int height, uint8_t attr) {
  CellGrid old = *this;
  reset(width, height, attr);
  int w = std::min(width_, old.width_), h = std::min(height_, old.height_);
  for (int r = 1; r <= h; ++r) {
    for (int c = 1; c <= w; ++c) {
      chars_[index(c, r)] = old.chars_[old.index(c, r)];
      attrs_[index(c, r)] = old.attrs_[old.index(c, r)];
    }
  }
}

void CellGrid::clear(uint8_t attr) {
  std::fill(chars_.begin(), chars_.end(), ' ');
  std::fill(attrs_.begin(), attrs_.end(), attr);
  col_ = row_ = 1;
  wrap_pending_ = false;
}

void CellGrid::move(int col, int row) {
  col_ = std::clamp(col, 1, width_);
  row_ = std::clamp(row, 1, height_);
  wrap_pending_ = false;
}

void CellGrid::line_feed(uint8_t attr) {
  if (row_ < height_) {
    ++row_;
    return;
  }
  size_t w = static_cast<size_t>(width_);
  std::copy(chars_.begin() + static_cast<std::ptrdiff_t>(w), chars_.end(), chars_.begin());
  std::copy(attrs_.begin() + static_cast<std::ptrdiff_t>(w), attrs_.end(), attrs_.begin());
  std::fill(chars_.end() - static_cast<std::ptrdiff_t>(w), chars_.end(), ' ');
  std::fill(attrs_.end() - static_cast<std::ptrdiff_t>(w), attrs_.end(), attr);
}

void CellGrid::put(char c, uint8_t attr) {
  switch (c) {
    case '\r':
      col_ = 1;
      wrap_pending_ = false;
      return;
    case '\n':
      line_feed(attr);
      wrap_pending_ = false;
      return;
    case '\b':
      if (wrap_pending_)
        wrap_pending_ = false;
      else if (col_ > 1)
        --col_;
      return;
    case '\t':
      col_ = std::min(width_, ((col_ - 1) / 8 + 1) * 8 + 1);
      wrap_pending_ = false;
      return;
    default:
      if (wrap_pending_) {
        col_ = 1;
        line_feed(attr);
        wrap_pending_ = false;
      }
      chars_[index(col_, row_)] = c;
      attrs_[index(col_, row_)] = attr;
      if (col_ < width_)
        ++col_;
      else
        wrap_pending_ = true;
  }
}

void CellGrid::clear_eol(uint8_t attr) {
  size_t start = index(col_, row_);
  size_t end = index(1, row_) + static_cast<size_t>(width_);
  std::fill(chars_.begin() + static_cast<std::ptrdiff_t>(start),
            chars_.begin() + static_cast<std::ptrdiff_t>(end), ' ');
  std::fill(attrs_.begin() + static_cast<std::ptrdiff_t>(start),
            attrs_.begin() + static_cast<std::ptrdiff_t>(end), attr);
}

char CellGrid::char_at(int col, int row) const {
  if (col < 1 || col > width_ || row < 1 || row > height_) return ' ';
  return chars_[index(col, row)];
}

uint8_t CellGrid::attr_at(int col, int row) const {
  if (col < 1 || col > width_ || row < 1 || row > height_) return 0;
  return attrs_[index(col, row)];
}

std::string CellGrid::row_text(int row) const {
  if (row < 1 || row > height_) return std::string();
  auto b = chars_.begin() + static_cast<std::ptrdiff_t>(index(1, row));
  return std::string(b, b + width_);
}
