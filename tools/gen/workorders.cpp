// Workorders: the stored documents "VKINVOIC.DAT" with their index
// "VKINCTAG.DAT", the open documents "W%07ld.DKT" with their list
// "VKOPENWO.DAT", and the usage history "VKUSEHST.DAT" of their part lines.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/record_io.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/codes.h"
#include "docs/doc_tags.h"
#include "docs/totals.h"
#include "doclines.h"
#include "messy.h"
#include "ui/settings.h"
#include "words.h"

namespace {

constexpr int32_t kFirstWorkorder = 1001;
// Stored documents are written in groups in the order they were closed,
// which is not quite the order of their numbers.
constexpr int kGroup = 16;

struct Made {
  int32_t number;
  bool open;
  std::string text;          // the document as stored
  WorkorderTag tag;          // full tag (offset filled when written)
  std::vector<uint32_t> usage_items;  // item of each part line that has one
  std::vector<PartLine> usage_lines;  // copies of those lines (no links)
  char name_key[32];
  int32_t date_open;
};

std::string pick(Rng& r, const WordList& w) { return w.items[r.below(static_cast<uint32_t>(w.count))]; }

int32_t round_cents(int64_t hundredths_of_cents) {
  return static_cast<int32_t>((hundredths_of_cents + (hundredths_of_cents >= 0 ? 50 : -50)) / 100);
}

class WorkorderMaker {
 public:
  WorkorderMaker(Gen& g) : g_(g), r_(g.opt.seed * 0x9E3779B97F4A7C15ull + 3) {
    missing_ = g.mess.missing_part;
  }

  // Builds workorder number `number`, the k-th of n, into wo.
  void make(Workorder& wo, int32_t number, int64_t k, int64_t n, bool open) {
    wo_init(&wo);
    wo.WorkorderNumber = static_cast<uint32_t>(number);
    uint32_t t = r_.below(100);
    wo.Type = t < 85 ? WO_REPAIR : t < 93 ? WO_SALES : t < 98 ? WO_ESTIMATE : WO_WARRANTY;
    const GenCustomer& c = g_.customers[r_.skewed(static_cast<uint32_t>(g_.customers.size()))];
    bool business = c.rec.TaxIDNumber[0] != 0;
    wo.Pricing = business ? PRICE_WHOLESALE : PRICE_RETAIL;
    wo.customer = c.rec;
    wo.customer.vehicle_head = -1;
    wo.customer.date = -1;
    if (g_.mess.wrong_customer_number && r_.chance(g_.mess.wrong_customer_number)) {
      // Typed in by hand: a walk-in number, a neighbour's or one never given.
      uint32_t w = r_.below(3);
      wo.customer.CustomerNumber =
          w == 0 ? 0 : w == 1 ? c.rec.CustomerNumber + 1 : 900000 + r_.below(99999);
      g_.stats.messy++;
    }
    vehicle_init(&wo.vehicle);
    if (wo.Type != WO_SALES && c.vehicle_count) {
      wo.vehicle = g_.vehicles[c.first_vehicle + r_.below(c.vehicle_count)];
      wo.vehicle.next = -1;
    }

    WorkorderTotals& tot = wo.totals;
    int32_t day = g_.day_of(k, n);
    tot.DateOpen = day;
    if (wo.vehicle.Make[0] || wo.vehicle.Model[0]) {
      int32_t since = wo.vehicle.OrigDate > 0 ? day - wo.vehicle.OrigDate : 0;
      wo.vehicle.Mileage = wo.vehicle.OrigMileage + (since > 0 ? since : 0) * 33 + r_.range(0, 500);
      wo.vehicle.Date = day;
    }
    tot.PartsTaxRate = business ? 0 : g_settings.parts_tax_rate;
    tot.LaborTaxRate = g_settings.labor_tax_rate;
    tot.SubletTaxRate = business ? 0 : g_settings.sublet_tax_rate;
    tot.WasteTaxRate = business ? 0 : g_settings.waste_tax_rate;

    add_parts(wo);
    if (wo.Type != WO_SALES) add_labor(wo, day);
    add_sublets_and_waste(wo);
    if (r_.chance(10)) {
      CreditLine* cr = line_new<CreditLine>();
      cr->amount = r_.range(500, 2500);
      cr->text = text_new(r_.chance(500) ? "COUPON" : "GOODWILL CREDIT");
      line_append(&wo.credits, cr);
    }
    if (r_.chance(200)) wo.notes = text_new(pick(r_, kNotes));
    if (r_.chance(30))
      wo.check_list = text_new("TIRES - OK\r\nLIGHTS - OK\r\nWIPERS - REPLACE SOON");

    wo_totals(&wo);
    settle(wo, day, open);
  }

