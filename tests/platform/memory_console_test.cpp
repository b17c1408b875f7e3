// The in-memory console: the grid, the cursor rules, scripted keys and the
// test clock.
#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

namespace {

std::string trimmed(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

TEST(MemoryConsole, TextAttributesAndClearToEndOfLine) {
  MemoryConsole c(20, 5);
  c.set_attr(0x1E);
  c.goto_xy(3, 2);
  c.put_text("ABCDEF");
  EXPECT_EQ(c.row_text(2), "  ABCDEF            ");
  EXPECT_EQ(c.attr_at(3, 2), 0x1E);
  EXPECT_EQ(c.attr_at(2, 2), 7);
  EXPECT_EQ(c.cursor_col(), 9);
  c.goto_xy(5, 2);
  c.set_attr(0x40);
  c.clear_eol();
  EXPECT_EQ(trimmed(c.row_text(2)), "  AB");
  EXPECT_EQ(c.attr_at(5, 2), 0x40);
  EXPECT_EQ(c.attr_at(20, 2), 0x40);
  EXPECT_EQ(c.cursor_col(), 5) << "clearing does not move the cursor";
  c.clear();
  EXPECT_EQ(c.row_text(2), std::string(20, ' '));
  EXPECT_EQ(c.attr_at(1, 1), 0x40) << "a cleared screen takes the current attribute";
  EXPECT_EQ(c.cursor_col(), 1);
  EXPECT_EQ(c.cursor_row(), 1);
  c.goto_xy(99, -3);
  EXPECT_EQ(c.cursor_col(), 20);
  EXPECT_EQ(c.cursor_row(), 1);
}

TEST(MemoryConsole, ControlCharactersAndWrapping) {
  MemoryConsole c(10, 3);
  c.put_text("abc\r\nde\nf\bg");
  EXPECT_EQ(trimmed(c.row_text(1)), "abc");
  EXPECT_EQ(trimmed(c.row_text(2)), "de");
  EXPECT_EQ(c.row_text(3), "  g       ") << "LF keeps the column, BS steps back";
  c.put_text("\a");
  EXPECT_EQ(c.plain_beeps(), 1);
  // Filling the last column leaves the cursor there; the next character wraps.
  c.goto_xy(1, 1);
  c.put_text("0123456789");
  EXPECT_EQ(c.cursor_col(), 10);
  EXPECT_EQ(c.cursor_row(), 1);
  c.put_text("X");
  EXPECT_EQ(c.row_text(2), "Xe        ");
  EXPECT_EQ(c.cursor_col(), 2);
  EXPECT_EQ(c.cursor_row(), 2);
  EXPECT_EQ(c.transcript(), "abc\r\nde\nf\bg\a0123456789X");
}

TEST(MemoryConsole, ScrollsAtTheBottom) {
  MemoryConsole c(10, 3);
  c.put_text("one\r\ntwo\r\nthree\r\nfour");
  EXPECT_EQ(trimmed(c.row_text(1)), "two");
  EXPECT_EQ(trimmed(c.row_text(2)), "three");
  EXPECT_EQ(trimmed(c.row_text(3)), "four");
  // A full bottom line does not scroll until one more character comes.
  c.goto_xy(1, 3);
  c.put_text("0123456789");
  EXPECT_EQ(trimmed(c.row_text(1)), "two");
  c.put_text("!");
  EXPECT_EQ(trimmed(c.row_text(1)), "three");
  EXPECT_EQ(trimmed(c.row_text(2)), "0123456789");
  EXPECT_EQ(trimmed(c.row_text(3)), "!");
}

TEST(MemoryConsole, ScriptedKeysEndInEsc) {
  MemoryConsole c;
  c.push_text("Y\r");
  c.push_keys({KEY_F10});
  EXPECT_TRUE(c.key_ready());
  EXPECT_EQ(c.read_key(), 'Y');
  EXPECT_EQ(c.read_key(), KEY_ENTER);
  EXPECT_EQ(c.read_key(), KEY_F10);
  EXPECT_FALSE(c.input_ended());
  EXPECT_TRUE(c.key_ready()) << "the closing ESC is ready at once";
  EXPECT_EQ(c.read_key(), KEY_ESC);
  EXPECT_TRUE(c.input_ended());
  EXPECT_EQ(c.read_key(), KEY_ESC);
}

TEST(MemoryConsole, TimeGapsAdvanceTheClock) {
  MemoryConsole c;
  c.push_keys({'a', MemoryConsole::kTimeGap + 601, 'b'});
  EXPECT_EQ(c.read_key(), 'a');
  EXPECT_EQ(c.now_ms(), 0);
  // A poller sees no key while the user is idle; the gap passes on the clock.
  EXPECT_FALSE(c.key_ready());
  EXPECT_EQ(c.now_ms(), 601000);
  EXPECT_TRUE(c.key_ready());
  EXPECT_EQ(c.read_key(), 'b');
  // read_key waits through a gap.
  c.push_keys({MemoryConsole::kTimeGap + 2, 'c'});
  EXPECT_EQ(c.read_key(), 'c');
  EXPECT_EQ(c.now_ms(), 603000);
  c.idle(250);
  c.advance(5);
  EXPECT_EQ(c.now_ms(), 603255);
}

TEST(MemoryConsole, FlushDropsKeysTypedBeforeTheNextGap) {
  MemoryConsole c;
  c.push_keys({'x', 'y', MemoryConsole::kTimeGap + 1, KEY_ESC});
  EXPECT_EQ(c.read_key(), 'x');
  c.flush_keys();
  EXPECT_FALSE(c.key_ready());
  EXPECT_EQ(c.read_key(), KEY_ESC);
  EXPECT_FALSE(c.input_ended()) << "that ESC was scripted";
}

TEST(MemoryConsole, BeepsCursorAndRestoreAreRecorded) {
  MemoryConsole c;
  c.beep(Beep::plain);
  c.beep(Beep::warning);
  c.beep(Beep::warning);
  EXPECT_EQ(c.plain_beeps(), 1);
  EXPECT_EQ(c.warning_beeps(), 2);
  c.set_cursor_visible(false);
  EXPECT_FALSE(c.cursor_visible());
  EXPECT_FALSE(c.restored());
  c.restore();
  EXPECT_TRUE(c.restored());
}

TEST(ConsoleSelection, InstalledConsoleIsUsedUntilRemoved) {
  MemoryConsole mem;
  Console* old = console_set(&mem);
  EXPECT_EQ(console(), &mem);
  console()->put_text("hi");
  EXPECT_EQ(mem.transcript(), "hi");
  EXPECT_EQ(console_set(old), &mem);
}

}  // namespace
