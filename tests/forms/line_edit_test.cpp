// The line editor on the in-memory console: accepted characters, the
// checks run when a field is left, ESC, the time-out and the display.
#include <cstring>

#include "form_fixture.h"
#include "ui/forms.h"
#include "ui/screen.h"

namespace {

using LineEdit = FormFixture;

char* buffer(const char* initial = "") {
  char* b = line_pool_buffer(0);
  snprintf(b, kLineBufferSize, "%s", initial);
  return b;
}

TEST_F(LineEdit, YesNoFieldUpperCasesAndRefusesOtherLetters) {
  char* b = buffer();
  keys("xy");
  EXPECT_EQ(edit(b, 'Y', 1), KEY_TAB);  // the full field ends the edit
  EXPECT_STREQ(b, "Y");
  EXPECT_EQ(con_.warning_beeps(), 1);
}

TEST_F(LineEdit, FullDateFieldLeavesAtOnceAsTypedWhenItGivesADay) {
  char* b = buffer();
  keys("13/01/1998");  // month 13 is January of the next year
  EXPECT_EQ(edit(b, 'D', 10), KEY_TAB);
  EXPECT_STREQ(b, "13/01/1998");
  EXPECT_EQ(con_.plain_beeps(), 0);
  // A value typed in full counts as a change.
  EXPECT_TRUE(g_form_changed);

  // Texts that give no day are refused as they fill the field: the bottom
  // line says why and the cursor stays on the last position for correcting.
  for (const char* typed : {"13/45/2020", "00/00/0000", "12/31/1899"}) {
    SCOPED_TRACE(typed);
    int beeps = con_.plain_beeps();
    buffer();
    keys(typed);
    keys("1", {KEY_ESC});
    EXPECT_EQ(edit(b, 'D', 10), KEY_ESC);
    EXPECT_EQ(con_.plain_beeps(), beeps + 2);  // refused, and refused again after the "1"
    EXPECT_NE(con_.row_text(25).find("Not a valid date: type MM/DD/YYYY"), std::string::npos);
    EXPECT_STREQ(b, "          ");
  }
  keys("12/31/199", {KEY_BACKSPACE});
  keys("99");
  EXPECT_EQ(edit(b, 'D', 10), KEY_TAB);
  EXPECT_STREQ(b, "12/31/1999");
}

TEST_F(LineEdit, DateChecksWhenTheFieldIsLeft) {
  char* b = buffer("02/02/1997");
  // Not the MM/DD/YYYY text of its day: refused, and refused again however
  // often the field is left; ESC then restores the value of entry.
  keys("1/5/1998", {KEY_DELETE, KEY_DELETE, KEY_TAB, KEY_TAB, KEY_HOME, KEY_TAB, KEY_ESC});
  EXPECT_EQ(edit(b, 'D', 10), KEY_ESC);
  EXPECT_STREQ(b, "02/02/1997");
  EXPECT_EQ(con_.plain_beeps(), 3);
  EXPECT_FALSE(g_form_changed);
  // The bottom line says why, as for a two-digit year.
  EXPECT_NE(con_.row_text(25).find("Not a valid date"), std::string::npos);
  con_.goto_xy(1, 25);
  con_.clear_eol();
  buffer();
  keys("01/01/20", {KEY_TAB, KEY_ESC});
  EXPECT_EQ(edit(b, 'D', 10), KEY_ESC);
  EXPECT_NE(con_.row_text(25).find("Not a valid date"), std::string::npos);
  EXPECT_EQ(con_.plain_beeps(), 4);
  snprintf(b, kLineBufferSize, "02/02/1997");

  keys("*", {KEY_TAB});
  EXPECT_EQ(edit(b, 'D', 10), KEY_TAB);
  EXPECT_STREQ(b, "01/01/1998");

  // Slashes are forced into their places.
  snprintf(b, kLineBufferSize, "12/25/1997");
  keys("01.", {KEY_TAB});
  EXPECT_EQ(edit(b, 'd', 10), KEY_TAB);
  EXPECT_STREQ(b, "01/25/1997");

  // A year before 1900 is refused.
  snprintf(b, kLineBufferSize, "12/31/1999");
  keys("", {KEY_END, KEY_LEFT, KEY_LEFT});
  keys("8", {KEY_TAB, KEY_ESC});
  EXPECT_EQ(edit(b, 'D', 10), KEY_ESC);
  EXPECT_STREQ(b, "12/31/1999");
  EXPECT_EQ(con_.plain_beeps(), 5);
}

TEST_F(LineEdit, EmptiedDateFieldIsAccepted) {
  char* b = buffer("01/01/1998");
  keys("", {KEY_F1, KEY_TAB});
  EXPECT_EQ(edit(b, 'D', 10), KEY_TAB);
  EXPECT_STREQ(b, "          ");
  EXPECT_TRUE(g_form_changed);

  snprintf(b, kLineBufferSize, "01/01/1998");
  keys("", {KEY_DELETE, KEY_DELETE, KEY_DELETE, KEY_DELETE, KEY_DELETE, KEY_DELETE, KEY_DELETE,
            KEY_DELETE, KEY_DELETE, KEY_DELETE, KEY_TAB});
  EXPECT_EQ(edit(b, 'D', 10), KEY_TAB);
  EXPECT_STREQ(b, "          ");
  EXPECT_EQ(con_.plain_beeps(), 0);
}

TEST_F(LineEdit, UntouchedFieldReturnsItsEntryValuePadded) {
  char* b = buffer("AB");
  keys("", {KEY_SHIFT_TAB});
  EXPECT_EQ(edit(b, 'N', 5), KEY_SHIFT_TAB);
  EXPECT_STREQ(b, "AB   ");  // no number check on an untouched field
  EXPECT_FALSE(g_form_changed);
}

TEST_F(LineEdit, EscRestoresTheValueOfEntry) {
  char* b = buffer("HELLO");
  keys("xy", {KEY_DELETE, KEY_ESC});
  EXPECT_EQ(edit(b, 'B', 8), KEY_ESC);
  EXPECT_STREQ(b, "HELLO   ");
  EXPECT_FALSE(g_form_changed);
  EXPECT_FALSE(con_.cursor_visible());
}

TEST_F(LineEdit, NumbersAndMoneyAreRewrittenInTheirForms) {
  char* b = buffer();
  keys("42", {KEY_TAB});
  EXPECT_EQ(edit(b, 'I', 6), KEY_TAB);
  EXPECT_STREQ(b, "    42");
  keys("-7x", {KEY_ENTER});
  EXPECT_EQ(edit(b, 'N', 6), KEY_ENTER);  // refused x beeps; number rewritten
  EXPECT_STREQ(b, "    -7");
  EXPECT_EQ(con_.warning_beeps(), 1);

  char* m = buffer();
  keys("47.5", {KEY_TAB});
  EXPECT_EQ(edit(m, 'M', 12), KEY_TAB);
  EXPECT_STREQ(m, "       47.50");
  keys("5.8125", {KEY_TAB});
  EXPECT_EQ(edit(m, '4', 12), KEY_TAB);
  EXPECT_STREQ(m, "      5.8125");

  // Out of range: plain beep, the field keeps its value after ESC.
  keys("30000000", {KEY_TAB, KEY_ESC});
  EXPECT_EQ(edit(m, 'M', 12), KEY_ESC);
  EXPECT_STREQ(m, "      5.8125");
  EXPECT_EQ(con_.plain_beeps(), 1);
  // A money value too wide for its field is refused too.
  char* narrow = buffer();
  keys("99999", {KEY_TAB, KEY_ESC});
  EXPECT_EQ(edit(narrow, 'm', 7), KEY_ESC);
  EXPECT_EQ(con_.plain_beeps(), 2);
}

TEST_F(LineEdit, UnderscoresShowAsBackquotesAndEmptyPositionsAsUnderscores) {
  char* b = buffer("A_B");
  keys("", {KEY_END});
  keys("`", {KEY_TAB});
  EXPECT_EQ(edit(b, 'b', 6, "T: "), KEY_TAB);
  EXPECT_TRUE(shown("A`B___"));  // while edited
  EXPECT_TRUE(shown("A`B`__"));
  EXPECT_STREQ(b, "A_B_  ");
  EXPECT_EQ(con_.row_text(5).substr(0, 9), "T: A_B_  ");
}

TEST_F(LineEdit, InsertModeAndCursorKeys) {
  char* b = buffer("ABCDE");
  keys("", {KEY_INSERT});
  keys("x", {KEY_TAB});
  EXPECT_EQ(edit(b, 'B', 6), KEY_TAB);
  EXPECT_STREQ(b, "XABCDE");  // the last position was empty
  EXPECT_TRUE(g_insert_mode);  // it stays on for the next field

  keys("z", {KEY_END});
  keys("q");
  // The inserted z pushes E out; End goes to the last position, and q
  // typed there fills the field.
  EXPECT_EQ(edit(b, 'b', 6), KEY_TAB);
  EXPECT_STREQ(b, "zXABCq");

  g_insert_mode = false;
  char* c = buffer("AB");
  keys("", {KEY_RIGHT, KEY_RIGHT, KEY_RIGHT});
  keys("C", {KEY_HOME});
  keys("", {KEY_DELETE, KEY_LEFT, KEY_BACKSPACE, KEY_UP, KEY_TAB});
  EXPECT_EQ(edit(c, '@', 6), KEY_TAB);
  EXPECT_STREQ(c, "B C   ");  // Right over an empty position leaves a blank
  EXPECT_EQ(con_.warning_beeps(), 1);  // Up is not an editing key

  char* d = buffer("X");
  keys("", {KEY_CTRL_RIGHT});
  keys("y", {KEY_TAB});
  EXPECT_EQ(edit(d, 'b', 20), KEY_TAB);
  EXPECT_STREQ(d, "X           y       ");
  keys("", {KEY_CTRL_RIGHT, KEY_ESC});
  EXPECT_EQ(edit(d, 'A', 20), KEY_ESC);
  EXPECT_EQ(con_.warning_beeps(), 2);
}

TEST_F(LineEdit, AutoAdvanceDependsOnTheType) {
  char* b = buffer();
  keys("ab", {KEY_TAB});
  EXPECT_EQ(edit(b, '@', 2), KEY_TAB);
  EXPECT_STREQ(b, "AB");
  keys("abc", {KEY_TAB});  // the third character finds no room
  EXPECT_EQ(edit(b, '@', 2), KEY_TAB);
  EXPECT_EQ(con_.warning_beeps(), 1);
  keys("(5)", {});
  EXPECT_EQ(edit(b, 'P', 3), KEY_TAB);
  EXPECT_STREQ(b, "(5)");
}

TEST_F(LineEdit, TimeOutEndsAsEsc) {
  char* b = buffer("KEEP");
  keys("new");
  gap(599);
  keys("", {KEY_TAB});
  EXPECT_EQ(edit(b, 'B', 6), KEY_TAB);
  EXPECT_STREQ(b, "NEWP  ");

  keys("old");
  gap(601);
  EXPECT_EQ(edit(b, 'B', 6), KEY_ESC);
  EXPECT_STREQ(b, "NEWP  ");

  // Without the time-out switch the gap changes nothing.
  gap(5000);
  keys("", {KEY_TAB});
  EXPECT_EQ(line_edit("X", 1, 5, 6, 'B', b, false), KEY_TAB);
}

TEST(LineEditTall, RowsAreDoubledOnATallConsole) {
  MemoryConsole con(80, 50);
  Console* old = console_set(&con);
  settings_defaults(ProgramKind::prune);
  screen_setup();
  char* b = line_pool_buffer(0);
  snprintf(b, kLineBufferSize, "V");
  con.push_keys({KEY_TAB});
  EXPECT_EQ(line_edit("Label: ", 3, 12, 4, 'B', b, true), KEY_TAB);
  EXPECT_EQ(con.row_text(24).substr(2, 11), "Label: V   ");
  EXPECT_EQ(con.row_text(12), std::string(80, ' '));
  console_set(old);
}

}  // namespace
