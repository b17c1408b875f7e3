// The receiving rebuild: the inventory index and the receiving log are made
// again from the inventory and the part lines of every purchase order, each
// item's receiving chain running from the last order posted to the first.
// The inventory copy with its new chain heads, the index and the log are
// written beside the old files and swapped in as one group, so a full disk
// or a stopped run leaves the old three as they were.
#include <cstring>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/inventory.h"
#include "db/recfile.h"
#include "db/record_io.h"
#include "db/replace.h"
#include "db/usage.h"
#include "doc_files.h"
#include "doc_window.h"
#include "docs/codes.h"
#include "docs/purchase.h"
#include "log.h"
#include "out_buffer.h"
#include "passes.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"
#include "wo_tag.h"
#include "xms/store.h"
#include "xms/table.h"

namespace {

constexpr const char* kInventory = "VKINVENT.DAT";
constexpr const char* kInventoryIndex = "VKINVTAG.DAT";
constexpr const char* kReceiving = "VKRCVLOG.DAT";
constexpr const char* kOrders = "VKPURCHA.DAT";

PurchaseOrder g_po;
int g_items = 0;                      // entries of the inventory table
std::vector<int32_t> g_heads;         // receiving head of every inventory record
OutBuffer g_log;                      // "VKRCVLOG.NEW"

[[noreturn]] void give_up() {
  new_files_discard();
  fatal_exit();
}

// The inventory copy with every receiving head reset, and the index table.
void copy_inventory(File* inventory) {
  OutBuffer copy;
  out_begin(&copy, new_file_open(kInventory), replacement_name(kInventory));
  RecordScan scan;
  scan_begin(&scan, inventory, kInventoryRecordSize, kInventory);
  uint8_t rec[kInventoryRecordSize];
  int64_t p = 0;
  g_items = 0;
  g_heads.clear();
  while (scan_next(&scan, rec, &p)) {
    progress_spinner();
    rec[20] = 0;
    le_put_i32(rec + kInventoryReceivingHeadOffset, -1);
    out_append(&copy, rec, sizeof rec);
    g_heads.push_back(-1);
    InventoryRecord r;
    inventory_decode(rec, &r);
    if (!inventory_in_use(r)) continue;
    InventoryTag tag;
    inventory_make_tag(r, static_cast<int32_t>(p), &tag);
    uint8_t entry[kInventoryTagSize];
    inventory_tag_encode(tag, entry);
    TableInsert outcome;
    g_items = table_insert_stock(g_store, entry, g_items, kTableStockEntry, &outcome);
    if (outcome == TableInsert::full) {
      // An index with items missing would hide them from the shop: nothing
      // of this rebuild is kept.
      con_print("\r\nThe inventory index does not fit in memory: inventory, index and receiving log left as they were\r\n");
      give_up();
    }
  }
  out_flush(&copy);
  if (!scan_copy_stray(&scan, copy.file)) file_write_failed(copy.name);
  copy.flushed = copy.file->size();  // the stray tail stays at the end
  out_finish(&copy, false);
}

void post_line(const PurchaseOrder& po, const POPartLine& line) {
  InventoryTag key;
  inventory_search_tag(line.stock_number, &key);
  uint8_t entry[kInventoryTagSize];
  inventory_tag_encode(key, entry);
  if (table_search_stock(g_store, entry, g_items, kTableStockEntry) < 0) return;
  InventoryTag found;
  inventory_tag_decode(entry, &found);
  size_t item = static_cast<size_t>(found.record_offset) / kInventoryRecordSize;
  if (found.record_offset < 0 || item >= g_heads.size()) return;
  ReceivingRecord r;
  std::memset(&r, 0, sizeof r);
  field_copy(r.stock_number, sizeof r.stock_number, line.stock_number, sizeof line.stock_number);
  field_copy(r.vendor, sizeof r.vendor, po.vendor.Vendor, sizeof po.vendor.Vendor);
  if (std::strcmp(po.VendorInvoiceNumber, "0") != 0)
    field_copy(r.vendor_invoice_number, sizeof r.vendor_invoice_number, po.VendorInvoiceNumber,
               sizeof po.VendorInvoiceNumber);
  r.po_number = static_cast<int32_t>(po.PONumber);
  r.date = po.totals.DateOpen;
  r.quantity_1 = line.quantity_1;
  r.quantity_2 = line.quantity_2;
  r.amount = line.amount;
  r.next = g_heads[item];
  uint8_t bytes[kReceivingRecordSize];
  receiving_encode(r, bytes);
  g_heads[item] = static_cast<int32_t>(g_log.size());
  out_append(&g_log, bytes, sizeof bytes);
}

void post_order(const PurchaseOrder& po) {
  for (const POPartLine* line = po.parts; line; line = line->next) post_line(po, *line);
}

void post_stored_orders() {
  File* orders = db_open(kOrders, true);
  int64_t p = 0;
  DocWindow window;
  window_begin(&window, orders);
  for (;;) {
    DocRead info;
    int64_t result = window_parse(
        &window, p, &info,
        [](const char* bytes, size_t len, DocRead* i) { return po_parse(bytes, len, &g_po, i); },
        [] { po_free(&g_po); });
    if (result == 0) break;
    if (result < 0) {
      con_printf("\r\nVKPURCHA.DAT cannot be read at offset %lld\r\n", static_cast<long long>(p));
      alert_line("File read error (bad media)...");
      give_up();
    }
    p += result;
    long number = static_cast<int32_t>(g_po.PONumber);
    if (number % 128 == 0) con_printf("%06ld\r", number);
    if (g_po.Status != WO_VOID) post_order(g_po);
    po_free(&g_po);
  }
  db_close(orders);
}

void post_open_orders() {
  for (const std::string& name : env()->find_files(data_dir(), "I*.DKT")) {
    File* f = doc_file_open(name, &lock_purchase_order);
    std::string bytes;
    bool read = read_whole_file(f, &bytes);
    int64_t result = read ? po_parse(bytes.data(), bytes.size(), &g_po, nullptr) : -1;
    if (result > 0) {
      post_order(g_po);
      po_free(&g_po);
    } else if (!read) {
      report("\r\n%s could not be read: its parts are not posted\r\n", name.c_str());
    }
    doc_file_close(f, &lock_purchase_order);
  }
}

// The new chain heads go into the inventory copy.
void write_heads() {
  File* copy = db_open(replacement_name(kInventory), true);
  uint8_t head[4];
  for (size_t i = 0; i < g_heads.size(); i++) {
    if (g_heads[i] == -1) continue;
    le_put_i32(head, g_heads[i]);
    file_write_at(copy, static_cast<int64_t>(i * kInventoryRecordSize + kInventoryReceivingHeadOffset), head,
                  sizeof head, replacement_name(kInventory));
  }
  if (g_opt.flush) db_commit(copy);
  db_close(copy);
}

}  // namespace

void rebuild_receiving() {
  con_print("\r\nRebuilding Inventory Receiving...\r\n");
  File* inventory = db_open(kInventory, true);
  copy_inventory(inventory);
  db_close(inventory);

  File* index = new_file_open(kInventoryIndex);
  if (!table_save(g_store, index, g_items, kTableStockEntry))
    file_write_failed(replacement_name(kInventoryIndex));
  db_close(index);

  out_begin(&g_log, new_file_open(kReceiving), replacement_name(kReceiving));
  post_stored_orders();
  post_open_orders();
  out_finish(&g_log, g_opt.flush);
  write_heads();
  swap_in({kInventory, kInventoryIndex, kReceiving});

  for (const std::string& name : env()->find_files(data_dir(), "AU*.$$$")) env()->remove(data_path(name));
}
