// The plain console: output exactly as written, without escapes, and keys from
// piped bytes.
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

TEST(PlainConsole, WritesTextAsIsAndPutsStatusLinesOnTheirOwnLine) {
  Pipes p;
  {
    PlainConsole c(p.in[0], p.out[1]);
    c.set_attr(0x1F);
    c.clear();  // nothing written yet: no line break
    c.set_cursor_visible(false);
    c.goto_xy(1, 1);
    c.put_text("\xC9\xCD\xBB");
    c.goto_xy(1, 2);  // another row after text: line break
    c.put_text("Reading 12\r");
    c.put_text("Reading 13\r");
    c.goto_xy(1, 25);
    c.clear_eol();
    c.put_text("Status\a");
    c.beep(Beep::warning);
    c.goto_xy(10, 25);  // same row: nothing
    c.put_text("!");
    c.put_text("Done.\r\n");
    c.goto_xy(1, 3);  // the line is empty: nothing
    c.clear();
    c.put_text("|\b");
    c.restore();
  }
  std::string out = p.output();
  EXPECT_EQ(out, "\xC9\xCD\xBB\r\nReading 12\rReading 13\r\r\nStatus!Done.\r\n|\b");
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
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
