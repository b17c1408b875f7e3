// The two key kinds of the store's record tables, in the compact form the
// tables' ordered index holds: a stock number's inventory sort key packed
// into big-endian words (so that ordering is three integer comparisons), or
// the signed 32-bit number.
#pragma once

#include <cstdint>

enum class TableKind { stock, number };

struct StockKey {
  // The sort key's bytes 0..23, zero after its end, as big-endian words. A
  // key holds no NUL byte, so the zero fill sorts a prefix first.
  uint64_t word[3];
};

struct StockKeyCompare {
  int operator()(const StockKey& a, const StockKey& b) const {
    for (int i = 0; i < 3; ++i)
      if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
    return 0;
  }
};

struct NumberKey {
  int32_t value;
};

struct NumberKeyCompare {
  int operator()(const NumberKey& a, const NumberKey& b) const {
    return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
  }
};

// The key of an entry whose stock number (a 21-byte field) lies at offset 0.
StockKey stock_key_of(const uint8_t* entry);
// The key of an entry whose little-endian number lies at offset 0.
NumberKey number_key_of(const uint8_t* entry);
