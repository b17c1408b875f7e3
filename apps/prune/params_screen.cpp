// The parameters screen: what to purge and the cut-off dates, on one form.
// Only F10 starts the purge; ESC, PgUp, PgDn and the end of keyboard input
// leave it with nothing purged.
#include "platform/console.h"
#include "prune.h"
#include "ui/dates.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

namespace {

enum Field {
  kInventoryField = 3,
  kCustomersField,
  kUsageField,
  kReceivingField,
  kPayrollField,
  kWorkordersField,
  kPurchaseOrdersField,
};

FieldDescriptor g_form[] = {
    {"Warning : It is recommended that you ", 1, '!', 1, 5, nullptr, 0},
    {"backup BEFORE you purge anything!!!", 1, '!', 1, 6, nullptr, 0},
    {"Network users : LOG EVERYONE OFF!!!", 1, '!', 1, 7, nullptr, 0},
    {"Purge Inventory             : ", 1, 'Y', 1, 9, nullptr, 0},
    {"Purge Customers / Vehicles  : ", 1, 'Y', 1, 10, nullptr, 0},
    {"Purge Usage Before Date     : ", 10, 'D', 1, 12, nullptr, 0},
    {"Purge Receiving Before Date : ", 10, 'D', 1, 14, nullptr, 0},
    {"Purge Payroll Before Date   : ", 10, 'D', 1, 16, nullptr, 0},
    {"Purge Workorders Before Date: ", 10, 'D', 1, 18, nullptr, 0},
    {"Purge P.O.'s Before Date    : ", 10, 'D', 1, 20, nullptr, 0},
    {nullptr, 0, 0, 0, 0, nullptr, 0},
};

}  // namespace

bool params_screen(PurgeParams* params) {
  screen_layout(kParamsScreenLines);
  console()->clear();
  header_box(g_settings.company_name, "Purge Old Data");
  form_init(g_form);
  g_form_changed = false;
  form_show(g_form);
  int key = form_edit(g_form, "F10-start report, TAB-next field, ESC-cancel");
  if (key != KEY_F10) return false;
  // An empty or invalid date leaves its pass off.
  params->inventory = g_form[kInventoryField].value[0] == 'Y';
  params->customers = g_form[kCustomersField].value[0] == 'Y';
  params->usage = parse_date(g_form[kUsageField].value);
  params->receiving = parse_date(g_form[kReceivingField].value);
  params->payroll = parse_date(g_form[kPayrollField].value);
  params->workorders = parse_date(g_form[kWorkordersField].value);
  params->purchase_orders = parse_date(g_form[kPurchaseOrdersField].value);
  return true;
}