  // Appends usage entries for the part lines of a workorder to the usage
  // history, newest at the head of each item's chain.
  void post_usage(const Made& m) {
    uint8_t buf[kUsageRecordSize];
    for (size_t i = 0; i < m.usage_items.size(); i++) {
      GenItem& item = g_.items[m.usage_items[i]];
      const PartLine& p = m.usage_lines[i];
      UsageRecord u{};
      field_copy(u.stock_number, sizeof u.stock_number, p.stock_number, sizeof p.stock_number);
      u.workorder_number = m.number;
      u.date = m.date_open;
      std::memcpy(u.customer_name, m.name_key, sizeof u.customer_name);
      u.quantity = p.quantity;
      u.unit_cost = p.unit_cost;
      u.unit_price = p.unit_price;
      u.next = item.rec.usage_head;
      item.rec.usage_head = static_cast<int32_t>(g_.usage.end());
      usage_encode(u, buf);
      g_.usage.append(buf, sizeof buf);
      g_.stats.usage++;
    }
  }

  // Records which inventory items the part lines of wo use.
  void note_usage(const Workorder& wo, Made* m) {
    for (const PartLine* p = wo.parts; p; p = p->next) {
      auto it = std::find(line_items_.begin(), line_items_.end(), p);
      if (it == line_items_.end()) continue;
      uint32_t item = line_item_index_[static_cast<size_t>(it - line_items_.begin())];
      m->usage_items.push_back(item);
      PartLine copy = *p;
      copy.prev = copy.next = nullptr;
      m->usage_lines.push_back(copy);
    }
    make_name_key(wo.customer.Lastname, sizeof wo.customer.Lastname, wo.customer.Firstname,
                  sizeof wo.customer.Firstname, m->name_key);
    m->date_open = wo.totals.DateOpen;
  }

  Rng& rng() { return r_; }

