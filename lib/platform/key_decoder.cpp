#include "platform/key_decoder.h"

#include <algorithm>

#include "platform/console.h"
#include "platform/cp437.h"

void KeyDecoder::feed(unsigned char byte, int64_t now_ms) {
  buf_.push_back(byte);
  last_ms_ = now_ms;
}

void KeyDecoder::feed(const void* bytes, size_t n, int64_t now_ms) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  buf_.insert(buf_.end(), p, p + n);
  if (n) last_ms_ = now_ms;
}

int KeyDecoder::wait_ms(int64_t now_ms) const {
  int64_t left = kEscTimeoutMs - (now_ms - last_ms_);
  return static_cast<int>(std::clamp<int64_t>(left, 0, kEscTimeoutMs));
}

int KeyDecoder::next(int64_t now_ms) {
  while (!buf_.empty()) {
    int key = -1;
    size_t len = 1;
    Parse r = parse(&key, &len);
    if (r == Parse::incomplete) {
      if (!ended_ && now_ms - last_ms_ < kEscTimeoutMs) return -1;
      // Nothing completed the sequence in time: its first byte is a key of
      // its own (ESC, or a raw byte), the rest is read again.
      key = buf_[0] == 0x1b ? KEY_ESC : buf_[0];
      len = 1;
      r = Parse::key;
    } else if (r == Parse::fallback) {
      key = KEY_ESC;
      len = 1;
      r = Parse::key;
    }
    after_cr_ = len == 1 && buf_[0] == '\r';
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(len));
    if (r == Parse::key) return key;
  }
  return -1;
}

KeyDecoder::Parse KeyDecoder::parse(int* key, size_t* len) const {
  unsigned char b = buf_[0];
  *len = 1;
  switch (b) {
    case 0x1b:
      if (buf_.size() < 2) return Parse::incomplete;
      if (buf_[1] == '[') return parse_csi(key, len);
      if (buf_[1] == 'O') {
        if (buf_.size() < 3) return Parse::incomplete;
        switch (buf_[2]) {
          case 'P': *key = KEY_F1; break;
          case 'Q': *key = KEY_F2; break;
          case 'R': *key = KEY_F3; break;
          case 'S': *key = KEY_F4; break;
          case 'A': *key = KEY_UP; break;
          case 'B': *key = KEY_DOWN; break;
          case 'C': *key = KEY_RIGHT; break;
          case 'D': *key = KEY_LEFT; break;
          case 'H': *key = KEY_HOME; break;
          case 'F': *key = KEY_END; break;
          case 'M': *key = KEY_ENTER; break;
          default: return Parse::fallback;
        }
        *len = 3;
        return Parse::key;
      }
      *key = KEY_ESC;
      return Parse::key;
    case '\r':
      *key = KEY_ENTER;
      return Parse::key;
    case '\n':
      if (after_cr_) return Parse::skip;
      *key = KEY_ENTER;
      return Parse::key;
    case 0x7f:
      *key = KEY_BACKSPACE;
      return Parse::key;
    default:
      if (b >= 0x80) return parse_utf8(key, len);
      *key = b;
      return Parse::key;
  }
}

// ESC '[' parameters final. Unknown complete sequences are dropped whole.
KeyDecoder::Parse KeyDecoder::parse_csi(int* key, size_t* len) const {
  constexpr size_t kMaxLength = 20;
  size_t n = buf_.size();
  if (n < 3) return Parse::incomplete;
  if (buf_[2] == '[') {  // the Linux console's F1..F5: ESC [ [ A..E
    if (n < 4) return Parse::incomplete;
    unsigned char c = buf_[3];
    if (c < 'A' || c > 'E') return Parse::fallback;
    *key = KEY_F1 + (c - 'A');
    *len = 4;
    return Parse::key;
  }
  size_t i = 2;
  for (; i < n; ++i) {
    unsigned char c = buf_[i];
    if (c >= 0x40 && c <= 0x7e) break;
    if (c < 0x20 || c > 0x3f || i >= kMaxLength) return Parse::fallback;
  }
  if (i == n) return Parse::incomplete;
  *len = i + 1;
  unsigned char final_byte = buf_[i];

  // Numeric parameters "p1;p2"; anything else (private markers) is a
  // sequence no key sends.
  int params[2] = {0, 0};
  int count = 0;
  for (size_t j = 2; j < i; ++j) {
    unsigned char c = buf_[j];
    if (c >= '0' && c <= '9') {
      if (count < 2) params[count] = std::min(params[count] * 10 + (c - '0'), 9999);
    } else if (c == ';') {
      ++count;
    } else {
      return Parse::skip;
    }
  }
  int modifier = params[1];
  bool ctrl = modifier >= 2 && ((modifier - 1) & 4);

  switch (final_byte) {
    case 'A': *key = KEY_UP; return Parse::key;
    case 'B': *key = KEY_DOWN; return Parse::key;
    case 'C': *key = ctrl ? KEY_CTRL_RIGHT : KEY_RIGHT; return Parse::key;
    case 'D': *key = ctrl ? KEY_CTRL_LEFT : KEY_LEFT; return Parse::key;
    case 'H': *key = KEY_HOME; return Parse::key;
    case 'F': *key = KEY_END; return Parse::key;
    case 'Z': *key = KEY_SHIFT_TAB; return Parse::key;
    case 'P': *key = KEY_F1; return Parse::key;
    case 'Q': *key = KEY_F2; return Parse::key;
    case 'R': *key = KEY_F3; return Parse::key;
    case 'S': *key = KEY_F4; return Parse::key;
    case '~':
      switch (params[0]) {
        case 1: case 7: *key = KEY_HOME; return Parse::key;
        case 2: *key = KEY_INSERT; return Parse::key;
        case 3: *key = KEY_DELETE; return Parse::key;
        case 4: case 8: *key = KEY_END; return Parse::key;
        case 5: *key = KEY_PGUP; return Parse::key;
        case 6: *key = KEY_PGDN; return Parse::key;
        case 11: case 12: case 13: case 14: case 15:
          *key = KEY_F1 + (params[0] - 11);
          return Parse::key;
        case 17: case 18: case 19: case 20: case 21:
          *key = KEY_F6 + (params[0] - 17);
          return Parse::key;
        case 23: *key = KEY_F11; return Parse::key;
        case 24: *key = KEY_F12; return Parse::key;
        default: return Parse::skip;
      }
    default:
      return Parse::skip;
  }
}

// A UTF-8 character becomes its code-page byte (dropped when the code page
// has none); a byte that starts no valid UTF-8 character is passed as it is,
// which keeps code-page bytes piped in unchanged.
KeyDecoder::Parse KeyDecoder::parse_utf8(int* key, size_t* len) const {
  unsigned char b = buf_[0];
  size_t need = 0;
  uint32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 3;
    cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4;
    cp = b & 0x07;
  } else {
    *key = b;
    return Parse::key;
  }
  for (size_t i = 1; i < need; ++i) {
    if (i >= buf_.size()) return Parse::incomplete;
    unsigned char c = buf_[i];
    if ((c & 0xC0) != 0x80) {
      *key = b;
      return Parse::key;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  *len = need;
  int byte = cp437_from_unicode(cp);
  if (byte < 0) return Parse::skip;
  *key = byte;
  return Parse::key;
}
