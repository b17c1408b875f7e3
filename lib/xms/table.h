// Sorted record tables in the extended memory store: `count` entries of
// `entry_size` bytes back to back from store offset 0 (entry i at offset
// i x entry_size). The caller keeps the count, passes it to every operation
// and starts a new table by inserting with a count of 0.
//
// Two kinds of key: the stock number at entry offset 0 in inventory key
// order (InventoryTag entries of 128 bytes), and the signed 32-bit number at
// entry offset 0 in ascending order (workorder and purchase-order tags in
// 512-byte slots). An equal key is never inserted twice: the first stays.
//
// The store's bytes are always exactly those of the sorted table whenever
// they are looked at (a search, a save, or an XMS_copy_down by the caller);
// the table keeps an ordered index of its keys beside the store so that
// building a table of n entries in any key order costs O(n log n).
#pragma once

#include <cstdint>

#include "xms/store.h"

class File;

constexpr int kTableStockEntry = 128;   // an InventoryTag
constexpr int kTableNumberEntry = 512;  // a workorder or purchase-order tag slot

// What became of an insert.
enum class TableInsert {
  added,      // the entry is in the table; the count went up by one
  duplicate,  // an entry with an equal key is present; nothing changed
  empty_key,  // a stock number that is empty; nothing changed
  full,       // the store has no room; the message is shown, nothing changed
};

// True when the capacity rule refuses one more entry: entry_size x
// (count + 10) + 32768 is not below xms_total_kb x 1024.
bool table_is_full(int count, int entry_size);

// Inserts an InventoryTag (entry_size bytes, stock number at offset 0) in
// stock-number key order. Returns the new count (unchanged when refused).
// A full store shows "XMS is full... Free more memory or delete some
// stock..." on the status line after the warning beep.
int table_insert_stock(XmsBlock* store, const uint8_t* entry, int count,
                       int entry_size = kTableStockEntry, TableInsert* outcome = nullptr);

// Inserts an entry keyed by the signed 32-bit number at its offset 0.
// Returns the new count (unchanged when refused). A full store shows "XMS is
// full... Free more XMS memory..." on the status line after the warning beep
// and reports TableInsert::full, on which the cleanup program runs its
// out-of-memory abort and the purge program goes on.
int table_insert_number(XmsBlock* store, const uint8_t* entry, int count,
                        int entry_size = kTableNumberEntry, TableInsert* outcome = nullptr);

// Binary search by stock number. key is a buffer of entry_size bytes holding
// the stock number at offset 0 (see inventory_search_tag). Found: the whole
// entry is copied over key and its byte offset in the table (index x
// entry_size) is returned. Not found, or an empty stock number: -1.
int64_t table_search_stock(XmsBlock* store, uint8_t* key, int count,
                           int entry_size = kTableStockEntry);

// Writes the table to an open file: the file is cut to length 0 and receives
// count x entry_size bytes, cut after them and flushed with db_commit.
// A failed write shows "File write error (bad media / disk full)..." on the
// alert line after the warning beep and returns false.
bool table_save(XmsBlock* store, File* file, int count, int entry_size);

// Reads a whole file into the store from offset 0 (after the plain beep) and
// returns the number of whole entries read. A read error shows "File read
// error (bad media)..." on the alert line and exits 1.
int table_load(XmsBlock* store, File* file, int entry_size);
