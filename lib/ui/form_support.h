// Helpers shared by the line editor, the forms and the boxes.
#pragma once

#include <cstdint>

// Returned by ui_wait_key when the prompt time-out passed without a key.
constexpr int kKeyTimedOut = -1;

// Waits for the next key. With the time-out switch on (and a positive
// prompt time-out in the settings) it returns kKeyTimedOut once more than
// that many seconds have passed since *since_ms without a key; *since_ms is
// set to the time of the key. At the end of the keyboard input it returns
// KEY_ESC.
int ui_wait_key(bool timeout, int64_t* since_ms);

// The attribute of one of the settings' colours on the settings background
// (the blink bit of the special colour kept).
uint8_t ui_color_attr(uint8_t color);
// The screen line of a form row: doubled on a tall screen.
int ui_screen_line(int row);

// A double-lined box in the foreground colour, blank inside.
void ui_draw_box(int left, int top, int width, int height);
// Blanks the box's cells in the screen attribute (the box is gone).
void ui_clear_box(int left, int top, int width, int height);

// A check a screen adds to a field's type check: given the value as it is
// left, null when it is accepted, else the text the bottom line shows while
// the cursor stays in the field.
struct LineCheck {
  const char* (*fn)(const char* value, void* context) = nullptr;
  void* context = nullptr;
};
// line_edit with that check.
int line_edit_checked(const char* label, int column, int row, int width, int type, char* value,
                      bool timeout, const LineCheck& check);
