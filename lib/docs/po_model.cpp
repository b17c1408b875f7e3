// The purchase order's stored date-and-totals block, its starting values and
// its release.
#include <cstdlib>
#include <cstring>

#include "db/bytes.h"
#include "docs/codes.h"
#include "docs/purchase.h"
#include "ui/dates.h"

namespace {

template <bool Enc, class T>
void block_fields(T& t, uint8_t* p) {
  auto i32 = [&](auto& v) {
    if constexpr (Enc) le_put_i32(p, v); else v = le_get_i32(p);
    p += 4;
  };
  auto i16 = [&](auto& v) {
    if constexpr (Enc) le_put_i16(p, v); else v = le_get_i16(p);
    p += 2;
  };
  auto raw = [&](auto& a) {
    if constexpr (Enc) std::memcpy(p, a, sizeof a); else std::memcpy(a, p, sizeof a);
    p += sizeof a;
  };
  i32(t.DateOpen); i32(t.DateClosed); i32(t.DatePaid); i32(t.PartsTaxRate);
  raw(t.reserved_16); i32(t.SubletTaxRate); i32(t.PartsCost); raw(t.reserved_28);
  i32(t.SubletCost); raw(t.reserved_36); i32(t.PartsSubtotal); raw(t.reserved_52);
  i32(t.SubletSubtotal); raw(t.reserved_60); i32(t.CreditSubtotal); i32(t.LaborDiscount);
  i32(t.SubletDiscount); i32(t.POTax); i32(t.POTotal); i16(t.PaymentMethod);
  i32(t.POInputTax); i32(t.POInputTotal); i32(t.POShipping);
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

void po_block_encode(const PurchaseOrderTotals& t, uint8_t bytes[kPurchaseOrderBlockSize]) {
  block_fields<true>(t, bytes);
}

void po_block_decode(const uint8_t bytes[kPurchaseOrderBlockSize], PurchaseOrderTotals* t) {
  block_fields<false>(*t, const_cast<uint8_t*>(bytes));
}

void po_init(PurchaseOrder* po) {
  std::memset(po, 0, sizeof *po);
  po->totals.DateOpen = today();
  po->totals.DateClosed = -1;
  po->totals.DatePaid = -1;
  po->Status = WO_OPEN;
}

void po_free(PurchaseOrder* po) {
  for (POPartLine* p = po->parts; p;) {
    POPartLine* next = p->next;
    std::free(p);
    p = next;
  }
  free_texts(po->sublets);
  free_texts(po->credits);
  std::free(po->notes);
}
