// Customers "VKCSTDAT.DAT" with their index "VKCSTTAG.DAT" and their vehicle
// chains in "VKVEHICL.DAT".
#include <cstdio>
#include <cstring>
#include <string>

#include "gen.h"
#include "words.h"

namespace {

const char* const kBusinessNames[] = {"ACME PLUMBING", "MILLBROOK SCHOOLS", "CITY OF FAIRVIEW",
                                      "RIVERSIDE LANDSCAPING", "GREEN VALLEY FARMS",
                                      "QUICK COURIER LLC", "BRISTOL ELECTRIC"};

std::string pick(Rng& r, const WordList& w) { return w.items[r.below(static_cast<uint32_t>(w.count))]; }

// A phone number unique to customer i: the multiplier is prime to the range.
std::string phone_of(uint64_t i, int area) {
  uint64_t n = 2000000 + (i * 7919) % 8000000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "(%03d) %03d-%04d", area, static_cast<int>(n / 10000),
                static_cast<int>(n % 10000));
  return buf;
}

void make_vehicle(Gen& g, Rng& r, uint32_t owner, int32_t since, VehicleRecord* v) {
  vehicle_init(v);
  v->owner = owner;
  const MakeModels& mm = kMakes[r.below(static_cast<uint32_t>(kMakeCount))];
  int year = r.range(1994, 2025);
  if (g.mess.vehicle_no_make && r.chance(g.mess.vehicle_no_make)) {
    g.stats.messy++;  // a vehicle that was never filled in: no make, model or year
  } else {
    set_text(v->Make, mm.make);
    set_text(v->Model, mm.models[r.below(static_cast<uint32_t>(mm.count))]);
    set_text(v->Year, std::to_string(year));
    set_text(v->Engine, pick(r, kEngines));
    set_text(v->Transmission, pick(r, kTransmissions));
  }
  static const char kVinChars[] = "ABCDEFGHJKLMNPRSTUVWXYZ0123456789";
  char vin[18];
  for (int k = 0; k < 17; k++) vin[k] = kVinChars[r.below(sizeof kVinChars - 1)];
  vin[17] = 0;
  if (r.chance(900)) set_text(v->VIN, vin);
  char plate[16];
  std::snprintf(plate, sizeof plate, "%c%c%c%04u", 'A' + r.below(26), 'A' + r.below(26),
                'A' + r.below(26), r.below(10000));
  set_text(v->LicenseNumber, plate);
  if (r.chance(200)) set_text(v->VComment1, pick(r, kVehicleComments));
  int32_t age = 2025 - year;
  v->OrigMileage = age * 11000 + r.range(0, 9000);
  v->OrigDate = since;
  v->Mileage = v->OrigMileage;
  v->Date = since;
}

}  // namespace