 private:
  void add_parts(Workorder& wo) {
    line_items_.clear();
    line_item_index_.clear();
    uint32_t count = wo.Type == WO_SALES ? 1 + r_.below(6) : r_.below(11);
    uint32_t items = static_cast<uint32_t>(g_.items.size());
    for (uint32_t i = 0; i < count; i++) {
      PartLine* p = line_new<PartLine>();
      if (missing_ && r_.chance(missing_)) {
        // A part sold straight from the supplier, never entered in inventory.
        set_text(p->stock_number, mess_missing_stock_number(g_, r_));
        set_text(p->description, "SPECIAL ORDER PART");
        p->unit_cost = r_.range(500, 20000);
        p->unit_price = p->unit_cost * 17 / 10;
        p->third_amount = p->unit_cost * 3 / 2;
        p->quantity = 1;
        g_.stats.messy++;
      } else {
        uint32_t idx = r_.skewed(items);
        if (has_item(idx)) idx = r_.below(items);  // one line per part
        if (has_item(idx)) {
          std::free(p);
          continue;
        }
        const InventoryRecord& rec = g_.items[idx].rec;
        std::memcpy(p->stock_number, rec.stock_number, sizeof p->stock_number);
        field_copy(p->description, sizeof p->description, rec.description, sizeof rec.description);
        bool fluid = std::strstr(rec.description, "QUART") || std::strstr(rec.description, "QT ");
        p->quantity = static_cast<int16_t>(fluid ? r_.range(4, 7) : r_.chance(800) ? 1 : r_.range(2, 4));
        p->unit_cost = rec.amounts[0];
        p->unit_price = wo.Pricing == PRICE_WHOLESALE ? rec.amounts[1] : rec.amounts[3];
        p->third_amount = rec.amounts[2];
        line_items_.push_back(p);
        line_item_index_.push_back(idx);
      }
      line_append(&wo.parts, p);
      g_.stats.part_lines++;
    }
    if (wo.parts && g_.mess.duplicate_part_line && r_.chance(g_.mess.duplicate_part_line)) {
      // The same part entered twice on one ticket.
      PartLine* first = wo.parts;
      PartLine* p = line_new<PartLine>();
      *p = *first;
      p->prev = p->next = nullptr;
      p->quantity = static_cast<int16_t>(r_.range(1, 3));
      line_append(&wo.parts, p);
      auto it = std::find(line_items_.begin(), line_items_.end(), first);
      if (it != line_items_.end()) {
        line_items_.push_back(p);
        line_item_index_.push_back(line_item_index_[static_cast<size_t>(it - line_items_.begin())]);
      }
      g_.stats.part_lines++;
      g_.stats.messy++;
    }
  }

  bool has_item(uint32_t idx) const {
    return std::find(line_item_index_.begin(), line_item_index_.end(), idx) != line_item_index_.end();
  }

  void add_labor(Workorder& wo, int32_t day) {
    uint32_t count = wo.Type == WO_ESTIMATE ? 1 + r_.below(3) : r_.below(100) < 15 ? 0 : 1 + r_.below(3);
    for (uint32_t i = 0; i < count; i++) {
      const LaborOp& op = kLaborOps[r_.below(static_cast<uint32_t>(kLaborOpCount))];
      LaborLine* l = line_new<LaborLine>();
      l->code = static_cast<uint32_t>(op.code);
      l->hours = op.hours + (r_.chance(300) ? r_.range(-20, 60) : 0);
      if (l->hours < 10) l->hours = 10;
      l->rate = r_.chance(900) ? g_settings.default_shop_rate : 12500;
      l->tech_share = r_.chance(500) ? 450000 : 400000;
      l->amount = round_cents(static_cast<int64_t>(l->hours) * l->rate);
      l->text = text_new(op.text);
      if (g_.mess.labor_followup && r_.chance(g_.mess.labor_followup)) {
        // A reminder for the next service.
        l->followup_mileage = r_.chance(700) ? 3000 : 7500;
        l->followup_second = r_.chance(300) ? r_.range(1, 12) : 0;
        l->followup_date = r_.chance(700) ? day + 90 : 0;
        g_.stats.messy++;
      }
      line_append(&wo.labor, l);
    }
  }

  void add_sublets_and_waste(Workorder& wo) {
    if (wo.Type == WO_REPAIR && r_.chance(50)) {
      SubletLine* s = line_new<SubletLine>();
      set_text(s->description, pick(r_, kSubletTexts));
      set_text(s->reference, "INV" + std::to_string(r_.range(10000, 99999)));
      s->cost = r_.range(2500, 60000);
      s->price = s->cost * 5 / 4;
      s->taxable = r_.chance(700) ? 'Y' : 'N';
      s->text = text_new("");
      line_append(&wo.sublets, s);
    }
    if (wo.Type != WO_ESTIMATE && r_.chance(300)) {
      SubletLine* s = line_new<SubletLine>();
      set_text(s->description, pick(r_, kWasteTexts));
      s->cost = 0;
      s->price = r_.range(150, 600);
      s->taxable = 'Y';
      s->text = text_new("");
      line_append(&wo.waste, s);
    }
    if (g_.mess.waste_surcharge && r_.chance(g_.mess.waste_surcharge)) {
      // Older tickets carry the disposal fee and the surcharge as sublets.
      SubletLine* s = line_new<SubletLine>();
      bool waste = r_.chance(500);
      set_text(s->description, waste ? "Waste Disposal" : "SHOP SURCHARGE");
      s->price = r_.range(200, 900);
      s->taxable = 'Y';
      s->text = text_new(waste ? "" : "ENVIRONMENTAL");
      line_append(&wo.sublets, s);
      g_.stats.messy++;
    }
  }

