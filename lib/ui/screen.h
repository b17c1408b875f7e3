// Screen furniture drawn on the console: console set-up and restore, the
// title box, the bottom status and alert lines, the progress mark and the
// beeps.
#pragma once

#include <cstdint>

// Console set-up: normal cursor, text mode (monochrome kept, else colour),
// geometry remembered, today computed, attribute from the settings colours,
// cursor hidden, screen cleared. Registers the console restore for every exit.
void screen_setup();
// Console restore at the end of a run: attribute 7, the text mode found at
// set-up, normal cursor, cleared screen.
void screen_restore();
// The attribute of the settings colours: (background & 7) * 16 + (foreground & 15).
uint8_t screen_attribute();
// True while form rows are doubled (row r shown on line 2r). A screen chooses
// its layout with screen_layout; until one does, rows are doubled when a
// screen of the full 25-line layout fits doubled.
bool screen_tall();

// Screen layouts. A screen's single layout uses the lines 1 to `lines` (its
// lowest form row, or the line it writes below the form) and the status line
// below them; the doubled layout uses twice as many lines, and the centred
// question boxes must fit too.
// Chooses the layout for such a screen on the console set up: doubled when the
// doubled layout fits, else single. False when even the single layout does not
// fit (rows are then left single).
bool screen_layout(int lines);
// Before anything is touched: when the console is lower than the single
// layout of such a screen, says so and ends the program with exit status 1.
void screen_require_lines(int lines);

void header_box(const char* company, const char* title);
void status_line(const char* text);
void alert_line(const char* text);
void progress_spinner();
void beep_plain();
void beep_warning();

// Writes text at the cursor in the current colour (console output of the
// programs' messages).
void con_print(const char* text);
// printf-style con_print.
void con_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Warnings of the run: written like con_printf, on a line of their own, and
// kept, so that once the console is restored the program can give them all
// again (a screen of the run may have scrolled them away or cleared them).
void con_warning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Writes every warning of the run again, in order, after a line with their
// count; writes nothing when there was none.
void warnings_replay();

// Ends the program with exit status 1 (fatal conditions); the exit hooks
// (store release, console restore) run.
[[noreturn]] void fatal_exit();
