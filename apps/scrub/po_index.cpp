// The purchase-order index rebuild: the stored orders of "VKPURCHA.DAT" are
// indexed and written to "VKPURCHA.NEW" (void ones and ones without a number
// dropped), the open order documents ("I*.DKT") are indexed by number and
// listed in "VKOPENPO.NEW", and the three new files are swapped in as one
// group. Open documents that are void, numberless or duplicates are saved
// under "./DELETED" byte for byte and deleted once the new list is in place.
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/lookups.h"
#include "db/recfile.h"
#include "db/replace.h"
#include "db/worktags.h"
#include "doc_files.h"
#include "doc_window.h"
#include "docs/codes.h"
#include "docs/purchase.h"
#include "log.h"
#include "out_buffer.h"
#include "passes.h"
#include "platform/env.h"
#include "po_tag.h"
#include "saved_copies.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"
#include "wo_tag.h"
#include "xms/store.h"
#include "xms/table.h"

namespace {

constexpr const char* kIndex = "VKPURTAG.DAT";
constexpr const char* kOrders = "VKPURCHA.DAT";
constexpr const char* kOpenList = "VKOPENPO.DAT";

PurchaseOrder g_po;

struct PendingDelete {
  std::string name;
  long number;
  std::string bytes;
};

[[noreturn]] void read_failed(int64_t offset) {
  po_free(&g_po);
  new_files_discard();
  con_printf("\r\nVKPURCHA.DAT cannot be read at offset %lld\r\n", static_cast<long long>(offset));
  rec_read_failed();
}

void stored_orders(File* orders, OutBuffer* out) {
  int64_t p = 0;
  std::string raw;
  DocWindow window;
  window_begin(&window, orders);
  for (;;) {
    DocRead info;
    info.raw = &raw;
    int64_t result = window_parse(
        &window, p, &info,
        [](const char* bytes, size_t len, DocRead* i) { return po_parse(bytes, len, &g_po, i); },
        [] { po_free(&g_po); });
    if (result == 0) break;
    if (result < 0) read_failed(p);
    const int64_t at = p + info.padding;
    p += result;
    const long number = static_cast<int32_t>(g_po.PONumber);
    if (g_po.Status == WO_VOID || (info.whole && number <= 0)) {
      po_free(&g_po);
      continue;
    }
    if (number <= 0) {
      // Not read whole and no number: nothing to index it by.
      if (save_document_copy('I', 0, raw.data(), raw.size())) {
        report("Unreadable document at offset %lld of VKPURCHA.DAT removed (saved in ./DELETED)\r\n",
               static_cast<long long>(at));
      } else {
        doc_carried_bytes(&raw);
        out_append(out, raw.data(), raw.size());
        report("Unreadable document at offset %lld of VKPURCHA.DAT kept as it was\r\n",
               static_cast<long long>(at));
      }
      po_free(&g_po);
      continue;
    }
    if (number % 128 == 0) con_printf("%06ld\r", number);
    PurchaseOrderTag tag;
    make_purchase_order_tag(g_po, static_cast<int32_t>(out->size()), &tag);
    if (info.whole) {
      std::string text;
      po_format(g_po, &text);
      out_append(out, text.data(), text.size());
    } else {
      // Carried byte for byte: rewriting would lose what was not read. One
      // that the end of the old file cut short gets the NUL it lacks.
      doc_carried_bytes(&raw);
      out_append(out, raw.data(), raw.size());
      report("PO %07ld could not be read whole: kept in VKPURCHA.DAT as it was\r\n", number);
    }
    purchase_order_table_insert(tag);  // a later order with the same number stays unindexed
    po_free(&g_po);
  }
}

std::vector<OpenPurchaseOrderEntry> read_old_list(File* f) {
  std::vector<OpenPurchaseOrderEntry> entries;
  std::string bytes;
  if (!read_whole_file(f, &bytes)) file_read_failed(kOpenList);
  for (size_t off = 0; off + kOpenPurchaseOrderEntrySize <= bytes.size(); off += kOpenPurchaseOrderEntrySize) {
    OpenPurchaseOrderEntry e;
    open_purchase_order_decode(reinterpret_cast<const uint8_t*>(bytes.data()) + off, &e);
    entries.push_back(e);
  }
  return entries;
}

void append_entry(OutBuffer* out, const OpenPurchaseOrderEntry& e) {
  uint8_t bytes[kOpenPurchaseOrderEntrySize];
  open_purchase_order_encode(e, bytes);
  out_append(out, bytes, sizeof bytes);
}

void keep_unread(const std::string& name, const std::vector<OpenPurchaseOrderEntry>& old, OutBuffer* out) {
  report("\r\n%s could not be read: kept as it was\r\n", name.c_str());
  for (const OpenPurchaseOrderEntry& e : old)
    if (strncasecmp(e.file_name, name.c_str(), sizeof e.file_name) == 0 && e.tag.number > 0) {
      PurchaseOrderTag tag = e.tag;
      tag.order_offset = -1;
      purchase_order_table_insert(tag);
      append_entry(out, e);
      return;
    }
}

void open_orders(OutBuffer* out, std::vector<PendingDelete>* deletes) {
  File* list = db_open(kOpenList, true);
  list->seek(0);
  db_lock(list, 2, &lock_open_purchases);
  std::vector<OpenPurchaseOrderEntry> old = read_old_list(list);
  for (const std::string& name : env()->find_files(data_dir(), "I*.DKT")) {
    File* f = doc_file_open(name, &lock_purchase_order);
    std::string bytes;
    DocRead info;
    int64_t result = -1;
    if (read_whole_file(f, &bytes))
      result = po_parse(bytes.data(), bytes.size(), &g_po, &info);
    else
      po_init(&g_po);
    const long number = static_cast<int32_t>(g_po.PONumber);
    bool unread = result <= 0 || (!info.whole && number < 1);
    bool remove = false;
    if (!unread) {
      if (number < 1 || g_po.Status == WO_VOID) {
        remove = true;
      } else {
        PurchaseOrderTag tag;
        make_open_purchase_order_tag(static_cast<int32_t>(number), &tag);
        if (purchase_order_table_insert(tag)) {
          OpenPurchaseOrderEntry entry;
          open_purchase_order_make(tag, &entry);
          append_entry(out, entry);
        } else {
          remove = true;  // the number is indexed already
        }
      }
    }
    if (result > 0) po_free(&g_po);
    doc_file_close(f, &lock_purchase_order);
    if (unread) keep_unread(name, old, out);
    if (remove) deletes->push_back({name, number, std::move(bytes)});
  }
  db_unlock(list, &lock_open_purchases);
  db_close(list);
}

}  // namespace

