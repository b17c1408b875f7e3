// Inventory items ("VKINVENT.DAT", 344 bytes) and the inventory index
// ("VKINVTAG.DAT", 128-byte tags in stock-number key order).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kInventoryRecordSize = 344;
constexpr size_t kInventoryTagSize = 128;

// Offsets of the two chain heads, for code that walks chains on raw bytes.
constexpr size_t kInventoryUsageHeadOffset = 336;
constexpr size_t kInventoryReceivingHeadOffset = 340;

struct InventoryRecord {
  char stock_number[21];       // 0: at most 20 characters
  uint8_t item_data[84];       // 21: the shop application's, carried unchanged
  char description[39];        // 105
  char code_a[21];             // 144: " None" in a new record
  char code_b[21];             // 165
  uint8_t data_186[79];        // 186: carried unchanged
  int32_t amounts[4];          // 265: cents; the first is the unit cost
  uint8_t data_281[4];         // 281
  int32_t markups[3];          // 285: wholesale, resale, retail (ten-thousandths)
  uint8_t index_flag;          // 297: copied into the tag
  char stocking_text[12];      // 298: "NOT STOCKED" in a new record
  uint8_t data_310[21];        // 310
  int16_t index_count;         // 331: copied into the tag
  uint8_t data_333[2];         // 333
  uint8_t deleted;             // 335: not zero for a deleted item
  int32_t usage_head;          // 336: newest entry in "VKUSEHST.DAT", -1 for none
  int32_t receiving_head;      // 340: newest entry in "VKRCVLOG.DAT", -1 for none
};

struct InventoryTag {
  char stock_number[21];   // 0
  char description[39];    // 21
  int32_t amounts[4];      // 60
  int16_t index_count;     // 76
  int32_t record_offset;   // 78: offset of the record in "VKINVENT.DAT"
  uint8_t index_flag;      // 82
  uint8_t reserved[45];    // 83: zero
};

void inventory_decode(const uint8_t* bytes, InventoryRecord* r);
void inventory_encode(const InventoryRecord& r, uint8_t* bytes);
void inventory_tag_decode(const uint8_t* bytes, InventoryTag* t);
void inventory_tag_encode(const InventoryTag& t, uint8_t* bytes);

// True when the record holds an item: not deleted and a stock number.
bool inventory_in_use(const InventoryRecord& r);

// Builds the index tag of a record found at a byte offset: all zero but the
// stock number and description (as texts), the amounts, the count, the flag
// and the offset.
void inventory_make_tag(const InventoryRecord& r, int32_t offset, InventoryTag* t);

// The search tag for a stock number: a zeroed tag holding the stock number
// without its trailing blanks.
void inventory_search_tag(const char* stock_number, InventoryTag* t);

// The sort key of a stock number held in a field of width bytes: a stock
// number of the form ddd?ddd... (three digits, a non-digit, three digits, then
// a non-digit or the end) is keyed by the text from position 4, a blank, and
// its first three characters; any other by itself. Writes the key (not
// terminated) and returns its length (at most width).
size_t inventory_key(const char* stock_number, size_t width, char* key);
// Orders two stock numbers (21-byte fields) by their keys, byte by byte as
// unsigned values, a prefix first: <0, 0 or >0.
int inventory_key_compare(const char* a, const char* b);
// The same on two encoded tags (their stock numbers lie at offset 0).
int inventory_tag_compare(const uint8_t* a, const uint8_t* b);

// New-record starting values: both chain heads -1, " None" codes, "NOT
// STOCKED", and the markups of the settings record in memory.
void inventory_init(InventoryRecord* r);
