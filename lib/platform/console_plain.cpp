#include "platform/console_plain.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

void PlainConsole::emit(std::string_view bytes) {
  std::fflush(stdout);  // keep order with anything printed through stdio
  while (!bytes.empty()) {
    ssize_t n = ::write(out_fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // output gone (closed pipe, full disk): nothing to do
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void PlainConsole::end_line_if_used() {
  if (!line_used_) return;
  emit("\r\n");
  line_used_ = false;
  col_ = 1;
  row_ = std::min(row_ + 1, height());
}

void PlainConsole::clear() {
  end_line_if_used();
  col_ = row_ = 1;
}

void PlainConsole::goto_xy(int col, int row) {
  row = std::clamp(row, 1, height());
  if (row != row_) end_line_if_used();
  col_ = std::clamp(col, 1, width());
  row_ = row;
}

void PlainConsole::put_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\a':  // no bell where nobody listens
        continue;
      case '\r':
        col_ = 1;
        break;
      case '\n':
        row_ = std::min(row_ + 1, height());
        line_used_ = false;
        break;
      case '\b':
        if (col_ > 1) --col_;
        break;
      default:
        line_used_ = true;
        if (++col_ > width()) {
          col_ = 1;
          row_ = std::min(row_ + 1, height());
        }
    }
    out += c;
  }
  emit(out);
}

std::unique_ptr<Console> console_make_plain() { return std::make_unique<PlainConsole>(0, 1); }
