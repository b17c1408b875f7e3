// The open workorder documents ("W*.DKT"): each non-void document with a
// number is matched to a customer, indexed (open, invoice position -1), given
// its follow-ups and an entry in "VKOPENWO.NEW", and written back. A
// document that cannot be read, or whose header and number were not there,
// keeps the entry it had in the old list; one the reader gave up on after
// its number is indexed from what was read and left untouched (matched, and
// given the follow-ups of the labor lines read, when its customer section
// was read). One whose number is 0 or less gets no entry: the cleaning pass
// removes it.
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "customer_scan.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/worktags.h"
#include "doc_files.h"
#include "docs/codes.h"
#include "docs/workorder.h"
#include "followups.h"
#include "log.h"
#include "match.h"
#include "out_buffer.h"
#include "passes.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"
#include "wo_tag.h"

namespace {

constexpr const char* kOpenList = "VKOPENWO.DAT";

Workorder g_wo;

// The entries of the old open list, for documents that cannot be read now.
std::vector<OpenWorkorderEntry> read_old_list(File* f) {
  std::vector<OpenWorkorderEntry> entries;
  std::string bytes;
  if (!read_whole_file(f, &bytes)) file_read_failed(kOpenList);
  for (size_t off = 0; off + kOpenWorkorderEntrySize <= bytes.size(); off += kOpenWorkorderEntrySize) {
    OpenWorkorderEntry e;
    open_workorder_decode(reinterpret_cast<const uint8_t*>(bytes.data()) + off, &e);
    entries.push_back(e);
  }
  return entries;
}

void append_entry(OutBuffer* out, const OpenWorkorderEntry& e) {
  uint8_t bytes[kOpenWorkorderEntrySize];
  open_workorder_encode(e, bytes);
  out_append(out, bytes, sizeof bytes);
}

// A document that could not be read stays, with the entry the old list had
// for its file and that entry's tag in the index.
void keep_unread(const std::string& name, const std::vector<OpenWorkorderEntry>& old, OutBuffer* out) {
  report("\r\n%s could not be read: kept as it was\r\n", name.c_str());
  for (const OpenWorkorderEntry& e : old)
    if (strncasecmp(e.file_name, name.c_str(), sizeof e.file_name) == 0 && e.tag.number > 0) {
      WorkorderTag tag = e.tag;
      tag.invoice_offset = -1;
      workorder_table_insert(tag);
      append_entry(out, e);
      return;
    }
}

}  // namespace

void open_document_pass() {
  File* list = db_open(kOpenList, true);
  list->seek(0);
  db_lock(list, 2, &lock_open_workorders);
  std::vector<OpenWorkorderEntry> old = read_old_list(list);
  doc_rewrites_begin();
  OutBuffer out;
  out_begin(&out, new_file_open(kOpenList), replacement_name(kOpenList));

  for (const std::string& name : env()->find_files(data_dir(), "W*.DKT")) {
    File* f = doc_file_open(name, &lock_workorder);
    con_printf("Processing %s\r", name.c_str());
    std::string bytes;
    if (!read_whole_file(f, &bytes)) {
      doc_file_close(f, &lock_workorder);
      keep_unread(name, old, &out);
      continue;
    }
    DocRead info;
    int64_t result = wo_parse(bytes.data(), bytes.size(), &g_wo, &info);
    const long number = static_cast<int32_t>(g_wo.WorkorderNumber);
    if (result <= 0 || (!info.whole && !info.number_read)) {
      wo_free(&g_wo);
      doc_file_close(f, &lock_workorder);
      keep_unread(name, old, &out);
      continue;
    }
    if (number <= 0 || (info.whole && g_wo.Status == WO_VOID)) {
      // Left as it is; the cleaning pass removes it.
      wo_free(&g_wo);
      doc_file_close(f, &lock_workorder);
      continue;
    }
    WorkorderTag tag;
    if (info.whole) {
      match_workorder(&g_wo, true);
      make_workorder_tag(g_wo, -1, &tag);
    } else {
      report("\r\n%s could not be read whole: indexed from what was read, left as it was\r\n",
             name.c_str());
      // The tag keeps the customer as read; the match links the vehicle.
      make_workorder_tag(g_wo, -1, &tag);
      if (info.customer_read) match_workorder(&g_wo, info.vehicle_read);
    }
    workorder_table_insert(tag);  // a number indexed already stays as it was
    followups_add(g_wo);
    OpenWorkorderEntry entry;
    open_workorder_make(tag, &entry);
    append_entry(&out, entry);
    // A document whose number is invoiced is deleted by the cleaning pass:
    // it keeps its bytes for the saved copy.
    bool rewrite = info.whole && !invoiced(tag.number);
    std::string text;
    if (rewrite) wo_format(g_wo, &text);
    wo_free(&g_wo);
    doc_file_close(f, &lock_workorder);
    if (rewrite) doc_file_replace(name, bytes, text);
  }

  doc_rewrites_commit();
  db_unlock(list, &lock_open_workorders);
  db_close(list);
  out_finish(&out, false);
}
