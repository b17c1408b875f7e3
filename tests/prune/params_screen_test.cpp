// The parameters screen on the in-memory console.
#include "prune_fixture.h"
#include "ui/dates.h"
#include "ui/forms.h"
#include "ui/settings.h"

namespace {

class ParamsScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_defaults(ProgramKind::prune);
    old_ = console_set(&con);
    today_set(parse_date("06/15/2020"));
  }
  void TearDown() override { console_set(old_); }
  MemoryConsole con{80, 25};
  PurgeParams params;

 private:
  Console* old_ = nullptr;
};

TEST_F(ParamsScreenTest, RowsAreDoubledOnlyWhenTheDoubledFormFits) {
  // Doubled, the form and the line under it take 42 lines above the status
  // line; below that every row keeps its own line.
  for (int height : {22, 25, 30, 42, 43, 50}) {
    SCOPED_TRACE(height);
    con.resize(80, height);
    int k = height >= 43 ? 2 : 1;
    con.push_keys({KEY_ESC});
    EXPECT_FALSE(params_screen(&params));
    EXPECT_NE(con.row_text(2).find("Purge Old Data"), std::string::npos);
    EXPECT_EQ(con.row_text(5 * k).substr(0, 37), "Warning : It is recommended that you ");
    EXPECT_EQ(con.row_text(6 * k).substr(0, 35), "backup BEFORE you purge anything!!!");
    EXPECT_EQ(con.row_text(7 * k).substr(0, 35), "Network users : LOG EVERYONE OFF!!!");
    EXPECT_EQ(con.row_text(9 * k).substr(0, 30), "Purge Inventory             : ");
    EXPECT_EQ(con.row_text(10 * k).substr(0, 30), "Purge Customers / Vehicles  : ");
    EXPECT_EQ(con.row_text(12 * k).substr(0, 30), "Purge Usage Before Date     : ");
    EXPECT_EQ(con.row_text(14 * k).substr(0, 30), "Purge Receiving Before Date : ");
    EXPECT_EQ(con.row_text(16 * k).substr(0, 30), "Purge Payroll Before Date   : ");
    EXPECT_EQ(con.row_text(18 * k).substr(0, 30), "Purge Workorders Before Date: ");
    EXPECT_EQ(con.row_text(20 * k).substr(0, 30), "Purge P.O.'s Before Date    : ");
    EXPECT_NE(con.row_text(height).find("F10-start report, TAB-next field, ESC-cancel"),
              std::string::npos);
  }
}

TEST_F(ParamsScreenTest, F10DerivesTheSwitchesAndCutoffs) {
  // Inventory Y, customers N; usage "*" (today); receiving an impossible
  // date, refused until it is emptied (its pass stays off); payroll empty;
  // workorders a full date, which leaves its field by itself; purchase
  // orders 13/01/1998 (month 13 rolls into the next year).
  con.push_text("YN*\t02/32/1998\t");
  con.push_keys({KEY_F1, KEY_TAB});
  con.push_text("\t01/01/2019");
  con.push_text("13/01/1998");
  con.push_keys({KEY_F10});
  ASSERT_TRUE(params_screen(&params));
  EXPECT_TRUE(params.inventory);
  EXPECT_FALSE(params.customers);
  EXPECT_EQ(params.usage, today());
  EXPECT_EQ(params.receiving, -1);
  EXPECT_EQ(params.payroll, -1);
  EXPECT_EQ(params.workorders, parse_date("01/01/2019"));
  EXPECT_EQ(params.purchase_orders, parse_date("01/01/1999"));
  EXPECT_EQ(con.plain_beeps(), 2);  // as the field filled, and on TAB
}

TEST_F(ParamsScreenTest, ADateThatGivesNoDayIsRefusedWhereItIsTyped) {
  // Typed in full it would leave its field by itself; it stays, the bottom
  // line says why, and the next keys correct it.
  for (const char* typed : {"13/45/2020", "00/00/0000", "12/31/1899"}) {
    SCOPED_TRACE(typed);
    size_t from = con.transcript().size();
    con.push_text(std::string("\t\t") + typed);
    con.push_keys({KEY_F1});
    con.push_text("01/01/2020");
    con.push_keys({KEY_F10});
    ASSERT_TRUE(params_screen(&params));
    EXPECT_NE(con.transcript().find("Not a valid date", from), std::string::npos);
    EXPECT_EQ(params.usage, parse_date("01/01/2020"));
  }
}

TEST_F(ParamsScreenTest, OnlyF10StartsThePurge) {
  // PgUp and PgDn leave like ESC, also after the abandon question was
  // answered Y; ESC leaves at once when nothing was typed.
  for (int key : {KEY_PGUP, KEY_PGDN}) {
    con.push_text("Y");
    con.push_keys({key, 'Y'});
    EXPECT_FALSE(params_screen(&params)) << key;
  }
  con.push_keys({KEY_ESC});
  EXPECT_FALSE(params_screen(&params));
  // End of the input abandons the screen instead of asking for ever.
  con.push_text("Y01/01/2020");
  EXPECT_FALSE(params_screen(&params));
  EXPECT_TRUE(con.input_ended());
}

TEST_F(ParamsScreenTest, AnEmptiedDateTakesItsPassBack) {
  // Type a date, come back to it and blank it out: the field is accepted
  // empty and the pass is off.
  con.push_text("\t\t01/01/2020");
  con.push_keys({KEY_SHIFT_TAB});
  con.push_text("          ");
  con.push_keys({KEY_F10});
  ASSERT_TRUE(params_screen(&params));
  EXPECT_EQ(params.usage, -1);
  EXPECT_FALSE(params.any());
}

}  // namespace
