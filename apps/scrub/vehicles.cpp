#include "vehicles.h"

#include <climits>
#include <cstring>

#include "db/record_io.h"
#include "docs/workorder.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"

namespace {

template <size_t N>
bool same(const char (&a)[N], const char (&b)[N]) {
  size_t n = field_strlen(a, N);
  return n == field_strlen(b, N) && std::memcmp(a, b, n) == 0;
}

// Finds the customer's vehicle that the new one is; -1 when none, -2 when a
// record of the chain cannot be read.
int64_t find_vehicle(const VehicleRecord& v, int32_t head, VehicleRecord* found) {
  const bool has_vin = v.VIN[0] != 0, has_license = v.LicenseNumber[0] != 0;
  // A damaged chain that loops is walked no further than the file is long.
  const int64_t limit = static_cast<int64_t>(g_vehicle_image.size() / kVehicleRecordSize) + 1;
  for (int walk = 1; walk <= 3; walk++) {
    if (walk == 1 && (g_opt.no_vin || !has_vin)) continue;
    if (walk == 2 && !has_license) continue;
    int64_t steps = 0;
    for (int32_t pos = head; pos != -1 && steps <= limit; steps++) {
      if (pos < 0 || static_cast<size_t>(pos) + kVehicleRecordSize > g_vehicle_image.size()) return -2;
      vehicle_decode(reinterpret_cast<const uint8_t*>(g_vehicle_image.data()) + pos, found);
      bool hit = false;
      switch (walk) {
        case 1: hit = same(found->VIN, v.VIN); break;
        case 2:
          hit = same(found->LicenseNumber, v.LicenseNumber) && same(found->Make, v.Make) &&
                same(found->Model, v.Model) && same(found->Year, v.Year);
          break;
        case 3:
          hit = same(found->Year, v.Year) && same(found->Make, v.Make) && same(found->Model, v.Model) &&
                !has_vin && !has_license;
          break;
      }
      if (hit) return pos;
      pos = found->next;
    }
  }
  return -1;
}

}  // namespace

void make_vehicle(const Workorder& wo, uint32_t owner, VehicleRecord* v) {
  const VehicleRecord& w = wo.vehicle;
  vehicle_init(v);
  v->owner = owner;
  std::memcpy(v->Make, w.Make, sizeof v->Make);
  std::memcpy(v->Model, w.Model, sizeof v->Model);
  std::memcpy(v->Year, w.Year, sizeof v->Year);
  std::memcpy(v->Engine, w.Engine, sizeof v->Engine);
  std::memcpy(v->Transmission, w.Transmission, sizeof v->Transmission);
  std::memcpy(v->VIN, w.VIN, sizeof v->VIN);
  std::memcpy(v->LicenseNumber, w.LicenseNumber, sizeof v->LicenseNumber);
  std::memcpy(v->State, w.State, sizeof v->State);
  std::memcpy(v->VComment1, w.VComment1, sizeof v->VComment1);
  std::memcpy(v->VComment2, w.VComment2, sizeof v->VComment2);
  std::memcpy(v->VComment3, w.VComment3, sizeof v->VComment3);
  std::memcpy(v->VComment4, w.VComment4, sizeof v->VComment4);
  v->Mileage = w.Mileage;
  v->Date = wo.totals.DateOpen;
  v->OrigMileage = v->Mileage;
  v->OrigDate = v->Date;
  v->second = -1;
  v->next = -1;
}

void vehicle_update(VehicleRecord* stored, const VehicleRecord& v) {
  if (v.Date <= stored->Date) return;
  VehicleRecord u = v;
  u.next = stored->next;
  if (!v.VIN[0]) std::memcpy(u.VIN, stored->VIN, sizeof u.VIN);
  if (!v.LicenseNumber[0]) std::memcpy(u.LicenseNumber, stored->LicenseNumber, sizeof u.LicenseNumber);
  u.OrigMileage = stored->OrigMileage == 0 || v.Mileage < stored->OrigMileage ? v.Mileage : stored->OrigMileage;
  u.OrigDate = stored->OrigDate == 0 || v.Date < stored->OrigDate ? v.Date : stored->OrigDate;
  *stored = u;
}

void link_vehicle(const Workorder& wo, int32_t customer_position) {
  if (!wo.vehicle.Make[0] && !wo.vehicle.Model[0]) return;
  VehicleRecord v;
  // The workorder's vehicle block carries no owner: the matched customer is.
  make_vehicle(wo, g_customer.CustomerNumber, &v);
  VehicleRecord stored;
  int64_t q = find_vehicle(v, g_customer.vehicle_head, &stored);
  if (q == -2) {
    beep_plain();
    return;
  }
  uint8_t bytes[kVehicleRecordSize];
  if (q >= 0) {
    vehicle_update(&stored, v);
    vehicle_encode(stored, bytes);
    g_vehicle_image.replace(static_cast<size_t>(q), sizeof bytes, reinterpret_cast<char*>(bytes), sizeof bytes);
    return;
  }
  int64_t end = static_cast<int64_t>(g_vehicle_image.size());
  if (end > INT32_MAX - static_cast<int64_t>(kVehicleRecordSize)) {
    beep_plain();  // the file cannot grow past what a link can address
    return;
  }
  v.next = g_customer.vehicle_head;
  vehicle_encode(v, bytes);
  g_vehicle_image.append(reinterpret_cast<char*>(bytes), sizeof bytes);
  g_customer.vehicle_head = static_cast<int32_t>(end);
  customer_write(customer_position, g_customer);
}
