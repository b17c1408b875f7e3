#include "db/customer.h"

#include <cstring>
#include <type_traits>

#include "db/bytes.h"

namespace {

// Reads and writes a record's fields in stored order, one cursor per record.
struct Reader {
  const uint8_t* p;
  int32_t i32() { int32_t v = le_get_i32(p); p += 4; return v; }
  int16_t i16() { int16_t v = le_get_i16(p); p += 2; return v; }
  template <size_t N> void text(char (&f)[N]) { std::memcpy(f, p, N); p += N; }
};
struct Writer {
  uint8_t* p;
  void i32(int32_t v) { le_put_i32(p, v); p += 4; }
  void i16(int16_t v) { le_put_i16(p, v); p += 2; }
  template <size_t N> void text(const char (&f)[N]) { std::memcpy(p, f, N); p += N; }
};

// One field list serves both directions, so decode and encode cannot drift.
template <class IO, class R>
void customer_fields(IO& io, R& r) {
  if constexpr (std::is_same_v<IO, Reader>) r.CustomerNumber = static_cast<uint32_t>(io.i32());
  else io.i32(static_cast<int32_t>(r.CustomerNumber));
  io.text(r.Lastname); io.text(r.Firstname); io.text(r.Spouse); io.text(r.SpouseLastname);
  io.text(r.Address); io.text(r.City); io.text(r.State); io.text(r.Zip);
  io.text(r.Phone1); io.text(r.Phone2); io.text(r.Phone2ext); io.text(r.Phone3);
  if constexpr (std::is_same_v<IO, Reader>) { r.setting = io.i16(); r.date = io.i32(); }
  else { io.i16(r.setting); io.i32(r.date); }
  io.text(r.TaxIDNumber); io.text(r.Salesperson);
  if constexpr (std::is_same_v<IO, Reader>) r.vehicle_head = io.i32();
  else io.i32(r.vehicle_head);
}

template <class IO, class R>
void vehicle_fields(IO& io, R& r) {
  constexpr bool rd = std::is_same_v<IO, Reader>;
  if constexpr (rd) { r.owner = static_cast<uint32_t>(io.i32()); r.second = io.i32(); }
  else { io.i32(static_cast<int32_t>(r.owner)); io.i32(r.second); }
  io.text(r.Make); io.text(r.Model); io.text(r.Year); io.text(r.Engine);
  io.text(r.Transmission); io.text(r.VIN); io.text(r.LicenseNumber); io.text(r.State);
  io.text(r.VComment1); io.text(r.VComment2); io.text(r.VComment3); io.text(r.VComment4);
  if constexpr (rd) {
    r.Mileage = io.i32(); r.Date = io.i32(); r.OrigMileage = io.i32(); r.OrigDate = io.i32();
    r.next = io.i32();
  } else {
    io.i32(r.Mileage); io.i32(r.Date); io.i32(r.OrigMileage); io.i32(r.OrigDate); io.i32(r.next);
  }
}

template <class IO, class T>
void tag_fields(IO& io, T& t) {
  constexpr bool rd = std::is_same_v<IO, Reader>;
  if constexpr (rd) t.number = io.i32(); else io.i32(t.number);
  io.text(t.name_key); io.text(t.spouse_key);
  if constexpr (rd) t.record_offset = io.i32(); else io.i32(t.record_offset);
  io.text(t.phone_key);
}

}  // namespace

void customer_decode(const uint8_t* bytes, CustomerRecord* r) { Reader io{bytes}; customer_fields(io, *r); }
void customer_encode(const CustomerRecord& r, uint8_t* bytes) { Writer io{bytes}; customer_fields(io, r); }
void customer_tag_decode(const uint8_t* bytes, CustomerTag* t) { Reader io{bytes}; tag_fields(io, *t); }
void customer_tag_encode(const CustomerTag& t, uint8_t* bytes) { Writer io{bytes}; tag_fields(io, t); }
void vehicle_decode(const uint8_t* bytes, VehicleRecord* r) { Reader io{bytes}; vehicle_fields(io, *r); }
void vehicle_encode(const VehicleRecord& r, uint8_t* bytes) { Writer io{bytes}; vehicle_fields(io, r); }

void make_name_key(const char* last, size_t last_width, const char* first, size_t first_width,
                   char key[32]) {
  char buf[128];
  size_t n = field_strlen(last, last_width);
  while (n > 0 && last[n - 1] == ' ') n--;
  std::memcpy(buf, last, n);
  buf[n++] = ',';
  size_t f = field_strlen(first, first_width);
  std::memcpy(buf + n, first, f);
  n += f;
  while (n > 0 && buf[n - 1] == ' ') n--;
  if (n > 31) n = 31;
  std::memset(key, 0, 32);
  std::memcpy(key, buf, n);
}

void customer_make_tag(const CustomerRecord& r, int32_t offset, CustomerTag* t) {
  std::memset(t, 0, sizeof *t);
  t->number = static_cast<int32_t>(r.CustomerNumber);
  make_name_key(r.Lastname, sizeof r.Lastname, r.Firstname, sizeof r.Firstname, t->name_key);
  make_name_key(r.SpouseLastname, sizeof r.SpouseLastname, r.Spouse, sizeof r.Spouse, t->spouse_key);
  t->record_offset = offset;
  const char* phone = r.Phone1[0] ? r.Phone1 : r.Phone2;
  std::memcpy(t->phone_key, phone, field_strlen(phone, sizeof r.Phone1));
}
