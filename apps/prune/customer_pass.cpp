// The customers and vehicles pass: customers without a number or without a
// name are dropped together with their vehicles, vehicles without make,
// model and year are dropped, and the customer index is rebuilt in the order
// of the customer file.
#include <cstdio>
#include <string>

#include "chain_rebuild.h"
#include "db/bytes.h"
#include "db/customer.h"
#include "db/recfile.h"
#include "out_file.h"
#include "pass_files.h"
#include "read_buffer.h"
#include "prune.h"
#include "ui/screen.h"

namespace {

constexpr const char* kPassName = "customers";
// The most vehicle links followed for one customer.
constexpr int kVehicleLinkLimit = 2048;
// Where a vehicle holds the link to the owner's next vehicle.
constexpr size_t kVehicleNextOffset = 393;

bool vehicle_kept(const VehicleRecord& v) {
  return v.Make[0] != 0 || v.Model[0] != 0 || v.Year[0] != 0;
}

}  // namespace

PassEnd customer_pass(PruneRun* run) {
  status_line("Purging Customers... ");
  const std::vector<std::string> names = {kCustomerFile, kVehicleFile, kCustomerIndexFile};
  PassFiles files;
  File* in = pass_open(&files, kCustomerFile, lock_customer, true);
  pass_open(&files, kCustomerIndexFile, lock_customer_index);
  File* vehicles = pass_open(&files, kVehicleFile, lock_vehicles);
  OutFile out, index, vehicles_out;
  out_begin(&out, pass_open_new(&files, kCustomerFile, &lock_replacement));
  out_begin(&vehicles_out, pass_open_new(&files, kVehicleFile, nullptr));
  out_begin(&index, pass_open_new(&files, kCustomerIndexFile, nullptr));

  ReadBuffer vehicles_read(vehicles, 0);
  ChainWalk walk;
  chain_setup(&walk, &vehicles_read, kVehicleRecordSize, kVehicleNextOffset, kVehicleFile, kVehicleLinkLimit);
  RecordScan scan;
  scan_begin(&scan, in, kCustomerRecordSize, kCustomerFile);
  uint8_t rec[kCustomerRecordSize];
  bool ok = true;
  while (ok && scan_next(&scan, rec)) {
    progress_spinner();
    CustomerRecord c;
    customer_decode(rec, &c);
    if ((c.Lastname[0] == 0 && c.Firstname[0] == 0) || static_cast<int32_t>(c.CustomerNumber) <= 0)
      continue;
    CustomerTag tag;
    customer_make_tag(c, static_cast<int32_t>(out.size), &tag);
    uint8_t tag_bytes[kCustomerTagSize];
    customer_tag_encode(tag, tag_bytes);
    ok = out_append(&index, tag_bytes, sizeof tag_bytes) >= 0;

    char parent[48];
    std::snprintf(parent, sizeof parent, "customer %u", c.CustomerNumber);
    const uint32_t owner = c.CustomerNumber;
    int32_t head = c.vehicle_head;
    ok = ok && chain_rebuild(&walk, &vehicles_out, &head, parent, [owner](uint8_t* v) {
      VehicleRecord vehicle;
      vehicle_decode(v, &vehicle);
      if (!vehicle_kept(vehicle)) return false;
      le_put_u32(v, owner);
      return true;
    });
    c.vehicle_head = head;
    customer_encode(c, rec);
    ok = ok && out_append(&out, rec, sizeof rec) >= 0;
  }
  if (ok && scan.stray > 0) {
    ok = out_flush(&out) && scan_copy_stray(&scan, out.file);
    out.size += scan.stray;
  }
  ok = ok && out_finish(&vehicles_out) && out_finish(&out) && out_finish(&index);
  if (!ok) return pass_fail(run, &files, names, kWriteErrorText);
  pass_close(&files);
  if (!pass_swap(run, kPassName, names)) return pass_fail(run, &files, names, kWriteErrorText);
  return PassEnd::done;
}
