#include "customer_scan.h"

#include <cstring>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/customer.h"
#include "db/dbfile.h"
#include "match.h"
#include "out_buffer.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"

std::string g_customer_image;
std::string g_vehicle_image;

namespace {

constexpr const char* kCustomers = "VKCSTDAT.DAT";
constexpr const char* kCustomerIndex = "VKCSTTAG.DAT";
constexpr const char* kVehicles = "VKVEHICL.DAT";

File* g_customer_dat = nullptr;  // "VKCSTDAT.DAT", held for the whole rebuild
File* g_vehicle_dat = nullptr;   // "VKVEHICL.DAT"

void write_whole(const char* dat_name, const std::string& bytes) {
  OutBuffer out;
  out_begin(&out, new_file_open(dat_name), replacement_name(dat_name));
  out_append(&out, bytes.data(), bytes.size());
  out_finish(&out, true);
}

}  // namespace

bool customer_read(int32_t position, CustomerRecord* r) {
  if (position < 0 || static_cast<size_t>(position) + kCustomerRecordSize > g_customer_image.size()) return false;
  customer_decode(reinterpret_cast<const uint8_t*>(g_customer_image.data()) + position, r);
  return true;
}

void customer_write(int32_t position, const CustomerRecord& r) {
  uint8_t bytes[kCustomerRecordSize];
  customer_encode(r, bytes);
  g_customer_image.replace(static_cast<size_t>(position), sizeof bytes, reinterpret_cast<char*>(bytes), sizeof bytes);
}

void customer_scan() {
  g_vehicle_dat = db_open(kVehicles, true);
  g_customer_dat = db_open(kCustomers, true);
  g_customer_table = customer_table_create();
  if (!g_customer_table) {
    db_close(g_customer_dat);
    db_close(g_vehicle_dat);
    g_customer_dat = g_vehicle_dat = nullptr;
    con_print("error allocating customer hashtable...");
    fatal_exit();
  }
  if (!read_whole_file(g_customer_dat, &g_customer_image)) file_read_failed(kCustomers);
  g_vehicle_image.clear();

  OutBuffer index;
  out_begin(&index, new_file_open(kCustomerIndex), replacement_name(kCustomerIndex));
  bool hashing = true;
  // Records follow each other from offset 0; a piece of a record at the end
  // of the file is not a record and is carried as it is.
  size_t whole = g_customer_image.size() / kCustomerRecordSize * kCustomerRecordSize;
  for (size_t p = 0; p < whole; p += kCustomerRecordSize) {
    uint8_t* rec = reinterpret_cast<uint8_t*>(g_customer_image.data()) + p;
    CustomerRecord r;
    customer_decode(rec, &r);
    if (g_opt.vehicles) {
      r.vehicle_head = -1;
      customer_encode(r, rec);
    }
    if (static_cast<int32_t>(r.CustomerNumber) <= 0) continue;  // a deleted record
    CustomerTag t;
    customer_make_tag(r, static_cast<int32_t>(p), &t);
    if (hashing && !customer_table_add(g_customer_table, t)) {
      // The index stays complete; only the lookup table stops growing.
      con_print("Error hashing customer tag records...");
      hashing = false;
    }
    uint8_t bytes[kCustomerTagSize];
    customer_tag_encode(t, bytes);
    out_append(&index, bytes, sizeof bytes);
  }
  out_finish(&index, true);
  swap_in({kCustomerIndex});
}

void customer_files_close() {
  if (!g_customer_dat) return;
  if (g_opt.vehicles) {
    write_whole(kCustomers, g_customer_image);
    write_whole(kVehicles, g_vehicle_image);
  }
  db_close(g_customer_dat);
  db_close(g_vehicle_dat);
  g_customer_dat = g_vehicle_dat = nullptr;
  g_customer_image.clear();
  g_customer_image.shrink_to_fit();
  g_vehicle_image.clear();
  g_vehicle_image.shrink_to_fit();
}

bool customer_files_pending() { return g_opt.vehicles; }
