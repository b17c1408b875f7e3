// The clearing pass: every inventory item in use loses its usage link, and
// its tag goes into the sorted inventory table in the store.
#include <cstring>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "db/replace.h"
#include "platform/console.h"
#include "platform/env.h"
#include "tally.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "xms/table.h"

namespace {

// Copies records to the end of a file in large writes.
struct CopyWriter {
  File* file;
  const char* name;
  std::vector<uint8_t> buf;
  void add(const uint8_t* bytes, size_t n) {
    buf.insert(buf.end(), bytes, bytes + n);
    if (buf.size() >= (1u << 20)) flush();
  }
  void flush() {
    if (buf.empty()) return;
    if (file->write(buf.data(), buf.size()) != static_cast<int64_t>(buf.size()))
      tally_write_failed(name);
    buf.clear();
  }
};

// A data file that does not exist yet is created empty, so that its
// replacement is never taken for the only copy of a missing file.
void make_sure_exists(const char* name) { db_close(db_open(name, true)); }

}  // namespace

void tally_clear_pass(TallyState* st) {
  settings_save(settings_load());
  console()->clear();
  header_box(g_settings.company_name, "Set Usage");
  if (settings_were_missing())
    for (const std::string& line : settings_missing_notice()) con_print(line.c_str());
  con_print("Clearing usage links....\r\n");

  make_sure_exists(kUsageFile);
  make_sure_exists(kInventoryIndexFile);
  File* in = db_open(kInventoryFile, true);
  File* out = replace_open_new(kInventoryFile);
  st->inventory_new = out;
  st->tag_count = 0;
  st->usage_heads.clear();
  CopyWriter copy{out, kInventoryFile, {}};
  if (!out->seek(0)) tally_write_failed(kInventoryFile);

  RecordScan scan;
  scan_begin(&scan, in, kInventoryRecordSize, kInventoryFile);
  uint8_t rec[kInventoryRecordSize];
  int64_t offset = 0;
  // Every record read is copied and counted, in use or not, so each one
  // keeps its own offset.
  while (scan_next(&scan, rec, &offset)) {
    InventoryRecord r;
    inventory_decode(rec, &r);
    r.stock_number[20] = '\0';
    if (!inventory_in_use(r) || offset > INT32_MAX - static_cast<int64_t>(kInventoryRecordSize)) {
      copy.add(rec, sizeof rec);
      st->usage_heads.push_back(kHeadUntouched);
      continue;
    }
    progress_spinner();
    rec[20] = 0;
    le_put_i32(rec + kInventoryUsageHeadOffset, -1);
    copy.add(rec, sizeof rec);
    st->usage_heads.push_back(-1);

    InventoryTag tag;
    inventory_make_tag(r, static_cast<int32_t>(offset), &tag);
    uint8_t entry[kInventoryTagSize];
    inventory_tag_encode(tag, entry);
    // A stock number already in the table, or one the store has no room
    // for, gets no tag: its usage is not rebuilt.
    st->tag_count = table_insert_stock(st->store, entry, st->tag_count, kTableStockEntry);
  }
  copy.flush();
  // Bytes after the last whole record stay as they were; records added
  // later start on the next whole-record boundary.
  if (!scan_copy_stray(&scan, out)) tally_write_failed(kInventoryFile);
  db_close(in);
  st->inventory_end = rec_end(out, kInventoryRecordSize);
}
