// Forms: a table of fields edited one after another with the line editor,
// the line buffer pool the fields' values live in, and the centred boxes
// that ask a yes/no question or one value.
//
// Keys are the codes of platform/console.h (KEY_TAB, KEY_F10, KEY_ESC ...).
#pragma once

#include <cstdint>

// One field of a form. A form is an array of these ended by an entry whose
// type is 0.
struct FieldDescriptor {
  const char* label;  // written at (column, row) before the value
  int32_t width;      // number of value characters (at most 78)
  int32_t type;       // field type character, see below
  int32_t column;     // screen column of the label
  int32_t row;        // form row of the label (shown on line 2*row on a tall screen)
  char* value;        // the field's line buffer (given by form_init)
  int32_t changed;    // cleared by form_init; free for the caller's use
};

// Field types:
//   'B','Z' upper-cased text    'b' text        '@' upper-cased text, no auto-advance
//   'A' upper-cased letters     'a' letters     'D','d' date MM/DD/YYYY ("*" is today)
//   'N' whole number (also "*") 'I' whole number, no auto-advance
//   'M' money "%12.2f"          'm' money "%7.2f"   '4' rate "%12.4f"
//   'P' phone (digits, letters, "-()")              'S' digits and "-"
//   'Y' yes/no (Y or N)         '!' display only, never edited
// Every type but '@', 'I', 'M', 'm' and '4' leaves the field at once (as TAB)
// when a typed key fills its last position.

// The line buffer pool: 64 value buffers of 79 bytes, zero-filled, living
// for the whole run. Forms take them in order from the first; only one form
// is in use at a time.
constexpr int kLineBufferCount = 64;
constexpr int kLineBufferSize = 79;
// Clears the pool (the programs call it at start-up; the pool needs no
// other allocation).
void line_pool_init();
// Buffer i (0-based) of the pool.
char* line_pool_buffer(int i);

// Program-wide changed flag: raised when an edit of any field ends normally
// with a value that differs from the one it started with. Callers clear it
// before editing a form; the abandon answer Y clears it.
extern bool g_form_changed;
// Program-wide insert mode, toggled by the Insert key; starts off (overwrite).
extern bool g_insert_mode;

// The abandon question of every form.
extern const char* const kAbandonQuestion;  // "Abandon changes ? (Y/N/ESC) : "

// Gives the fields, in order, the pool buffers, clears 78 bytes of each and
// clears each field's changed mark.
void form_init(FieldDescriptor* form);
// Draws every field in the foreground colour: label, then the value
// left-aligned in the field width.
void form_show(const FieldDescriptor* form);

// Edits the form field by field and returns the key that ended it: KEY_F10,
// KEY_PGUP, KEY_PGDN or KEY_ESC. On plain output (a file or pipe) the form
// is not drawn again: the prompt is written once and each field edited
// only its final value, as one line. TAB/Enter go to the next field, Shift+TAB
// to the previous one (both wrapping); '!' fields are passed over. ESC, PgUp
// and PgDn ask kAbandonQuestion when the changed flag is raised. Every
// field's edit times out after the settings' prompt time-out as ESC. When
// the keyboard input has ended (a script or pipe ran out) the form is
// abandoned and ESC returned.
int form_edit(FieldDescriptor* form, const char* prompt);
// The same, but 'Y' fields are asked as a question with yes_no_box (the
// field's label is the question); the value becomes "Yes" or "No ".
int form_edit_yes_no_box(FieldDescriptor* form, const char* prompt);

// A form edit with hooks, for screens that need more than form_edit.
struct FormEditOptions {
  bool yes_no_box = false;  // ask 'Y' fields with yes_no_box
  const char* abandon_question = kAbandonQuestion;
  // With the ESC answer, ESC at the abandon question returns to the field;
  // without it ESC counts as the answer Y.
  bool abandon_esc_answer = true;
  // Called after every field instead of form_show (it must redraw the form).
  void (*redraw)(FieldDescriptor* form, void* context) = nullptr;
  // A check of the value a field is left with, besides its type's: null when
  // it is accepted, else the text the bottom line shows while the cursor
  // stays in the field (with the plain beep).
  const char* (*check)(int field, const char* value, void* context) = nullptr;
  void* context = nullptr;
};
int form_edit_with(FieldDescriptor* form, const char* prompt, const FormEditOptions& options);

// Edits one value in place at (column, row) after the label (none when
// null) and returns the key that ended the edit: KEY_TAB, KEY_ENTER,
// KEY_SHIFT_TAB, KEY_F10, KEY_PGUP, KEY_PGDN, KEY_DOWN or KEY_ESC. The value
// buffer must hold at least 79 bytes; afterwards it holds exactly width
// characters, blank-padded (callers remove trailing blanks before storing
// texts). ESC (and, with the time-out switch on, the prompt time-out)
// restores the value found at entry.
int line_edit(const char* label, int column, int row, int width, int type, char* value,
              bool timeout);

// Asks a yes/no question in a box in the middle of the screen. *answer ('Y'
// or 'N') is shown and updated: Y/N (either case) set it and return KEY_TAB;
// TAB and Enter return themselves; ESC sets Y and returns KEY_ESC;
// Shift+TAB, F10, PgUp and PgDn return themselves. A time-out sets Y and
// returns KEY_TAB. The box is removed (blanked) afterwards.
int yes_no_prompt(const char* question, char* answer, bool timeout);
// The same in a lower box; ESC and a time-out return KEY_ESC and leave the
// answer unchanged.
int yes_no_box(const char* question, char* answer, bool timeout);
// Edits one value with line_edit in a centred box; returns its key.
int prompt_box(const char* label, int width, int type, char* value, bool timeout);
