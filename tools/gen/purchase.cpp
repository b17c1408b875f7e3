// Purchase orders: the stored documents "VKPURCHA.DAT" with their index
// "VKPURTAG.DAT", the open documents "I%07ld.DKT" with their list
// "VKOPENPO.DAT", and the receiving log "VKRCVLOG.DAT" of their part lines.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/record_io.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/codes.h"
#include "docs/purchase.h"
#include "doclines.h"
#include "messy.h"
#include "words.h"

namespace {

constexpr int32_t kFirstPurchaseOrder = 2001;

std::string pick(Rng& r, const WordList& w) { return w.items[r.below(static_cast<uint32_t>(w.count))]; }

std::string doc_name(int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "I%07ld.DKT", static_cast<long>(number));
  return name;
}

// An order as made: its text and what the receiving log needs of it.
struct MadeOrder {
  int32_t number;
  std::string text;
  PurchaseOrderTag tag;
  bool posts;  // its part lines go into the receiving log
  char vendor[32];
  char invoice[11];
  int32_t date_open;
  struct Line {
    uint32_t item;
    int16_t q1, q2;
    int32_t amount;
  };
  std::vector<Line> lines;  // lines whose part is in inventory
};

class OrderMaker {
 public:
  explicit OrderMaker(Gen& g) : g_(g), r_(g.opt.seed * 0xC2B2AE3D27D4EB4Full + 11) {}

