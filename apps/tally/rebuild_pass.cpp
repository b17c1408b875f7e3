// The rebuild pass: the usage history is written again from the part lines
// of every stored and open workorder, each entry linked in front of its
// item's chain, so an item's newest entry comes from the workorder processed
// last.
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/customer.h"
#include "db/dbfile.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "db/record_io.h"
#include "db/replace.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/workorder.h"
#include "platform/env.h"
#include "tally.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "xms/table.h"

namespace {

// Appends usage entries to the new usage file in large writes.
struct UsageWriter {
  File* file = nullptr;
  int64_t end = 0;  // offset of the next entry
  std::vector<uint8_t> buf;
  int32_t append(const UsageRecord& u) {
    // Links are 32-bit offsets: the history cannot grow past them.
    if (end > INT32_MAX - static_cast<int64_t>(kUsageRecordSize)) tally_write_failed(kUsageFile);
    size_t at = buf.size();
    buf.resize(at + kUsageRecordSize);
    usage_encode(u, buf.data() + at);
    int32_t offset = static_cast<int32_t>(end);
    end += kUsageRecordSize;
    if (buf.size() >= (1u << 20)) flush();
    return offset;
  }
  void flush() {
    if (buf.empty()) return;
    if (file->write(buf.data(), buf.size()) != static_cast<int64_t>(buf.size()))
      tally_write_failed(kUsageFile);
    buf.clear();
  }
};

struct Rebuild {
  TallyState* st;
  const TallyOptions& opt;
  UsageWriter usage;
  Workorder wo;
  char name_key[32];
};

bool trimmed_stock_number(const Rebuild& rb, const PartLine& line) {
  std::string_view stock(line.stock_number, field_strlen(line.stock_number, sizeof line.stock_number));
  for (const std::string& t : rb.opt.trim_stock_numbers)
    if (stock == t) return rb.opt.trim_date == -1 || rb.wo.totals.DateOpen < rb.opt.trim_date;
  return false;
}

// Adds a part missing from inventory: its tag goes into the table and its
// record to the end of the inventory file, coded "RECOVERED". False, with
// nothing added, when the tag cannot be inserted.
bool add_missing_part(Rebuild& rb, const PartLine& line, InventoryTag* tag) {
  TallyState* st = rb.st;
  std::memset(tag, 0, sizeof *tag);
  field_copy(tag->stock_number, sizeof tag->stock_number, line.stock_number,
             sizeof line.stock_number);
  field_copy(tag->description, sizeof tag->description, line.description,
             sizeof line.description);
  tag->amounts[0] = line.unit_cost;
  tag->amounts[2] = line.third_amount;
  if (st->inventory_end > INT32_MAX - static_cast<int64_t>(kInventoryRecordSize)) return false;
  tag->record_offset = static_cast<int32_t>(st->inventory_end);
  uint8_t entry[kInventoryTagSize];
  inventory_tag_encode(*tag, entry);
  TableInsert outcome = TableInsert::added;
  st->tag_count = table_insert_stock(st->store, entry, st->tag_count, kTableStockEntry, &outcome);
  if (outcome != TableInsert::added) return false;
  con_printf("rebuilt: %20s\r\n", tag->stock_number);

  InventoryRecord r;
  inventory_init(&r);
  std::memcpy(r.stock_number, tag->stock_number, sizeof r.stock_number);
  std::memcpy(r.description, tag->description, sizeof r.description);
  field_set(r.code_b, sizeof r.code_b, "RECOVERED");
  field_set(r.code_a, sizeof r.code_a, "RECOVERED");
  r.amounts[0] = line.unit_cost;
  r.amounts[2] = line.third_amount;
  uint8_t rec[kInventoryRecordSize];
  inventory_encode(r, rec);
  if (!rec_write_at(st->inventory_new, st->inventory_end, rec, sizeof rec))
    tally_write_failed(kInventoryFile);
  size_t index = static_cast<size_t>(st->inventory_end / kInventoryRecordSize);
  if (st->usage_heads.size() <= index) st->usage_heads.resize(index + 1, kHeadUntouched);
  st->usage_heads[index] = -1;
  st->inventory_end += kInventoryRecordSize;
  return true;
}

void process_part(Rebuild& rb, const PartLine& line) {
  progress_spinner();
  if (!rb.opt.trim_stock_numbers.empty() && trimmed_stock_number(rb, line)) return;

  char stock[sizeof line.stock_number];
  field_copy(stock, sizeof stock, line.stock_number, sizeof line.stock_number);
  InventoryTag tag;
  inventory_search_tag(stock, &tag);
  uint8_t key[kInventoryTagSize];
  inventory_tag_encode(tag, key);
  if (table_search_stock(rb.st->store, key, rb.st->tag_count, kTableStockEntry) >= 0) {
    inventory_tag_decode(key, &tag);
  } else {
    // An empty stock number names no part: nothing to add.
    if (!rb.opt.recover_missing_parts || tag.stock_number[0] == '\0') return;
    // One try per line: a part that cannot be added gets no usage entry.
    if (!add_missing_part(rb, line, &tag)) {
      con_warning("cannot add to inventory: %20s\r\n", tag.stock_number);
      return;
    }
  }
  if (tag.record_offset < 0 || tag.record_offset % kInventoryRecordSize != 0) return;
  size_t index = static_cast<size_t>(tag.record_offset) / kInventoryRecordSize;
  if (index >= rb.st->usage_heads.size() || rb.st->usage_heads[index] == kHeadUntouched) return;

  UsageRecord u;
  std::memset(&u, 0, sizeof u);
  field_copy(u.stock_number, sizeof u.stock_number, line.stock_number, sizeof line.stock_number);
  u.workorder_number = static_cast<int32_t>(rb.wo.WorkorderNumber);
  u.date = rb.wo.totals.DateOpen;
  std::memcpy(u.customer_name, rb.name_key, sizeof u.customer_name);
  u.quantity = line.quantity;
  u.unit_cost = line.unit_cost;
  u.unit_price = line.unit_price;
  u.next = rb.st->usage_heads[index];
  rb.st->usage_heads[index] = rb.usage.append(u);
}

// The part lines of the workorder just read, then the workorder released.
void process_workorder(Rebuild& rb) {
  const Workorder& wo = rb.wo;
  make_name_key(wo.customer.Lastname, sizeof wo.customer.Lastname, wo.customer.Firstname,
                sizeof wo.customer.Firstname, rb.name_key);
  bool whole_workorder_trimmed = rb.opt.trim_stock_numbers.empty() && rb.opt.trim_date != -1 &&
                                 wo.totals.DateOpen < rb.opt.trim_date;
  if (!whole_workorder_trimmed)
    for (const PartLine* p = wo.parts; p; p = p->next) process_part(rb, *p);
  wo_free(&rb.wo);
}

void stored_workorders(Rebuild& rb) {
  File* invoices = db_open(kInvoiceFile, true);
  File* index = db_open(kWorkorderIndexFile, true);
  int64_t invoices_size = invoices->size();
  RecordScan scan;
  scan_begin(&scan, index, kWorkorderTagSize, kWorkorderIndexFile);
  uint8_t rec[kWorkorderTagSize];
  while (scan_next(&scan, rec)) {
    WorkorderTag tag;
    workorder_tag_decode(rec, &tag);
    if (tag.invoice_offset == -1) continue;
    if (tag.invoice_offset < 0 || tag.invoice_offset >= invoices_size) {
      con_warning("Workorder %ld: document offset %ld lies outside VKINVOIC.DAT, skipped\r\n",
                  static_cast<long>(tag.number), static_cast<long>(tag.invoice_offset));
      continue;
    }
    if (!invoices->seek(tag.invoice_offset)) continue;
    wo_init(&rb.wo);
    wo_read(invoices, &rb.wo);
    process_workorder(rb);
  }
  db_close(index);
  db_close(invoices);
}

// A document name from the open-workorder list is opened only when it is a
// plain file name in the data directory.
bool plain_file_name(const char* name) {
  if (std::strstr(name, "..")) return false;
  for (const char* p = name; *p; ++p)
    if (is_path_separator(*p) || *p == ':') return false;
  return true;
}

void open_workorders(Rebuild& rb) {
  File* list = db_open(kOpenWorkorderFile, true);
  RecordScan scan;
  scan_begin(&scan, list, kOpenWorkorderEntrySize, kOpenWorkorderFile);
  uint8_t rec[kOpenWorkorderEntrySize];
  while (scan_next(&scan, rec)) {
    OpenWorkorderEntry e;
    open_workorder_decode(rec, &e);
    char name[sizeof e.file_name + 1];
    size_t n = field_strlen(e.file_name, sizeof e.file_name);
    std::memcpy(name, e.file_name, n);
    name[n] = '\0';
    if (n == 0) continue;
    if (!plain_file_name(name)) {
      con_warning("Open workorder %ld: document name \"%s\" is not a plain file name, skipped\r\n",
                  static_cast<long>(e.tag.number), name);
      continue;
    }
    if (!env()->exists(data_path(name))) {
      con_warning("Open workorder %ld: document %s is missing, skipped\r\n",
                  static_cast<long>(e.tag.number), name);
      continue;
    }
    File* doc = db_open(name, true);
    wo_init(&rb.wo);
    wo_read(doc, &rb.wo);
    db_close(doc);
    process_workorder(rb);
  }
  db_close(list);
}

// Writes the new usage heads into the new inventory file.
void write_usage_heads(TallyState* st) {
  File* f = st->inventory_new;
  for (size_t i = 0; i < st->usage_heads.size(); ++i) {
    int32_t head = st->usage_heads[i];
    if (head < 0) continue;  // -1 is already there; records not in use keep theirs
    uint8_t bytes[4];
    le_put_i32(bytes, head);
    int64_t at = static_cast<int64_t>(i) * kInventoryRecordSize + kInventoryUsageHeadOffset;
    if (!rec_write_at(f, at, bytes, sizeof bytes)) tally_write_failed(kInventoryFile);
  }
}

}  // namespace

