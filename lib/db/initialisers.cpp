// Starting values of new customer, vehicle and inventory records. Defaults
// come from the settings record in memory, so they follow the shop's own
// settings once the settings file is loaded.
#include <cstring>

#include "db/customer.h"
#include "db/inventory.h"
#include "db/record_io.h"
#include "ui/dates.h"
#include "ui/settings.h"

void customer_init(CustomerRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->date = today();
  r->setting = 3;
  r->vehicle_head = -1;
  field_copy(r->City, sizeof r->City, g_settings.company_city, sizeof g_settings.company_city);
  field_copy(r->State, sizeof r->State, g_settings.company_state, sizeof g_settings.company_state);
  field_set(r->Salesperson, sizeof r->Salesperson, " None");
}

void vehicle_init(VehicleRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->Date = -1;
  r->next = -1;
  r->second = -1;
  field_copy(r->State, sizeof r->State, g_settings.company_state, sizeof g_settings.company_state);
}

void inventory_init(InventoryRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->usage_head = -1;
  r->receiving_head = -1;
  field_set(r->code_a, sizeof r->code_a, " None");
  field_set(r->code_b, sizeof r->code_b, " None");
  field_set(r->stocking_text, sizeof r->stocking_text, "NOT STOCKED");
  r->markups[0] = g_settings.wholesale_markup;
  r->markups[1] = g_settings.resale_markup;
  r->markups[2] = g_settings.retail_markup;
}
