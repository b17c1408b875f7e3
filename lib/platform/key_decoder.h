// Turns the bytes a keyboard sends (a terminal's or piped standard input's)
// into the console's key codes. It is fed bytes with the time they arrived
// and asked for keys at a given time; it needs no terminal, so it is tested
// on byte sequences alone.
//
// Escape sequences (CSI "ESC [" and SS3 "ESC O") become extended keys. An ESC
// that no sequence follows within kEscTimeoutMs of the last byte is the ESC
// key; so is an ESC followed by any byte other than '[' or 'O' (the byte is
// then a key of its own). CR and LF are Enter (a LF right after a CR belongs
// to it), DEL is Backspace. UTF-8 characters that code page 437 has are
// delivered as their code-page byte; other bytes above 127 pass unchanged.
#pragma once

#include <cstdint>
#include <cstddef>
#include <deque>

class KeyDecoder {
 public:
  static constexpr int kEscTimeoutMs = 50;

  void feed(unsigned char byte, int64_t now_ms);
  void feed(const void* bytes, size_t n, int64_t now_ms);
  // No more bytes will come: pending bytes resolve without waiting.
  void end_of_input() { ended_ = true; }
  // The next decided key, or -1 while none is decided (nothing buffered, or
  // a sequence that may still be completed before its time-out).
  int next(int64_t now_ms);
  // True when bytes wait for the rest of a sequence.
  bool pending() const { return !buf_.empty(); }
  // Milliseconds until the buffered bytes time out (0 when already due).
  int wait_ms(int64_t now_ms) const;

 private:
  enum class Parse { key, skip, incomplete, fallback };
  Parse parse(int* key, size_t* len) const;
  Parse parse_csi(int* key, size_t* len) const;
  Parse parse_utf8(int* key, size_t* len) const;

  std::deque<unsigned char> buf_;
  int64_t last_ms_ = 0;
  bool ended_ = false;
  bool after_cr_ = false;
};
