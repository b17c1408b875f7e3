#include "doc_fixture.h"

#include <cstdlib>
#include <cstring>

#include "db/bytes.h"
#include "ui/dates.h"
#include "ui/settings.h"

int64_t MemFile::read(void* buf, size_t n) {
  if (reads++ == fail_read_at) return -1;
  if (pos >= size()) return 0;
  size_t k = std::min(n, data.size() - static_cast<size_t>(pos));
  std::memcpy(buf, data.data() + pos, k);
  pos += static_cast<int64_t>(k);
  return static_cast<int64_t>(k);
}

int64_t MemFile::write(const void* buf, size_t n) {
  size_t k = std::min(n, write_limit);
  size_t end = static_cast<size_t>(pos) + k;
  if (data.size() < end) data.resize(end);
  std::memcpy(&data[static_cast<size_t>(pos)], buf, k);
  pos = static_cast<int64_t>(end);
  return static_cast<int64_t>(k);
}

bool MemFile::truncate_here() {
  data.resize(static_cast<size_t>(pos));
  return true;
}

void DocTest::SetUp() {
  old_console_ = console_set(&con_);
  settings_defaults(ProgramKind::scrub);
  today_set(kMar14_1998);
}

void DocTest::TearDown() { console_set(old_console_); }

char* dup_text(const char* s) {
  char* d = static_cast<char*>(std::malloc(std::strlen(s) + 1));
  std::strcpy(d, s);
  return d;
}

template <class Node>
void append(Node** head, Node* n) {
  Node* tail = *head;
  while (tail && tail->next) tail = tail->next;
  n->prev = tail;
  n->next = nullptr;
  if (tail) tail->next = n; else *head = n;
}

PartLine* add_part(Workorder* wo, const char* stock, const char* description, int16_t qty,
                   int32_t cost, int32_t price, int32_t third) {
  auto* n = static_cast<PartLine*>(std::calloc(1, sizeof(PartLine)));
  field_set(n->stock_number, sizeof n->stock_number, stock);
  field_set(n->description, sizeof n->description, description);
  n->quantity = qty;
  n->unit_cost = cost;
  n->unit_price = price;
  n->third_amount = third;
  append(&wo->parts, n);
  return n;
}

LaborLine* add_labor(Workorder* wo, uint32_t code, int32_t hours, int32_t rate, int32_t share,
                     int32_t amount, const char* text) {
  auto* n = static_cast<LaborLine*>(std::calloc(1, sizeof(LaborLine)));
  n->code = code;
  n->hours = hours;
  n->rate = rate;
  n->tech_share = share;
  n->amount = amount;
  n->text = dup_text(text);
  append(&wo->labor, n);
  return n;
}

SubletLine* add_sublet(SubletLine** list, const char* description, const char* reference,
                       char taxable, int32_t cost, int32_t price, const char* text) {
  auto* n = static_cast<SubletLine*>(std::calloc(1, sizeof(SubletLine)));
  field_set(n->description, sizeof n->description, description);
  field_set(n->reference, sizeof n->reference, reference);
  n->taxable = taxable;
  n->cost = cost;
  n->price = price;
  n->text = dup_text(text);
  append(list, n);
  return n;
}

CreditLine* add_credit(CreditLine** list, int32_t amount, const char* text) {
  auto* n = static_cast<CreditLine*>(std::calloc(1, sizeof(CreditLine)));
  n->amount = amount;
  n->text = dup_text(text);
  append(list, n);
  return n;
}

POPartLine* add_po_part(PurchaseOrder* po, const char* stock, const char* description,
                        int16_t q1, int16_t q2, int32_t amount) {
  auto* n = static_cast<POPartLine*>(std::calloc(1, sizeof(POPartLine)));
  field_set(n->stock_number, sizeof n->stock_number, stock);
  field_set(n->description, sizeof n->description, description);
  n->quantity_1 = q1;
  n->quantity_2 = q2;
  n->amount = amount;
  append(&po->parts, n);
  return n;
}

void example_workorder(Workorder* wo) {
  wo_init(wo);
  wo->WorkorderNumber = 1234;
  wo->customer.CustomerNumber = 77;
  field_set(wo->customer.Lastname, sizeof wo->customer.Lastname, "SMITH");
  field_set(wo->customer.Firstname, sizeof wo->customer.Firstname, "JOHN");
  field_set(wo->customer.City, sizeof wo->customer.City, "SPRINGFIELD");
  field_set(wo->customer.State, sizeof wo->customer.State, "");
  field_set(wo->customer.Phone1, sizeof wo->customer.Phone1, "555-0100");
  field_set(wo->vehicle.Year, sizeof wo->vehicle.Year, "1992");
  field_set(wo->vehicle.Make, sizeof wo->vehicle.Make, "FORD");
  field_set(wo->vehicle.Model, sizeof wo->vehicle.Model, "RANGER");
  wo->vehicle.Mileage = 85000;
  wo->vehicle.Date = -1;
  wo->vehicle.OrigMileage = 85000;
  wo->vehicle.OrigDate = kMar14_1998;
  wo->totals.PartsTaxRate = 60000;
  wo->totals.PartsCost = 1150;
  wo->totals.LaborCost = 2250;
  wo->totals.PartsSubtotal = 1990;
  wo->totals.LaborSubtotal = 6750;
  wo->totals.WorkorderTax = 119;
  wo->totals.WorkorderTotal = 8859;
  add_part(wo, "FL1A", "OIL FILTER", 2, 575, 995, 995);
  LaborLine* l = add_labor(wo, 10, 150, 4500, 333333, 6750, "LUBE, OIL AND FILTER");
  l->followup_mileage = 3000;
  wo->notes = dup_text("CUSTOMER WAITING");
}

std::string crlf_lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string example_text() {
  std::string s = crlf_lines({
      "[Workorder]",
      "WorkorderNumber=001234",
      "Status=OPEN   ",
      "Type=REPAIR  ",
      "Pricing=RETAIL   ",
      "",
      "[Totals]",
      "DateOpen=03/14/1998",
      "PartsTaxRate=60000",
      "PartsCost=1150",
      "LaborCost=2250",
      "PartsSubtotal=1990",
      "LaborSubtotal=6750",
      "WorkorderTax=119",
      "WorkorderTotal=8859",
      "PaymentMethod=  None  ",
      "",
      "[Customer]",
      "CustomerNumber=77",
      "Lastname=SMITH",
      "Firstname=JOHN",
      "City=SPRINGFIELD",
      "Phone1=555-0100",
      "",
      "[Vehicle]",
      "Year=1992",
      "Make=FORD",
      "Model=RANGER",
      "Mileage=85000",
      "OrigMileage=85000",
      "OrigDate=03/14/1998",
      "",
      "[Parts]",
      "FL1A                OIL FILTER                                2         575         995"
      "         995",
      "",
      "[Labor]",
      "000010         150        4500      333333        6750LUBE, OIL AND FILTER\t\t\t\t\t\t\t\t"
      "   3000\t    0\t      0",
      "",
      "[Sublets]",
      "",
      "[Waste]",
      "",
      "[Credits]",
      "",
      "[Notes]",
      "CUSTOMER WAITING",
      "",
      "[Check List]",
      "",
  });
  s.push_back('\0');
  return s;
}
