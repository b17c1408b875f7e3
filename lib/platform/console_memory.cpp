// The in-memory console: a grid of characters and attributes with a cursor
// (following the terminal's rules, so that a screen drawn here looks the same
// as on a real terminal), keys scripted by the test and a clock the test
// controls.
#include "platform/console.h"

MemoryConsole::MemoryConsole(int width, int height) { resize(width, height); }

void MemoryConsole::resize(int width, int height) { grid_.reset(width, height, attr_); }

void MemoryConsole::put_text(std::string_view text) {
  transcript_.append(text);
  for (char c : text) {
    if (c == '\a')
      beep(Beep::plain);
    else
      grid_.put(c, attr_);
  }
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

std::string MemoryConsole::row_text(int row) const { return grid_.row_text(row); }

uint8_t MemoryConsole::attr_at(int col, int row) const { return grid_.attr_at(col, row); }

char MemoryConsole::char_at(int col, int row) const {
  if (col < 1 || col > grid_.width() || row < 1 || row > grid_.height()) return 0;
  return grid_.char_at(col, row);
}
