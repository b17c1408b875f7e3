#include "docs/totals.h"

#include "docs/workorder.h"
#include "ui/settings.h"

namespace {

WorkorderNet g_net;

// 32-bit arithmetic that wraps instead of overflowing.
inline int32_t add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t mul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Amount less its discount, the discount rounded on its own.
int32_t net_of(int32_t amount, int32_t discount) {
  return sub(amount, money_round(amount * (discount * 0.000001)));
}

}  // namespace

int32_t money_round(double x) {
  x = x >= 0 ? x + 0.5 : x - 0.5;
  if (!(x < 2147483648.0)) return INT32_MAX;   // also NaN
  if (!(x > -2147483649.0)) return INT32_MIN;
  return static_cast<int32_t>(x);
}

const WorkorderNet& wo_totals_net() { return g_net; }

void wo_totals(Workorder* wo) {
  WorkorderTotals& t = wo->totals;
  g_net = WorkorderNet{};
  t.PartsSubtotal = t.PartsCost = 0;
  t.SubletSubtotal = t.SubletCost = t.WasteSubtotal = t.WasteCost = 0;
  t.NonTaxSubletSubtotal = t.NonTaxSubletCost = t.NonTaxWasteSubtotal = t.NonTaxWasteCost = 0;
  t.reserved_56 = t.reserved_88 = 0;

  for (const PartLine* p = wo->parts; p; p = p->next) {
    t.PartsSubtotal = add(t.PartsSubtotal, mul(p->quantity, p->unit_price));
    t.PartsCost = add(t.PartsCost, mul(p->quantity, p->unit_cost));
  }

  t.LaborSubtotal = t.LaborCost = 0;
  for (const LaborLine* l = wo->labor; l; l = l->next) {
    t.LaborSubtotal = add(t.LaborSubtotal, l->amount);
    int32_t r = l->rate != 0 ? l->rate : g_settings.default_shop_rate;
    t.LaborCost = add(t.LaborCost,
                      money_round((l->hours * 0.01 * r) * (l->tech_share * 0.000001)));
  }

  for (const SubletLine* s = wo->sublets; s; s = s->next) {
    if (s->taxable == 'Y') {
      t.SubletSubtotal = add(t.SubletSubtotal, s->price);
      t.SubletCost = add(t.SubletCost, s->cost);
    } else {
      t.NonTaxSubletSubtotal = add(t.NonTaxSubletSubtotal, s->price);
      t.NonTaxSubletCost = add(t.NonTaxSubletCost, s->cost);
    }
  }
  for (const SubletLine* s = wo->waste; s; s = s->next) {
    if (s->taxable == 'Y') {
      t.WasteSubtotal = add(t.WasteSubtotal, s->price);
      t.WasteCost = add(t.WasteCost, s->cost);
    } else {
      t.NonTaxWasteSubtotal = add(t.NonTaxWasteSubtotal, s->price);
      t.NonTaxWasteCost = add(t.NonTaxWasteCost, s->cost);
    }
  }

  t.CreditSubtotal = 0;
  for (const CreditLine* c = wo->credits; c; c = c->next) t.CreditSubtotal = add(t.CreditSubtotal, c->amount);

  WorkorderNet& n = g_net;
  n.parts = sub(net_of(t.PartsSubtotal, t.PartsDiscount), t.DollarDiscount);
  n.labor = net_of(t.LaborSubtotal, t.LaborDiscount);
  n.sublets = net_of(t.SubletSubtotal, t.SubletDiscount);
  n.nontax_sublets = net_of(t.NonTaxSubletSubtotal, t.SubletDiscount);
  n.waste = net_of(t.WasteSubtotal, t.WasteDiscount);
  n.nontax_waste = net_of(t.NonTaxWasteSubtotal, t.WasteDiscount);

  t.WorkorderTax = money_round(n.parts * (t.PartsTaxRate * 0.000001) +
                               n.labor * (t.LaborTaxRate * 0.000001) +
                               n.sublets * (t.SubletTaxRate * 0.000001) +
                               n.waste * (t.WasteTaxRate * 0.000001));
  int32_t total = add(add(n.parts, n.labor), add(n.sublets, n.waste));
  total = add(add(total, t.WorkorderTax), add(n.nontax_sublets, n.nontax_waste));
  t.WorkorderTotal = sub(total, t.CreditSubtotal);
}
