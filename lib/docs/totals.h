// Workorder totals: subtotals, costs, net amounts after discounts, tax and
// grand total recomputed from the lines, rates and discounts.
#pragma once

#include <cstdint>

struct Workorder;

// Money from a rate: half away from zero (2.5 gives 3, -2.5 gives -3), then
// truncated to a signed 32-bit value (held at its range).
int32_t money_round(double x);

// The net amounts of the last wo_totals call, for a display beside the
// stored totals; all 0 at the start of every call.
struct WorkorderNet {
  int32_t parts;
  int32_t labor;
  int32_t sublets;          // taxable
  int32_t waste;            // taxable
  int32_t nontax_sublets;
  int32_t nontax_waste;
};

// Recomputes the totals of wo in place: every cost and subtotal, the credit
// subtotal, the tax and the total; the reserved slots at block offsets 56
// and 88 become 0. Labor lines with rate 0 are costed at the settings'
// default shop rate. The labor amounts themselves are kept.
void wo_totals(Workorder* wo);
const WorkorderNet& wo_totals_net();
