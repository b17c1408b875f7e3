// The workorder's stored date-and-totals block, its starting values and its
// release.
#include <cstdlib>
#include <cstring>

#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/workorder.h"
#include "ui/dates.h"
#include "ui/screen.h"
#include "ui/settings.h"

namespace {

// One field list for both directions, in stored order.
template <bool Enc, class T>
void block_fields(T& t, uint8_t* p) {
  auto i32 = [&](auto& v) {
    if constexpr (Enc) le_put_i32(p, v); else v = le_get_i32(p);
    p += 4;
  };
  auto u8 = [&](auto& v) {
    if constexpr (Enc) *p = v; else v = *p;
    p += 1;
  };
  i32(t.DateOpen); i32(t.DateClosed); i32(t.DatePaid);
  i32(t.PartsTaxRate); i32(t.LaborTaxRate); i32(t.SubletTaxRate); i32(t.WasteTaxRate);
  i32(t.PartsCost); i32(t.LaborCost); i32(t.SubletCost); i32(t.WasteCost);
  i32(t.NonTaxSubletCost); i32(t.NonTaxWasteCost); i32(t.reserved_52); i32(t.reserved_56);
  i32(t.PartsSubtotal); i32(t.LaborSubtotal); i32(t.SubletSubtotal); i32(t.WasteSubtotal);
  i32(t.NonTaxSubletSubtotal); i32(t.NonTaxWasteSubtotal); i32(t.CreditSubtotal);
  i32(t.reserved_88);
  i32(t.PartsDiscount); i32(t.LaborDiscount); i32(t.SubletDiscount); i32(t.WasteDiscount);
  i32(t.DollarDiscount); i32(t.WorkorderTax); i32(t.WorkorderTotal);
  u8(t.PaymentMethod);
  for (auto& v : t.SplitType) u8(v);
  for (auto& v : t.SplitAmount) i32(v);
  for (auto& v : t.SplitDate) i32(v);
}

template <class Node>
void free_texts(Node* n) {
  while (n) {
    Node* next = n->next;
    std::free(n->text);
    std::free(n);
    n = next;
  }
}

}  // namespace

void wo_block_encode(const WorkorderTotals& t, uint8_t bytes[kWorkorderBlockSize]) {
  block_fields<true>(t, bytes);
}

void wo_block_decode(const uint8_t bytes[kWorkorderBlockSize], WorkorderTotals* t) {
  block_fields<false>(*t, const_cast<uint8_t*>(bytes));
}

void wo_init(Workorder* wo) {
  std::memset(wo, 0, sizeof *wo);
  wo->customer.date = -1;
  wo->customer.vehicle_head = -1;
  std::memcpy(wo->customer.City, g_settings.company_city,
              field_strlen(g_settings.company_city, sizeof wo->customer.City - 1));
  std::memcpy(wo->customer.State, g_settings.company_state,
              field_strlen(g_settings.company_state, sizeof wo->customer.State - 1));
  wo->vehicle.next = -1;
  wo->totals.DateOpen = today();
  wo->totals.DateClosed = -1;
  wo->totals.DatePaid = -1;
  wo->Status = WO_OPEN;
  wo->Type = WO_REPAIR;
  wo->Pricing = PRICE_RETAIL;
  for (auto& d : wo->totals.SplitDate) d = -1;
}

void wo_free(Workorder* wo) {
  for (PartLine* p = wo->parts; p;) {
    PartLine* next = p->next;
    std::free(p);
    p = next;
  }
  free_texts(wo->labor);
  free_texts(wo->sublets);
  free_texts(wo->waste);
  free_texts(wo->credits);
  std::free(wo->notes);
  if (wo->followup) {
    status_line("Followup record not NULL!");
    beep_warning();
    std::free(wo->followup);
  }
  std::free(wo->check_list);
}
