// The cleanup program's smaller rules: switches, "ON ACCT" split completion,
// vehicle updates and the out-of-memory abort.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "docs/workorder.h"
#include "oom.h"
#include "platform/console.h"
#include "scrub.h"
#include "splits.h"
#include "vehicles.h"

namespace {

ScrubOptions parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  ScrubOptions o;
  o.flush = true;  // cleared by the parse
  scrub_parse_args(static_cast<int>(argv.size()), argv.data(), &o);
  return o;
}

TEST(ScrubSwitches, MatchByTheirFullTextInAnyCaseAfterTheProgramName) {
  ScrubOptions o = parse({"/verbose/shop/velkscrub"});
  EXPECT_FALSE(o.verbose || o.flush || o.no_vin || o.vehicles || o.replace_customer || o.receiving_only);
  o = parse({"velkscrub", "/Flush", "/novinx", "/VEHICLES", "/replaceCUST", "/VERBOSE2", "/recvonly"});
  EXPECT_TRUE(o.flush && o.no_vin && o.vehicles && o.replace_customer && o.verbose && o.receiving_only);
  o = parse({"velkscrub", "/VERB", "-VERBOSE", "VERBOSE", "/RECV", "/flus"});
  EXPECT_FALSE(o.verbose || o.receiving_only || o.flush);
}

struct Split {
  int32_t date, amount;
  uint8_t type;
};

WorkorderTotals totals_with(int32_t closed, std::initializer_list<Split> splits) {
  WorkorderTotals t;
  std::memset(&t, 0, sizeof t);
  t.DateClosed = closed;
  for (int i = 0; i < 10; i++) t.SplitDate[i] = -1;
  int i = 0;
  for (const Split& s : splits) {
    t.SplitDate[i] = s.date;
    t.SplitAmount[i] = s.amount;
    t.SplitType[i] = s.type;
    i++;
  }
  return t;
}

std::vector<int32_t> dates(const WorkorderTotals& t) { return std::vector<int32_t>(t.SplitDate, t.SplitDate + 10); }

TEST(AccountSplits, ClosingDateGetsTheFirstEmptySplitAndDatesAreOrdered) {
  WorkorderTotals t = totals_with(300, {{200, 5, 1}, {100, 0, 2}, {150, 7, 3}});
  complete_account_splits(&t);
  // Split 2 (amount 0) took the closing date with type 0.
  EXPECT_EQ(dates(t), (std::vector<int32_t>{150, 200, 300, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(t.SplitAmount[0], 7);
  EXPECT_EQ(t.SplitType[0], 3);
  EXPECT_EQ(t.SplitType[2], 0);
}

TEST(AccountSplits, UndatedSplitsKeepTheirPlaces) {
  // The closing date is carried already: nothing is added, only the dated
  // splits move.
  WorkorderTotals t = totals_with(50, {{90, 1, 1}, {-1, 2, 2}, {50, 3, 3}, {70, 4, 4}});
  complete_account_splits(&t);
  EXPECT_EQ(dates(t), (std::vector<int32_t>{50, -1, 70, 90, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(t.SplitAmount[1], 2);
  EXPECT_EQ(t.SplitAmount[3], 1);
}

TEST(AccountSplits, NoEmptySplitAndClosingDateMinusOne) {
  WorkorderTotals t = totals_with(40, {});
  for (int i = 0; i < 10; i++) {
    t.SplitDate[i] = 10 - i;
    t.SplitAmount[i] = 1;
  }
  complete_account_splits(&t);  // no amount of 0: no new split
  EXPECT_EQ(dates(t), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  WorkorderTotals u = totals_with(-1, {{5, 1, 1}});
  complete_account_splits(&u);  // split 1 carries -1 already
  EXPECT_EQ(dates(u), (std::vector<int32_t>{5, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
}

VehicleRecord vehicle(const char* vin, const char* license, int32_t mileage, int32_t date) {
  VehicleRecord v;
  std::memset(&v, 0, sizeof v);
  std::strcpy(v.VIN, vin);
  std::strcpy(v.LicenseNumber, license);
  std::strcpy(v.Make, "MAKE");
  v.Mileage = mileage;
  v.Date = date;
  v.OrigMileage = mileage;
  v.OrigDate = date;
  v.next = -1;
  return v;
}

TEST(VehicleUpdate, LaterDataWinsButTheFirstMileageAndDateStay) {
  VehicleRecord stored = vehicle("VIN1", "LIC1", 5000, 200);
  stored.OrigMileage = 1000;
  stored.OrigDate = 100;
  stored.next = 397;
  VehicleRecord newer = vehicle("", "", 9000, 300);
  std::strcpy(newer.Make, "NEWMAKE");
  vehicle_update(&stored, newer);
  EXPECT_STREQ(stored.Make, "NEWMAKE");
  EXPECT_STREQ(stored.VIN, "VIN1");  // empty new VIN and licence keep the old
  EXPECT_STREQ(stored.LicenseNumber, "LIC1");
  EXPECT_EQ(stored.Mileage, 9000);
  EXPECT_EQ(stored.OrigMileage, 1000);
  EXPECT_EQ(stored.OrigDate, 100);
  EXPECT_EQ(stored.next, 397);

  VehicleRecord zero = vehicle("V", "L", 0, 0);  // no original values stored
  vehicle_update(&zero, vehicle("V2", "", 700, 50));
  EXPECT_EQ(zero.OrigMileage, 700);
  EXPECT_EQ(zero.OrigDate, 50);
  EXPECT_STREQ(zero.VIN, "V2");

  VehicleRecord same_day = vehicle("V", "L", 10, 50);
  vehicle_update(&same_day, vehicle("X", "Y", 99, 50));  // not later: unchanged
  EXPECT_STREQ(same_day.VIN, "V");
  EXPECT_EQ(same_day.Mileage, 10);
}

MemoryConsole* g_oom_console = nullptr;
void dump_transcript() { std::fputs(g_oom_console->transcript().c_str(), stderr); }

void run_out_of_memory(TableKind kind) {
  static MemoryConsole con;
  g_oom_console = &con;
  console_set(&con);
  std::atexit(dump_transcript);
  scrub_out_of_memory(kind);
}

TEST(OutOfMemory, TellsWhichTableAndEndsTheRun) {
  EXPECT_EXIT(run_out_of_memory(TableKind::purchase_orders), ::testing::ExitedWithCode(1),
              "VELKSCRB has run out of memory while trying to sort purchase orders!\r\n\r\n"
              "VELK cleanup and conversion is NOT complete!!!!!!\r\n\r\n"
              "You could try to increase the size of your swapfile...\r\n");
  EXPECT_EXIT(run_out_of_memory(TableKind::workorders), ::testing::ExitedWithCode(1),
              "trying to sort workorders!\r\n");
}

}  // namespace
