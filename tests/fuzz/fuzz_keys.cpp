// The key decoder over any bytes at any times: it always ends, leaves
// nothing behind once the input has ended, gives only key codes the console
// knows, and what it gives does not depend on when it is asked or on how the
// bytes were split; bytes that start no sequence come through one for one.
#include <set>

#include "fuzz_support.h"
#include "platform/key_decoder.h"

namespace {

const std::set<int> kExtended = {
    KEY_SHIFT_TAB, KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8,
    KEY_F9, KEY_F10, KEY_HOME, KEY_UP, KEY_PGUP, KEY_LEFT, KEY_RIGHT, KEY_END,
    KEY_DOWN, KEY_PGDN, KEY_INSERT, KEY_DELETE, KEY_CTRL_LEFT, KEY_CTRL_RIGHT,
    KEY_F11, KEY_F12};

// Drains every decided key.
void drain(KeyDecoder& d, int64_t now, std::vector<int>* keys) {
  for (int k; (k = d.next(now)) != -1;) {
    if (!((k >= 0 && k < 256) || kExtended.count(k))) fuzz::fail("unknown key code " + std::to_string(k));
    keys->push_back(k);
  }
}

// All bytes at one moment, asked once at the end.
std::vector<int> at_once(const std::vector<uint8_t>& bytes) {
  KeyDecoder d;
  std::vector<int> keys;
  d.feed(bytes.data(), bytes.size(), 0);
  d.end_of_input();
  drain(d, 0, &keys);
  fuzz::expect(!d.pending(), "bytes left after the end");
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const uint8_t split = in.byte();
  const std::vector<uint8_t> bytes = in.rest();
  const std::vector<int> once = at_once(bytes);
  fuzz::expect(once.size() <= bytes.size(), "more keys than bytes");

  // The same bytes in pieces, asked after every piece, without time passing.
  {
    KeyDecoder d;
    std::vector<int> keys;
    for (size_t i = 0; i < bytes.size();) {
      size_t k = std::min(bytes.size() - i, size_t{1} + (bytes[i] ^ split) % 5);
      d.feed(bytes.data() + i, k, 0);
      drain(d, 0, &keys);
      i += k;
    }
    d.end_of_input();
    drain(d, 0, &keys);
    fuzz::expect(keys == once, "keys depend on how the bytes were split");
  }

  // One byte at a time with time passing: a wait never exceeds the time-out,
  // and input without ESC or bytes above 127 does not depend on the timing.
  bool timeless = true;
  {
    KeyDecoder d;
    std::vector<int> keys;
    int64_t now = 0;
    for (uint8_t b : bytes) {
      timeless = timeless && b != 0x1b && b < 0x80;
      d.feed(b, now);
      now += (b ^ split) % 7 == 0 ? KeyDecoder::kEscTimeoutMs : (b & 3) * 20;
      int wait = d.wait_ms(now);
      fuzz::expect(wait >= 0 && wait <= KeyDecoder::kEscTimeoutMs, "wait out of range");
      drain(d, now, &keys);
    }
    d.end_of_input();
    drain(d, now, &keys);
    fuzz::expect(!d.pending(), "bytes left after the end");
    if (timeless) fuzz::expect(keys == once, "timing changes keys of plain bytes");
  }

  // Plain bytes are keys of their own: CR and LF are Enter (a LF after a CR
  // belongs to it), DEL is Backspace.
  if (timeless) {
    std::vector<int> want;
    for (size_t i = 0; i < bytes.size(); i++) {
      uint8_t b = bytes[i];
      if (b == '\n' && i > 0 && bytes[i - 1] == '\r') continue;
      want.push_back(b == '\r' || b == '\n' ? KEY_ENTER : b == 0x7f ? KEY_BACKSPACE : b);
    }
    fuzz::expect(once == want, "plain bytes changed");
  }
  return 0;
}
