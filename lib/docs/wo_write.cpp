// The workorder writer: the document text, byte for byte, and its one write.
#include <cstring>

#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/doctext.h"
#include "docs/scan.h"
#include "docs/workorder.h"
#include "platform/env.h"
#include "ui/dates.h"

namespace {

void totals_section(DocText& t, const Workorder& wo) {
  const WorkorderTotals& w = wo.totals;
  t.header("Totals");
  if (w.DateOpen != -1) t.key_date("DateOpen", w.DateOpen);
  if (w.DateClosed != -1) t.key_date("DateClosed", w.DateClosed);
  if (w.DatePaid != -1) t.key_date("DatePaid", w.DatePaid);
  const struct {
    const char* key;
    int32_t value;
  } amounts[] = {
      {"PartsTaxRate", w.PartsTaxRate},
      {"LaborTaxRate", w.LaborTaxRate},
      {"SubletTaxRate", w.SubletTaxRate},
      {"WasteTaxRate", w.WasteTaxRate},
      {"PartsCost", w.PartsCost},
      {"LaborCost", w.LaborCost},
      {"SubletCost", w.SubletCost},
      {"NonTaxSubletCost", w.NonTaxSubletCost},
      {"WasteCost", w.WasteCost},
      {"NonTaxWasteCost", w.NonTaxWasteCost},
      {"PartsSubtotal", w.PartsSubtotal},
      {"LaborSubtotal", w.LaborSubtotal},
      {"SubletSubtotal", w.SubletSubtotal},
      {"NontaxSubletSubtotal", w.NonTaxSubletSubtotal},
      {"WasteSubtotal", w.WasteSubtotal},
      {"NonTaxWasteSubtotal", w.NonTaxWasteSubtotal},
      {"CreditSubtotal", w.CreditSubtotal},
      {"PartsDiscount", w.PartsDiscount},
      {"LaborDiscount", w.LaborDiscount},
      {"SubletDiscount", w.SubletDiscount},
      {"WasteDiscount", w.WasteDiscount},
      {"DollarDiscount", w.DollarDiscount},
      {"WorkorderTax", w.WorkorderTax},
      {"WorkorderTotal", w.WorkorderTotal},
  };
  for (const auto& a : amounts)
    if (a.value != 0) t.key_number(a.key, a.value);
  t.put("PaymentMethod=");
  t.put(code_word(CT_PAYMENT, w.PaymentMethod));
  t.crlf();
  if (w.PaymentMethod == PAY_SPLIT) {
    for (int n = 1; n <= 10; n++) {
      t.put("SplitType");
      t.number(n);
      t.put_char('=');
      t.put(code_word(CT_PAYMENT, w.SplitType[n - 1]));
      t.crlf();
      t.put("SplitAmount");
      t.number(n);
      t.put_char('=');
      t.number(w.SplitAmount[n - 1]);
      t.crlf();
      t.put("SplitDate");
      t.number(n);
      t.put_char('=');
      t.put(format_date(w.SplitDate[n - 1]));
      t.crlf();
    }
  }
  if (field_strlen(wo.PaymentComment, sizeof wo.PaymentComment) > 0)
    t.key_text("PaymentComment", wo.PaymentComment, sizeof wo.PaymentComment);
  t.crlf();
}

// A text of the customer or vehicle block, written only when not empty.
template <size_t N>
void optional_text(DocText& t, const char* key, const char (&f)[N]) {
  if (field_strlen(f, N) > 0) t.key_text(key, f, N);
}

void customer_section(DocText& t, const CustomerRecord& c) {
  t.header("Customer");
  t.key_number("CustomerNumber", static_cast<int32_t>(c.CustomerNumber));
  optional_text(t, "Lastname", c.Lastname);
  optional_text(t, "Firstname", c.Firstname);
  optional_text(t, "Spouse", c.Spouse);
  optional_text(t, "SpouseLastname", c.SpouseLastname);
  optional_text(t, "Address", c.Address);
  optional_text(t, "City", c.City);
  optional_text(t, "State", c.State);
  optional_text(t, "Zip", c.Zip);
  optional_text(t, "Phone1", c.Phone1);
  optional_text(t, "Phone2", c.Phone2);
  optional_text(t, "Phone2ext", c.Phone2ext);
  optional_text(t, "Phone3", c.Phone3);
  optional_text(t, "TaxIDNumber", c.TaxIDNumber);
  optional_text(t, "Salesperson", c.Salesperson);
  t.crlf();
}

bool has_vehicle(const VehicleRecord& v) {
  return field_strlen(v.Make, sizeof v.Make) > 0 || field_strlen(v.Model, sizeof v.Model) > 0;
}

void vehicle_section(DocText& t, const VehicleRecord& v) {
  t.header("Vehicle");
  optional_text(t, "Year", v.Year);
  optional_text(t, "Make", v.Make);
  optional_text(t, "Model", v.Model);
  optional_text(t, "Engine", v.Engine);
  optional_text(t, "Transmission", v.Transmission);
  optional_text(t, "VIN", v.VIN);
  optional_text(t, "LicenseNumber", v.LicenseNumber);
  optional_text(t, "State", v.State);
  if (v.Mileage != 0) t.key_number("Mileage", v.Mileage);
  if (v.Date != -1) t.key_date("Date", v.Date);
  optional_text(t, "VComment1", v.VComment1);
  optional_text(t, "VComment2", v.VComment2);
  optional_text(t, "VComment3", v.VComment3);
  optional_text(t, "VComment4", v.VComment4);
  t.key_number("OrigMileage", v.OrigMileage);
  t.key_date("OrigDate", v.OrigDate);
  t.crlf();
}

void text_of(DocText& t, const char* s) {
  if (s) t.put(s);
}

void line_sections(DocText& t, const Workorder& wo) {
  t.header("Parts");
  for (const PartLine* p = wo.parts; p; p = p->next) {
    t.padded(p->stock_number, sizeof p->stock_number, 20);
    t.padded(p->description, sizeof p->description, 38);
    t.number(quantity_clamp(p->quantity), 5);
    t.number(p->unit_cost, 12);
    t.number(p->unit_price, 12);
    t.number(p->third_amount, 12);
    t.crlf();
  }
  t.crlf();

  t.header("Labor");
  for (const LaborLine* l = wo.labor; l; l = l->next) {
    t.number(static_cast<int32_t>(l->code), 6, true);
    t.number(l->hours, 12);
    t.number(l->rate, 12);
    t.number(l->tech_share, 12);
    t.number(l->amount, 12);
    text_of(t, l->text);
    if (l->followup_mileage > 0 || l->followup_second > 0 || l->followup_date > 0) {
      int tabs = 0;
      for (const char* s = l->text; s && *s; s++) tabs += *s == '\t';
      for (; tabs < 8; tabs++) t.put_char('\t');
      t.number(l->followup_mileage, 7);
      t.put_char('\t');
      t.number(l->followup_second, 5);
      t.put_char('\t');
      t.number(l->followup_date, 7);
    }
    t.crlf();
  }
  t.crlf();

  // The flag column holds 'Y' or 'N'; a line made with any other flag counts
  // as not taxable and is written so (a NUL there would end the document).
  auto sublet_lines = [&](const char* name, const SubletLine* s) {
    t.header(name);
    for (; s; s = s->next) {
      t.padded(s->description, sizeof s->description, 31);
      t.padded(s->reference, sizeof s->reference, 10);
      t.put_char(s->taxable == 'Y' ? 'Y' : 'N');
      t.number(s->cost, 12);
      t.number(s->price, 12);
      text_of(t, s->text);
      t.crlf();
    }
    t.crlf();
  };
  sublet_lines("Sublets", wo.sublets);
  sublet_lines("Waste", wo.waste);

  t.header("Credits");
  for (const CreditLine* c = wo.credits; c; c = c->next) {
    t.number(c->amount, 12, false, true);
    text_of(t, c->text);
    t.crlf();
  }
  t.crlf();
}

void render(DocText& t, const Workorder& wo) {
  t.header("Workorder");
  t.put("WorkorderNumber=");
  t.number(static_cast<int32_t>(wo.WorkorderNumber), 6, true);
  t.crlf();
  t.put("Status=");
  t.put(code_word(CT_STATUS, wo.Status));
  t.crlf();
  t.put("Type=");
  t.put(code_word(CT_TYPE, wo.Type));
  t.crlf();
  t.put("Pricing=");
  t.put(code_word(CT_PRICING, wo.Pricing));
  t.crlf();
  t.crlf();
  totals_section(t, wo);
  customer_section(t, wo.customer);
  const bool vehicle = has_vehicle(wo.vehicle);
  if (vehicle) vehicle_section(t, wo.vehicle);
  const size_t after_customer = t.size();
  line_sections(t, wo);
  t.header("Notes");
  if (wo.notes && *wo.notes) {
    t.put(wo.notes);
    t.crlf();
  }
  t.crlf();
  t.header("Check List");
  if (wo.check_list && *wo.check_list) {
    t.put(wo.check_list);
    t.crlf();
  }
  t.crlf();
  // A workorder without a make or model has no vehicle section, and the
  // reader then looks for one through the rest of the document. When a line,
  // the note or the check list holds a "[Vehicle]" it would take that for
  // the section and read what follows it in place of the lines: the section
  // is written after all, so that the reader finds it first.
  if (!vehicle && scan_find_section(t.data() + after_customer, t.data() + t.size(), "Vehicle")) {
    const size_t from = t.size();
    vehicle_section(t, wo.vehicle);
    t.move_to(after_customer, from);
  }
  t.put_char(0);
}

}  // namespace

void wo_format(const Workorder& wo, std::string* out) {
  DocText t;
  render(t, wo);
  out->assign(t.data(), t.size());
}

int64_t wo_write(File* f, const Workorder& wo, int64_t offset, int64_t* length) {
  DocText t;
  render(t, wo);
  if (length) *length = static_cast<int64_t>(t.size());
  f->seek(offset);
  int64_t n = f->write(t.data(), t.size());
  f->truncate_here();
  return n;
}
