// The purchase-orders pass: stored orders that are void, or whose paid (else
// closed, else open) date lies before the cut-off, go; the stored ones kept
// and every open order file are indexed again, and the open-order list is
// rebuilt: an open order's tag and list entry hold its number only. No open
// order file is tested or deleted.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/lookups.h"
#include "db/record_io.h"
#include "db/worktags.h"
#include "doc_index.h"
#include "docs/codes.h"
#include "docs/doc_tags.h"
#include "docs/purchase.h"
#include "out_file.h"
#include "pass_files.h"
#include "read_buffer.h"
#include "platform/env.h"
#include "prune.h"
#include "ui/screen.h"

namespace {

constexpr const char* kPassName = "purchase-orders";
// The stored documents are read through a window of this many bytes.
constexpr size_t kDocumentWindow = 1u << 20;

}  // namespace

PassEnd po_pass(PruneRun* run, int32_t cutoff) {
  status_line("Purging purchase orders...");
  const std::vector<std::string> names = {kPurchaseFile, kPurchaseIndexFile, kOpenPurchaseFile};
  PassFiles files;
  File* old_index = pass_open(&files, kPurchaseIndexFile, lock_purchase_index);
  File* stored = pass_open(&files, kPurchaseFile, lock_purchase_order, true);
  const std::string dropped =
      index_entries_past_end(old_index, kPurchaseIndexFile, kPurchaseOrderTagSize,
                             kPurchaseOrderTagDocumentOffset, stored, kPurchaseFile);
  if (!dropped.empty()) con_warning("%s", dropped.c_str());
  ReadBuffer in(stored, kDocumentWindow);
  pass_open(&files, kOpenPurchaseFile, lock_open_purchases);
  OutFile docs, index, list;
  out_begin(&docs, pass_open_new(&files, kPurchaseFile, nullptr));
  out_begin(&index, pass_open_new(&files, kPurchaseIndexFile, nullptr));
  out_begin(&list, pass_open_new(&files, kOpenPurchaseFile, nullptr));
  int count = 0;

  // Stored purchase orders.
  PurchaseOrder po;
  std::string raw, text;
  int64_t at = 0;
  for (;;) {
    progress_spinner();
    po_init(&po);
    raw.clear();
    DocRead info;
    info.raw = &raw;
    int64_t r = in.seek(at) ? po_read(&in, &po, &info) : -1;
    if (r == 0) {
      po_free(&po);
      break;
    }
    if (r < 0) {
      po_free(&po);
      return pass_fail(run, &files, names,
                       "File read error (bad media)... VKPURCHA.DAT: purchase orders not purged");
    }
    at += r;
    const PurchaseOrderTotals& t = po.totals;
    if (po.Status == WO_VOID || document_cutoff_day(t.DateOpen, t.DateClosed, t.DatePaid) < cutoff) {
      po_free(&po);
      continue;
    }
    PurchaseOrderTag tag;
    make_purchase_order_tag(po, static_cast<int32_t>(docs.size), &tag);
    if (info.whole) {
      po_format(po, &text);
    } else {
      // Carried as it was stored, not rewritten from the part that was read;
      // one that the end of the old file cut short gets the NUL it lacks.
      con_warning("Purchase order %07ld kept as stored: it could not be read whole\r\n",
                  static_cast<long>(tag.number));
      text = raw;
      doc_carried_bytes(&text);
    }
    po_free(&po);
    if (out_append(&docs, text.data(), text.size()) < 0)
      return pass_fail(run, &files, names, kWriteErrorText);
    uint8_t bytes[kPurchaseOrderTagSize];
    purchase_order_tag_encode(tag, bytes);
    TableInsert outcome = doc_index_insert(run->store, &count, bytes, sizeof bytes);
    if (outcome == TableInsert::full)
      return pass_fail(run, &files, names, "XMS is full... Free more XMS memory...", true);
    if (outcome == TableInsert::duplicate)
      con_warning("Purchase order %07ld is stored twice: the later one has no index entry\r\n",
                  static_cast<long>(tag.number));
  }

  // Open purchase orders, each in its own file, all listed.
  for (const std::string& name : env()->find_files(data_dir(), "I*.DKT")) {
    progress_spinner();
    File* f = db_open(name, true);
    LockDescriptor lock = lock_purchase_order;
    f->seek(0);
    db_lock_retry(f, &lock);
    f->seek(0);
    po_init(&po);
    int64_t r = po_read(f, &po, nullptr);
    db_unlock(f, &lock);
    db_close(f);
    if (r <= 0) {
      po_free(&po);
      con_warning("%s could not be read: kept, not listed\r\n", name.c_str());
      continue;
    }
    PurchaseOrderTag tag;
    purchase_order_tag_clear(&tag);
    tag.number = static_cast<int32_t>(po.PONumber);
    tag.order_offset = -1;
    uint8_t bytes[kPurchaseOrderTagSize];
    purchase_order_tag_encode(tag, bytes);
    TableInsert outcome = doc_index_insert(run->store, &count, bytes, sizeof bytes);
    if (outcome == TableInsert::full) {
      po_free(&po);
      return pass_fail(run, &files, names, "XMS is full... Free more XMS memory...", true);
    }
    if (outcome == TableInsert::duplicate)
      con_warning("%s: purchase order %07ld is indexed already; listed, but not indexed again\r\n",
                  name.c_str(), static_cast<long>(tag.number));
    po_free(&po);
    // The list entry holds what the tag holds: the number, -1 in the three
    // dates and as offset, and the file name.
    OpenPurchaseOrderEntry entry;
    open_purchase_order_make(tag, &entry);
    uint8_t entry_bytes[kOpenPurchaseOrderEntrySize];
    open_purchase_order_encode(entry, entry_bytes);
    if (out_append(&list, entry_bytes, sizeof entry_bytes) < 0)
      return pass_fail(run, &files, names, kWriteErrorText);
  }

  bool ok = doc_index_write(run->store, count, kPurchaseOrderTagSize, &index) &&
            out_finish(&docs) && out_finish(&list) && out_finish(&index);
  if (!ok) return pass_fail(run, &files, names, kWriteErrorText);
  pass_close(&files);
  if (!pass_swap(run, kPassName, names)) return pass_fail(run, &files, names, kWriteErrorText);
  return PassEnd::done;
}
