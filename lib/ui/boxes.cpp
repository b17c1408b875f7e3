// Centred boxes: a yes/no question and a one-value prompt.
#include <cstring>
#include <string>

#include "platform/console.h"
#include "ui/form_support.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

namespace {

constexpr char kTopLeft = char(201), kTopRight = char(187), kBottomLeft = char(200),
               kBottomRight = char(188), kHorizontal = char(205), kVertical = char(186);
constexpr int kBoxHeight = 5;

int clamp_left(int left) { return left < 1 ? 1 : left; }

// The two questions differ in their row and in what ESC and a time-out do.
int ask(const char* question, char* answer, bool timeout, int top_row, bool lower_box) {
  Console* c = console();
  const int len = int(strlen(question));
  const int left = clamp_left((75 - len) / 2);
  const int top = screen_tall() ? top_row * 2 : top_row;
  const int width = len + 5;
  // On text output the question stands alone, without its box.
  const bool boxed = !c->plain();
  if (boxed) ui_draw_box(left, top, width, kBoxHeight);

  const int answer_col = left + 2 + len;
  c->set_attr(ui_color_attr(g_settings.color_prompt));
  c->goto_xy(left + 2, top + 2);
  c->put_text(question);
  c->set_cursor_visible(true);

  int result;
  int64_t since = c->now_ms();
  for (;;) {
    c->goto_xy(answer_col, top + 2);
    c->put_text(std::string(1, *answer ? *answer : ' '));
    c->goto_xy(answer_col, top + 2);
    int key = ui_wait_key(timeout, &since);
    if (key == kKeyTimedOut) {
      if (lower_box) {
        result = KEY_ESC;
      } else {
        *answer = 'Y';
        result = KEY_TAB;
      }
      break;
    }
    if (key == 'Y' || key == 'y' || key == 'N' || key == 'n') {
      *answer = char(key == 'y' || key == 'Y' ? 'Y' : 'N');
      result = KEY_TAB;
      break;
    }
    if (key == KEY_ESC) {
      if (!lower_box) *answer = 'Y';
      result = KEY_ESC;
      break;
    }
    if (key == '\n') key = KEY_ENTER;
    if (key == KEY_TAB || key == KEY_ENTER || key == KEY_SHIFT_TAB || key == KEY_F10 ||
        key == KEY_PGUP || key == KEY_PGDN) {
      result = key;
      break;
    }
    beep_warning();
  }
  c->set_cursor_visible(false);
  if (boxed) ui_clear_box(left, top, width, kBoxHeight);
  return result;
}

}  // namespace

void ui_draw_box(int left, int top, int width, int height) {
  Console* c = console();
  c->set_attr(screen_attribute());
  std::string middle(size_t(width > 2 ? width - 2 : 0), kHorizontal);
  std::string inside(middle.size(), ' ');
  for (int r = 0; r < height; ++r) {
    c->goto_xy(left, top + r);
    if (r == 0) {
      c->put_text(kTopLeft + middle + kTopRight);
    } else if (r == height - 1) {
      c->put_text(kBottomLeft + middle + kBottomRight);
    } else {
      c->put_text(kVertical + inside + kVertical);
    }
  }
}

void ui_clear_box(int left, int top, int width, int height) {
  Console* c = console();
  c->set_attr(screen_attribute());
  std::string blank(size_t(width), ' ');
  for (int r = 0; r < height; ++r) {
    c->goto_xy(left, top + r);
    c->put_text(blank);
  }
}

int yes_no_prompt(const char* question, char* answer, bool timeout) {
  return ask(question, answer, timeout, 11, false);
}

int yes_no_box(const char* question, char* answer, bool timeout) {
  return ask(question, answer, timeout, 15, true);
}

int prompt_box(const char* label, int width, int type, char* value, bool timeout) {
  const int len = int(strlen(label));
  const int left = clamp_left((76 - width - len) / 2);
  const int top = screen_tall() ? 22 : 11;
  const int box_width = width + len + 4;
  const bool boxed = !console()->plain();
  if (boxed) ui_draw_box(left, top, box_width, kBoxHeight);
  // line_edit doubles its row on a tall screen: give it the form row of the
  // line two below the box's top.
  const int row = screen_tall() ? (top + 2) / 2 : top + 2;
  int key = line_edit(label, left + 2, row, width, type, value, timeout);
  if (boxed) ui_clear_box(left, top, box_width, kBoxHeight);
  return key;
}
