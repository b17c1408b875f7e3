// The in-memory console: a grid of characters and attributes with a cursor,
// keys scripted by the test and a clock the test controls.
//
// Output follows the terminal's rules so that a screen drawn here looks the
// same as on a real terminal: a character written in the last column leaves
// the cursor there with a wrap pending, and the next printable character goes
// to the start of the following line (scrolling at the bottom). "\n" moves
// down without changing the column; "\r" returns to column 1.
#include "platform/console.h"

#include <algorithm>

MemoryConsole::MemoryConsole(int width, int height) { resize(width, height); }

void MemoryConsole::resize(int width, int height) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  chars_.assign(static_cast<size_t>(width_) * height_, ' ');
  attrs_.assign(static_cast<size_t>(width_) * height_, attr_);
  col_ = std::min(col_, width_);
  row_ = std::min(row_, height_);
  wrap_pending_ = false;
}

void MemoryConsole::clear() {
  std::fill(chars_.begin(), chars_.end(), ' ');
  std::fill(attrs_.begin(), attrs_.end(), attr_);
  col_ = row_ = 1;
  wrap_pending_ = false;
}

void MemoryConsole::goto_xy(int col, int row) {
  col_ = std::clamp(col, 1, width_);
  row_ = std::clamp(row, 1, height_);
  wrap_pending_ = false;
}

void MemoryConsole::scroll() {
  size_t w = static_cast<size_t>(width_);
  std::copy(chars_.begin() + w, chars_.end(), chars_.begin());
  std::copy(attrs_.begin() + w, attrs_.end(), attrs_.begin());
  std::fill(chars_.end() - w, chars_.end(), ' ');
  std::fill(attrs_.end() - w, attrs_.end(), attr_);
}

void MemoryConsole::line_feed() {
  if (row_ < height_)
    ++row_;
  else
    scroll();
}

void MemoryConsole::put_text(std::string_view text) {
  transcript_.append(text);
  for (char c : text) {
    switch (c) {
      case '\r':
        col_ = 1;
        wrap_pending_ = false;
        break;
      case '\n':
        line_feed();
        wrap_pending_ = false;
        break;
      case '\b':
        if (wrap_pending_)
          wrap_pending_ = false;
        else if (col_ > 1)
          --col_;
        break;
      case '\a':
        beep(Beep::plain);
        break;
      case '\t':
        col_ = std::min(width_, ((col_ - 1) / 8 + 1) * 8 + 1);
        wrap_pending_ = false;
        break;
      default: {
        if (wrap_pending_) {
          col_ = 1;
          line_feed();
          wrap_pending_ = false;
        }
        size_t i = static_cast<size_t>(row_ - 1) * width_ + (col_ - 1);
        chars_[i] = c;
        attrs_[i] = attr_;
        if (col_ < width_)
          ++col_;
        else
          wrap_pending_ = true;
      }
    }
  }
}

void MemoryConsole::clear_eol() {
  size_t start = static_cast<size_t>(row_ - 1) * width_ + (col_ - 1);
  size_t end = static_cast<size_t>(row_) * width_;
  std::fill(chars_.begin() + start, chars_.begin() + end, ' ');
  std::fill(attrs_.begin() + start, attrs_.begin() + end, attr_);
}

// A time gap in the script stands for the user doing nothing for a while:
// reaching it advances the clock by its seconds.
static bool is_gap(int key) { return key >= MemoryConsole::kTimeGap; }

bool MemoryConsole::key_ready() {
  if (next_key_ < keys_.size() && is_gap(keys_[next_key_])) {
    clock_ms_ += static_cast<int64_t>(keys_[next_key_] - kTimeGap) * 1000;
    ++next_key_;
    return false;
  }
  // At the end of the script an ESC is always ready, so that no wait loop
  // outlives the script.
  return true;
}

int MemoryConsole::read_key() {
  while (next_key_ < keys_.size()) {
    int k = keys_[next_key_++];
    if (is_gap(k)) {
      clock_ms_ += static_cast<int64_t>(k - kTimeGap) * 1000;
      continue;
    }
    return k;
  }
  ended_ = true;
  return KEY_ESC;
}

// Drops the keys typed so far: those before the next time gap. Keys after a
// gap are typed later and survive.
void MemoryConsole::flush_keys() {
  while (next_key_ < keys_.size() && !is_gap(keys_[next_key_])) ++next_key_;
}

void MemoryConsole::beep(Beep kind) {
  if (kind == Beep::warning)
    ++warning_beeps_;
  else
    ++plain_beeps_;
}

void MemoryConsole::idle(int ms) {
  if (ms > 0) clock_ms_ += ms;
}

void MemoryConsole::push_keys(const std::vector<int>& keys) {
  keys_.insert(keys_.end(), keys.begin(), keys.end());
}

void MemoryConsole::push_text(std::string_view text) {
  for (char c : text) keys_.push_back(static_cast<unsigned char>(c));
}

std::string MemoryConsole::row_text(int row) const {
  if (row < 1 || row > height_) return std::string();
  auto b = chars_.begin() + static_cast<size_t>(row - 1) * width_;
  return std::string(b, b + width_);
}

uint8_t MemoryConsole::attr_at(int col, int row) const {
  if (col < 1 || col > width_ || row < 1 || row > height_) return 0;
  return attrs_[static_cast<size_t>(row - 1) * width_ + (col - 1)];
}

char MemoryConsole::char_at(int col, int row) const {
  if (col < 1 || col > width_ || row < 1 || row > height_) return 0;
  return chars_[static_cast<size_t>(row - 1) * width_ + (col - 1)];
}
