#include "xms/table.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "db/dbfile.h"
#include "db/recfile.h"
#include "platform/env.h"
#include "ui/screen.h"
#include "xms/key_index.h"
#include "xms/store_access.h"
#include "xms/table_keys.h"

// How a table is kept. The store always receives every entry as it is
// inserted, but at the slot just above the table's end rather than at its
// rank; an ordered index of the keys beside the store knows each entry's
// rank and slot. Searches and duplicate checks go through the index. The
// entries are put at the offsets of their ranks (one in-place permutation,
// each entry moved once) as soon as anything reads the table's bytes: a
// save, an XMS copy that touches them, or a table operation the index cannot
// answer. So the store's bytes are exactly those of the sorted table
// whenever they are looked at, and building costs O(n log n).
//
// A table the index does not describe (loaded from a file, or written into
// from outside) is checked once: if its keys ascend strictly the index is
// rebuilt from it, otherwise the operations probe the store directly, entry
// by entry, as a plain sorted array would be searched and shifted.

namespace {

constexpr uint64_t kPiece = 32768;

enum class Mode {
  none,        // no table known
  ordered,     // keys ascend strictly; the index is valid
  unordered,   // keys do not ascend strictly (a loaded file): no index
  unverified,  // loaded or written from outside: to be checked
};

struct Table {
  XmsBlock* store = nullptr;
  TableKind kind = TableKind::stock;
  uint32_t entry_size = 0;
  int count = 0;
  Mode mode = Mode::none;
  // Entries were inserted since the store was last put in order: they sit
  // at the slot they came in at, not at their rank.
  bool scattered = false;
  KeyIndex<StockKeyTraits, StockKeyCompare> stock_index;
  KeyIndex<NumberKeyTraits, NumberKeyCompare> number_index;
};

Table g_table;

[[noreturn]] void out_of_memory() { fatal_exit(); }

uint8_t* entry_at(XmsBlock* store, uint64_t slot, uint32_t entry_size) {
  return xms_span(store, slot * entry_size, entry_size);
}

void read_entry(XmsBlock* store, uint64_t slot, uint32_t entry_size, uint8_t* out) {
  if (const uint8_t* p = entry_at(store, slot, entry_size))
    std::memcpy(out, p, entry_size);
  else
    xms_copy_raw(store, kXmsCopyDown, out, slot * entry_size, 0, entry_size);
}

void write_entry(XmsBlock* store, uint64_t slot, uint32_t entry_size, const uint8_t* in) {
  if (uint8_t* p = entry_at(store, slot, entry_size))
    std::memcpy(p, in, entry_size);
  else
    xms_copy_raw(store, kXmsCopyUp, const_cast<uint8_t*>(in), slot * entry_size, 0, entry_size);
}

void move_entry(XmsBlock* store, uint64_t from, uint64_t to, uint32_t entry_size) {
  uint8_t* source = entry_at(store, from, entry_size);
  uint8_t* destination = entry_at(store, to, entry_size);
  if (source && destination)
    std::memcpy(destination, source, entry_size);
  else
    xms_copy_raw(store, kXmsMove, nullptr, from * entry_size, to * entry_size, entry_size);
}

int compare_entries(TableKind kind, const uint8_t* a, const uint8_t* b) {
  if (kind == TableKind::stock) return StockKeyCompare()(stock_key_of(a), stock_key_of(b));
  return NumberKeyCompare()(number_key_of(a), number_key_of(b));
}

void drop_index() {
  g_table.stock_index.clear();
  g_table.number_index.clear();
}

template <class Index>
void permute_into_place(Index& index) {
  Table& t = g_table;
  std::vector<uint32_t>& slots = index.slots();  // slots[r]: where the entry of rank r lies
  uint64_t end = static_cast<uint64_t>(t.count);
  // The entries below the first one out of place are untouched, so the
  // slots from there on are exactly the positions from there on.
  uint64_t from = 0;
  while (from < end && slots[from] == from) ++from;
  if (from == end) return;
  std::unique_ptr<uint8_t[]> held(new (std::nothrow) uint8_t[t.entry_size]);
  if (!held) out_of_memory();
  // Each cycle of the permutation is walked once: every position takes the
  // entry that belongs there, the cycle's first entry waiting in held.
  for (uint64_t start = from; start < end; ++start) {
    if (slots[start] == start) continue;
    read_entry(t.store, start, t.entry_size, held.get());
    uint64_t hole = start;
    for (;;) {
      uint64_t next = slots[hole];
      slots[hole] = static_cast<uint32_t>(hole);
      if (next == start) {
        write_entry(t.store, hole, t.entry_size, held.get());
        break;
      }
      move_entry(t.store, next, hole, t.entry_size);
      hole = next;
    }
  }
}

// Puts the known table's entries at the offsets of their ranks.
void settle() {
  Table& t = g_table;
  if (t.mode != Mode::ordered || !t.scattered) return;
  if (t.kind == TableKind::stock)
    permute_into_place(t.stock_index);
  else
    permute_into_place(t.number_index);
  t.scattered = false;
}

template <class Index, class KeyOf, class Compare>
bool index_store(Index& index, KeyOf key_of, Compare compare) {
  Table& t = g_table;
  std::unique_ptr<uint8_t[]> entry(new (std::nothrow) uint8_t[t.entry_size]);
  if (!entry) out_of_memory();
  for (int i = 0; i < t.count; ++i) {
    read_entry(t.store, static_cast<uint64_t>(i), t.entry_size, entry.get());
    auto key = key_of(entry.get());
    if (i > 0 && compare(index.last(), key) >= 0) return false;
    index.append(key, static_cast<uint32_t>(i));
  }
  return true;
}

// Makes the module describe the given table, checking the store when it
// knew a different one (or none).
void track(XmsBlock* store, TableKind kind, int entry_size, int count) {
  Table& t = g_table;
  uint32_t size = static_cast<uint32_t>(entry_size);
  if (t.store == store && t.entry_size == size && t.count == count && t.kind == kind &&
      (t.mode == Mode::ordered || t.mode == Mode::unordered))
    return;
  // A new table (count 0) replaces the old one; otherwise the old one must
  // be in place before the store is read.
  if (count > 0) settle();
  drop_index();
  t.store = store;
  t.kind = kind;
  t.entry_size = size;
  t.count = count;
  t.scattered = false;
  t.mode = Mode::ordered;
  if (count == 0) return;
  bool ordered = kind == TableKind::stock
                     ? index_store(t.stock_index, stock_key_of, StockKeyCompare())
                     : index_store(t.number_index, number_key_of, NumberKeyCompare());
  if (!ordered) {
    drop_index();
    t.mode = Mode::unordered;
  }
}

// A binary search over the store's entries for the entry's key, as a plain
// sorted array is searched: the insertion index, -1 when the key is present.
int64_t probe_insert_index(XmsBlock* store, TableKind kind, const uint8_t* entry, int count,
                           uint32_t entry_size, uint8_t* scratch) {
  int64_t lo = 0, hi = static_cast<int64_t>(count) - 1;
  while (hi >= lo) {
    int64_t mid = (lo + hi) / 2;
    read_entry(store, static_cast<uint64_t>(mid), entry_size, scratch);
    int c = compare_entries(kind, entry, scratch);
    if (c == 0) return -1;
    if (c < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return lo;
}

int insert(TableKind kind, XmsBlock* store, const uint8_t* entry, int count, int entry_size,
           TableInsert* outcome, const char* full_message) {
  TableInsert dummy;
  if (!outcome) outcome = &dummy;
  if (table_is_full(count, entry_size)) {
    beep_warning();
    status_line(full_message);
    *outcome = TableInsert::full;
    return count;
  }
  if (kind == TableKind::stock && entry[0] == 0) {
    *outcome = TableInsert::empty_key;
    return count;
  }
  track(store, kind, entry_size, count);
  Table& t = g_table;
  uint32_t size = t.entry_size;
  if (t.mode == Mode::ordered) {
    int added = kind == TableKind::stock
                    ? t.stock_index.insert(stock_key_of(entry), static_cast<uint32_t>(count))
                    : t.number_index.insert(number_key_of(entry), static_cast<uint32_t>(count));
    if (added < 0) out_of_memory();
    if (added == 0) {
      *outcome = TableInsert::duplicate;
      return count;
    }
    write_entry(store, static_cast<uint64_t>(count), size, entry);
    t.scattered = true;
  } else {
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size]);
    if (!scratch) out_of_memory();
    int64_t at = probe_insert_index(store, kind, entry, count, size, scratch.get());
    if (at < 0) {
      *outcome = TableInsert::duplicate;
      return count;
    }
    uint64_t offset = static_cast<uint64_t>(at) * size;
    uint64_t end = static_cast<uint64_t>(count) * size;
    if (end > offset) xms_copy_raw(store, kXmsMove, nullptr, offset, offset + size, end - offset);
    write_entry(store, static_cast<uint64_t>(at), size, entry);
  }
  t.count = count + 1;
  *outcome = TableInsert::added;
  return count + 1;
}

}  // namespace

