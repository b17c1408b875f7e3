#include "xms/table_keys.h"

#include "db/bytes.h"
#include "db/inventory.h"

StockKey stock_key_of(const uint8_t* entry) {
  // The key of a 21-byte stock number is at most 22 bytes long.
  uint8_t bytes[32] = {};
  inventory_key(reinterpret_cast<const char*>(entry), 21, reinterpret_cast<char*>(bytes));
  StockKey key;
  for (int w = 0; w < 3; ++w) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | bytes[w * 8 + i];
    key.word[w] = v;
  }
  return key;
}

NumberKey number_key_of(const uint8_t* entry) { return NumberKey{le_get_i32(entry)}; }
