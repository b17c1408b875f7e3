// Sizes, dates and small helpers shared by the generator's parts.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gen.h"

namespace {
int64_t at_least(int64_t floor, double v) {
  int64_t n = std::llround(v);
  return n < floor ? floor : n;
}
}  // namespace

GenSizes gen_sizes(double s) {
  GenSizes z;
  z.workorders = at_least(1, 1000 * s);
  z.open_workorders = at_least(1, 10 * s);
  if (z.open_workorders > z.workorders) z.open_workorders = z.workorders;
  z.customers = at_least(1, 1000 * s / 6);
  z.inventory = at_least(1, 1000 * s / 3);
  z.purchase_orders = at_least(1, 100 * s);
  z.open_purchase_orders = at_least(1, 2 * s);
  if (z.open_purchase_orders > z.purchase_orders) z.open_purchase_orders = z.purchase_orders;
  z.employees = at_least(2, s / 4);
  z.payroll = z.employees * 313;  // weekly over the shop's six years
  return z;
}

MessRates mess_rates(bool messy) {
  MessRates m;
  if (!messy) return m;
  m.duplicate_workorder = 4;
  m.void_document = 6;
  m.open_also_stored = 3;
  m.wrong_customer_number = 8;
  m.missing_part = 5;
  m.duplicate_part_line = 8;
  m.deleted_item = 10;
  m.high_bytes = 5;
  m.core_stock_number = 15;
  m.ddd_stock_number = 15;
  m.lower_case_header = 5;
  m.old_layout_line = 5;
  m.waste_surcharge = 10;
  m.on_account_split = 200;  // of the ON ACCT documents
  m.labor_followup = 40;
  m.customer_number_zero = 5;
  m.customer_empty_name = 5;
  m.vehicle_no_make = 8;
  m.blank_open_entry = 20;   // of the open-list entries
  m.missing_open_file = 10;  // of the open-list entries
  return m;
}

int32_t Gen::day_of(int64_t k, int64_t n) const {
  if (n <= 1) return last_day;
  return first_day + static_cast<int32_t>(k * (last_day - first_day) / (n - 1));
}

void gen_fail(const std::string& message) {
  std::fprintf(stderr, "velkgen: %s\n", message.c_str());
  std::exit(1);
}

void gen_create(Gen& g, OutFile& f, const char* name) {
  if (!f.create(g.opt.dir, name)) gen_fail("cannot create " + g.opt.dir + name);
}

void gen_finish(OutFile& f) {
  if (!f.finish()) gen_fail("cannot write " + f.path() + " (disk full?)");
}

void set_text(char* field, size_t width, const std::string& text) {
  size_t n = text.size() < width - 1 ? text.size() : width - 1;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, width - n);
}