  // Status, dates and payment of the finished (or still open) job.
  void settle(Workorder& wo, int32_t day, bool open) {
    WorkorderTotals& tot = wo.totals;
    if (open) {
      wo.Status = WO_OPEN;
      return;
    }
    tot.DateClosed = day + (r_.chance(700) ? 0 : r_.range(1, 5));
    uint32_t s = r_.below(100);
    if (g_.mess.void_document && r_.chance(g_.mess.void_document)) {
      wo.Status = WO_VOID;
      g_.stats.messy++;
      return;
    }
    if (s < 82) {
      wo.Status = WO_PAID;
      tot.DatePaid = tot.DateClosed;
      if (r_.chance(20)) {
        split(wo, tot.WorkorderTotal, 2 + r_.below(2));
      } else {
        tot.PaymentMethod = static_cast<uint8_t>(1 + r_.below(6));
        if (tot.PaymentMethod == 3) set_text(wo.PaymentComment, "CHECK #" + std::to_string(r_.range(1000, 9999)));
      }
    } else if (s < 92) {
      wo.Status = WO_CLOSED;
    } else {
      wo.Status = WO_ON_ACCT;
      if (g_.mess.on_account_split && r_.chance(g_.mess.on_account_split)) {
        // Part payments on account, the rest still owed.
        split(wo, tot.WorkorderTotal / 2, 1 + r_.below(2));
        g_.stats.messy++;
      }
    }
  }

  void split(Workorder& wo, int32_t amount, uint32_t parts) {
    WorkorderTotals& tot = wo.totals;
    tot.PaymentMethod = PAY_SPLIT;
    int32_t left = amount;
    for (uint32_t i = 0; i < parts; i++) {
      int32_t a = i + 1 == parts ? left : left / 2;
      tot.SplitType[i] = static_cast<uint8_t>(1 + r_.below(6));
      tot.SplitAmount[i] = a;
      tot.SplitDate[i] = tot.DateClosed + static_cast<int32_t>(i) * 30;
      left -= a;
    }
  }

  Gen& g_;
  Rng r_;
  uint32_t missing_;
  std::vector<const PartLine*> line_items_;  // part lines that name an item
  std::vector<uint32_t> line_item_index_;    // and the item of each
};

void append_tag(OutFile& f, const WorkorderTag& t) {
  uint8_t buf[kWorkorderTagSize];
  workorder_tag_encode(t, buf);
  f.append(buf, sizeof buf);
}

std::string doc_name(int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "W%07ld.DKT", static_cast<long>(number));
  return name;
}

}  // namespace