bool table_is_full(int count, int entry_size) {
  if (count < 0 || count >= INT_MAX - 1 || entry_size <= 0) return true;
  uint64_t needed = static_cast<uint64_t>(entry_size) * (static_cast<uint64_t>(count) + 10) + kPiece;
  return needed >= xms_total_kb * 1024;
}

int table_insert_stock(XmsBlock* store, const uint8_t* entry, int count, int entry_size,
                       TableInsert* outcome) {
  return insert(TableKind::stock, store, entry, count, entry_size, outcome,
                "XMS is full... Free more memory or delete some stock...");
}

int table_insert_number(XmsBlock* store, const uint8_t* entry, int count, int entry_size,
                        TableInsert* outcome) {
  return insert(TableKind::number, store, entry, count, entry_size, outcome,
                "XMS is full... Free more XMS memory...");
}

int64_t table_search_stock(XmsBlock* store, uint8_t* key, int count, int entry_size) {
  if (key[0] == 0 || count <= 0 || entry_size <= 0) return -1;
  Table& t = g_table;
  uint32_t size = static_cast<uint32_t>(entry_size);
  if (t.store == store && t.entry_size == size && t.count == count && t.mode != Mode::none)
    track(store, TableKind::stock, entry_size, count);
  if (t.store == store && t.entry_size == size && t.count == count && t.mode == Mode::ordered) {
    uint32_t slot = 0;
    int64_t rank = t.stock_index.find(stock_key_of(key), &slot);
    if (rank == -2) out_of_memory();
    if (rank < 0) return -1;
    read_entry(store, slot, size, key);
    return rank * entry_size;
  }
  // Some other table, or one whose keys do not ascend: probe the store
  // itself, with the known table's entries in place first.
  if (t.store == store) settle();
  std::unique_ptr<uint8_t[]> probe(new (std::nothrow) uint8_t[size]);
  if (!probe) out_of_memory();
  StockKey wanted = stock_key_of(key);
  int64_t lo = 0, hi = static_cast<int64_t>(count) - 1;
  while (hi >= lo) {
    int64_t mid = (lo + hi) / 2;
    read_entry(store, static_cast<uint64_t>(mid), size, probe.get());
    int c = StockKeyCompare()(wanted, stock_key_of(probe.get()));
    if (c == 0) {
      std::memcpy(key, probe.get(), size);
      return mid * entry_size;
    }
    if (c < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return -1;
}

bool table_save(XmsBlock* store, File* file, int count, int entry_size) {
  if (g_table.store == store) settle();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPiece]);
  if (!buffer) out_of_memory();
  if (!file->seek(0) || !file->truncate_here()) {
    rec_write_failed();
    return false;
  }
  uint64_t total = count > 0 && entry_size > 0
                       ? static_cast<uint64_t>(count) * static_cast<uint64_t>(entry_size)
                       : 0;
  for (uint64_t offset = 0; offset < total; offset += kPiece) {
    uint64_t piece = std::min(kPiece, total - offset);
    xms_copy_raw(store, kXmsCopyDown, buffer.get(), offset, 0, piece);
    if (file->write(buffer.get(), piece) != static_cast<int64_t>(piece)) {
      rec_write_failed();
      return false;
    }
  }
  if (!file->truncate_here()) {
    rec_write_failed();
    return false;
  }
  db_commit(file);
  return true;
}

