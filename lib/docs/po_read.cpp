// The purchase-order reader. A missing section or an unknown status ends
// reading quietly: the order keeps what was read and the caller judges it by
// its fields.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "db/inventory.h"
#include "docs/codes.h"
#include "docs/docload.h"
#include "docs/purchase.h"
#include "docs/scan.h"

namespace {

KeySection& keys() {
  thread_local KeySection k;
  return k;
}

// Orders the part lines by the inventory key of their stock numbers; a line
// read later stands before earlier ones with an equal key (each line goes in
// before the first line whose key is equal or greater).
void link_in_key_order(std::vector<POPartLine*>& lines, PurchaseOrder* po) {
  std::reverse(lines.begin(), lines.end());
  std::stable_sort(lines.begin(), lines.end(), [](const POPartLine* a, const POPartLine* b) {
    return inventory_key_compare(a->stock_number, b->stock_number) < 0;
  });
  POPartLine* prev = nullptr;
  for (POPartLine* n : lines) {
    n->prev = prev;
    n->next = nullptr;
    if (prev) prev->next = n; else po->parts = n;
    prev = n;
  }
}

// Reads the part lines; false when a line cannot be allocated.
bool parts(const char* from, const char* end, PurchaseOrder* po, const char** bracket) {
  thread_local std::vector<POPartLine*> lines;
  lines.clear();
  LineCursor cursor{from, end};
  View line;
  bool ok = true;
  while (cursor.next(&line, bracket)) {
    POPartLine* n = static_cast<POPartLine*>(std::calloc(1, sizeof(POPartLine)));
    if (!n) {
      ok = false;
      break;
    }
    view_to_field(column(line, 0, 20), n->stock_number, sizeof n->stock_number);
    view_to_field(column(line, 20, 38), n->description, sizeof n->description);
    n->quantity_1 = view_quantity(column(line, 58, 5));
    n->quantity_2 = view_quantity(column(line, 63, 5));
    n->amount = view_number(column(line, 68, 12));
    lines.push_back(n);
  }
  link_in_key_order(lines, po);
  lines.clear();
  return ok;
}

template <class Node>
struct List {
  Node** head;
  Node* tail = nullptr;
  void append(Node* n) {
    n->prev = tail;
    n->next = nullptr;
    if (tail) tail->next = n; else *head = n;
    tail = n;
  }
};

bool sublets(const char* from, const char* end, PurchaseOrder* po, const char** bracket) {
  LineCursor cursor{from, end};
  List<SubletLine> list{&po->sublets};
  View line;
  while (cursor.next(&line, bracket)) {
    SubletLine* n = static_cast<SubletLine*>(std::calloc(1, sizeof(SubletLine)));
    if (!n) return false;
    view_to_field(column(line, 0, 31), n->description, sizeof n->description);
    view_to_field(column(line, 31, 10), n->reference, sizeof n->reference);
    n->cost = view_number(column(line, 41, 12));
    n->price = view_number(column(line, 53, 12));
    n->text = view_dup(rest(line, 65));
    list.append(n);
    if (!n->text) return false;
  }
  return true;
}

bool credits(const char* from, const char* end, PurchaseOrder* po, const char** bracket) {
  LineCursor cursor{from, end};
  List<CreditLine> list{&po->credits};
  View line;
  while (cursor.next(&line, bracket)) {
    CreditLine* n = static_cast<CreditLine*>(std::calloc(1, sizeof(CreditLine)));
    if (!n) return false;
    n->amount = view_number(column(line, 0, 12));
    n->text = view_dup(rest(line, 12));
    list.append(n);
    if (!n->text) return false;
  }
  return true;
}

// True when every section was found and read to its end.
bool parse(const char* text, size_t length, PurchaseOrder* po) {
  const char* end = text + length;
  KeySection& k = keys();
  const char* p = scan_find_section(text, end, "PO");
  if (!p) return false;
  k.open(p, end);
  View v;
  po->PONumber = static_cast<uint32_t>(read_number(k, "PONumber"));
  read_text(k, "Employee", po->Employee);
  read_text(k, "VendorInvoiceNumber", po->VendorInvoiceNumber);
  k.find("Status", &v);
  int status = code_match(CT_STATUS, v.p, v.n);
  if (status < 0) return false;
  po->Status = static_cast<int16_t>(status);
  PurchaseOrderTotals& t = po->totals;
  t.POShipping = read_number(k, "POShipping");
  t.POInputTax = read_number(k, "POInputTax");
  t.POInputTotal = read_number(k, "POInputTotal");

  p = scan_find_section(k.position(), end, "Totals");
  if (!p) return false;
  k.open(p, end);
  t.DateOpen = read_date(k, "DateOpen");
  t.DateClosed = read_date(k, "DateClosed");
  t.DatePaid = read_date(k, "DatePaid");
  t.PartsTaxRate = read_number(k, "PartsTaxRate");
  t.SubletTaxRate = read_number(k, "SubletTaxRate");
  t.PartsCost = read_number(k, "PartsCost");
  t.SubletCost = read_number(k, "SubletCost");
  t.PartsSubtotal = read_number(k, "PartsSubtotal");
  t.SubletSubtotal = read_number(k, "SubletSubtotal");
  t.CreditSubtotal = read_number(k, "CreditSubtotal");
  t.CreditSubtotal = read_number(k, "PartsDiscount");  // the same slot: the later one stays
  t.SubletDiscount = read_number(k, "SubletDiscount");
  t.POTax = read_number(k, "POTax");
  t.POTotal = read_number(k, "POTotal");
  k.find("PaymentMethod", &v);
  int method = code_match(CT_PAYMENT, v.p, v.n);
  t.PaymentMethod = static_cast<int16_t>(method < 0 ? PAY_NONE : method);
  k.find("POPaymentComment", &v);
  view_to_field(trim_right(v), po->POPaymentComment, sizeof po->POPaymentComment);

  p = scan_find_section(k.position(), end, "Vendor");
  if (!p) return false;
  PurchaseOrderVendor& d = po->vendor;
  std::memset(&d, 0, sizeof d);
  k.open(p, end);
  read_text(k, "Vendor", d.Vendor);
  read_text(k, "Address", d.Address);
  read_text(k, "City", d.City);
  read_text(k, "State", d.State);
  read_text(k, "Zip", d.Zip);
  read_text(k, "phone1", d.Phone1);
  read_text(k, "Extension", d.Extension);
  read_text(k, "Phone2", d.Phone2);
  read_text(k, "TaxIdNumber", d.TaxIdNumber);

  const char* bracket = nullptr;
  p = scan_find_section(k.position(), end, "Parts");
  if (!p || !parts(p, end, po, &bracket) || !bracket) return false;
  p = scan_find_section(bracket, end, "Sublets");
  if (!p || !sublets(p, end, po, &bracket) || !bracket) return false;
  p = scan_find_section(bracket, end, "Credits");
  if (!p || !credits(p, end, po, &bracket) || !bracket) return false;

  // The note is the last section: every line after its header, as it stands.
  p = scan_find_section(bracket, end, "Notes");
  if (p) {
    p = scan_skip_blanks(p, end);
    View note = trim_note(View{p, static_cast<size_t>(end - p)});
    if (note.n > 0 && !(po->notes = view_dup(note))) return false;
  }
  return true;
}

}  // namespace

int64_t po_read(File* f, PurchaseOrder* po, DocRead* info) {
  po_init(po);
  DocBytes doc;
  int got = doc_load(f, &doc);
  if (got <= 0) {
    doc_report(doc, false, info);
    return got;
  }
  bool whole = parse(doc.text, doc.text_length, po);
  doc_report(doc, whole, info);
  return doc.span();
}

int64_t po_parse(const char* bytes, size_t len, PurchaseOrder* po, DocRead* info) {
  po_init(po);
  DocBytes doc;
  if (doc_from_memory(bytes, len, &doc) == 0) {
    doc_report(doc, false, info);
    return 0;
  }
  bool whole = parse(doc.text, doc.text_length, po);
  doc_report(doc, whole, info);
  return doc.span();
}