void gen_workorders(Gen& g) {
  OutFile inv, idx, list;
  gen_create(g, inv, "VKINVOIC.DAT");
  gen_create(g, idx, "VKINCTAG.DAT");
  gen_create(g, list, "VKOPENWO.DAT");
  gen_create(g, g.usage, "VKUSEHST.DAT");
  WorkorderMaker maker(g);
  Rng& r = maker.rng();

  const int64_t n = g.size.workorders;
  const int64_t first_open = n - g.size.open_workorders;
  std::vector<Made> open_docs;
  std::vector<Made> group;
  Workorder wo;

  auto write_open = [&](Made& m) {
    if (!write_whole_file(g.opt.dir, doc_name(m.number), m.text.data(), m.text.size()))
      gen_fail("cannot write " + g.opt.dir + doc_name(m.number));
    g.stats.open_workorders++;
  };

  for (int64_t start = 0; start < n; start += kGroup) {
    int64_t end = std::min<int64_t>(n, start + kGroup);
    group.clear();
    for (int64_t k = start; k < end; k++) {
      bool open = k >= first_open;
      Made m;
      m.number = kFirstWorkorder + static_cast<int32_t>(k);
      m.open = open;
      maker.make(wo, m.number, k, n, open);
      maker.note_usage(wo, &m);
      wo_format(wo, &m.text);
      if (!open && g.mess.lower_case_header && r.chance(g.mess.lower_case_header)) {
        mess_lower_case_headers(m.text, r);
        g.stats.messy++;
      }
      if (!open && g.mess.old_layout_line && r.chance(g.mess.old_layout_line)) {
        mess_old_layout_lines(m.text);
        g.stats.messy++;
      }
      make_workorder_tag(wo, -1, &m.tag);
      if (!open && g.mess.open_also_stored && r.chance(g.mess.open_also_stored)) {
        // The job was invoiced but its open document was never removed.
        Made o = m;
        Workorder copy = wo;
        copy.Status = WO_OPEN;
        copy.totals.DateClosed = copy.totals.DatePaid = -1;
        wo_format(copy, &o.text);
        o.open = true;
        make_workorder_tag(copy, -1, &o.tag);
        write_open(o);
        open_docs.push_back(std::move(o));
        g.stats.messy++;
      }
      wo_free(&wo);
      group.push_back(std::move(m));
    }

    // Stored documents in the order they were closed: a shuffle within the group.
    std::vector<size_t> order;
    for (size_t i = 0; i < group.size(); i++)
      if (!group[i].open) order.push_back(i);
    for (size_t i = order.size(); i > 1; i--) std::swap(order[i - 1], order[r.below(static_cast<uint32_t>(i))]);
    for (size_t i : order) {
      Made& m = group[i];
      m.tag.invoice_offset = static_cast<int32_t>(inv.end());
      inv.append(m.text.data(), m.text.size());
      maker.post_usage(m);
      g.stats.stored_workorders++;
      if (g.mess.duplicate_workorder && r.chance(g.mess.duplicate_workorder)) {
        // Saved twice: the index knows only the first copy.
        inv.append(m.text.data(), m.text.size());
        g.stats.messy++;
      }
    }
    for (Made& m : group) {
      if (m.open) {
        WorkorderTag t;
        workorder_tag_clear(&t);
        t.number = m.number;
        t.invoice_offset = -1;
        append_tag(idx, t);
        write_open(m);
        open_docs.push_back(std::move(m));
      } else {
        append_tag(idx, m.tag);
      }
    }
  }

  // The open list, in the order the documents are found (by file name).
  std::sort(open_docs.begin(), open_docs.end(),
            [](const Made& a, const Made& b) { return a.number < b.number; });
  uint8_t buf[kOpenWorkorderEntrySize];
  for (const Made& m : open_docs) {
    if (g.mess.blank_open_entry && r.chance(g.mess.blank_open_entry)) {
      std::memset(buf, 0, sizeof buf);  // a document deleted after the list was made
      list.append(buf, sizeof buf);
      g.stats.messy++;
    }
    if (g.mess.missing_open_file && r.chance(g.mess.missing_open_file)) {
      OpenWorkorderEntry gone;
      WorkorderTag t = m.tag;
      t.number = 9000000 + static_cast<int32_t>(r.below(999999));
      open_workorder_make(t, &gone);
      open_workorder_encode(gone, buf);
      list.append(buf, sizeof buf);
      g.stats.messy++;
    }
    OpenWorkorderEntry e;
    open_workorder_make(m.tag, &e);
    open_workorder_encode(e, buf);
    list.append(buf, sizeof buf);
    maker.post_usage(m);
  }
  g.next_workorder = kFirstWorkorder + static_cast<int32_t>(n);

  gen_finish(inv);
  gen_finish(idx);
  gen_finish(list);
  gen_finish(g.usage);
}
