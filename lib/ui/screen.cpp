#include "ui/screen.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/console.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

struct ScreenState {
  bool set_up = false;
  int found_mode = kModeColor80;  // the text mode found at set-up
  int height = 25;
  int width = 80;
  bool layout_chosen = false;  // a screen chose its layout (screen_layout)
  bool doubled = false;        // ... and its rows are doubled
};
ScreenState g_screen;

// The lines of a 25-line screen above its status line.
constexpr int kFullLayoutLines = 24;
// The lowest line of the lower question box (top row 15, five lines), in the
// single and in the doubled layout (its top on line 30).
constexpr int kBoxBottomSingle = 19;
constexpr int kBoxBottomDoubled = 34;

int single_layout_lines(int lines) { return std::max(lines, kBoxBottomSingle) + 1; }
int doubled_layout_lines(int lines) { return std::max(2 * lines, kBoxBottomDoubled) + 1; }

int screen_height() { return g_screen.set_up ? g_screen.height : console()->height(); }

// The warnings of the run; a run with very many keeps the first ones.
constexpr size_t kWarningsKept = 1000;
std::vector<std::string> g_warnings;
int g_warning_count = 0;

std::string vformat(const char* fmt, va_list args) {
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, fmt, args);
  std::string text;
  if (n > 0) {
    text.assign(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), fmt, again);
    text.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return text;
}

unsigned g_spinner_calls = 0;
unsigned g_spinner_phase = 0;

// The text colour: the foreground (and blink bit) of the attribute changes,
// its background stays.
void set_color(uint8_t colour) {
  Console* con = console();
  con->set_attr(static_cast<uint8_t>((con->attr() & 0x70) | (colour & 0x8F)));
}

// Gives the terminal back on every exit, a fatal one included.
void restore_at_exit() { console()->restore(); }

void bottom_line(const char* text, uint8_t colour) {
  Console* con = console();
  con->set_cursor_visible(false);
  int row = con->height();
  con->goto_xy(1, row);
  con->clear_eol();
  set_color(colour);
  // A longer text is cut at the screen width: it would scroll the screen.
  std::string line = text ? text : "";
  size_t room = static_cast<size_t>(con->width() > 0 ? con->width() : 0);
  if (line.size() > room) line.resize(room);
  con->put_text(line);
  set_color(g_settings.color_foreground);
}

}  // namespace

uint8_t screen_attribute() {
  return static_cast<uint8_t>((g_settings.color_background & 7) * 16 +
                              (g_settings.color_foreground & 15));
}

bool screen_tall() {
  if (g_screen.layout_chosen) return g_screen.doubled;
  return doubled_layout_lines(kFullLayoutLines) <= screen_height();
}

bool screen_layout(int lines) {
  const int height = screen_height();
  g_screen.layout_chosen = true;
  g_screen.doubled = doubled_layout_lines(lines) <= height;
  return single_layout_lines(lines) <= height;
}

void screen_require_lines(int lines) {
  const int height = console()->height();
  const int needed = single_layout_lines(lines);
  if (height >= needed) return;
  con_printf("The screen has %d lines; this program needs at least %d. "
             "Make the window taller and start again.\r\n",
             height, needed);
  fatal_exit();
}

void screen_setup() {
  Console* con = console();
  if (!g_screen.set_up) {
    g_screen.found_mode = con->text_mode();
    std::atexit(restore_at_exit);
  }
  g_screen.set_up = true;
  g_screen.layout_chosen = false;
  con->set_text_mode(con->text_mode() == kModeMono ? kModeMono : kModeColor80);
  con->set_cursor_visible(true);
  g_screen.height = con->height();
  g_screen.width = con->width();
  today_compute();
  con->set_attr(screen_attribute());
  con->set_cursor_visible(false);
  con->clear();
}

void screen_restore() {
  Console* con = console();
  con->set_attr(7);
  con->set_text_mode(g_screen.found_mode);
  con->set_cursor_visible(true);
  con->clear();
}

void header_box(const char* company, const char* title) {
  Console* con = console();
  const std::string rule(78, static_cast<char>(205));
  set_color(g_settings.color_foreground);
  con->goto_xy(1, 1);
  con->put_text(std::string(1, static_cast<char>(201)) + rule + static_cast<char>(187));
  con->goto_xy(1, 2);
  con->put_text(std::string(1, static_cast<char>(186)));
  // Both texts are cut to their columns so the box keeps its width.
  char middle[96];
  std::snprintf(middle, sizeof middle, " %-32.32s %10s %32.32s ", company ? company : "",
                format_date(today()), title ? title : "");
  set_color(g_settings.color_header);
  con->put_text(middle);
  set_color(g_settings.color_foreground);
  con->put_text(std::string(1, static_cast<char>(186)));
  con->goto_xy(1, 3);
  con->put_text(std::string(1, static_cast<char>(200)) + rule + static_cast<char>(188));
}

void status_line(const char* text) { bottom_line(text, g_settings.color_prompt); }
void alert_line(const char* text) { bottom_line(text, g_settings.color_special); }

void progress_spinner() {
  static const char kMarks[4] = {'|', '/', '-', '\\'};
  if (++g_spinner_calls % 128 != 0) return;
  // Text output cannot turn a mark in place.
  if (console()->plain()) return;
  char mark[3] = {kMarks[g_spinner_phase], '\b', '\0'};
  g_spinner_phase = (g_spinner_phase + 1) % 4;
  console()->put_text(mark);
}

void beep_plain() { console()->beep(Beep::plain); }
void beep_warning() { console()->beep(Beep::warning); }

void con_print(const char* text) {
  if (text) console()->put_text(text);
}

void con_printf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  if (!text.empty()) console()->put_text(text);
}

void con_warning(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  Console* con = console();
  if (con->cursor_col() != 1) con->put_text("\r\n");
  con->put_text(text);
  // Kept as one line, without the line ends it was written with.
  size_t first = text.find_first_not_of("\r\n");
  size_t last = text.find_last_not_of("\r\n");
  text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  ++g_warning_count;
  if (g_warnings.size() < kWarningsKept) g_warnings.push_back(text);
}

void warnings_replay() {
  if (g_warning_count == 0) return;
  con_printf("%d warning%s in this run:\r\n", g_warning_count, g_warning_count == 1 ? "" : "s");
  for (const std::string& w : g_warnings) con_printf("%s\r\n", w.c_str());
  if (g_warning_count > static_cast<int>(g_warnings.size()))
    con_printf("(and %d more)\r\n", g_warning_count - static_cast<int>(g_warnings.size()));
}

void fatal_exit() { std::exit(1); }
