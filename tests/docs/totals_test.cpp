// Workorder totals: the worked example and the rounding, discount, tax and
// credit rules.
#include "doc_fixture.h"
#include "docs/totals.h"
#include "ui/settings.h"

namespace {

class Totals : public DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    wo_init(&wo_);
  }
  void TearDown() override {
    wo_free(&wo_);
    DocTest::TearDown();
  }
  Workorder wo_{};
};

TEST_F(Totals, WorkedExample) {
  example_workorder(&wo_);
  wo_.totals.reserved_56 = 5;
  wo_.totals.reserved_88 = 6;
  wo_.totals.reserved_52 = 7;
  wo_.totals.WorkorderTotal = 0;
  wo_totals(&wo_);
  const WorkorderTotals& t = wo_.totals;
  EXPECT_EQ(t.PartsSubtotal, 1990);
  EXPECT_EQ(t.PartsCost, 1150);
  EXPECT_EQ(t.LaborSubtotal, 6750);
  EXPECT_EQ(t.LaborCost, 2250);
  EXPECT_EQ(t.WorkorderTax, 119);
  EXPECT_EQ(t.WorkorderTotal, 8859);
  EXPECT_EQ(t.reserved_56, 0);
  EXPECT_EQ(t.reserved_88, 0);
  EXPECT_EQ(t.reserved_52, 7);  // not an output
  EXPECT_EQ(wo_totals_net().parts, 1990);
  EXPECT_EQ(wo_totals_net().labor, 6750);
}

TEST_F(Totals, LaborCostUsesTheDefaultRateWhenTheLineHasNone) {
  add_labor(&wo_, 1, 200, 0, 500000, 0, "");
  wo_totals(&wo_);
  EXPECT_EQ(wo_.totals.LaborCost, 5000);
  g_settings.default_shop_rate = 4800;
  wo_totals(&wo_);
  EXPECT_EQ(wo_.totals.LaborCost, 4800);
  EXPECT_EQ(wo_.totals.LaborSubtotal, 0);  // amounts are not recomputed
}

TEST_F(Totals, HalvesRoundAwayFromZero) {
  EXPECT_EQ(money_round(2.5), 3);
  EXPECT_EQ(money_round(-2.5), -3);
  EXPECT_EQ(money_round(2.4999), 2);
  EXPECT_EQ(money_round(1e12), INT32_MAX);
  EXPECT_EQ(money_round(-1e12), INT32_MIN);
  // One cent with a 50 % discount loses a whole cent, either sign.
  add_part(&wo_, "A", "", 1, 0, 1, 0);
  wo_.totals.PartsDiscount = 500000;
  wo_totals(&wo_);
  EXPECT_EQ(wo_totals_net().parts, 0);
  wo_.parts->unit_price = -1;
  wo_totals(&wo_);
  EXPECT_EQ(wo_totals_net().parts, 0);
  EXPECT_EQ(wo_.totals.WorkorderTotal, 0);
}

TEST_F(Totals, DiscountsTaxAndCredits) {
  add_part(&wo_, "A", "", 1, 0, 1000, 0);
  add_sublet(&wo_.sublets, "TAXED", "", 'Y', 100, 2000, "");
  add_sublet(&wo_.sublets, "UNTAXED", "", 'N', 50, 1000, "");
  add_sublet(&wo_.waste, "ODD FLAG", "", 'x', 10, 400, "");
  add_credit(&wo_.credits, 300, "");
  add_credit(&wo_.credits, 200, "");
  WorkorderTotals& t = wo_.totals;
  t.PartsTaxRate = 100000;   // 10 %
  t.SubletTaxRate = 50000;   // 5 %
  t.WasteTaxRate = 100000;
  t.SubletDiscount = 100000; // 10 % off both sublet kinds
  t.WasteDiscount = 250000;
  t.DollarDiscount = 1500;   // more than the parts: net parts -500
  wo_totals(&wo_);
  const WorkorderNet& n = wo_totals_net();
  EXPECT_EQ(t.SubletSubtotal, 2000);
  EXPECT_EQ(t.SubletCost, 100);
  EXPECT_EQ(t.NonTaxSubletSubtotal, 1000);
  EXPECT_EQ(t.NonTaxWasteSubtotal, 400);  // neither 'Y' nor 'N': not taxable
  EXPECT_EQ(t.NonTaxWasteCost, 10);
  EXPECT_EQ(t.CreditSubtotal, 500);
  EXPECT_EQ(n.parts, -500);
  EXPECT_EQ(n.sublets, 1800);
  EXPECT_EQ(n.nontax_sublets, 900);
  EXPECT_EQ(n.nontax_waste, 300);
  // Tax: -500 x 10 % + 1800 x 5 % = -50 + 90, rounded once.
  EXPECT_EQ(t.WorkorderTax, 40);
  // Credits come off after tax and are never taxed.
  EXPECT_EQ(t.WorkorderTotal, -500 + 1800 + 40 + 900 + 300 - 500);

  // Tax on a net amount below zero is below zero.
  wo_.sublets->taxable = 'N';
  wo_totals(&wo_);
  EXPECT_EQ(t.WorkorderTax, -50);
}

TEST_F(Totals, TaxSumIsRoundedOnceNotPerKind) {
  add_part(&wo_, "A", "", 1, 0, 5, 0);
  add_labor(&wo_, 1, 0, 0, 0, 5, "");
  wo_.totals.PartsTaxRate = 100000;  // 0.5 cent
  wo_.totals.LaborTaxRate = 100000;  // 0.5 cent
  wo_totals(&wo_);
  EXPECT_EQ(wo_.totals.WorkorderTax, 1);  // per kind it would have been 2
}

}  // namespace
