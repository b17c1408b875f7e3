// The line editor: edits one value in place, field type by field type.
//
// While a value is edited its positions past the last typed character are
// "empty" and shown as underscores; an underscore that is part of the value
// is shown as a backquote, and a typed backquote (or underscore) stands for
// an underscore in the stored value. Empty positions always form the end of
// the field, so the editor keeps the typed text and treats everything after
// it as empty.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/console.h"
#include "ui/dates.h"
#include "ui/form_support.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

bool g_form_changed = false;
bool g_insert_mode = false;

namespace {

constexpr int kPollMs = 50;
constexpr int kMaxWidth = kLineBufferSize - 1;
constexpr int kCtrlRightStep = 12;

bool is_letter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_punct(int c) { return c > 32 && c < 127 && !is_letter(c) && !is_digit(c); }

bool upper_cased(int type) { return (type >= 'A' && type <= 'Z') || type == '@'; }

// Types whose edit ends at once when a key fills the last position.
bool ends_when_full(int type) {
  return !(type == '@' || type == 'I' || type == 'M' || type == 'm' || type == '4');
}

bool accepts(int type, int c) {
  switch (type) {
    case 'B': case 'Z': case 'b': case '@':
      return is_letter(c) || is_digit(c) || is_punct(c) || c == ' ';
    case 'A': case 'a':
      return is_letter(c) || c == ' ' || c == '`';
    case 'D': case 'd':
      // A blank is taken too, so that a date can be blanked out again.
      return is_digit(c) || c == '/' || c == '*' || c == '.' || c == ' ';
    case 'N':
      return is_digit(c) || c == '.' || c == '-' || c == '*';
    case 'I': case 'M': case 'm': case '4':
      return is_digit(c) || c == '.' || c == '-';
    case 'P':
      return is_digit(c) || is_letter(c) || c == '-' || c == '(' || c == ')';
    case 'S':
      return is_digit(c) || c == '-';
    case 'Y':
      return c == 'Y' || c == 'N';
    default:
      return false;
  }
}

bool ends_edit(int key) {
  return key == KEY_TAB || key == KEY_ENTER || key == '\n' || key == KEY_SHIFT_TAB ||
         key == KEY_F10 || key == KEY_PGUP || key == KEY_DOWN || key == KEY_PGDN;
}

// The value padded with blanks to the width and cut there.
std::string padded(const char* value, int width) {
  std::string s(value ? value : "", value ? strnlen(value, size_t(width)) : 0);
  s.resize(size_t(width), ' ');
  return s;
}

void store(char* value, const std::string& s) {
  size_t n = s.size() < size_t(kMaxWidth) ? s.size() : size_t(kMaxWidth);
  memcpy(value, s.data(), n);
  value[n] = '\0';
}

// What the bottom line says when a date is refused.
constexpr const char* kBadDateText =
    "Not a valid date: type MM/DD/YYYY (01/01/1900 or later), or * for today";

bool is_date_type(int type) { return type == 'D' || type == 'd'; }

// Converts the finished text by the field's type. Returns false when the
// text fails the type's check.
bool check_value(int type, int width, std::string* s) {
  char buf[96];
  switch (type) {
    case 'M': case 'm': case '4': {
      int32_t v = 0;
      bool ok = type == '4' ? text_to_rate(s->c_str(), &v) : text_to_money(s->c_str(), &v);
      if (!ok) return false;
      std::string t = type == '4' ? rate_text(v) : money_text(v, type == 'M');
      if (int(t.size()) > width) return false;  // the number does not fit its field
      *s = t;
      s->resize(width, ' ');
      return true;
    }
    case 'I': case 'N': {
      // Leading digits with an optional sign, 0 when there are none.
      const char* p = s->c_str();
      while (*p == ' ') ++p;
      bool neg = false;
      if (*p == '-' || *p == '+') neg = *p++ == '-';
      long long v = 0;
      for (; is_digit(*p); ++p) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX) v = INT32_MAX;
      }
      snprintf(buf, sizeof buf, "%*ld", width, long(neg ? -v : v));
      *s = buf;
      s->resize(width, ' ');
      return true;
    }
    case 'D': case 'd': {
      if (s->find_first_not_of(' ') == std::string::npos) return true;  // empty: no date
      std::string t = *s;
      if (t.size() > 2) t[2] = '/';
      if (t.size() > 5) t[5] = '/';
      int32_t day = parse_date(t.c_str());
      if (day == -1) return false;
      std::string formatted = format_date(day);
      std::string typed = t.substr(0, t.find_last_not_of(' ') + 1);
      if (typed != formatted && t[0] != '*') return false;
      *s = formatted;
      if (int(s->size()) < width) s->resize(width, ' ');
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

uint8_t ui_color_attr(uint8_t color) {
  return uint8_t(((g_settings.color_background & 7) << 4) | (color & 0x8F));
}

int ui_screen_line(int row) { return screen_tall() ? row * 2 : row; }

int ui_wait_key(bool timeout, int64_t* since_ms) {
  Console* c = console();
  int64_t limit_ms = int64_t(g_settings.prompt_timeout) * 1000;
  // A time-out of 0 or less means none.
  if (!timeout || limit_ms <= 0) {
    int key = c->read_key();
    *since_ms = c->now_ms();
    return key;
  }
  for (;;) {
    if (c->key_ready()) {
      int key = c->read_key();
      *since_ms = c->now_ms();
      return key;
    }
    if (c->input_ended()) return KEY_ESC;
    if (c->now_ms() - *since_ms > limit_ms) return kKeyTimedOut;
    c->idle(kPollMs);
  }
}

int line_edit(const char* label, int column, int row, int width, int type, char* value,
              bool timeout) {
  return line_edit_checked(label, column, row, width, type, value, timeout, LineCheck{});
}

int line_edit_checked(const char* label, int column, int row, int width, int type, char* value,
                      bool timeout, const LineCheck& check) {
  Console* c = console();
  // Text output shows no editing: only the value an edit ends with.
  const bool plain = c->plain();
  if (width < 1) width = 1;
  if (width > kMaxWidth) width = kMaxWidth;
  const int line = ui_screen_line(row);
  const int label_len = label ? int(strlen(label)) : 0;
  const int value_col = column + label_len;
  const uint8_t prompt_attr = ui_color_attr(g_settings.color_prompt);

  const std::string original = padded(value, width);
  std::string entry = original;
  // The typed text; positions from text.size() to width are empty.
  std::string text = entry.substr(0, entry.find_last_not_of(' ') + 1);
  int pos = 0;
  bool edited = false;

  auto draw_editing = [&] {
    if (plain) return;
    std::string shown(width, '_');
    for (size_t i = 0; i < text.size(); ++i) shown[i] = text[i] == '_' ? '`' : text[i];
    c->set_attr(prompt_attr);
    c->goto_xy(value_col, line);
    c->put_text(shown);
    c->goto_xy(value_col + pos, line);
  };
  auto finish = [&](const std::string& final_value, int key) {
    store(value, final_value);
    c->set_attr(prompt_attr);
    if (!plain) {
      c->goto_xy(value_col, line);
      c->put_text(final_value);
    } else if (key != KEY_ESC && final_value != original) {
      c->goto_xy(column, line);
      if (label) c->put_text(label);
      c->put_text(final_value.substr(0, final_value.find_last_not_of(' ') + 1));
    }
    c->set_attr(screen_attribute());
    c->set_cursor_visible(false);
    if (key != KEY_ESC && final_value != original) g_form_changed = true;
    return key;
  };

  // A refused value: plain beep, the reason on the bottom line, and the
  // cursor stays in the field for correcting.
  auto refuse = [&](const char* why) {
    beep_plain();
    if (why) alert_line(why);
    draw_editing();
    c->set_cursor_visible(true);
  };
  // The checks a value must pass besides its type's: a date must give a day
  // number, and the caller's check.
  auto refusal = [&](const std::string& s) -> const char* {
    if (is_date_type(type) && s.find_first_not_of(' ') != std::string::npos &&
        parse_date(s.c_str()) == -1)
      return kBadDateText;
    return check.fn ? check.fn(s.c_str(), check.context) : nullptr;
  };

  if (!plain) {
    c->set_attr(prompt_attr);
    c->goto_xy(column, line);
    if (label) c->put_text(label);
  }
  draw_editing();
  c->set_cursor_visible(true);
  int64_t since = c->now_ms();

  for (;;) {
    int key = ui_wait_key(timeout, &since);
    if (key == kKeyTimedOut || key == KEY_ESC) return finish(entry, KEY_ESC);

    if (ends_edit(key)) {
      if (key == '\n') key = KEY_ENTER;
      if (pos == 0 && !edited) return finish(entry, key);
      std::string s = text;
      size_t lead = s.find_first_not_of(' ');
      s.erase(0, lead == std::string::npos ? s.size() : lead);
      s.resize(width, ' ');
      // The text stays for correcting; it is checked again when the field
      // is left, and ESC still restores the value of entry.
      if (!check_value(type, width, &s)) {
        refuse(is_date_type(type) ? kBadDateText : nullptr);
        continue;
      }
      if (const char* why = refusal(s)) {
        refuse(why);
        continue;
      }
      return finish(s, key);
    }

    switch (key) {
      case KEY_HOME:
        pos = 0;
        break;
      case KEY_LEFT:
        if (pos > 0) --pos;
        break;
      case KEY_RIGHT:
        if (pos < width - 1) {
          if (pos == int(text.size())) text.push_back(' ');
          ++pos;
        }
        break;
      case KEY_CTRL_RIGHT:
        if (type == 'B' || type == 'b') {
          for (int i = 0; i < kCtrlRightStep && pos < width - 1; ++i) {
            if (pos == int(text.size())) text.push_back(' ');
            ++pos;
          }
        } else {
          beep_warning();
        }
        break;
      case KEY_END:
        pos = int(text.size()) < width ? int(text.size()) : width - 1;
        break;
      case KEY_INSERT:
        g_insert_mode = !g_insert_mode;
        break;
      case KEY_DELETE:
        if (pos < int(text.size())) {
          text.erase(pos, 1);
          edited = true;
        }
        break;
      case KEY_BACKSPACE:
        if (pos > 0) {
          text.erase(pos - 1, 1);
          --pos;
          edited = true;
        }
        break;
      case KEY_F1:
        // The emptied field becomes the value that ESC restores.
        text.clear();
        entry.assign(width, ' ');
        pos = 0;
        edited = false;
        break;
      default: {
        if (key <= 0 || key >= 256) {
          beep_warning();
          break;
        }
        int ch = key;
        if (upper_cased(type) && ch >= 'a' && ch <= 'z') ch = ch - 'a' + 'A';
        if (!accepts(type, ch) || pos >= width) {
          beep_warning();
          break;
        }
        // A typed backquote or underscore is an underscore of the value.
        char stored = ch == '`' ? '_' : char(ch);
        if (g_insert_mode) {
          text.insert(size_t(pos), 1, stored);
          if (int(text.size()) > width) text.resize(width);
        } else if (pos < int(text.size())) {
          text[pos] = stored;
        } else {
          text.push_back(stored);
        }
        ++pos;
        edited = true;
        if (pos == width && ends_when_full(type)) {
          // A full field is taken exactly as typed, once it passes the
          // checks; otherwise the cursor stays on its last position.
          if (const char* why = refusal(text)) {
            pos = width - 1;
            refuse(why);
            continue;
          }
          return finish(text, KEY_TAB);
        }
        break;
      }
    }
    draw_editing();
  }
}
