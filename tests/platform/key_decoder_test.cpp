// The key decoder on the byte sequences terminals and piped input send.
#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"

namespace {

// Feeds bytes at time t and collects every key decided at time t.
std::vector<int> keys_of(KeyDecoder& d, const std::string& bytes, int64_t t) {
  d.feed(bytes.data(), bytes.size(), t);
  std::vector<int> keys;
  for (int k; (k = d.next(t)) >= 0;) keys.push_back(k);
  return keys;
}

std::vector<int> decode(const std::string& bytes) {
  KeyDecoder d;
  auto keys = keys_of(d, bytes, 0);
  d.end_of_input();
  for (int k; (k = d.next(0)) >= 0;) keys.push_back(k);
  return keys;
}

using Keys = std::vector<int>;

TEST(KeyDecoder, FunctionKeysInBothEncodings) {
  EXPECT_EQ(decode("\x1bOP\x1bOQ\x1bOR\x1bOS"), (Keys{KEY_F1, KEY_F2, KEY_F3, KEY_F4}));
  EXPECT_EQ(decode("\x1b[11~\x1b[12~\x1b[13~\x1b[14~\x1b[15~"), (Keys{KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5}));
  EXPECT_EQ(decode("\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~"), (Keys{KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10}));
  EXPECT_EQ(decode("\x1b[[A\x1b[[E"), (Keys{KEY_F1, KEY_F5}));
  EXPECT_EQ(decode("\x1b[1;2P"), (Keys{KEY_F1})) << "modified F1 is still F1";
}

TEST(KeyDecoder, CursorAndEditingKeys) {
  EXPECT_EQ(decode("\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOD"),
            (Keys{KEY_UP, KEY_DOWN, KEY_RIGHT, KEY_LEFT, KEY_UP, KEY_LEFT}));
  EXPECT_EQ(decode("\x1b[H\x1b[F\x1bOH\x1bOF\x1b[1~\x1b[4~\x1b[7~\x1b[8~"),
            (Keys{KEY_HOME, KEY_END, KEY_HOME, KEY_END, KEY_HOME, KEY_END, KEY_HOME, KEY_END}));
  EXPECT_EQ(decode("\x1b[2~\x1b[3~\x1b[5~\x1b[6~"), (Keys{KEY_INSERT, KEY_DELETE, KEY_PGUP, KEY_PGDN}));
  EXPECT_EQ(decode("\x1b[Z\t"), (Keys{KEY_SHIFT_TAB, KEY_TAB}));
  EXPECT_EQ(decode("\x1b[1;5C\x1b[1;5D\x1b[1;2C"), (Keys{KEY_CTRL_RIGHT, KEY_CTRL_LEFT, KEY_RIGHT}));
}

TEST(KeyDecoder, EnterBackspaceAndPlainBytes) {
  EXPECT_EQ(decode("a\rb\nc\r\nd"), (Keys{'a', KEY_ENTER, 'b', KEY_ENTER, 'c', KEY_ENTER, 'd'}));
  EXPECT_EQ(decode("\r\r\n\n"), (Keys{KEY_ENTER, KEY_ENTER, KEY_ENTER})) << "LF only joins the CR right before it";
  EXPECT_EQ(decode("\x7f\b"), (Keys{KEY_BACKSPACE, KEY_BACKSPACE}));
  EXPECT_EQ(decode("Y1 ~"), (Keys{'Y', '1', ' ', '~'}));
}

TEST(KeyDecoder, UnknownSequencesAreDropped) {
  EXPECT_EQ(decode("\x1b[99~x\x1b[?1;2cy\x1b[<0;3;4Mz"), (Keys{'x', 'y', 'z'}));
}

TEST(KeyDecoder, EscAloneOrBeforeOtherBytes) {
  EXPECT_EQ(decode("\x1bx"), (Keys{KEY_ESC, 'x'}));
  EXPECT_EQ(decode("\x1b\x1b[A"), (Keys{KEY_ESC, KEY_UP}));
  EXPECT_EQ(decode("\x1bOz"), (Keys{KEY_ESC, 'O', 'z'}));
  EXPECT_EQ(decode("\x1b[\x01"), (Keys{KEY_ESC, '[', 1})) << "a control byte breaks the sequence";
  EXPECT_EQ(decode("\x1b"), (Keys{KEY_ESC})) << "end of input decides a lone ESC";
}

TEST(KeyDecoder, LoneEscWaitsForItsTimeout) {
  KeyDecoder d;
  EXPECT_EQ(keys_of(d, "\x1b", 1000), Keys{});
  EXPECT_TRUE(d.pending());
  EXPECT_EQ(d.wait_ms(1000), KeyDecoder::kEscTimeoutMs);
  EXPECT_EQ(d.next(1000 + KeyDecoder::kEscTimeoutMs - 1), -1);
  EXPECT_EQ(d.wait_ms(1000 + KeyDecoder::kEscTimeoutMs - 1), 1);
  EXPECT_EQ(d.next(1000 + KeyDecoder::kEscTimeoutMs), KEY_ESC);
  EXPECT_FALSE(d.pending());
}

TEST(KeyDecoder, SequenceSplitAcrossReadsCompletes) {
  KeyDecoder d;
  EXPECT_EQ(keys_of(d, "\x1b[2", 0), Keys{});
  EXPECT_EQ(keys_of(d, "1", 30), Keys{});
  // The time-out runs from the last byte, so a slow sequence still completes.
  EXPECT_EQ(keys_of(d, "~", 70), Keys{KEY_F10});
  // A sequence cut off for good falls apart into its bytes.
  EXPECT_EQ(keys_of(d, "\x1b[", 100), Keys{});
  EXPECT_EQ(d.next(200), KEY_ESC);
  EXPECT_EQ(d.next(200), '[');
}

TEST(KeyDecoder, Utf8BecomesCodePageBytes) {
  EXPECT_EQ(decode("\xc3\xa9\xe2\x95\x94"), (Keys{0x82, 201}));  // é, ╔
  EXPECT_EQ(decode("\xe2\x82\xac"), Keys{}) << "a character the code page lacks";
  EXPECT_EQ(decode("\x82\xc9x"), (Keys{0x82, 0xC9, 'x'})) << "raw code-page bytes pass unchanged";
  KeyDecoder d;
  EXPECT_EQ(keys_of(d, "\xc3", 0), Keys{});
  EXPECT_EQ(keys_of(d, "\xa9", 10), Keys{0x82});
}

}  // namespace
