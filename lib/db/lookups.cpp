#include "db/lookups.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/recfile.h"
#include "db/worktags.h"
#include "ui/screen.h"

namespace {

// Entries read per chunk of the open lists.
constexpr size_t kOpenWorkorderChunk = 108;   // 32,616 bytes
constexpr size_t kOpenPurchaseChunk = 191;    // 32,661 bytes

File* open_locked(int catalog_file, LockDescriptor* d) {
  File* f = db_open(catalog_name(catalog_file), true);
  f->seek(0);
  db_lock(f, 2, d);
  return f;
}

void unlock_close(File* f, LockDescriptor* d) {
  db_unlock(f, d);
  db_close(f);
}

// Binary search of an index of entries ordered by their first 32-bit field.
// Fills entry and returns its offset, or -1.
int32_t index_search(int catalog_file, LockDescriptor* d, size_t entry_size, int32_t number,
                     uint8_t* entry) {
  File* f = open_locked(catalog_file, d);
  int64_t size = f->size();
  int64_t low = 0, high = (size < 0 ? 0 : size / static_cast<int64_t>(entry_size)) - 1;
  int32_t found = -1;
  while (low <= high) {
    int64_t middle = (low + high) / 2;
    int64_t at = middle * static_cast<int64_t>(entry_size);
    if (!rec_read_at(f, at, entry, entry_size)) {
      beep_warning();
      break;
    }
    int32_t n = le_get_i32(entry);
    if (n == number) {
      found = static_cast<int32_t>(at);
      break;
    }
    if (number < n) high = middle - 1;
    else low = middle + 1;
  }
  unlock_close(f, d);
  return found;
}

// Reads the list in chunks and stops at the first entry holding number.
int32_t list_search(int catalog_file, LockDescriptor* d, size_t entry_size, size_t chunk_entries,
                    int32_t number, uint8_t* entry) {
  const size_t chunk_bytes = entry_size * chunk_entries;
  std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[chunk_bytes]);
  if (!chunk) return -1;
  File* f = open_locked(catalog_file, d);
  int32_t found = -1;
  int64_t chunk_at = 0;
  for (;;) {
    // Fill the chunk; a last part that is not a whole entry is no entry.
    size_t got = 0;
    if (!f->seek(chunk_at)) rec_read_failed();
    while (got < chunk_bytes) {
      int64_t n = f->read(chunk.get() + got, chunk_bytes - got);
      if (n < 0) rec_read_failed();
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    size_t whole = got / entry_size;
    for (size_t i = 0; i < whole && found < 0; i++) {
      if (le_get_i32(chunk.get() + i * entry_size) == number) {
        std::memcpy(entry, chunk.get() + i * entry_size, entry_size);
        found = static_cast<int32_t>(chunk_at + static_cast<int64_t>(i * entry_size));
      }
    }
    if (found >= 0 || got < chunk_bytes) break;
    chunk_at += static_cast<int64_t>(chunk_bytes);
  }
  unlock_close(f, d);
  return found;
}

}  // namespace

int32_t find_workorder_tag(WorkorderTag* tag, int32_t* position) {
  uint8_t bytes[kWorkorderTagSize];
  *position = index_search(F_VKINCTAG, &lock_workorder_index, sizeof bytes, tag->number, bytes);
  if (*position < 0) return -1;
  workorder_tag_decode(bytes, tag);
  return tag->invoice_offset;
}

int32_t find_purchase_order_tag(PurchaseOrderTag* tag, int32_t* position) {
  uint8_t bytes[kPurchaseOrderTagSize];
  *position = index_search(F_VKPURTAG, &lock_purchase_index, sizeof bytes, tag->number, bytes);
  if (*position < 0) return -1;
  purchase_order_tag_decode(bytes, tag);
  return tag->order_offset;
}

bool find_open_workorder(OpenWorkorderEntry* entry, int32_t* position) {
  uint8_t bytes[kOpenWorkorderEntrySize];
  int32_t at = list_search(F_VKOPENWO, &lock_open_workorders, sizeof bytes, kOpenWorkorderChunk,
                           entry->tag.number, bytes);
  if (at < 0) return false;
  open_workorder_decode(bytes, entry);
  *position = at;
  return true;
}

bool find_open_purchase_order(OpenPurchaseOrderEntry* entry, int32_t* position) {
  uint8_t bytes[kOpenPurchaseOrderEntrySize];
  int32_t at = list_search(F_VKOPENPO, &lock_open_purchases, sizeof bytes, kOpenPurchaseChunk,
                           entry->tag.number, bytes);
  if (at < 0) return false;
  open_purchase_order_decode(bytes, entry);
  *position = at;
  return true;
}

std::string index_entries_past_end(File* index, const char* index_name, size_t entry_size,
                                   size_t offset_at, File* documents, const char* document_name) {
  const int64_t end = documents->size();
  if (end < 0 || entry_size < offset_at + 4) return "";
  std::vector<uint8_t> buf(entry_size * 256);
  size_t have = 0;
  int64_t at = 0, past = 0;
  for (;;) {
    if (!index->seek(at)) break;
    int64_t n = index->read(buf.data() + have, buf.size() - have);
    if (n <= 0) break;
    at += n;
    have += static_cast<size_t>(n);
    size_t whole = have / entry_size * entry_size;
    for (size_t p = 0; p < whole; p += entry_size)
      if (le_get_i32(buf.data() + p + offset_at) >= end) past++;
    std::memmove(buf.data(), buf.data() + whole, have - whole);
    have -= whole;
  }
  index->seek(0);
  if (past == 0) return "";
  char line[160];
  std::snprintf(line, sizeof line, "%lld %s of %s pointed past the end of %s and %s dropped\r\n",
                static_cast<long long>(past), past == 1 ? "entry" : "entries", index_name,
                document_name, past == 1 ? "was" : "were");
  return line;
}
