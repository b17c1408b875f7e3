// The workorder reader: one document from its text, section by section, with
// the tolerance rules of the stored documents.
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string_view>
#include <unordered_map>

#include "docs/codes.h"
#include "docs/docload.h"
#include "docs/scan.h"
#include "docs/totals.h"
#include "docs/workorder.h"
#include "ui/screen.h"
#include "ui/settings.h"

namespace {

// Key names of the ten split entries.
const char* const kSplitType[10] = {"SplitType1", "SplitType2", "SplitType3", "SplitType4",
                                    "SplitType5", "SplitType6", "SplitType7", "SplitType8",
                                    "SplitType9", "SplitType10"};
const char* const kSplitAmount[10] = {"SplitAmount1", "SplitAmount2", "SplitAmount3",
                                      "SplitAmount4", "SplitAmount5", "SplitAmount6",
                                      "SplitAmount7", "SplitAmount8", "SplitAmount9",
                                      "SplitAmount10"};
const char* const kSplitDate[10] = {"SplitDate1", "SplitDate2", "SplitDate3", "SplitDate4",
                                    "SplitDate5", "SplitDate6", "SplitDate7", "SplitDate8",
                                    "SplitDate9", "SplitDate10"};

// Parts lists longer than this find their merge partner through a hash index.
constexpr int kLinearMerge = 32;

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

// " None" for a make or model that begins with "NONE" in any case.
template <size_t N>
void none_word(char (&field)[N]) {
  if (strncasecmp(field, "NONE", 4) == 0) view_to_field(View{" None", 5}, field, N);
}

// What of a document was read, beyond its being read whole or not.
struct ReadSections {
  bool number = false;    // "[Workorder]" and its WorkorderNumber
  bool customer = false;  // the customer section, up to a later section
  bool vehicle = false;   // the vehicle section, up to a later section
};

class Reader {
 public:
  Reader(Workorder* wo, const char* text, size_t n, ReadSections* read)
      : wo_(wo), end_(text + n), text_(text), read_(read) {}
  // True when the document was read to its end, false when it is rejected.
  bool run();

 private:
  bool header_and_totals(const char** stop);
  void splits();
  bool parts(const char* from, const char** bracket);
  bool labor(const char* from, const char** bracket);
  bool sublets(const char* from, bool waste_section, const char** bracket);
  bool credits(const char* from, const char** bracket);
  bool notes_and_check_list(const char* from);
  PartLine* merge_partner(View stock);

  Workorder* wo_;
  const char* end_;
  const char* text_;
  ReadSections* read_;
  KeySection& keys_ = keys();
  int part_count_ = 0;
  std::unordered_map<std::string_view, PartLine*>* index_ = nullptr;

