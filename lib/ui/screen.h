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
// True on a screen of 26 lines or more (form rows are doubled there).
bool screen_tall();

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

// Ends the program with exit status 1 (fatal conditions); the exit hooks
// (store release, console restore) run.
[[noreturn]] void fatal_exit();
