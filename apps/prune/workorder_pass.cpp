// The workorders pass: stored workorders that are void, or whose paid (else
// closed, else open) date lies before the cut-off, go; the stored ones kept
// and every open workorder file with a valid number are indexed again, and
// the open-workorder list is rebuilt. Open workorder files whose number is 0
// or less are deleted once the new files are in place (a copy is saved).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/customer.h"
#include "db/lookups.h"
#include "db/record_io.h"
#include "db/worktags.h"
#include "doc_index.h"
#include "docs/codes.h"
#include "docs/doc_tags.h"
#include "docs/workorder.h"
#include "out_file.h"
#include "pass_files.h"
#include "read_buffer.h"
#include "platform/env.h"
#include "prune.h"
#include "saved_copies.h"
#include "ui/screen.h"

namespace {

constexpr const char* kPassName = "workorders";
// The stored documents are read through a window of this many bytes.
constexpr size_t kDocumentWindow = 1u << 20;

struct OpenFile {
  std::string name;
  int64_t result;   // of wo_read
  bool header;      // the header was really there: its section and its number
  int32_t number;
};

// Reads one open workorder file into wo (the caller releases it).
OpenFile read_open_file(const std::string& name, Workorder* wo) {
  OpenFile of{name, 0, false, 0};
  File* f = db_open(name, true);
  LockDescriptor lock = lock_workorder_2;
  f->seek(0);
  db_lock_retry(f, &lock);
  f->seek(0);
  wo_init(wo);
  DocRead info;
  of.result = wo_read(f, wo, &info);
  of.header = of.result > 0 && info.number_read;
  of.number = static_cast<int32_t>(wo->WorkorderNumber);
  db_unlock(f, &lock);
  db_close(f);
  return of;
}

// Deletes the named open workorder files, each saved under "./DELETED" first.
void drop_files(const std::vector<OpenFile>& drops) {
  for (const OpenFile& d : drops) {
    File* f = db_open(d.name, true);
    std::string bytes;
    bool read = read_whole_file(f, &bytes);
    db_close(f);
    std::string copy;
    if (!read || !save_deleted_copy('W', d.number, bytes, &copy)) {
      con_warning("%s holds no valid workorder number; kept, as no copy could be saved\r\n",
                  d.name.c_str());
      continue;
    }
    if (!env()->remove(data_path(d.name)))
      con_warning("%s holds no valid workorder number but could not be deleted\r\n",
                  d.name.c_str());
  }
  env()->sync_dir(data_dir());
}

}  // namespace

void workorder_drop_invalid_files() {
  std::vector<OpenFile> drops;
  Workorder wo;
  for (const std::string& name : env()->find_files(data_dir(), "W*.DKT")) {
    OpenFile of = read_open_file(name, &wo);
    wo_free(&wo);
    if (of.header && of.number <= 0) drops.push_back(of);
  }
  drop_files(drops);
}

