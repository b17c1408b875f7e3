#include "db/payroll.h"

#include "db/record_io.h"

namespace {

template <class IO, class R>
void employee_fields(IO& io, R& r) { io.raw(r.data); io.i32(r.payroll_head); }

template <class IO, class R>
void payroll_fields(IO& io, R& r) { io.i32(r.date); io.raw(r.data); io.i32(r.next); }

}  // namespace

void employee_decode(const uint8_t* bytes, EmployeeRecord* r) { RecordReader io{bytes}; employee_fields(io, *r); }
void employee_encode(const EmployeeRecord& r, uint8_t* bytes) { RecordWriter io{bytes}; employee_fields(io, r); }
void payroll_decode(const uint8_t* bytes, PayrollEntry* r) { RecordReader io{bytes}; payroll_fields(io, *r); }
void payroll_encode(const PayrollEntry& r, uint8_t* bytes) { RecordWriter io{bytes}; payroll_fields(io, r); }
