// Scanning of a document text held in memory, shared by the workorder and
// purchase-order readers. A text is the range [p, end) of a buffer; it holds
// no NUL (the document ends at its first NUL).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A piece of the text: a value, a column slice, a line.
struct View {
  const char* p;
  size_t n;
};

// Passes space, tab, LF, VT, FF and CR; a ";" met there comments out the
// rest of its line.
const char* scan_skip_blanks(const char* p, const char* end);
// The first CR or LF at or after p, or end.
const char* scan_eol(const char* p, const char* end);
// To the next line break, then past blanks and comments.
inline const char* scan_next_line(const char* p, const char* end) {
  return scan_skip_blanks(scan_eol(p, end), end);
}
// Searches from p for a "[name]" (name compared without regard to case),
// looking at every "[" in turn; after a "[" that does not match, the search
// goes on with the next line. Returns the position right after the "]", or
// null when there is none.
const char* scan_find_section(const char* p, const char* end, const char* name);
// The same search, giving the "[" of the header found.
const char* scan_find_header(const char* p, const char* end, const char* name);

// The value lines of a header-and-values section, examined from their first
// non-blank character up to a line that begins with "[" or the end of the
// text. Keys are searched in order: each search starts after the line of the
// last key found, so keys are seen only in the order they are asked for, and
// a missing key reads as empty without moving the search.
class KeySection {
 public:
  // Indexes the lines from p (usually right after a section header).
  void open(const char* p, const char* end);
  // Finds "key=" (key without regard to case); the value is the rest of the
  // line after the "=" and any spaces. False and an empty value when missing.
  bool find(const char* key, size_t length, View* value);
  template <size_t N>
  bool find(const char (&key)[N], View* value) {
    return find(key, N - 1, value);
  }
  // Where a search for the next section starts: the first line not yet
  // passed over, or where the section's lines end.
  const char* position() const;
  // The search's place among the lines, to start several searches from one
  // place (the split entries).
  size_t mark() const { return cursor_; }
  void seek(size_t mark) { cursor_ = mark; }

 private:
  struct Line {
    const char* start;
    const char* eol;
    int32_t key_len;  // characters before the first "=", -1 without one
  };
  std::vector<Line> lines_;
  size_t cursor_ = 0;
  const char* stop_ = nullptr;
};

// Iterates the lines of a line section (parts, labor, sublets, waste,
// credits). Columns of a line count from its first character. Lines holding
// only blanks and comment lines are passed over; a line whose first
// non-blank character is "[" ends the section.
struct LineCursor {
  const char* p;    // start of the next line (initially right after "]")
  const char* end;
  // The next line into *line. False when the section ends: *bracket is then
  // the "[" that ended it, or null when the text ended first.
  bool next(View* line, const char** bracket);
};

// Columns [from, from + width) of a line, cut at the line's end (empty when
// the line is shorter).
inline View column(View line, size_t from, size_t width) {
  if (from >= line.n) return View{line.p + line.n, 0};
  size_t n = line.n - from;
  return View{line.p + from, n < width ? n : width};
}
// From column `from` to the end of the line.
inline View rest(View line, size_t from) { return column(line, from, SIZE_MAX); }

View trim_right(View v);
// Decimal integer: leading blanks, optional sign, digits up to the first
// other character; empty gives 0. Held at the 32-bit range.
int32_t view_number(View v);
// The same, with every blank inside the slice ignored.
int32_t view_number_noblanks(View v);
// A part quantity is 16 bits wide and written in five columns: it is held
// at what both take (-9999 to 32767), so that a larger number read does not
// wrap round to a negative one and a line written never pushes its amounts
// out of their columns.
inline int16_t quantity_clamp(int64_t q) {
  return static_cast<int16_t>(q < -9999 ? -9999 : q > 32767 ? 32767 : q);
}
inline int16_t view_quantity(View v) { return quantity_clamp(view_number(v)); }
// A date text to a day number; empty or invalid gives -1.
int32_t view_date(View v);
// A note: its line breaks kept, the blanks and line breaks at its end left
// out.
View trim_note(View v);
// Copies a value into a fixed text field, cut to the field's capacity
// (width - 1) and NUL-filled.
void view_to_field(View v, char* field, size_t width);
// The value as an owned text (malloc); null when memory is short.
char* view_dup(View v);
// True when v contains the text s (case counts).
bool view_contains(View v, const char* s);

// The value of the next key in order: a text cut to its field, a number (0
// when missing), a date (-1 when missing or not a date).
template <size_t K, size_t N>
void read_text(KeySection& keys, const char (&key)[K], char (&field)[N]) {
  View v;
  keys.find(key, &v);
  view_to_field(v, field, N);
}

template <size_t K>
int32_t read_number(KeySection& keys, const char (&key)[K]) {
  View v;
  keys.find(key, &v);
  return view_number(v);
}

template <size_t K>
int32_t read_date(KeySection& keys, const char (&key)[K]) {
  View v;
  keys.find(key, &v);
  return view_date(v);
}
