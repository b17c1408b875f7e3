#include "platform/console_plain.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/cp437.h"

void PlainConsole::emit(std::string_view bytes) {
  std::fflush(stdout);  // keep order with anything printed through stdio
  while (!bytes.empty()) {
    ssize_t n = ::write(out_fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // output gone (closed pipe, full disk): nothing to do
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

std::string PlainConsole::held_text() const {
  std::string out;
  for (size_t i = 0; i < extent_; ++i) {
    unsigned char c = static_cast<unsigned char>(line_[i]);
    if (c >= 32 && c < 127)
      out += static_cast<char>(c);
    else if (c == 0)
      out += ' ';
    else
      utf8_append(out, cp437_to_unicode(c));
  }
  return out;
}

void PlainConsole::line_feed() {
  emit(held_text() + "\r\n");
  line_.assign(kWidth, ' ');
  extent_ = 0;
}

void PlainConsole::end_line() {
  if (line_.find_first_not_of(' ') != std::string::npos) {
    line_feed();
    col_ = 1;
    row_ = std::min(row_ + 1, kHeight);
  }
  line_.assign(kWidth, ' ');
  extent_ = 0;
}

void PlainConsole::clear() {
  end_line();
  col_ = row_ = 1;
}

void PlainConsole::goto_xy(int col, int row) {
  row = std::clamp(row, 1, kHeight);
  col = std::clamp(col, 1, kWidth);
  // A move to another row, or back over text of this one (a status line
  // written anew), finishes the line: each such text stays on a line of its own.
  size_t last = line_.find_last_not_of(' ');
  if (row != row_ || (last != std::string::npos && static_cast<size_t>(col) <= last + 1)) end_line();
  col_ = col;
  row_ = row;
}

void PlainConsole::clear_eol() {
  if (static_cast<size_t>(col_) > line_.size()) return;
  std::fill(line_.begin() + (col_ - 1), line_.end(), ' ');
  extent_ = std::min(extent_, static_cast<size_t>(col_ - 1));
}

void PlainConsole::put_text(std::string_view text) {
  // Text that starts past the last column goes on the next line, as on a
  // screen; one text running past it stays on its line (a file has no width).
  bool wrap = col_ > kWidth;
  for (char c : text) {
    switch (c) {
      case '\a':  // no bell where nobody listens
        break;
      case '\r':
        col_ = 1;
        wrap = false;
        break;
      case '\n':
        line_feed();
        row_ = std::min(row_ + 1, kHeight);
        wrap = false;
        break;
      case '\b':
        if (col_ > 1) --col_;
        break;
      case '\t':
        col_ = ((col_ - 1) / 8 + 1) * 8 + 1;
        break;
      default:
        if (wrap) {
          end_line();
          col_ = 1;
          wrap = false;
        }
        if (static_cast<size_t>(col_) > line_.size()) line_.resize(static_cast<size_t>(col_), ' ');
        line_[static_cast<size_t>(col_ - 1)] = c;
        extent_ = std::max(extent_, static_cast<size_t>(col_));
        ++col_;
    }
  }
}

// Before the program waits for a key, what it wrote (a prompt) is shown.
bool PlainConsole::key_ready() {
  end_line();
  return keys_.key_ready();
}

int PlainConsole::read_key() {
  end_line();
  return keys_.read_key();
}

void PlainConsole::idle(int ms) {
  end_line();
  keys_.wait(ms);
}

std::unique_ptr<Console> console_make_plain() { return std::make_unique<PlainConsole>(0, 1); }
