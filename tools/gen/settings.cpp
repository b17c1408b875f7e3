// The sample shop's settings record "VKSYSTEM.DAT".
#include <cstring>

#include "gen.h"
#include "ui/settings.h"

void gen_settings_defaults(Gen& g) {
  (void)g;
  settings_defaults(ProgramKind::other);
  SettingsRecord& s = g_settings;
  set_text(s.company_name, "MILLBROOK AUTO & TIRE");
  set_text(s.company_address, "1200 INDUSTRIAL PKWY");
  set_text(s.company_city, "MILLBROOK");
  set_text(s.company_state, "OH");
  s.parts_tax_rate = 62500;  // 6.25 %
  s.labor_tax_rate = 0;
  s.sublet_tax_rate = 62500;
  s.waste_tax_rate = 62500;
  s.default_shop_rate = 8900;
  s.wholesale_markup = 450000;
  s.resale_markup = 900000;
  s.retail_markup = 1150000;
  s.surcharge_is_sublet = 'N';
  s.preprinted_forms = 'N';
  s.form_length = 62;
}

void gen_settings_file(Gen& g) {
  SettingsRecord& s = g_settings;
  s.next_workorder = g.next_workorder;
  s.next_estimate = 100;
  s.next_purchase_order = g.next_purchase_order;
  s.next_customer = g.next_customer;
  s.next_employee = g.next_employee;
  uint8_t bytes[kSettingsRecordSize];
  std::memset(bytes, 0, sizeof bytes);
  settings_encode(s, bytes);
  if (!write_whole_file(g.opt.dir, "VKSYSTEM.DAT", bytes, sizeof bytes))
    gen_fail("cannot write " + g.opt.dir + "VKSYSTEM.DAT");
}
