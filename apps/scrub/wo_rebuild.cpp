// The workorder index rebuild: the invoice pass and the open-document pass
// fill the sorted table in the store; the table becomes "VKINCTAG.NEW"; the
// new open list, index and invoice file (and, with the vehicle rebuild, the
// customer and vehicle copies) are swapped in as one group.
#include <string>
#include <vector>

#include "customer_scan.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/lookups.h"
#include "db/worktags.h"
#include "log.h"
#include "match.h"
#include "out_buffer.h"
#include "passes.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"
#include "wo_tag.h"
#include "xms/store.h"
#include "xms/table.h"

namespace {

constexpr const char* kIndex = "VKINCTAG.DAT";
constexpr const char* kInvoices = "VKINVOIC.DAT";

}  // namespace

void rebuild_workorder_index() {
  con_print("Re-building Workorder tag file/Updating vehicle links...\r\n");
  File* index = db_open(kIndex, true);
  index->seek(0);
  db_lock(index, 2, &lock_workorder_index);
  File* invoices = db_open(kInvoices, true);
  invoices->seek(0);
  db_lock_retry(invoices, &lock_workorder);
  std::string dropped = index_entries_past_end(index, kIndex, kWorkorderTagSize,
                                               kWorkorderTagDocumentOffset, invoices, kInvoices);
  if (!dropped.empty()) report("%s", dropped.c_str());
  OutBuffer new_invoices;
  out_begin(&new_invoices, new_file_open(kInvoices), replacement_name(kInvoices));
  g_table_count = 0;
  invoiced_clear();

  invoice_pass(invoices, &new_invoices);
  db_unlock(invoices, &lock_workorder);
  db_close(invoices);
  out_finish(&new_invoices, false);

  open_document_pass();
  customer_files_close();

  write_table_index(kIndex, kWorkorderTagSize);
  db_unlock(index, &lock_workorder_index);
  db_close(index);
  std::vector<std::string> group = {"VKOPENWO.DAT", kIndex, kInvoices};
  if (customer_files_pending()) {
    group.push_back("VKCSTDAT.DAT");
    group.push_back("VKVEHICL.DAT");
  }
  swap_in(group);
  invoiced_clear();
  customer_table_free(g_customer_table);
  g_customer_table = nullptr;
}