  static KeySection& keys() {
    thread_local KeySection k;
    return k;
  }
  static std::unordered_map<std::string_view, PartLine*>& part_index() {
    thread_local std::unordered_map<std::string_view, PartLine*> m;
    return m;
  }
};

bool Reader::run() {
  const char* p = scan_find_section(text_, end_, "Workorder");
  if (!p) return false;
  keys_.open(p, end_);
  View v;
  read_->number = keys_.find("WorkorderNumber", &v);
  wo_->WorkorderNumber = static_cast<uint32_t>(view_number(v));
  keys_.find("Status", &v);
  int status = code_match(CT_STATUS, v.p, v.n);
  if (status < 0) return false;
  wo_->Status = status;
  keys_.find("Type", &v);
  int type = code_match(CT_TYPE, v.p, v.n);
  wo_->Type = type < 0 ? WO_REPAIR : type;
  keys_.find("Pricing", &v);
  int pricing = code_match(CT_PRICING, v.p, v.n);
  if (pricing < 0) return false;
  wo_->Pricing = pricing;

  p = scan_find_section(keys_.position(), end_, "Totals");
  if (!p) return true;
  keys_.open(p, end_);
  WorkorderTotals& t = wo_->totals;
  t.DateOpen = read_date(keys_, "DateOpen");
  t.DateClosed = read_date(keys_, "DateClosed");
  t.DatePaid = read_date(keys_, "DatePaid");
  int32_t* const amounts[] = {
      &t.PartsTaxRate, &t.LaborTaxRate, &t.SubletTaxRate, &t.WasteTaxRate,
      &t.PartsCost, &t.LaborCost, &t.SubletCost, &t.NonTaxSubletCost, &t.WasteCost,
      &t.NonTaxWasteCost, &t.PartsSubtotal, &t.LaborSubtotal, &t.SubletSubtotal,
      &t.NonTaxSubletSubtotal, &t.WasteSubtotal, &t.NonTaxWasteSubtotal, &t.CreditSubtotal,
      &t.PartsDiscount, &t.LaborDiscount, &t.SubletDiscount, &t.WasteDiscount,
      &t.DollarDiscount, &t.WorkorderTax, &t.WorkorderTotal};
  const char* const names[] = {
      "PartsTaxRate", "LaborTaxRate", "SubletTaxRate", "WasteTaxRate",
      "PartsCost", "LaborCost", "SubletCost", "NonTaxSubletCost", "WasteCost",
      "NonTaxWasteCost", "PartsSubtotal", "LaborSubtotal", "SubletSubtotal",
      "NonTaxSubletSubtotal", "WasteSubtotal", "NonTaxWasteSubtotal", "CreditSubtotal",
      "PartsDiscount", "LaborDiscount", "SubletDiscount", "WasteDiscount",
      "DollarDiscount", "WorkorderTax", "WorkorderTotal"};
  for (size_t i = 0; i < sizeof amounts / sizeof amounts[0]; i++) {
    keys_.find(names[i], std::strlen(names[i]), &v);
    *amounts[i] = view_number(v);
  }
  keys_.find("PaymentMethod", &v);
  int method = code_match(CT_PAYMENT, v.p, v.n);
  t.PaymentMethod = static_cast<uint8_t>(method < 0 ? PAY_NONE : method);
  if (t.PaymentMethod == PAY_SPLIT) splits();
  keys_.find("PaymentComment", &v);
  view_to_field(trim_right(v), wo_->PaymentComment, sizeof wo_->PaymentComment);

  // Customer and vehicle.
  p = scan_find_section(keys_.position(), end_, "Customer");
  customer_init(&wo_->customer);
  if (!p) {
    if (wo_->Type == WO_REPAIR) return false;
    vehicle_init(&wo_->vehicle);
    return true;
  }
  CustomerRecord& c = wo_->customer;
  keys_.open(p, end_);
  c.CustomerNumber = static_cast<uint32_t>(read_number(keys_, "CustomerNumber"));
  read_text(keys_, "Lastname", c.Lastname);
  read_text(keys_, "Firstname", c.Firstname);
  read_text(keys_, "Spouse", c.Spouse);
  read_text(keys_, "SpouseLastname", c.SpouseLastname);
  read_text(keys_, "Address", c.Address);
  read_text(keys_, "City", c.City);
  read_text(keys_, "State", c.State);
  read_text(keys_, "Zip", c.Zip);
  read_text(keys_, "Phone1", c.Phone1);
  read_text(keys_, "Phone2", c.Phone2);
  read_text(keys_, "Phone2ext", c.Phone2ext);
  read_text(keys_, "Phone3", c.Phone3);
  read_text(keys_, "TaxIDNumber", c.TaxIDNumber);
  read_text(keys_, "Salesperson", c.Salesperson);

  vehicle_init(&wo_->vehicle);
  p = scan_find_section(keys_.position(), end_, "Vehicle");
  read_->customer = p != nullptr;
  if (p) {
    VehicleRecord& r = wo_->vehicle;
    keys_.open(p, end_);
    read_text(keys_, "Year", r.Year);
    read_text(keys_, "Make", r.Make);
    read_text(keys_, "Model", r.Model);
    read_text(keys_, "Engine", r.Engine);
    read_text(keys_, "Transmission", r.Transmission);
    read_text(keys_, "VIN", r.VIN);
    read_text(keys_, "LicenseNumber", r.LicenseNumber);
    read_text(keys_, "State", r.State);
    r.Mileage = read_number(keys_, "Mileage");
    r.Date = read_date(keys_, "Date");
    read_text(keys_, "VComment1", r.VComment1);
    read_text(keys_, "VComment2", r.VComment2);
    read_text(keys_, "VComment3", r.VComment3);
    read_text(keys_, "VComment4", r.VComment4);
    r.OrigMileage = read_number(keys_, "OrigMileage");
    r.OrigDate = read_date(keys_, "OrigDate");
    none_word(r.Make);
    none_word(r.Model);
  }

  // The line sections. A section that is missing ends the document (it is
  // complete); one whose lines run into the end of the text rejects it.
  const char* bracket = nullptr;
  const bool had_vehicle = p != nullptr;
  p = scan_find_section(keys_.position(), end_, "Parts");
  if (!p) return true;
  read_->customer = true;
  read_->vehicle = had_vehicle;
  if (!parts(p, &bracket)) return false;
  p = scan_find_section(bracket, end_, "Labor");
  if (!p) return true;
  if (!labor(p, &bracket)) return false;
  p = scan_find_section(bracket, end_, "Sublets");
  if (!p) return true;
  if (!sublets(p, false, &bracket)) return false;
  p = scan_find_section(bracket, end_, "Waste");
  if (p && !sublets(p, true, &bracket)) return false;
  p = scan_find_section(bracket, end_, "Credits");
  if (!p) return true;
  if (!credits(p, &bracket)) return false;
  return notes_and_check_list(bracket);
}

void Reader::splits() {
  WorkorderTotals& t = wo_->totals;
  size_t from = keys_.mark();
  View v;
  for (int n = 1; n <= 10; n++) {
    keys_.seek(from);
    keys_.find(kSplitType[n - 1], std::strlen(kSplitType[n - 1]), &v);
    int type = code_match(CT_PAYMENT, v.p, v.n);
    t.SplitType[n - 1] = static_cast<uint8_t>(type < 0 ? PAY_NONE : type);
    keys_.find(kSplitAmount[n - 1], std::strlen(kSplitAmount[n - 1]), &v);
    t.SplitAmount[n - 1] = view_number(v);
    keys_.find(kSplitDate[n - 1], std::strlen(kSplitDate[n - 1]), &v);
    t.SplitDate[n - 1] = view_date(v);
  }
}

PartLine* Reader::merge_partner(View stock) {
  if (index_) {
    auto it = index_->find(std::string_view(stock.p, stock.n));
    return it == index_->end() ? nullptr : it->second;
  }
  for (PartLine* p = wo_->parts; p; p = p->next)
    if (std::strlen(p->stock_number) == stock.n && std::memcmp(p->stock_number, stock.p, stock.n) == 0)
      return p;
  return nullptr;
}

bool Reader::parts(const char* from, const char** bracket) {
  LineCursor lines{from, end_};
  List<PartLine> list{&wo_->parts};
  for (PartLine* p = wo_->parts; p; p = p->next) list.tail = p;
  View line;
  while (lines.next(&line, bracket)) {
    View stock = trim_right(column(line, 0, 20));
    int16_t quantity = view_quantity(column(line, 58, 5));
    // One line per stock number: a repeated one adds its quantity to the
    // line already read.
    if (PartLine* same = merge_partner(stock)) {
      same->quantity = quantity_clamp(int64_t{same->quantity} + quantity);
      continue;
    }
    PartLine* n = static_cast<PartLine*>(std::calloc(1, sizeof(PartLine)));
    if (!n) return false;
    view_to_field(stock, n->stock_number, sizeof n->stock_number);
    view_to_field(column(line, 20, 38), n->description, sizeof n->description);
    n->quantity = quantity;
    n->unit_cost = view_number(column(line, 63, 12));
    n->unit_price = view_number(column(line, 75, 12));
    n->third_amount = view_number(column(line, 87, 12));
    list.append(n);
    if (index_) {
      index_->emplace(std::string_view(n->stock_number, stock.n), n);
    } else if (++part_count_ > kLinearMerge) {
      index_ = &part_index();
      index_->clear();
      for (PartLine* p = wo_->parts; p; p = p->next)
        index_->emplace(std::string_view(p->stock_number, std::strlen(p->stock_number)), p);
    }
  }
  if (index_) index_->clear();
  return *bracket != nullptr;
}

bool Reader::labor(const char* from, const char** bracket) {
  LineCursor lines{from, end_};
  List<LaborLine> list{&wo_->labor};
  View line;
  while (lines.next(&line, bracket)) {
    LaborLine* n = static_cast<LaborLine*>(std::calloc(1, sizeof(LaborLine)));
    if (!n) return false;
    n->code = static_cast<uint32_t>(view_number(column(line, 0, 6)));
    n->hours = view_number(column(line, 6, 12));
    n->rate = view_number(column(line, 18, 12));
    n->tech_share = view_number(column(line, 30, 12));
    View text;
    if (line.n > 42 && line.p[42] == ' ') {
      n->amount = view_number(column(line, 42, 12));
      text = rest(line, 54);
    } else {
      // The older layout has no amount column: the text starts at 42.
      int32_t product = static_cast<int32_t>(static_cast<uint32_t>(n->hours) *
                                             static_cast<uint32_t>(n->rate));
      n->amount = money_round(product * 0.01);
      text = rest(line, 42);
    }
    // Follow-up columns after the eighth tab.
    int tabs = 0;
    for (size_t i = 0; i < text.n; i++) {
      if (text.p[i] != '\t' || ++tabs < 8) continue;
      View after{text.p + i + 1, text.n - i - 1};
      text.n = i;
      n->followup_mileage = view_number_noblanks(column(after, 0, 7));
      n->followup_second = view_number_noblanks(column(after, 8, 5));
      n->followup_date = view_number_noblanks(column(after, 14, 7));
      break;
    }
    n->text = view_dup(text);
    list.append(n);
    if (!n->text) return false;
  }
  return *bracket != nullptr;
}

bool Reader::sublets(const char* from, bool waste_section, const char** bracket) {
  LineCursor lines{from, end_};
  List<SubletLine> sublet_list{&wo_->sublets};
  List<SubletLine> waste_list{&wo_->waste};
  for (SubletLine* s = wo_->sublets; s; s = s->next) sublet_list.tail = s;
  for (SubletLine* s = wo_->waste; s; s = s->next) waste_list.tail = s;
  const bool surcharge_sublet = g_settings.surcharge_is_sublet == 'Y';
  View line;
  while (lines.next(&line, bracket)) {
    SubletLine* n = static_cast<SubletLine*>(std::calloc(1, sizeof(SubletLine)));
    if (!n) return false;
    View description = column(line, 0, 31);
    view_to_field(description, n->description, sizeof n->description);
    view_to_field(column(line, 31, 10), n->reference, sizeof n->reference);
    View text;
    if (line.n > 41 && (line.p[41] == 'Y' || line.p[41] == 'N')) {
      n->taxable = line.p[41];
      n->cost = view_number(column(line, 42, 12));
      n->price = view_number(column(line, 54, 12));
      text = rest(line, 66);
    } else {
      // Older layout, without the flag column: taxable.
      n->taxable = 'Y';
      n->cost = view_number(column(line, 41, 12));
      n->price = view_number(column(line, 53, 12));
      text = rest(line, 65);
    }
    bool to_waste;
    if (!waste_section && view_contains(description, "Waste Disposal")) {
      wo_->totals.WasteTaxRate = wo_->totals.SubletTaxRate;
      to_waste = true;
    } else if (view_contains(description, "SURCHARGE")) {
      to_waste = !surcharge_sublet;
    } else {
      to_waste = waste_section;
    }
    n->text = view_dup(text);
    (to_waste ? waste_list : sublet_list).append(n);
    if (!n->text) return false;
  }
  return *bracket != nullptr;
}

bool Reader::credits(const char* from, const char** bracket) {
  LineCursor lines{from, end_};
  List<CreditLine> list{&wo_->credits};
  View line;
  while (lines.next(&line, bracket)) {
    CreditLine* n = static_cast<CreditLine*>(std::calloc(1, sizeof(CreditLine)));
    if (!n) return false;
    n->amount = view_number(column(line, 0, 12));
    n->text = view_dup(rest(line, 12));
    list.append(n);
    if (!n->text) return false;
  }
  return *bracket != nullptr;
}

bool Reader::notes_and_check_list(const char* from) {
  const char* p = scan_find_section(from, end_, "Notes");
  if (!p) return true;
  p = scan_skip_blanks(p, end_);
  if (p >= end_) return true;
  // The note is every line up to the check list's header (or the end of the
  // text), as it stands; none when the header follows at once.
  if (!(*p == '[' && scan_find_header(p, scan_eol(p, end_), "Check List") == p)) {
    const char* header = scan_find_header(scan_eol(p, end_), end_, "Check List");
    const char* e = header ? header : end_;
    View note = trim_note(View{p, static_cast<size_t>(e - p)});
    if (note.n > 0 && !(wo_->notes = view_dup(note))) return false;
    p = e;
  }
  p = scan_find_section(p, end_, "Check List");
  if (!p) return true;
  p = scan_skip_blanks(p, end_);
  if (p >= end_) return true;
  // The writer closes the check list with a line break and the section's
  // empty line; that trailer is not part of the list.
  View list{p, static_cast<size_t>(end_ - p)};
  if (list.n > 4 && std::memcmp(end_ - 4, "\r\n\r\n", 4) == 0) list.n -= 4;
  return (wo_->check_list = view_dup(list)) != nullptr;
}

}  // namespace

