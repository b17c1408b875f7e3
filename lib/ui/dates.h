// Day numbers, dates as MM/DD/YYYY, and money and rates as text.
#pragma once

#include <cstdint>
#include <string>

// Day number of a MM/DD/YYYY text ("*" is today), -1 when not a date.
int32_t parse_date(const char* text);
// MM/DD/YYYY of a day number, or ten blanks when it is negative. The text
// lives in a static buffer that the next call overwrites.
const char* format_date(int32_t day);
// The day number of the system date, computed once by today_compute().
int32_t today();
void today_compute();
// Sets today for tests.
void today_set(int32_t day);

// Text to hundredths (money) and to ten-thousandths (rates): true and the
// value on success; on failure false and *value = 0.
bool text_to_money(const char* text, int32_t* value);
bool text_to_rate(const char* text, int32_t* value);
// Money as "%12.2f" (wide) or "%7.2f" (narrow); rates as "%12.4f".
std::string money_text(int32_t cents, bool wide = true);
std::string rate_text(int32_t ten_thousandths);

// Removes blanks from the end of a text in place.
void trim_trailing_blanks(char* text);