  void make(PurchaseOrder& po, MadeOrder* m, int32_t number, int64_t k, int64_t n, bool open) {
    po_init(&po);
    m->lines.clear();
    po.PONumber = static_cast<uint32_t>(number);
    uint32_t v = r_.below(static_cast<uint32_t>(kVendors.count));
    PurchaseOrderVendor& ven = po.vendor;
    set_text(ven.Vendor, kVendors.items[v]);
    set_text(ven.Address, std::to_string(100 + v * 37) + " COMMERCE DR");
    set_text(ven.City, kCities.items[v % kCities.count]);
    set_text(ven.State, "OH");
    set_text(ven.Zip, std::to_string(44100 + v));
    char phone[16];
    std::snprintf(phone, sizeof phone, "(800) 555-%04u", 1000 + v * 7);
    set_text(ven.Phone1, phone);
    set_text(po.Employee, pick(r_, kSalespeople));
    std::string invoice = std::to_string(r_.range(100000, 999999));
    if (g_.mess.void_document && r_.chance(g_.mess.void_document * 3)) {
      invoice = "0";  // typed as zero when the invoice had no number
      g_.stats.messy++;
    }
    set_text(po.VendorInvoiceNumber, invoice);

    PurchaseOrderTotals& tot = po.totals;
    tot.DateOpen = g_.day_of(k, n);
    uint32_t count = 1 + r_.below(8);
    uint32_t items = static_cast<uint32_t>(g_.items.size());
    int32_t subtotal = 0;
    for (uint32_t i = 0; i < count; i++) {
      POPartLine* p = line_new<POPartLine>();
      if (g_.mess.missing_part && r_.chance(g_.mess.missing_part)) {
        set_text(p->stock_number, mess_missing_stock_number(g_, r_));
        set_text(p->description, "SPECIAL ORDER PART");
        p->quantity_1 = p->quantity_2 = 1;
        p->amount = r_.range(500, 20000);
        g_.stats.messy++;
      } else {
        uint32_t idx = r_.below(items);
        const InventoryRecord& rec = g_.items[idx].rec;
        std::memcpy(p->stock_number, rec.stock_number, sizeof p->stock_number);
        field_copy(p->description, sizeof p->description, rec.description, sizeof rec.description);
        p->quantity_1 = static_cast<int16_t>(r_.range(1, 24));
        p->quantity_2 = r_.chance(900) ? p->quantity_1 : static_cast<int16_t>(r_.range(0, p->quantity_1));
        p->amount = p->quantity_2 * rec.amounts[0];
        m->lines.push_back({idx, p->quantity_1, p->quantity_2, p->amount});
      }
      subtotal += p->amount;
      line_append(&po.parts, p);
    }
    int32_t sublets = 0, credits = 0;
    if (r_.chance(30)) {
      SubletLine* s = line_new<SubletLine>();
      set_text(s->description, "FREIGHT");
      set_text(s->reference, "BOL" + std::to_string(r_.range(1000, 9999)));
      s->cost = s->price = r_.range(1500, 9000);
      s->text = text_new("");
      sublets = s->price;
      line_append(&po.sublets, s);
    }
    if (r_.chance(20)) {
      CreditLine* c = line_new<CreditLine>();
      c->amount = r_.range(1000, 6000);
      c->text = text_new("RETURNED CORE");
      credits = c->amount;
      line_append(&po.credits, c);
    }
    if (r_.chance(100)) po.notes = text_new("BACKORDERED ITEMS TO FOLLOW");

    tot.PartsCost = tot.PartsSubtotal = subtotal;
    tot.SubletCost = tot.SubletSubtotal = sublets;
    tot.CreditSubtotal = credits;
    tot.POShipping = r_.chance(200) ? r_.range(500, 2500) : 0;
    tot.POTotal = subtotal + sublets - credits + tot.POShipping;
    tot.POInputTotal = tot.POTotal;

    m->posts = true;
    if (open) {
      po.Status = WO_OPEN;
    } else if (g_.mess.void_document && r_.chance(g_.mess.void_document)) {
      po.Status = WO_VOID;
      tot.DateClosed = tot.DateOpen;
      m->posts = false;
      g_.stats.messy++;
    } else {
      tot.DateClosed = tot.DateOpen + r_.range(0, 10);
      if (r_.chance(850)) {
        po.Status = WO_PAID;
        tot.DatePaid = tot.DateClosed + r_.range(0, 30);
        tot.PaymentMethod = 3;  // check
        set_text(po.POPaymentComment, "CHECK #" + std::to_string(r_.range(1000, 9999)));
      } else {
        po.Status = WO_CLOSED;
      }
    }

    m->number = number;
    po_format(po, &m->text);
    purchase_order_tag_clear(&m->tag);
    m->tag.number = number;
    field_copy(m->tag.vendor, sizeof m->tag.vendor, ven.Vendor, sizeof ven.Vendor);
    field_copy(m->tag.VendorInvoiceNumber, sizeof m->tag.VendorInvoiceNumber,
               po.VendorInvoiceNumber, sizeof po.VendorInvoiceNumber);
    m->tag.status = po.Status;
    po_block_encode(tot, m->tag.totals);
    m->tag.order_offset = -1;
    std::memcpy(m->vendor, m->tag.vendor, sizeof m->vendor);
    if (invoice == "0") std::memset(m->invoice, 0, sizeof m->invoice);
    else std::memcpy(m->invoice, m->tag.VendorInvoiceNumber, sizeof m->invoice);
    m->date_open = tot.DateOpen;
  }

  void post_receiving(const MadeOrder& m) {
    if (!m.posts) return;
    uint8_t buf[kReceivingRecordSize];
    for (const MadeOrder::Line& l : m.lines) {
      GenItem& item = g_.items[l.item];
      ReceivingRecord e{};
      std::memcpy(e.stock_number, item.rec.stock_number, sizeof e.stock_number);
      std::memcpy(e.vendor, m.vendor, sizeof e.vendor);
      std::memcpy(e.vendor_invoice_number, m.invoice, sizeof e.vendor_invoice_number);
      e.po_number = m.number;
      e.date = m.date_open;
      e.quantity_1 = l.q1;
      e.quantity_2 = l.q2;
      e.amount = l.amount;
      e.next = item.rec.receiving_head;
      item.rec.receiving_head = static_cast<int32_t>(g_.receiving.end());
      receiving_encode(e, buf);
      g_.receiving.append(buf, sizeof buf);
      g_.stats.receiving++;
    }
  }

