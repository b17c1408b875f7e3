#include "db/worktags.h"

#include <cstdio>
#include <cstring>

#include "db/record_io.h"

namespace {

// The tag's fields up to (not including) the invoice offset: shared by the
// index tag and the open-list entry.
template <class IO, class T>
void workorder_head_fields(IO& io, T& t) {
  io.i32(t.number); io.raw(t.name_key); io.i32(t.customer_number);
  io.raw(t.VIN); io.raw(t.LicenseNumber);
  io.u8(t.status); io.u8(t.type); io.u8(t.has_tax_id); io.raw(t.totals);
}

template <class IO, class T>
void purchase_head_fields(IO& io, T& t) {
  io.i32(t.number); io.raw(t.vendor); io.raw(t.VendorInvoiceNumber);
  io.i16(t.status); io.raw(t.totals);
}

template <class IO, class R>
void followup_fields(IO& io, R& r) {
  io.u8(r.active); io.i32(r.customer_number); io.raw(r.VIN); io.raw(r.LicenseNumber);
  io.i32(r.date); io.i16(r.zero_41); io.i32(r.workorder_number); io.i32(r.due_date);
  io.i32(r.due_mileage); io.i32(r.zero_55); io.raw(r.text); io.i32(r.code);
  io.i32(r.hours); io.i32(r.rate); io.i32(r.amount); io.i32(r.zero_588); io.i32(r.position);
}

void document_name(char prefix, int32_t number, char (&name)[16]) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%c%07ld.DKT", prefix, static_cast<long>(number));
  field_set(name, sizeof name, buf);
}

}  // namespace

void workorder_tag_decode(const uint8_t* bytes, WorkorderTag* t) {
  RecordReader io{bytes};
  workorder_head_fields(io, *t);
  io.i32(t->invoice_offset);
}
void workorder_tag_encode(const WorkorderTag& t, uint8_t* bytes) {
  RecordWriter io{bytes};
  workorder_head_fields(io, t);
  io.i32(t.invoice_offset);
}
void open_workorder_decode(const uint8_t* bytes, OpenWorkorderEntry* e) {
  RecordReader io{bytes};
  workorder_head_fields(io, e->tag);
  e->tag.invoice_offset = -1;
  io.raw(e->file_name);
}
void open_workorder_encode(const OpenWorkorderEntry& e, uint8_t* bytes) {
  RecordWriter io{bytes};
  workorder_head_fields(io, e.tag);
  io.raw(e.file_name);
}

void purchase_order_tag_decode(const uint8_t* bytes, PurchaseOrderTag* t) {
  RecordReader io{bytes};
  purchase_head_fields(io, *t);
  io.i32(t->order_offset);
}
void purchase_order_tag_encode(const PurchaseOrderTag& t, uint8_t* bytes) {
  RecordWriter io{bytes};
  purchase_head_fields(io, t);
  io.i32(t.order_offset);
}
void open_purchase_order_decode(const uint8_t* bytes, OpenPurchaseOrderEntry* e) {
  RecordReader io{bytes};
  purchase_head_fields(io, e->tag);
  e->tag.order_offset = -1;
  io.raw(e->file_name);
}
void open_purchase_order_encode(const OpenPurchaseOrderEntry& e, uint8_t* bytes) {
  RecordWriter io{bytes};
  purchase_head_fields(io, e.tag);
  io.raw(e.file_name);
}

void followup_decode(const uint8_t* bytes, FollowupRecord* r) { RecordReader io{bytes}; followup_fields(io, *r); }
void followup_encode(const FollowupRecord& r, uint8_t* bytes) { RecordWriter io{bytes}; followup_fields(io, r); }

int32_t block_get(const uint8_t* block, size_t offset) { return le_get_i32(block + offset); }
void block_put(uint8_t* block, size_t offset, int32_t value) { le_put_i32(block + offset, value); }

void workorder_tag_clear(WorkorderTag* t) {
  std::memset(t, 0, sizeof *t);
  block_put(t->totals, kWoBlockDateOpen, -1);
  block_put(t->totals, kWoBlockDateClosed, -1);
  block_put(t->totals, kWoBlockDatePaid, -1);
  for (size_t i = 0; i < 10; i++) block_put(t->totals, kWoBlockSplitDates + 4 * i, -1);
}

void purchase_order_tag_clear(PurchaseOrderTag* t) {
  std::memset(t, 0, sizeof *t);
  block_put(t->totals, kPoBlockDateOpen, -1);
  block_put(t->totals, kPoBlockDateClosed, -1);
  block_put(t->totals, kPoBlockDatePaid, -1);
}

void open_workorder_make(const WorkorderTag& t, OpenWorkorderEntry* e) {
  std::memset(e, 0, sizeof *e);
  e->tag = t;
  e->tag.invoice_offset = -1;
  document_name('W', t.number, e->file_name);
}

void open_purchase_order_make(const PurchaseOrderTag& t, OpenPurchaseOrderEntry* e) {
  std::memset(e, 0, sizeof *e);
  e->tag = t;
  e->tag.order_offset = -1;
  document_name('I', t.number, e->file_name);
}
