// A set of keys by hash (open addressing, linear probing): tells in one or
// two memory reads whether a table holds a key. Keys are never removed; the
// set is emptied as a whole.
//
// Traits give: Key, a hash, an equality, and a key value that never occurs
// in a table and marks an empty place (the empty stock number, which is
// never inserted; for numbers a wider cell with a value no 32-bit number
// has).
#pragma once

#include <cstdint>
#include <vector>

#include "xms/table_keys.h"

struct StockKeyTraits {
  using Key = StockKey;
  using Cell = StockKey;
  static Cell empty() { return StockKey{{0, 0, 0}}; }
  static bool is_empty(const Cell& c) { return (c.word[0] | c.word[1] | c.word[2]) == 0; }
  static Cell cell(const Key& k) { return k; }
  static bool same(const Cell& c, const Key& k) {
    return c.word[0] == k.word[0] && c.word[1] == k.word[1] && c.word[2] == k.word[2];
  }
  static uint64_t hash(const Key& k) {
    uint64_t h = k.word[0] * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 29) ^ k.word[1]) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 31) ^ k.word[2]) * 0x94D049BB133111EBull;
    return h ^ (h >> 32);
  }
};

struct NumberKeyTraits {
  using Key = NumberKey;
  using Cell = int64_t;
  static Cell empty() { return INT64_MIN; }
  static bool is_empty(const Cell& c) { return c == INT64_MIN; }
  static Cell cell(const Key& k) { return k.value; }
  static bool same(const Cell& c, const Key& k) { return c == k.value; }
  static uint64_t hash(const Key& k) {
    uint64_t h = static_cast<uint32_t>(k.value) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
};

template <class Traits>
class KeySet {
 public:
  using Key = typename Traits::Key;
  using Cell = typename Traits::Cell;

  void clear() {
    std::vector<Cell>().swap(cells_);
    size_ = 0;
  }
  uint64_t size() const { return size_; }

  bool contains(const Key& key) const {
    if (cells_.empty()) return false;
    uint64_t mask = cells_.size() - 1;
    for (uint64_t i = Traits::hash(key) & mask;; i = (i + 1) & mask) {
      const Cell& c = cells_[i];
      if (Traits::is_empty(c)) return false;
      if (Traits::same(c, key)) return true;
    }
  }

  // Adds a key that is not in the set.
  void add(const Key& key) {
    if ((size_ + 1) * 2 > cells_.size()) grow();
    place(key);
    ++size_;
  }

 private:
  void place(const Key& key) {
    uint64_t mask = cells_.size() - 1;
    uint64_t i = Traits::hash(key) & mask;
    while (!Traits::is_empty(cells_[i])) i = (i + 1) & mask;
    cells_[i] = Traits::cell(key);
  }

  void grow() {
    uint64_t capacity = cells_.empty() ? 1024 : cells_.size() * 2;
    std::vector<Cell> old;
    old.swap(cells_);
    cells_.assign(capacity, Traits::empty());
    for (const Cell& c : old)
      if (!Traits::is_empty(c)) place_cell(c);
  }

  void place_cell(const Cell& cell) {
    uint64_t mask = cells_.size() - 1;
    uint64_t i = Traits::hash(key_of(cell)) & mask;
    while (!Traits::is_empty(cells_[i])) i = (i + 1) & mask;
    cells_[i] = cell;
  }
  static Key key_of(const StockKey& c) { return c; }
  static Key key_of(int64_t c) { return NumberKey{static_cast<int32_t>(c)}; }

  std::vector<Cell> cells_;
  uint64_t size_ = 0;
};
