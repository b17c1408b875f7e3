#include "db/inventory.h"

#include <algorithm>
#include <cstring>

#include "db/record_io.h"

namespace {

template <class IO, class R>
void inventory_fields(IO& io, R& r) {
  io.raw(r.stock_number); io.raw(r.item_data); io.raw(r.description);
  io.raw(r.code_a); io.raw(r.code_b); io.raw(r.data_186);
  io.i32s(r.amounts); io.raw(r.data_281); io.i32s(r.markups);
  io.u8(r.index_flag); io.raw(r.stocking_text); io.raw(r.data_310);
  io.i16(r.index_count); io.raw(r.data_333); io.u8(r.deleted);
  io.i32(r.usage_head); io.i32(r.receiving_head);
}

template <class IO, class T>
void tag_fields(IO& io, T& t) {
  io.raw(t.stock_number); io.raw(t.description); io.i32s(t.amounts);
  io.i16(t.index_count); io.i32(t.record_offset); io.u8(t.index_flag); io.raw(t.reserved);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void inventory_decode(const uint8_t* bytes, InventoryRecord* r) { RecordReader io{bytes}; inventory_fields(io, *r); }
void inventory_encode(const InventoryRecord& r, uint8_t* bytes) { RecordWriter io{bytes}; inventory_fields(io, r); }
void inventory_tag_decode(const uint8_t* bytes, InventoryTag* t) { RecordReader io{bytes}; tag_fields(io, *t); }
void inventory_tag_encode(const InventoryTag& t, uint8_t* bytes) { RecordWriter io{bytes}; tag_fields(io, t); }

bool inventory_in_use(const InventoryRecord& r) { return r.deleted == 0 && r.stock_number[0] != 0; }

void inventory_make_tag(const InventoryRecord& r, int32_t offset, InventoryTag* t) {
  std::memset(t, 0, sizeof *t);
  field_copy(t->stock_number, sizeof t->stock_number, r.stock_number, sizeof r.stock_number);
  field_copy(t->description, sizeof t->description, r.description, sizeof r.description);
  std::memcpy(t->amounts, r.amounts, sizeof t->amounts);
  t->index_count = r.index_count;
  t->index_flag = r.index_flag;
  t->record_offset = offset;
}

void inventory_search_tag(const char* stock_number, InventoryTag* t) {
  std::memset(t, 0, sizeof *t);
  field_set(t->stock_number, sizeof t->stock_number, stock_number);
  size_t n = std::strlen(t->stock_number);
  while (n > 0 && t->stock_number[n - 1] == ' ') t->stock_number[--n] = 0;
}

size_t inventory_key(const char* s, size_t width, char* key) {
  size_t n = field_strlen(s, width);
  bool swapped = n >= 7 && is_digit(s[0]) && is_digit(s[1]) && is_digit(s[2]) && !is_digit(s[3]) &&
                 is_digit(s[4]) && is_digit(s[5]) && is_digit(s[6]) && (n == 7 || !is_digit(s[7]));
  if (!swapped) {
    std::memcpy(key, s, n);
    return n;
  }
  std::memcpy(key, s + 4, n - 4);
  key[n - 4] = ' ';
  std::memcpy(key + n - 3, s, 3);
  return n;  // (n - 4) + 1 + 3 bytes
}

int inventory_key_compare(const char* a, const char* b) {
  char ka[32], kb[32];
  size_t na = inventory_key(a, 21, ka);
  size_t nb = inventory_key(b, 21, kb);
  int c = std::memcmp(ka, kb, std::min(na, nb));  // memcmp compares unsigned bytes
  if (c != 0) return c;
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

int inventory_tag_compare(const uint8_t* a, const uint8_t* b) {
  return inventory_key_compare(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}