void gen_customers(Gen& g) {
  Rng r(g.opt.seed * 0x100000001B3ull + 1);
  int64_t n = g.size.customers;
  g.customers.reserve(static_cast<size_t>(n));
  g.vehicles.reserve(static_cast<size_t>(n * 14 / 10 + 8));
  OutFile cst, tag, veh;
  gen_create(g, cst, "VKCSTDAT.DAT");
  gen_create(g, tag, "VKCSTTAG.DAT");
  gen_create(g, veh, "VKVEHICL.DAT");

  uint32_t number = 1000;
  uint8_t buf[kVehicleRecordSize];
  for (int64_t i = 0; i < n; i++) {
    number += 1 + (r.chance(30) ? r.below(4) : 0);  // gaps where customers were deleted
    GenCustomer c{};
    CustomerRecord& rec = c.rec;
    customer_init(&rec);
    rec.CustomerNumber = number;
    // Customers join over the shop's years, most before their first visit.
    rec.date = g.day_of(i, n) - r.range(0, 60);
    if (rec.date < g.first_day - 400) rec.date = g.first_day - 400;
    bool business = r.chance(40);
    if (business) {
      set_text(rec.Lastname, r.pick(kBusinessNames));
      set_text(rec.TaxIDNumber, "31-" + std::to_string(1000000 + r.below(8999999)));
    } else {
      set_text(rec.Lastname, pick(r, kLastNames));
      set_text(rec.Firstname, pick(r, kFirstNames));
      if (r.chance(300)) {
        set_text(rec.Spouse, pick(r, kFirstNames));
        set_text(rec.SpouseLastname, rec.Lastname);
      }
    }
    set_text(rec.Address, std::to_string(r.range(10, 9999)) + " " + pick(r, kStreets));
    set_text(rec.City, pick(r, kCities));
    set_text(rec.State, r.chance(950) ? "OH" : "PA");
    set_text(rec.Zip, std::to_string(r.range(43000, 45999)));
    int area = r.chance(700) ? 330 : 216;
    set_text(rec.Phone1, phone_of(static_cast<uint64_t>(i), area));
    if (r.chance(200)) {
      set_text(rec.Phone2, phone_of(static_cast<uint64_t>(i) + 4000000, 440));
      if (r.chance(300)) set_text(rec.Phone2ext, std::to_string(r.range(100, 999)));
    }
    if (r.chance(100)) {  // work number only
      std::memcpy(rec.Phone2, rec.Phone1, sizeof rec.Phone2);
      std::memset(rec.Phone1, 0, sizeof rec.Phone1);
    }
    if (r.chance(300)) set_text(rec.Salesperson, pick(r, kSalespeople));

    // The messy cases of a customer file that has seen years of use.
    if (g.mess.high_bytes && r.chance(g.mess.high_bytes)) {
      set_text(rec.Lastname, pick(r, kAccentedLastNames));
      g.stats.messy++;
    }
    if (g.mess.customer_empty_name && r.chance(g.mess.customer_empty_name)) {
      std::memset(rec.Lastname, 0, sizeof rec.Lastname);
      std::memset(rec.Firstname, 0, sizeof rec.Firstname);
      g.stats.messy++;
    }
    bool zero = g.mess.customer_number_zero && r.chance(g.mess.customer_number_zero);
    if (zero) {
      rec.CustomerNumber = 0;  // a deleted customer left in the file
      g.stats.messy++;
    }

    // Vehicles: most customers have one, some several, a few none.
    uint32_t k = r.below(100);
    uint32_t count = business ? 1 + r.below(4) : k < 8 ? 0 : k < 70 ? 1 : k < 92 ? 2 : 3;
    c.first_vehicle = static_cast<uint32_t>(g.vehicles.size());
    c.vehicle_count = count;
    rec.vehicle_head = count ? static_cast<int32_t>(veh.end()) : -1;
    for (uint32_t j = 0; j < count; j++) {
      VehicleRecord v;
      make_vehicle(g, r, rec.CustomerNumber, rec.date, &v);
      v.next = j + 1 < count ? static_cast<int32_t>(veh.end() + kVehicleRecordSize) : -1;
      vehicle_encode(v, buf);
      veh.append(buf, kVehicleRecordSize);
      g.vehicles.push_back(v);
    }
    g.stats.vehicles += count;

    int32_t offset = static_cast<int32_t>(cst.end());
    uint8_t cbuf[kCustomerRecordSize];
    customer_encode(rec, cbuf);
    cst.append(cbuf, sizeof cbuf);
    if (!zero) {
      CustomerTag t;
      customer_make_tag(rec, offset, &t);
      uint8_t tbuf[kCustomerTagSize];
      customer_tag_encode(t, tbuf);
      tag.append(tbuf, sizeof tbuf);
    }
    g.customers.push_back(c);
    g.stats.customers++;
  }
  g.next_customer = static_cast<int32_t>(number + 1);
  gen_finish(cst);
  gen_finish(tag);
  gen_finish(veh);
}
