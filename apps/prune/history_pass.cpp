#include "history_pass.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "chain_rebuild.h"
#include "db/bytes.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "out_file.h"
#include "pass_files.h"
#include "read_buffer.h"
#include "ui/screen.h"

namespace {

// Every entry of a stock number holding "/C" is kept, whatever its date.
bool keeps_all(const uint8_t* item) {
  const char* stock = reinterpret_cast<const char*>(item);
  size_t n = field_strlen(stock, 21);
  for (size_t i = 0; i + 1 < n; i++)
    if (stock[i] == '/' && stock[i + 1] == 'C') return true;
  return false;
}

}  // namespace

PassEnd history_pass(PruneRun* run, const HistoryKind& kind, int32_t cutoff) {
  status_line(kind.status);
  const std::vector<std::string> names = {kInventoryFile, kind.file};
  PassFiles files;
  pass_open(&files, kInventoryIndexFile, lock_inventory_index);
  File* items = pass_open(&files, kInventoryFile, lock_inventory, true);
  File* entries = pass_open(&files, kind.file, *kind.lock);
  OutFile items_out, entries_out;
  out_begin(&items_out, pass_open_new(&files, kInventoryFile, &lock_inventory_2));
  out_begin(&entries_out, pass_open_new(&files, kind.file, &lock_replacement));

  ReadBuffer entries_read(entries, 0);
  ChainWalk walk;
  chain_setup(&walk, &entries_read, kind.entry_size, kind.next_offset, kind.file);
  RecordScan scan;
  scan_begin(&scan, items, kInventoryRecordSize, kInventoryFile);
  uint8_t item[kInventoryRecordSize];
  int64_t offset = 0;
  bool ok = true;
  while (ok && scan_next(&scan, item, &offset)) {
    int32_t head = le_get_i32(item + kind.head_offset);
    if (head != -1) {
      const bool all = keeps_all(item);
      char parent[64];
      std::snprintf(parent, sizeof parent, "item %.20s at %lld", reinterpret_cast<const char*>(item),
                    static_cast<long long>(offset));
      const size_t date_offset = kind.date_offset;
      ok = chain_rebuild(&walk, &entries_out, &head, parent, [&](uint8_t* entry) {
        return all || le_get_i32(entry + date_offset) >= cutoff;
      });
      le_put_i32(item + kind.head_offset, head);
    }
    // Every item keeps its offset: the index stays valid as it is.
    ok = ok && out_append(&items_out, item, sizeof item) >= 0;
  }
  if (ok && scan.stray > 0) {
    ok = out_flush(&items_out) && scan_copy_stray(&scan, items_out.file);
    items_out.size += scan.stray;
  }
  ok = ok && out_finish(&entries_out) && out_finish(&items_out);
  if (!ok) return pass_fail(run, &files, names, kWriteErrorText);
  pass_close(&files);
  if (!pass_swap(run, kind.pass, names)) return pass_fail(run, &files, names, kWriteErrorText);
  return PassEnd::done;
}
