// The purchase-order writer.
#include <cstring>

#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/doctext.h"
#include "docs/purchase.h"
#include "docs/scan.h"
#include "platform/env.h"

namespace {

// "key=" and a word or text without its trailing blanks.
void key_trimmed(DocText& t, const char* key, const char* s, size_t width) {
  t.put(key);
  t.put_char('=');
  t.put(s, trimmed_length(s, field_strlen(s, width)));
  t.crlf();
}

void render(DocText& t, const PurchaseOrder& po) {
  const PurchaseOrderTotals& w = po.totals;
  t.header("PO");
  t.put("PONumber=");
  t.number(static_cast<int32_t>(po.PONumber), 6, true);
  t.crlf();
  t.key_text("Employee", po.Employee, sizeof po.Employee);
  t.key_text("VendorInvoiceNumber", po.VendorInvoiceNumber, sizeof po.VendorInvoiceNumber);
  const char* status = code_word(CT_STATUS, po.Status);
  key_trimmed(t, "Status", status, std::strlen(status) + 1);
  t.key_number("POShipping", w.POShipping);
  t.key_number("POInputTax", w.POInputTax);
  t.key_number("POInputTotal", w.POInputTotal);
  t.crlf();

  t.header("Totals");
  t.key_date("DateOpen", w.DateOpen);
  t.key_date("DateClosed", w.DateClosed);
  t.key_date("DatePaid", w.DatePaid);
  t.crlf();
  t.key_number("PartsTaxRate", w.PartsTaxRate);
  t.key_number("SubletTaxRate", w.SubletTaxRate);
  t.crlf();
  t.key_number("PartsCost", w.PartsCost);
  t.key_number("SubletCost", w.SubletCost);
  t.crlf();
  t.key_number("PartsSubtotal", w.PartsSubtotal);
  t.key_number("SubletSubtotal", w.SubletSubtotal);
  t.key_number("CreditSubtotal", w.CreditSubtotal);
  t.crlf();
  t.key_number("PartsDiscount", w.CreditSubtotal);  // the same slot
  t.key_number("LaborDiscount", w.LaborDiscount);
  t.key_number("SubletDiscount", w.SubletDiscount);
  t.crlf();
  t.key_number("POTax", w.POTax);
  t.crlf();
  t.key_number("POTotal", w.POTotal);
  t.crlf();
  const char* method = code_word(CT_PAYMENT, w.PaymentMethod);
  key_trimmed(t, "PaymentMethod", method, std::strlen(method) + 1);
  key_trimmed(t, "POPaymentComment", po.POPaymentComment, sizeof po.POPaymentComment);
  t.crlf();

  const PurchaseOrderVendor& v = po.vendor;
  t.header("Vendor");
  t.key_text("Vendor", v.Vendor, sizeof v.Vendor);
  t.key_text("Address", v.Address, sizeof v.Address);
  t.key_text("City", v.City, sizeof v.City);
  t.key_text("State", v.State, sizeof v.State);
  t.key_text("Zip", v.Zip, sizeof v.Zip);
  t.key_text("Phone1", v.Phone1, sizeof v.Phone1);
  t.key_text("Extension", v.Extension, sizeof v.Extension);
  t.key_text("Phone2", v.Phone2, sizeof v.Phone2);
  t.key_text("TaxIdNumber", v.TaxIdNumber, sizeof v.TaxIdNumber);
  t.crlf();

  t.header("Parts");
  for (const POPartLine* p = po.parts; p; p = p->next) {
    t.padded(p->stock_number, sizeof p->stock_number, 20);
    t.padded(p->description, sizeof p->description, 38);
    t.number(quantity_clamp(p->quantity_1), 5);
    t.number(quantity_clamp(p->quantity_2), 5);
    t.number(p->amount, 12);
    t.crlf();
  }
  t.crlf();

  t.header("Sublets");
  for (const SubletLine* s = po.sublets; s; s = s->next) {
    t.padded(s->description, sizeof s->description, 31);
    t.padded(s->reference, sizeof s->reference, 10);
    t.number(s->cost, 12);
    t.number(s->price, 12);
    if (s->text) t.put(s->text);
    t.crlf();
  }
  t.crlf();

  t.header("Credits");
  for (const CreditLine* c = po.credits; c; c = c->next) {
    t.number(c->amount, 12, false, true);
    if (c->text) t.put(c->text);
    t.crlf();
  }
  t.crlf();

  t.header("Notes");
  if (po.notes && *po.notes) {
    t.put(po.notes);
    t.crlf();
  }
  t.crlf();
  t.put_char(0);
}

}  // namespace

void po_format(const PurchaseOrder& po, std::string* out) {
  DocText t;
  render(t, po);
  out->assign(t.data(), t.size());
}

int64_t po_write(File* f, const PurchaseOrder& po, int64_t offset, int64_t* length) {
  DocText t;
  render(t, po);
  if (length) *length = static_cast<int64_t>(t.size());
  f->seek(offset);
  int64_t n = f->write(t.data(), t.size());
  f->truncate_here();
  return n;
}
