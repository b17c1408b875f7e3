// The plain console: screens as text lines, and keys from piped bytes.
#include "platform/console_plain.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

struct Pipes {
  int in[2], out[2];
  Pipes() {
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
  }
  ~Pipes() {
    for (int fd : {in[0], in[1], out[0], out[1]})
      if (fd >= 0) close(fd);
  }
  void type(const std::string& s) { EXPECT_EQ(write(in[1], s.data(), s.size()), (ssize_t)s.size()); }
  void end_input() {
    close(in[1]);
    in[1] = -1;
  }
  std::string output() {
    close(out[1]);
    out[1] = -1;
    std::string s;
    char buf[512];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) s.append(buf, n);
    return s;
  }
};

// What a screen draws comes out as text lines: each row written once, as it
// ended, in UTF-8, with the messages' own line ends and nothing a text file
// cannot hold (escapes, bells, backspaces, bare carriage returns).
TEST(PlainConsole, ScreenRowsBecomeTextLines) {
  Pipes p;
  {
    PlainConsole c(p.in[0], p.out[1]);
    c.set_attr(0x1F);
    c.clear();  // nothing written yet: no line
    c.set_cursor_visible(false);
    c.goto_xy(1, 1);
    c.put_text("\xC9" + std::string(78, '\xCD') + "\xBB");  // a full row, then the next one
    c.goto_xy(1, 2);
    c.put_text("\xBA ok \xBA");
    c.goto_xy(1, 3);
    for (int n : {128, 256, 384}) c.put_text("00" + std::to_string(n) + "\r");  // a counter
    c.put_text("\r\nCleaning workorders...\r\n");
    c.goto_xy(1, 25);
    c.clear_eol();
    c.put_text("Purging Usage... \a");
    c.beep(Beep::warning);
    c.goto_xy(1, 25);                          // the status line written anew
    c.clear_eol();
    c.put_text("Purging Receiving... ");
    c.goto_xy(5, 10);
    c.put_text("   ");                         // blanks only: no line
    c.goto_xy(1, 11);
    c.put_text(std::string(100, 'x') + "\r\n");  // one long message keeps its line
    c.put_text("XMS_alloc failed...");
    c.restore();
  }
  std::string out = p.output();
  std::string rule;
  for (int i = 0; i < 78; ++i) rule += "\u2550";
  EXPECT_EQ(out, "\u2554" + rule + "\u2557\r\n\u2551 ok \u2551\r\n00384\r\nCleaning workorders...\r\n" +
                     "Purging Usage... \r\nPurging Receiving... \r\n" + std::string(100, 'x') +
                     "\r\nXMS_alloc failed...\r\n");
  for (char bad : {'\x1b', '\a', '\b'}) EXPECT_EQ(out.find(bad), std::string::npos);
}

TEST(PlainConsole, KeysFromInputBytesThenEscAtTheEnd) {
  Pipes p;
  PlainConsole c(p.in[0], p.out[1]);
  EXPECT_FALSE(c.key_ready());
  p.type("n\r\n\x1b[21~\x1bq");
  p.end_input();
  EXPECT_TRUE(c.key_ready());
  EXPECT_EQ(c.read_key(), 'n');
  c.flush_keys();  // piped keys are a script: nothing is thrown away
  EXPECT_EQ(c.read_key(), KEY_ENTER);
  EXPECT_EQ(c.read_key(), KEY_F10);
  EXPECT_EQ(c.read_key(), KEY_ESC);
  EXPECT_EQ(c.read_key(), 'q');
  EXPECT_FALSE(c.input_ended());
  EXPECT_TRUE(c.key_ready());
  EXPECT_EQ(c.read_key(), KEY_ESC);
  EXPECT_TRUE(c.input_ended());
}

TEST(PlainConsole, TrailingEscWaitsForMoreBytesBriefly) {
  Pipes p;
  PlainConsole c(p.in[0], p.out[1]);
  p.type("\x1b");
  int64_t t0 = c.now_ms();
  EXPECT_EQ(c.read_key(), KEY_ESC);
  EXPECT_GE(c.now_ms() - t0, KeyDecoder::kEscTimeoutMs - 1);
  EXPECT_FALSE(c.input_ended());
}

}  // namespace
