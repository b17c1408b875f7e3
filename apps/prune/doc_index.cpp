#include "doc_index.h"

#include <cstring>
#include <vector>

#include "out_file.h"

TableInsert doc_index_insert(XmsBlock* store, int* count, const uint8_t* tag, size_t tag_size) {
  uint8_t slot[kTableNumberEntry] = {};
  std::memcpy(slot, tag, tag_size);
  TableInsert outcome;
  *count = table_insert_number(store, slot, *count, kTableNumberEntry, &outcome);
  return outcome;
}

bool doc_index_write(XmsBlock* store, int count, size_t tag_size, OutFile* out) {
  constexpr int kSlotsPerPiece = 128;
  std::vector<uint8_t> piece(static_cast<size_t>(kSlotsPerPiece) * kTableNumberEntry);
  for (int first = 0; first < count; first += kSlotsPerPiece) {
    int n = count - first < kSlotsPerPiece ? count - first : kSlotsPerPiece;
    XMS_copy_down(store, static_cast<uint64_t>(first) * kTableNumberEntry, piece.data(),
                  static_cast<uint64_t>(n) * kTableNumberEntry);
    for (int i = 0; i < n; i++)
      if (out_append(out, piece.data() + static_cast<size_t>(i) * kTableNumberEntry, tag_size) < 0)
        return false;
  }
  return true;
}
