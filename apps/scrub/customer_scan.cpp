#include "customer_scan.h"

#include <cstring>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "db/customer.h"
#include "db/dbfile.h"
#include "match.h"
#include "platform/env.h"
#include "scrub.h"
#include "scrub_files.h"
#include "ui/screen.h"

File* g_customer_file = nullptr;
File* g_vehicle_file = nullptr;
int32_t g_vehicle_write_pos = 0;

namespace {

constexpr const char* kCustomers = "VKCSTDAT.DAT";
constexpr const char* kCustomerIndex = "VKCSTTAG.DAT";
constexpr const char* kVehicles = "VKVEHICL.DAT";
constexpr size_t kChunkRecords = 256;

File* g_customer_dat = nullptr;  // "VKCSTDAT.DAT", held while its copy is in use
File* g_vehicle_dat = nullptr;   // "VKVEHICL.DAT"
int64_t g_customer_size = 0;     // bytes in the customer copy

}  // namespace

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
  File* copy = nullptr;
  std::string copy_name = replacement_name(kCustomers);
  if (g_opt.vehicles) {
    copy = new_file_open(kCustomers);
    g_vehicle_file = new_file_open(kVehicles);
    g_vehicle_write_pos = 0;
    g_customer_file = copy;
  } else {
    g_customer_file = g_customer_dat;
    g_vehicle_file = g_vehicle_dat;
  }
  File* index = new_file_open(kCustomerIndex);
  std::string index_name = replacement_name(kCustomerIndex);

  std::vector<uint8_t> chunk(kChunkRecords * kCustomerRecordSize);
  std::vector<uint8_t> tags;
  int64_t p = 0, index_end = 0;
  bool hashing = true;
  if (!g_customer_dat->seek(0)) file_read_failed(kCustomers);
  for (;;) {
    int64_t got = g_customer_dat->read(chunk.data(), chunk.size());
    if (got < 0) file_read_failed(kCustomers);
    if (got == 0) break;
    size_t whole = static_cast<size_t>(got) / kCustomerRecordSize * kCustomerRecordSize;
    tags.clear();
    for (size_t off = 0; off < whole; off += kCustomerRecordSize, p += kCustomerRecordSize) {
      uint8_t* rec = chunk.data() + off;
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
      tags.insert(tags.end(), bytes, bytes + sizeof bytes);
    }
    if (copy) {
      // A piece of a record at the end of the file is carried as it is.
      file_write_at(copy, g_customer_size, chunk.data(), static_cast<size_t>(got), copy_name);
      g_customer_size += got;
    }
    if (!tags.empty()) {
      file_write_at(index, index_end, tags.data(), tags.size(), index_name);
      index_end += static_cast<int64_t>(tags.size());
    }
    if (static_cast<size_t>(got) != whole) break;
    // A short chunk other than the last would misalign the records.
    if (static_cast<size_t>(got) < chunk.size()) break;
  }
  db_commit(g_customer_file);
  file_finish(index, index_end, true, index_name);
  swap_in({kCustomerIndex});
}

void customer_files_close() {
  if (!g_customer_dat) return;
  if (g_opt.vehicles) {
    file_finish(g_customer_file, g_customer_size, true, replacement_name(kCustomers));
    file_finish(g_vehicle_file, g_vehicle_write_pos, true, replacement_name(kVehicles));
  }
  db_close(g_customer_dat);
  db_close(g_vehicle_dat);
  g_customer_dat = g_vehicle_dat = g_customer_file = g_vehicle_file = nullptr;
}

bool customer_files_pending() { return g_opt.vehicles; }