void tally_rebuild_pass(TallyState* st, const TallyOptions& options) {
  con_print("\r\nRebuilding Inventory Usage...\r\n");
  Rebuild rb{st, options, {}, {}, {}};
  rb.usage.file = replace_open_new(kUsageFile);
  if (!rb.usage.file->seek(0)) tally_write_failed(kUsageFile);

  stored_workorders(rb);
  open_workorders(rb);

  rb.usage.flush();
  write_usage_heads(st);
  File* index = replace_open_new(kInventoryIndexFile);
  if (!table_save(st->store, index, st->tag_count, kTableStockEntry))
    tally_write_failed(kInventoryIndexFile);
  db_close(index);

  if (!rb.usage.file->flush()) tally_write_failed(kUsageFile);
  if (!st->inventory_new->flush()) tally_write_failed(kInventoryFile);
  db_close(rb.usage.file);
  db_close(st->inventory_new);
  st->inventory_new = nullptr;
  if (!replace_swap_group({kInventoryFile, kUsageFile, kInventoryIndexFile})) {
    replace_discard({kInventoryFile, kUsageFile, kInventoryIndexFile});
    alert_line("Rebuilt files not put in place; the old files stand...");
    beep_warning();
    fatal_exit();
  }
}

// The failure ends the run before any replacement is swapped in.
void tally_write_failed(const char* file) {
  beep_warning();
  char text[96];
  std::snprintf(text, sizeof text, "File write error on %s (bad media / disk full)...", file);
  alert_line(text);
  replace_discard({kInventoryFile, kUsageFile, kInventoryIndexFile});
  fatal_exit();
}
