// The cleaning pass over the open workorder documents. A document the new
// index does not claim as open (a number of 0 or less, not indexed, or
// invoiced) is saved under "./DELETED" byte for byte, its open-list entry
// blanked, and then deleted: the list never names a document that is gone.
// A kept "ON ACCT" document gets its payment splits completed and ordered.
// Documents that cannot be read, or whose header and number were not there,
// are never deleted; the open-document pass has logged them already.
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/lookups.h"
#include "db/worktags.h"
#include "doc_files.h"
#include "docs/codes.h"
#include "docs/workorder.h"
#include "followups.h"
#include "passes.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub.h"
#include "scrub_files.h"
#include "splits.h"
#include "ui/screen.h"

namespace {

Workorder g_wo;

// Blanks the open-list entries of the documents to be deleted: for each, in
// the order they were found, the first entry that still holds its number
// (two documents with one number blank two entries). The blanks are flushed
// before any of the documents is deleted.
void blank_list_entries(const std::vector<int32_t>& numbers) {
  if (numbers.empty()) return;
  File* list = db_open("VKOPENWO.DAT", true);
  list->seek(0);
  db_lock(list, 2, &lock_open_workorders);
  std::string bytes;
  if (!read_whole_file(list, &bytes)) file_read_failed("VKOPENWO.DAT");
  std::map<int32_t, std::deque<size_t>> entries;
  for (size_t off = 0; off + kOpenWorkorderEntrySize <= bytes.size(); off += kOpenWorkorderEntrySize)
    entries[le_get_i32(reinterpret_cast<const uint8_t*>(bytes.data()) + off)].push_back(off);
  const uint8_t zeros[kOpenWorkorderEntrySize] = {};
  for (int32_t number : numbers) {
    auto it = entries.find(number);
    if (it == entries.end() || it->second.empty()) continue;
    file_write_at(list, static_cast<int64_t>(it->second.front()), zeros, sizeof zeros, "VKOPENWO.DAT");
    it->second.pop_front();
  }
  db_commit(list);
  db_unlock(list, &lock_open_workorders);
  db_close(list);
}

}  // namespace

void clean_workorder_documents() {
  con_print("\r\nCleaning workorders...\r\n");
  doc_rewrites_begin();
  struct Removed {
    std::string name;
    int32_t number;
  };
  std::vector<Removed> removed;
  for (const std::string& name : env()->find_files(data_dir(), "W*.DKT")) {
    con_printf("\rChecking on %s...  ", name.c_str());
    File* f = doc_file_open(name, &lock_workorder);
    std::string bytes;
    if (!read_whole_file(f, &bytes)) {
      doc_file_close(f, &lock_workorder);
      con_printf("\r\n%s could not be read: kept as it was\r\n", name.c_str());
      continue;
    }
    DocRead info;
    int64_t result = wo_parse(bytes.data(), bytes.size(), &g_wo, &info);
    const int32_t number = static_cast<int32_t>(g_wo.WorkorderNumber);
    if (result <= 0 || (!info.whole && !info.number_read)) {
      wo_free(&g_wo);
      doc_file_close(f, &lock_workorder);
      con_printf("\r\n%s could not be read: kept as it was\r\n", name.c_str());
      continue;
    }
    bool remove = number <= 0;
    if (!remove) {
      WorkorderTag tag{};
      tag.number = number;
      int32_t position;
      int32_t invoice = find_workorder_tag(&tag, &position);
      remove = position == -1 || invoice != -1;
    }
    std::string text;
    bool rewrite = false;
    if (!remove && info.whole) {
      if (g_wo.Status == WO_ON_ACCT) complete_account_splits(&g_wo.totals);
      wo_format(g_wo, &text);
      rewrite = true;
    }
    wo_free(&g_wo);
    doc_file_close(f, &lock_workorder);
    if (rewrite) doc_file_replace(name, bytes, text);
    if (remove) {
      con_print("Deleted...\r\n");
      long saved_number = number > 0 ? number : doc_file_number(name);
      if (doc_file_save_copy(name, 'W', saved_number, bytes)) removed.push_back({name, number});
    }
    con_print("\r");
  }
  doc_rewrites_commit();
  // The copies are safe, and the list no longer names the documents, before
  // any of them goes.
  saved_copies_commit();
  std::vector<int32_t> blank;
  for (const Removed& r : removed)
    if (r.number > 0) blank.push_back(r.number);
  blank_list_entries(blank);
  for (const Removed& r : removed) doc_file_delete(r.name);
  followups_finish();
}