  Rng& rng() { return r_; }

 private:
  Gen& g_;
  Rng r_;
};

void append_tag(OutFile& f, const PurchaseOrderTag& t) {
  uint8_t buf[kPurchaseOrderTagSize];
  purchase_order_tag_encode(t, buf);
  f.append(buf, sizeof buf);
}

}  // namespace

void gen_purchase_orders(Gen& g) {
  OutFile stored, idx, list;
  gen_create(g, stored, "VKPURCHA.DAT");
  gen_create(g, idx, "VKPURTAG.DAT");
  gen_create(g, list, "VKOPENPO.DAT");
  gen_create(g, g.receiving, "VKRCVLOG.DAT");
  OrderMaker maker(g);
  Rng& r = maker.rng();

  const int64_t n = g.size.purchase_orders;
  const int64_t first_open = n - g.size.open_purchase_orders;
  std::vector<MadeOrder> open_orders;
  PurchaseOrder po;
  MadeOrder m;
  auto write_open = [&](const MadeOrder& o) {
    if (!write_whole_file(g.opt.dir, doc_name(o.number), o.text.data(), o.text.size()))
      gen_fail("cannot write " + g.opt.dir + doc_name(o.number));
    g.stats.open_pos++;
  };

  for (int64_t k = 0; k < n; k++) {
    bool open = k >= first_open;
    int32_t number = kFirstPurchaseOrder + static_cast<int32_t>(k);
    maker.make(po, &m, number, k, n, open);
    if (open) {
      PurchaseOrderTag t;
      purchase_order_tag_clear(&t);  // an open order is indexed by its number only
      t.number = number;
      t.order_offset = -1;
      append_tag(idx, t);
      write_open(m);
      open_orders.push_back(m);
      po_free(&po);
      continue;
    }
    m.tag.order_offset = static_cast<int32_t>(stored.end());
    stored.append(m.text.data(), m.text.size());
    append_tag(idx, m.tag);
    maker.post_receiving(m);
    g.stats.stored_pos++;
    if (g.mess.duplicate_workorder && r.chance(g.mess.duplicate_workorder * 2)) {
      stored.append(m.text.data(), m.text.size());  // saved twice: indexed once
      g.stats.messy++;
    }
    if (g.mess.open_also_stored && r.chance(g.mess.open_also_stored * 2)) {
      // Received and filed, but its open document was left behind.
      po.Status = WO_OPEN;
      po.totals.DateClosed = po.totals.DatePaid = -1;
      MadeOrder o = m;
      po_format(po, &o.text);
      write_open(o);
      open_orders.push_back(o);
      g.stats.messy++;
    }
    po_free(&po);
  }

  std::sort(open_orders.begin(), open_orders.end(),
            [](const MadeOrder& a, const MadeOrder& b) { return a.number < b.number; });
  uint8_t buf[kOpenPurchaseOrderEntrySize];
  for (const MadeOrder& o : open_orders) {
    if (g.mess.blank_open_entry && r.chance(g.mess.blank_open_entry)) {
      std::memset(buf, 0, sizeof buf);
      list.append(buf, sizeof buf);
      g.stats.messy++;
    }
    PurchaseOrderTag t;
    purchase_order_tag_clear(&t);
    t.number = o.number;
    t.order_offset = -1;
    OpenPurchaseOrderEntry e;
    open_purchase_order_make(t, &e);
    open_purchase_order_encode(e, buf);
    list.append(buf, sizeof buf);
    maker.post_receiving(o);
  }
  g.next_purchase_order = kFirstPurchaseOrder + static_cast<int32_t>(n);

  gen_finish(stored);
  gen_finish(idx);
  gen_finish(list);
  gen_finish(g.receiving);
}