PassEnd workorder_pass(PruneRun* run, int32_t cutoff) {
  status_line("Purging workorders...");
  const std::vector<std::string> names = {kInvoiceFile, kWorkorderIndexFile, kOpenWorkorderFile};
  PassFiles files;
  File* old_index = pass_open(&files, kWorkorderIndexFile, lock_workorder_index);
  File* stored = pass_open(&files, kInvoiceFile, lock_workorder, true);
  const std::string dropped =
      index_entries_past_end(old_index, kWorkorderIndexFile, kWorkorderTagSize,
                             kWorkorderTagDocumentOffset, stored, kInvoiceFile);
  if (!dropped.empty()) con_warning("%s", dropped.c_str());
  ReadBuffer in(stored, kDocumentWindow);
  pass_open(&files, kOpenWorkorderFile, lock_open_workorders);
  OutFile docs, index, list;
  out_begin(&docs, pass_open_new(&files, kInvoiceFile, nullptr));
  out_begin(&index, pass_open_new(&files, kWorkorderIndexFile, nullptr));
  out_begin(&list, pass_open_new(&files, kOpenWorkorderFile, nullptr));
  int count = 0;

  // Stored workorders.
  Workorder wo;
  std::string raw, text;
  int64_t at = 0;
  for (;;) {
    progress_spinner();
    wo_init(&wo);
    raw.clear();
    DocRead info;
    info.raw = &raw;
    int64_t r = in.seek(at) ? wo_read(&in, &wo, &info) : -1;
    if (r == 0) {
      wo_free(&wo);
      break;
    }
    if (r < 0) {
      wo_free(&wo);
      return pass_fail(run, &files, names,
                       "File read error (bad media)... VKINVOIC.DAT: workorders not purged");
    }
    at += r;
    const WorkorderTotals& t = wo.totals;
    if (wo.Status == WO_VOID || document_cutoff_day(t.DateOpen, t.DateClosed, t.DatePaid) < cutoff) {
      wo_free(&wo);
      continue;
    }
    WorkorderTag tag;
    make_workorder_tag(wo, static_cast<int32_t>(docs.size), &tag);
    if (info.whole) {
      wo_format(wo, &text);
    } else {
      // Carried as it was stored, not rewritten from the part that was read;
      // one that the end of the old file cut short gets the NUL it lacks.
      con_warning("Workorder %07ld kept as stored: it could not be read whole\r\n",
                  static_cast<long>(tag.number));
      text = raw;
      doc_carried_bytes(&text);
    }
    wo_free(&wo);
    if (out_append(&docs, text.data(), text.size()) < 0)
      return pass_fail(run, &files, names, kWriteErrorText);
    uint8_t bytes[kWorkorderTagSize];
    workorder_tag_encode(tag, bytes);
    TableInsert outcome = doc_index_insert(run->store, &count, bytes, sizeof bytes);
    if (outcome == TableInsert::full)
      return pass_fail(run, &files, names, "XMS is full... Free more XMS memory...", true);
    if (outcome == TableInsert::duplicate)
      con_warning("Workorder %07ld is stored twice: the later one has no index entry\r\n",
                  static_cast<long>(tag.number));
  }

  // Open workorders, each in its own file; no date applies to them.
  std::vector<OpenFile> drops;
  for (const std::string& name : env()->find_files(data_dir(), "W*.DKT")) {
    progress_spinner();
    OpenFile of = read_open_file(name, &wo);
    if (of.result > 0 && of.number > 0) {
      WorkorderTag tag;
      workorder_tag_clear(&tag);
      tag.number = of.number;
      tag.invoice_offset = -1;
      uint8_t bytes[kWorkorderTagSize];
      workorder_tag_encode(tag, bytes);
      TableInsert outcome = doc_index_insert(run->store, &count, bytes, sizeof bytes);
      if (outcome == TableInsert::full) {
        wo_free(&wo);
        return pass_fail(run, &files, names, "XMS is full... Free more XMS memory...", true);
      }
      if (outcome == TableInsert::duplicate)
        con_warning("%s: workorder %07ld is indexed already; listed, but not indexed again\r\n",
                    name.c_str(), static_cast<long>(of.number));
      make_workorder_tag(wo, -1, &tag);
      OpenWorkorderEntry entry;
      open_workorder_make(tag, &entry);
      uint8_t entry_bytes[kOpenWorkorderEntrySize];
      open_workorder_encode(entry, entry_bytes);
      if (out_append(&list, entry_bytes, sizeof entry_bytes) < 0) {
        wo_free(&wo);
        return pass_fail(run, &files, names, kWriteErrorText);
      }
    } else if (of.header) {
      drops.push_back(of);
    } else {
      con_warning("%s could not be read: kept, not listed\r\n", name.c_str());
    }
    wo_free(&wo);
  }

  bool ok = doc_index_write(run->store, count, kWorkorderTagSize, &index) && out_finish(&docs) &&
            out_finish(&list) && out_finish(&index);
  if (!ok) return pass_fail(run, &files, names, kWriteErrorText);
  pass_close(&files);
  if (!pass_swap(run, kPassName, names)) return pass_fail(run, &files, names, kWriteErrorText);
  drop_files(drops);
  return PassEnd::done;
}