int table_load(XmsBlock* store, File* file, int entry_size) {
  beep_plain();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPiece]);
  if (!buffer) out_of_memory();
  if (!file->seek(0)) rec_read_failed();
  Table& t = g_table;
  if (t.store == store) {
    drop_index();
    t.mode = Mode::none;
  }
  uint64_t total = 0;
  for (;;) {
    int64_t n = file->read(buffer.get(), kPiece);
    if (n < 0) rec_read_failed();
    if (n == 0) break;
    xms_copy_raw(store, kXmsCopyUp, buffer.get(), total, 0, static_cast<uint64_t>(n));
    total += static_cast<uint64_t>(n);
  }
  int count = entry_size > 0 ? static_cast<int>(total / static_cast<uint64_t>(entry_size)) : 0;
  t.store = store;
  t.entry_size = static_cast<uint32_t>(entry_size);
  t.count = count;
  t.scattered = false;
  t.mode = Mode::unverified;
  return count;
}

void xms_table_observe(XmsBlock* store, uint64_t offset, uint64_t length, bool writes) {
  Table& t = g_table;
  if (t.mode == Mode::none || store != t.store || length == 0) return;
  if (offset >= static_cast<uint64_t>(t.count) * t.entry_size) return;
  settle();
  if (writes) {
    drop_index();
    t.mode = Mode::unverified;
  }
}

void xms_table_forget() {
  drop_index();
  g_table.store = nullptr;
  g_table.count = 0;
  g_table.mode = Mode::none;
}
