// The stored workorders: every document of "VKINVOIC.DAT" in file order.
// Void documents are dropped; the others are marked PAID, matched to a
// customer, indexed and written to "VKINVOIC.NEW", except duplicates of a
// number already indexed, which are saved under "./DELETED" and logged.
#include <cstring>
#include <string>

#include "db/recfile.h"
#include "db/replace.h"
#include "doc_window.h"
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

Workorder g_wo;

[[noreturn]] void read_failed(int64_t offset) {
  wo_free(&g_wo);
  // Nothing of the pass is kept: the old files stand as they were.
  new_files_discard();
  con_printf("\r\nVKINVOIC.DAT cannot be read at offset %lld\r\n", static_cast<long long>(offset));
  rec_read_failed();
}

void mark_paid(Workorder* wo) {
  wo->Status = WO_PAID;
  if (wo->totals.DatePaid == -1) wo->totals.DatePaid = wo->totals.DateClosed;
  if (wo->totals.DatePaid == -1) wo->totals.DatePaid = wo->totals.DateOpen;
}

// A document kept as it was stored goes into the new file byte for byte,
// with the NUL a document cut short by the end of the old file lacks.
void carry(std::string* raw, OutBuffer* out) {
  doc_carried_bytes(raw);
  out_append(out, raw->data(), raw->size());
}

// A duplicate's copy is the document as it stands in the invoice file.
void remove_duplicate(const WorkorderTag& tag, std::string* raw, OutBuffer* out) {
  long number = static_cast<int32_t>(g_wo.WorkorderNumber);
  con_printf("Deleting duplicate WO: %08ld\r\n", number);
  if (save_document_copy('W', number, raw->data(), raw->size())) {
    scrub_log("Deleting duplicate WO: %08ld - %s  (saved in ./DELETED)\r\n", number, tag.name_key);
    return;
  }
  // Without its copy the duplicate stays in the invoice file, unindexed.
  carry(raw, out);
  report("Duplicate WO: %08ld - %s kept in VKINVOIC.DAT: its copy could not be saved\r\n", number,
         tag.name_key);
}

}  // namespace

void invoice_pass(File* invoices, OutBuffer* out) {
  int64_t p = 0;
  std::string raw;
  DocWindow window;
  window_begin(&window, invoices);
  for (;;) {
    DocRead info;
    info.raw = &raw;
    int64_t result = window_parse(
        &window, p, &info,
        [](const char* bytes, size_t len, DocRead* i) { return wo_parse(bytes, len, &g_wo, i); },
        [] { wo_free(&g_wo); });
    if (result == 0) break;
    if (result < 0) read_failed(p);
    const int64_t at = p + info.padding;
    p += result;
    const long number = static_cast<int32_t>(g_wo.WorkorderNumber);

    if (!info.whole) {
      // A document the reader gave up on is carried byte for byte and
      // indexed from what was read; a void one or one without a number goes
      // like any other such document. When its customer section was read it
      // is matched like any other (its tag keeps the customer as read), its
      // vehicle linked when its vehicle section was read too, and the labor
      // lines read give its follow-ups.
      if (g_wo.Status == WO_VOID) {
        wo_free(&g_wo);
        continue;
      }
      if (number == 0) {
        if (save_document_copy('W', 0, raw.data(), raw.size())) {
          report("Unreadable document at offset %lld of VKINVOIC.DAT removed (saved in ./DELETED)\r\n",
                 static_cast<long long>(at));
        } else {
          carry(&raw, out);
          report("Unreadable document at offset %lld of VKINVOIC.DAT kept as it was\r\n",
                 static_cast<long long>(at));
        }
        wo_free(&g_wo);
        continue;
      }
      WorkorderTag tag;
      make_workorder_tag(g_wo, static_cast<int32_t>(out->size()), &tag);
      if (info.customer_read) match_workorder(&g_wo, info.vehicle_read);
      if (workorder_table_insert(tag)) {
        invoiced_add(tag.number);
        carry(&raw, out);
        report("%07ld could not be read whole: kept in VKINVOIC.DAT as it was\r\n", number);
        followups_add(g_wo);
      } else {
        remove_duplicate(tag, &raw, out);
      }
      wo_free(&g_wo);
      continue;
    }

    if (g_wo.Status == WO_VOID || g_wo.WorkorderNumber == 0) {
      wo_free(&g_wo);
      continue;
    }
    mark_paid(&g_wo);
    match_workorder(&g_wo, true);
    if (number % 128 == 0) con_printf("%06ld\r", number);
    WorkorderTag tag;
    make_workorder_tag(g_wo, static_cast<int32_t>(out->size()), &tag);
    if (workorder_table_insert(tag)) {
      invoiced_add(tag.number);
      std::string text;
      wo_format(g_wo, &text);
      out_append(out, text.data(), text.size());
      followups_add(g_wo);
    } else {
      remove_duplicate(tag, &raw, out);
    }
    wo_free(&g_wo);
  }
  con_print("\n");
}
