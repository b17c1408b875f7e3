#include "db/usage.h"

#include "db/record_io.h"

namespace {

template <class IO, class R>
void usage_fields(IO& io, R& r) {
  io.raw(r.stock_number); io.i32(r.workorder_number); io.i32(r.date);
  io.raw(r.customer_name); io.i16(r.quantity); io.i32(r.unit_cost); io.i32(r.unit_price);
  io.i32(r.next); io.u8(r.pad);
}

template <class IO, class R>
void receiving_fields(IO& io, R& r) {
  io.raw(r.stock_number); io.raw(r.vendor); io.raw(r.vendor_invoice_number);
  io.i32(r.po_number); io.i32(r.date); io.i16(r.quantity_1); io.i16(r.quantity_2);
  io.i32(r.amount); io.i32(r.next);
}

}  // namespace

void usage_decode(const uint8_t* bytes, UsageRecord* r) { RecordReader io{bytes}; usage_fields(io, *r); }
void usage_encode(const UsageRecord& r, uint8_t* bytes) { RecordWriter io{bytes}; usage_fields(io, r); }
void receiving_decode(const uint8_t* bytes, ReceivingRecord* r) { RecordReader io{bytes}; receiving_fields(io, *r); }
void receiving_encode(const ReceivingRecord& r, uint8_t* bytes) { RecordWriter io{bytes}; receiving_fields(io, r); }
