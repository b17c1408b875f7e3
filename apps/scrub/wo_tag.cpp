#include "wo_tag.h"

#include <cstring>

#include "db/record_io.h"
#include "docs/workorder.h"
#include "oom.h"
#include "xms/table.h"

#include <algorithm>
#include <vector>

XmsBlock* g_store = nullptr;
int g_table_count = 0;

void make_workorder_tag(const Workorder& wo, int32_t invoice_position, WorkorderTag* tag) {
  std::memset(tag, 0, sizeof *tag);
  tag->number = static_cast<int32_t>(wo.WorkorderNumber);
  make_name_key(wo.customer.Lastname, sizeof wo.customer.Lastname, wo.customer.Firstname,
                sizeof wo.customer.Firstname, tag->name_key);
  tag->customer_number = static_cast<int32_t>(wo.customer.CustomerNumber);
  field_copy(tag->VIN, sizeof tag->VIN, wo.vehicle.VIN, sizeof wo.vehicle.VIN);
  field_copy(tag->LicenseNumber, sizeof tag->LicenseNumber, wo.vehicle.LicenseNumber,
             sizeof wo.vehicle.LicenseNumber);
  tag->status = static_cast<uint8_t>(wo.Status);
  tag->type = static_cast<uint8_t>(wo.Type);
  tag->has_tax_id = wo.customer.TaxIDNumber[0] ? 1 : 0;
  wo_block_encode(wo.totals, tag->totals);
  tag->invoice_offset = invoice_position;
}

namespace {
std::vector<int32_t> g_invoiced;  // in invoice file order; sorted before lookups
bool g_invoiced_sorted = true;
}  // namespace

void invoiced_add(int32_t number) {
  g_invoiced.push_back(number);
  g_invoiced_sorted = false;
}

bool invoiced(int32_t number) {
  if (!g_invoiced_sorted) {
    std::sort(g_invoiced.begin(), g_invoiced.end());
    g_invoiced_sorted = true;
  }
  return std::binary_search(g_invoiced.begin(), g_invoiced.end(), number);
}

void invoiced_clear() {
  g_invoiced.clear();
  g_invoiced.shrink_to_fit();
  g_invoiced_sorted = true;
}

bool workorder_table_insert(const WorkorderTag& tag) {
  uint8_t slot[kTableNumberEntry] = {};
  workorder_tag_encode(tag, slot);
  TableInsert outcome;
  g_table_count = table_insert_number(g_store, slot, g_table_count, kTableNumberEntry, &outcome);
  if (outcome == TableInsert::full) scrub_out_of_memory(TableKind::workorders);
  return outcome == TableInsert::added;
}
