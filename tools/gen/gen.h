// The sample shop database generator: the state shared by its parts.
// Each concern (settings, customers, inventory, workorders, purchase orders,
// payroll) lives in its own source; the messy cases real shops have are
// decided and applied in messy.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/customer.h"
#include "db/inventory.h"
#include "outfile.h"
#include "rng.h"

struct GenOptions {
  std::string dir;       // ends in '/'
  uint64_t seed = 1;
  double scale = 1.0;    // 1.0 ~ 1,000 workorders
  bool messy = true;     // false: --clean
  bool quiet = false;
};

// Sizes of one generated shop, all proportional to the scale.
struct GenSizes {
  int64_t workorders;       // stored and open, duplicates not counted
  int64_t open_workorders;
  int64_t customers;
  int64_t inventory;
  int64_t purchase_orders;
  int64_t open_purchase_orders;
  int64_t employees;
  int64_t payroll;
};
GenSizes gen_sizes(double scale);

// Rates of the messy cases, in per mille; all 0 with --clean.
struct MessRates {
  uint32_t duplicate_workorder = 0;   // a second stored copy of the same number
  uint32_t void_document = 0;
  uint32_t open_also_stored = 0;      // an open document whose number is also stored
  uint32_t wrong_customer_number = 0;
  uint32_t missing_part = 0;          // per part line: stock number not in inventory
  uint32_t duplicate_part_line = 0;   // per workorder
  uint32_t deleted_item = 0;
  uint32_t high_bytes = 0;            // text with bytes 0x80 and above
  uint32_t core_stock_number = 0;     // "/C" stock numbers
  uint32_t ddd_stock_number = 0;      // ddd-ddd stock numbers
  uint32_t lower_case_header = 0;     // per document
  uint32_t old_layout_line = 0;       // per document: old labor and sublet columns
  uint32_t waste_surcharge = 0;       // per document: "Waste Disposal"/"SURCHARGE" sublets
  uint32_t on_account_split = 0;
  uint32_t labor_followup = 0;        // per labor line
  uint32_t customer_number_zero = 0;
  uint32_t customer_empty_name = 0;
  uint32_t vehicle_no_make = 0;
  uint32_t blank_open_entry = 0;      // blank entries in the open lists
  uint32_t missing_open_file = 0;     // open-list entries whose document is gone
};
MessRates mess_rates(bool messy);

// An inventory item while the shop is made: its record, with chain heads
// maintained as usage and receiving entries are appended.
struct GenItem {
  InventoryRecord rec;
};

struct GenCustomer {
  CustomerRecord rec;
  uint32_t first_vehicle;  // index into Gen::vehicles
  uint32_t vehicle_count;
};

// Counters reported at the end.
struct GenStats {
  int64_t stored_workorders = 0, open_workorders = 0, part_lines = 0, usage = 0;
  int64_t stored_pos = 0, open_pos = 0, receiving = 0;
  int64_t customers = 0, vehicles = 0, items = 0, employees = 0, payroll = 0;
  int64_t messy = 0;
};

struct Gen {
  GenOptions opt;
  GenSizes size{};
  MessRates mess;
  GenStats stats;
  int32_t first_day = 0;  // day number of the oldest workorder
  int32_t last_day = 0;   // day number of the newest
  int32_t today = 0;      // the shop's "today": the day after the newest workorder

  std::vector<GenCustomer> customers;
  std::vector<VehicleRecord> vehicles;
  std::vector<GenItem> items;

  OutFile usage;      // "VKUSEHST.DAT", appended while workorders are made
  OutFile receiving;  // "VKRCVLOG.DAT", appended while purchase orders are made

  int32_t next_workorder = 0;
  int32_t next_purchase_order = 0;
  int32_t next_customer = 0;
  int32_t next_employee = 0;

  // The day number of workorder k of n, spread evenly over the shop's years.
  int32_t day_of(int64_t k, int64_t n) const;
};

// Fatal generator error: message on stderr, exit status 1.
[[noreturn]] void gen_fail(const std::string& message);
// Finishes an output file or fails with its name.
void gen_finish(OutFile& f);
void gen_create(Gen& g, OutFile& f, const char* name);

// The concerns, called in this order by main.
void gen_settings_defaults(Gen& g);  // before anything reads the settings in memory
void gen_customers(Gen& g);
void gen_inventory_items(Gen& g);
void gen_workorders(Gen& g);
void gen_purchase_orders(Gen& g);
void gen_inventory_files(Gen& g);  // items with their final chain heads, and the index
void gen_payroll(Gen& g);
void gen_settings_file(Gen& g);    // last: holds the next numbers

// Text helpers.
void set_text(char* field, size_t width, const std::string& text);
template <size_t N>
void set_text(char (&field)[N], const std::string& text) {
  set_text(field, N, text);
}