// Parses one loaded document into wo (already at its starting values) and
// reports it.
static bool wo_parse_loaded(const DocBytes& doc, Workorder* wo, DocRead* info) {
  ReadSections read;
  Reader r(wo, doc.text, doc.text_length, &read);
  bool whole = r.run();
  doc_report(doc, whole, info);
  if (info) {
    info->number_read = read.number;
    info->customer_read = read.customer;
    info->vehicle_read = read.vehicle;
  }
  return whole;
}

static void report_nothing(const DocBytes& doc, DocRead* info) {
  doc_report(doc, false, info);
  if (info) info->number_read = info->customer_read = info->vehicle_read = false;
}

int64_t wo_read(File* f, Workorder* wo, DocRead* info) {
  wo_init(wo);
  DocBytes doc;
  int got = doc_load(f, &doc);
  if (got <= 0) {
    report_nothing(doc, info);
    return got;
  }
  if (!wo_parse_loaded(doc, wo, info)) beep_warning();
  return doc.span();
}

int64_t wo_parse(const char* bytes, size_t len, Workorder* wo, DocRead* info) {
  wo_init(wo);
  DocBytes doc;
  if (doc_from_memory(bytes, len, &doc) == 0) {
    report_nothing(doc, info);
    return 0;
  }
  wo_parse_loaded(doc, wo, info);
  return doc.span();
}
