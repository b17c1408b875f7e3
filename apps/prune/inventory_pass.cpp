// The inventory pass: deleted, empty and damaged items are dropped, a stock
// number met again is dropped (the first in file order stays), and the index
// is rebuilt from the items that stay.
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "db/bytes.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "out_file.h"
#include "pass_files.h"
#include "prune.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "xms/table.h"

namespace {

constexpr const char* kPassName = "inventory";

// A text field passes when every byte is NUL or printable ASCII and at least
// one byte is NUL (so the text ends inside the field).
bool text_ok(const uint8_t* field, size_t width) {
  bool nul = false;
  for (size_t i = 0; i < width; i++) {
    if (field[i] == 0)
      nul = true;
    else if (field[i] < 0x20 || field[i] > 0x7E)
      return false;
  }
  return nul;
}

// Looks up the index entry whose key equals the entry's (copied into found);
// true when it holds the very same stock number.
bool indexed_already(XmsBlock* store, int count, const uint8_t* entry, uint8_t* found) {
  std::memcpy(found, entry, kInventoryTagSize);
  return table_search_stock(store, found, count, kTableStockEntry) >= 0 &&
         std::strcmp(reinterpret_cast<const char*>(found), reinterpret_cast<const char*>(entry)) == 0;
}

bool record_dropped(const uint8_t* rec) {
  return rec[335] != 0 || rec[0] == 0 || !text_ok(rec + 0, 21) || !text_ok(rec + 105, 39) ||
         !text_ok(rec + 144, 21) || !text_ok(rec + 165, 21);
}

}  // namespace

PassEnd inventory_pass(PruneRun* run) {
  status_line("Purging Inventory... ");
  const std::vector<std::string> names = {kInventoryFile, kInventoryIndexFile};
  PassFiles files;
  pass_open(&files, kInventoryIndexFile, lock_inventory_index);
  File* in = pass_open(&files, kInventoryFile, lock_inventory, true);
  File* out_file = pass_open_new(&files, kInventoryFile, &lock_replacement);
  File* index_file = pass_open_new(&files, kInventoryIndexFile, nullptr);
  OutFile out;
  out_begin(&out, out_file);

  int count = 0;
  long unindexed_full = 0;
  // Stock numbers of items kept without an index entry because another
  // stock number holds their key: a later item of one of them is a
  // duplicate like any other.
  std::unordered_set<std::string> kept_unindexed;
  RecordScan scan;
  scan_begin(&scan, in, kInventoryRecordSize, kInventoryFile);
  uint8_t rec[kInventoryRecordSize];
  bool ok = true;
  while (ok && scan_next(&scan, rec)) {
    progress_spinner();
    if (record_dropped(rec)) continue;
    if (!kept_unindexed.empty() && kept_unindexed.count(reinterpret_cast<const char*>(rec))) continue;
    InventoryRecord r;
    inventory_decode(rec, &r);
    InventoryTag tag;
    // The record's offset in the new file is the file's size before it.
    inventory_make_tag(r, static_cast<int32_t>(out.size), &tag);
    uint8_t entry[kInventoryTagSize];
    inventory_tag_encode(tag, entry);
    // Once the store is full every insert would be refused with a beep of
    // its own: the later items are only looked up.
    TableInsert outcome = TableInsert::full;
    uint8_t found[kInventoryTagSize];
    if (unindexed_full == 0)
      count = table_insert_stock(run->store, entry, count, kTableStockEntry, &outcome);
    else if (indexed_already(run->store, count, entry, found))
      continue;  // the first item of this stock number stays
    if (outcome == TableInsert::duplicate) {
      if (indexed_already(run->store, count, entry, found)) continue;
      // Another stock number with the same key holds the index entry: this
      // item stays in the file without one, as the other programs leave it.
      con_warning("%s kept without an index entry: its key equals that of %s\r\n",
                  tag.stock_number, reinterpret_cast<const char*>(found));
      kept_unindexed.insert(reinterpret_cast<const char*>(rec));
    } else if (outcome == TableInsert::full) {
      // Never dropped: the item stays without an index entry, and the run
      // ends after this pass so that the user can free memory and purge again.
      if (unindexed_full++ == 0)
        con_warning("\r\nThe store is full: %s and the items after it are kept without an "
                    "index entry\r\n",
                    tag.stock_number);
    }
    ok = out_append(&out, rec, sizeof rec) >= 0;
  }
  // Bytes after the last whole record are carried to the end of the new file.
  if (ok && scan.stray > 0) {
    ok = out_flush(&out) && scan_copy_stray(&scan, out_file);
    out.size += scan.stray;
  }
  ok = ok && out_finish(&out);
  bool saved = ok && table_save(run->store, index_file, count, kTableStockEntry);
  if (!saved) {
    // A failed table save has said so already.
    if (!ok) {
      beep_warning();
      alert_line(kWriteErrorText);
    }
    char answer[kLineBufferSize] = {};
    prompt_box("Free some space and re-purge inventory...", 1, 'B', answer, false);
    return pass_fail(run, &files, names, kWriteErrorText, true);
  }
  pass_close(&files);
  if (unindexed_full > 0) {
    con_warning("%ld inventory items have no index entry (the store is full)\r\n", unindexed_full);
    if (!pass_swap(run, kPassName, names, false))
      return pass_fail(run, &files, names, kWriteErrorText);
    run->failure = "XMS is full... Free more memory or delete some stock...";
    return PassEnd::last;
  }
  if (!pass_swap(run, kPassName, names)) return pass_fail(run, &files, names, kWriteErrorText);
  return PassEnd::done;
}