void rebuild_purchase_order_index() {
  con_print("Rebuilding Purchase Order tag file...\r\n");
  File* index = db_open(kIndex, true);
  index->seek(0);
  db_lock(index, 2, &lock_workorder_index);
  File* orders = db_open(kOrders, true);
  orders->seek(0);
  db_lock_retry(orders, &lock_purchase_order);
  std::string dropped = index_entries_past_end(index, kIndex, kPurchaseOrderTagSize,
                                               kPurchaseOrderTagDocumentOffset, orders, kOrders);
  if (!dropped.empty()) report("%s", dropped.c_str());
  OutBuffer new_orders;
  out_begin(&new_orders, new_file_open(kOrders), replacement_name(kOrders));
  g_table_count = 0;

  stored_orders(orders, &new_orders);
  db_unlock(orders, &lock_purchase_order);
  db_close(orders);
  out_finish(&new_orders, false);

  OutBuffer new_list;
  out_begin(&new_list, new_file_open(kOpenList), replacement_name(kOpenList));
  std::vector<PendingDelete> deletes;
  open_orders(&new_list, &deletes);
  out_finish(&new_list, false);

  write_table_index(kIndex, kPurchaseOrderTagSize);
  db_unlock(index, &lock_workorder_index);
  db_close(index);
  swap_in({kOpenList, kOrders, kIndex});

  std::vector<std::string> saved;
  for (const PendingDelete& d : deletes) {
    con_printf("Deleted : %06ld\r\n", d.number);
    long saved_number = d.number > 0 ? d.number : doc_file_number(d.name);
    if (doc_file_save_copy(d.name, 'I', saved_number, d.bytes)) saved.push_back(d.name);
  }
  saved_copies_commit();
  for (const std::string& name : saved) doc_file_delete(name);
}
