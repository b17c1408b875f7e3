#include "db/chain.h"

#include <algorithm>

#include "db/bytes.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "db/usage.h"
#include "platform/env.h"
#include "ui/screen.h"

void chain_setup(ChainWalk* w, File* child_file, size_t record_size, size_t next_offset,
                 const std::string& file_name, int limit) {
  w->file = child_file;
  w->record_size = record_size;
  w->next_offset = next_offset;
  w->file_name = file_name;
  w->limit = limit;
  w->marks.clear();
  w->walk = 0;
  w->link = -1;
  w->broken = false;
}

void chain_start(ChainWalk* w, int32_t head, const std::string& parent) {
  w->parent = parent;
  w->link = head;
  w->followed = 0;
  w->broken = false;
  // The size is taken per chain: the file may have grown since the last one.
  int64_t size = w->file->size();
  w->file_size = size < 0 ? 0 : size;
  size_t records = static_cast<size_t>(w->file_size / static_cast<int64_t>(w->record_size));
  if (w->marks.size() < records) w->marks.resize(records, 0);
  if (++w->walk == 0) {  // the walk numbers wrapped: start the marks afresh
    std::fill(w->marks.begin(), w->marks.end(), 0);
    w->walk = 1;
  }
}

bool chain_next(ChainWalk* w, uint8_t* rec, int32_t* offset) {
  if (w->link == -1 || w->broken) return false;
  const int64_t link = w->link;
  const int64_t size = static_cast<int64_t>(w->record_size);
  if (w->limit != 0 && w->followed >= w->limit) {
    w->link = -1;
    return false;
  }
  bool good = link >= 0 && link % size == 0 && link + size <= w->file_size &&
              w->marks[static_cast<size_t>(link / size)] != w->walk;
  if (good) good = rec_read_at(w->file, link, rec, w->record_size);
  if (!good) {
    w->broken = true;
    con_warning("%s: the chain of %s ends at a bad link (%ld)\r\n", w->file_name.c_str(),
                w->parent.c_str(), static_cast<long>(link));
    w->link = -1;
    return false;
  }
  w->marks[static_cast<size_t>(link / size)] = w->walk;
  w->followed++;
  *offset = static_cast<int32_t>(link);
  w->link = le_get_i32(rec + w->next_offset);
  return true;
}

bool chain_append(File* child_file, uint8_t* child, size_t record_size, size_t next_offset,
                  int32_t* head) {
  le_put_i32(child + next_offset, *head);
  int32_t at;
  if (!rec_append(child_file, child, record_size, &at)) return false;
  *head = at;
  return true;
}

namespace {

// The shared part of adding a usage or receiving entry: the entry is already
// encoded in bytes; head_offset picks the inventory chain.
bool add_entry(File* inventory, int32_t item_offset, File* entries, uint8_t* entry,
               size_t entry_size, size_t next_offset, size_t head_offset) {
  uint8_t item[kInventoryRecordSize];
  if (item_offset < 0 || !rec_read_at(inventory, item_offset, item, sizeof item)) return false;
  int32_t head = le_get_i32(item + head_offset);
  if (!chain_append(entries, entry, entry_size, next_offset, &head)) return false;
  le_put_i32(item + head_offset, head);
  return rec_write_at(inventory, item_offset, item, sizeof item);
}

}  // namespace

bool inventory_add_usage(File* inventory, int32_t item_offset, File* usage, UsageRecord* entry) {
  uint8_t bytes[kUsageRecordSize];
  usage_encode(*entry, bytes);
  if (!add_entry(inventory, item_offset, usage, bytes, sizeof bytes, kUsageNextOffset,
                 kInventoryUsageHeadOffset))
    return false;
  usage_decode(bytes, entry);
  return true;
}

bool inventory_add_receiving(File* inventory, int32_t item_offset, File* receiving,
                             ReceivingRecord* entry) {
  uint8_t bytes[kReceivingRecordSize];
  receiving_encode(*entry, bytes);
  if (!add_entry(inventory, item_offset, receiving, bytes, sizeof bytes, kReceivingNextOffset,
                 kInventoryReceivingHeadOffset))
    return false;
  receiving_decode(bytes, entry);
  return true;
}
