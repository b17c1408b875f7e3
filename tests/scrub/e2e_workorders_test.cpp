// velkscrub end to end on hand-made shops: the workorder index rebuild, the
// cleaning pass, follow-ups, vehicle links and the customer switches.
#include <gtest/gtest.h>

#include <cstring>

#include "db/bytes.h"
#include "docs/codes.h"
#include "e2e_support.h"
#include "scrub_fixture.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

const int32_t D1 = parse_date("01/15/2024");
const int32_t D2 = parse_date("02/20/2024");
const int32_t D3 = parse_date("03/25/2024");

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string take(Workorder wo) {
  std::string s = wo_text(wo);
  wo_free(&wo);
  return s;
}

int count_prefix(const std::vector<std::string>& names, const std::string& prefix) {
  int n = 0;
  for (const std::string& s : names) n += s.rfind(prefix, 0) == 0;
  return n;
}

std::string deleted_copy(const ScrubShop& shop, const std::string& prefix) {
  for (const std::string& n : shop.deleted_files())
    if (n.rfind(prefix, 0) == 0) return shop.read("DELETED/" + n);
  return "<none>";
}

class WorkorderShop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (today() <= 0) today_compute();
    shop.write("VKCSTDAT.DAT", encode_customers({make_customer(100, "SMITH", "JOHN", "555-0100"),
                                                 make_customer(200, "DOE", "JANE", "555-0200")}));
  }
  ScrubShop shop;
};

TEST_F(WorkorderShop, InvoicePassKeepsTheFirstOfEachNumberAndMarksThemPaid) {
  Workorder closed = new_workorder(10, WO_CLOSED, 100, "SMITH", "JOHN", D1);
  closed.totals.DateClosed = D2;
  std::string a = take(closed);
  std::string b = take(new_workorder(5, WO_OPEN, 200, "DOE", "JANE", D1));
  std::string void_doc = take(new_workorder(7, WO_VOID, 100, "SMITH", "JOHN", D1));
  std::string dup = take(new_workorder(10, WO_CLOSED, 200, "DOE", "JANE", D3));
  std::string zero = take(new_workorder(0, WO_CLOSED, 200, "DOE", "JANE", D3));
  // Rejected by the reader (a status word not in its table): carried as it is.
  std::string odd = take(new_workorder(12, WO_CLOSED, 100, "SMITH", "JOHN", D2));
  odd.replace(odd.find("Status=CLOSED "), 14, "Status=BOGUS  ");
  shop.write("VKINVOIC.DAT", a + b + void_doc + dup + zero + odd);

  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(r.output, "\r\nCleanup complete...!!!\r\n"));
  EXPECT_TRUE(contains(r.output, "Deleting duplicate WO: 00000010\r\n"));

  std::string invoices = shop.read("VKINVOIC.DAT");
  std::vector<StoredWo> docs = read_workorders(invoices);
  ASSERT_EQ(docs.size(), 3u);
  EXPECT_EQ(docs[0].wo.WorkorderNumber, 10u);
  EXPECT_EQ(docs[0].wo.Status, WO_PAID);
  EXPECT_EQ(docs[0].wo.totals.DatePaid, D2);  // no paid date: the closing date
  EXPECT_EQ(docs[1].wo.WorkorderNumber, 5u);
  EXPECT_EQ(docs[1].wo.Status, WO_PAID);
  EXPECT_EQ(docs[1].wo.totals.DatePaid, D1);  // neither: the opening date
  EXPECT_EQ(invoices.substr(static_cast<size_t>(docs[2].offset)), odd);
  EXPECT_FALSE(docs[2].whole);

  std::vector<WorkorderTag> tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].number, 5);
  EXPECT_EQ(tags[0].invoice_offset, docs[1].offset);
  EXPECT_EQ(tags[0].status, WO_PAID);
  EXPECT_STREQ(tags[0].name_key, "DOE,JANE");
  EXPECT_EQ(block_get(tags[0].totals, kWoBlockDatePaid), D1);
  EXPECT_EQ(tags[1].number, 10);
  EXPECT_EQ(tags[1].invoice_offset, 0);
  EXPECT_EQ(tags[2].number, 12);
  EXPECT_EQ(tags[2].invoice_offset, docs[2].offset);

  // The duplicate's copy holds its bytes as they stood in the invoice file.
  ASSERT_EQ(count_prefix(shop.deleted_files(), "W0000010_"), 1);
  EXPECT_EQ(deleted_copy(shop, "W0000010_"), dup);
  std::string log = shop.read("VELKSCRB.LOG");
  EXPECT_TRUE(contains(log, "Deleting duplicate WO: 00000010 - DOE,JANE  (saved in ./DELETED)\r\n"));
  EXPECT_TRUE(contains(log, "0000012 could not be read whole"));
  free_workorders(&docs);
}

TEST_F(WorkorderShop, OpenDocumentsAreIndexedListedAndCleaned) {
  shop.write("VKINVOIC.DAT", take(new_workorder(5, WO_CLOSED, 100, "SMITH", "JOHN", D1)));
  std::string also_invoiced = take(new_workorder(5, WO_OPEN, 100, "SMITH", "JOHN", D2));
  std::string void_open = take(new_workorder(21, WO_VOID, 100, "SMITH", "JOHN", D2));
  std::string no_number = take(new_workorder(0, WO_OPEN, 100, "SMITH", "JOHN", D2));
  shop.write("W0000005.DKT", also_invoiced);
  shop.write("W0000020.DKT", take(new_workorder(20, WO_OPEN, 200, "DOE", "JANE", D2)));
  shop.write("W0000021.DKT", void_open);
  shop.write("W0000022.DKT", no_number);
  shop.write("VKOPENWO.DAT", std::string(3 * kOpenWorkorderEntrySize, '\x55'));  // stale

  ScrubRun r = shop.run({"/flush"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(r.output, "Deleted...\r\n"));

  std::vector<std::string> files = shop.data_files();
  EXPECT_EQ(count_prefix(files, "W"), 1);
  EXPECT_TRUE(shop.exists("W0000020.DKT"));
  EXPECT_EQ(deleted_copy(shop, "W0000005_"), also_invoiced);
  EXPECT_EQ(deleted_copy(shop, "W0000021_"), void_open);
  EXPECT_EQ(deleted_copy(shop, "W0000022_"), no_number);

  std::vector<WorkorderTag> tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].number, 5);
  EXPECT_EQ(tags[0].invoice_offset, 0);  // the invoiced one wins
  EXPECT_EQ(tags[1].number, 20);
  EXPECT_EQ(tags[1].invoice_offset, -1);

  // The list was built in directory order; the deleted document's entry is
  // blanked, the void and numberless ones never got one.
  std::string list = shop.read("VKOPENWO.DAT");
  ASSERT_EQ(list.size(), 2 * kOpenWorkorderEntrySize);
  EXPECT_EQ(list.substr(0, kOpenWorkorderEntrySize), std::string(kOpenWorkorderEntrySize, '\0'));
  std::vector<OpenWorkorderEntry> entries = decode_open_workorders(list);
  EXPECT_EQ(entries[1].tag.number, 20);
  EXPECT_STREQ(entries[1].file_name, "W0000020.DKT");
  EXPECT_STREQ(entries[1].tag.name_key, "DOE,JANE");
}

TEST_F(WorkorderShop, NotesKeepEveryLineThroughTheRewrites) {
  const std::string note = "CALL BEFORE FIVE\r\nSECOND LINE\r\n\r\n  [PARTS ON ORDER]\r\nLAST LINE";
  Workorder stored = new_workorder(5, WO_CLOSED, 100, "SMITH", "JOHN", D1);
  Workorder open = new_workorder(20, WO_OPEN, 200, "DOE", "JANE", D2);
  PurchaseOrder order = new_purchase_order(50, WO_CLOSED, "PARTS HOUSE", "INV50", D1);
  stored.notes = strdup(note.c_str());
  open.notes = strdup(note.c_str());
  order.notes = strdup(note.c_str());
  shop.write("VKINVOIC.DAT", take(stored));
  shop.write("W0000020.DKT", take(open));
  shop.write("VKPURCHA.DAT", po_text(order));
  po_free(&order);

  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string kept = "[Notes]\r\n" + note + "\r\n\r\n";
  EXPECT_TRUE(contains(shop.read("VKINVOIC.DAT"), "Status=PAID"));  // rewritten
  for (const char* name : {"VKINVOIC.DAT", "W0000020.DKT", "VKPURCHA.DAT"})
    EXPECT_TRUE(contains(shop.read(name), kept)) << name << ":\n" << shop.read(name);
}

TEST_F(WorkorderShop, OnAccountSplitsAreCompletedAndOrdered) {
  Workorder wo = new_workorder(30, WO_ON_ACCT, 100, "SMITH", "JOHN", D1);
  wo.totals.DateClosed = D3;
  wo.totals.PaymentMethod = PAY_SPLIT;
  wo.totals.SplitDate[0] = D2;
  wo.totals.SplitAmount[0] = 300;
  wo.totals.SplitType[0] = 2;
  wo.totals.SplitDate[1] = D1;
  wo.totals.SplitAmount[1] = 200;
  wo.totals.SplitType[1] = 3;
  shop.write("W0000030.DKT", take(wo));
  // Closing date -1 is carried by the unused splits: nothing is added.
  Workorder open = new_workorder(31, WO_ON_ACCT, 100, "SMITH", "JOHN", D1);
  open.totals.PaymentMethod = PAY_SPLIT;
  open.totals.SplitDate[3] = D2;
  open.totals.SplitAmount[3] = 700;
  shop.write("W0000031.DKT", take(open));

  ASSERT_EQ(shop.run().status, 0);
  Workorder got = parse_workorder(shop.read("W0000030.DKT"));
  EXPECT_EQ(got.totals.SplitDate[0], D1);
  EXPECT_EQ(got.totals.SplitAmount[0], 200);
  EXPECT_EQ(got.totals.SplitType[0], 3);
  EXPECT_EQ(got.totals.SplitDate[1], D2);
  EXPECT_EQ(got.totals.SplitAmount[1], 300);
  EXPECT_EQ(got.totals.SplitDate[2], D3);
  EXPECT_EQ(got.totals.SplitAmount[2], 0);
  EXPECT_EQ(got.totals.SplitType[2], 0);
  for (int i = 3; i < 10; i++) EXPECT_EQ(got.totals.SplitDate[i], -1);
  wo_free(&got);
  got = parse_workorder(shop.read("W0000031.DKT"));
  for (int i = 0; i < 10; i++) EXPECT_EQ(got.totals.SplitDate[i], i == 3 ? D2 : -1);
  wo_free(&got);
}

TEST_F(WorkorderShop, FollowupsOfAcceptedWorkordersWithTheirPositions) {
  const int32_t soon = today() + 100, later = today() + 10, old = today() - 40;
  Workorder a = new_workorder(40, WO_CLOSED, 100, "SMITH", "JOHN", D1);
  set_vehicle(&a, "FORD", "RANGER", "1992", "VIN40", "LIC40", 85000);
  add_labor(&a, 10, "LUBE, OIL AND FILTER", 3000, soon);
  add_labor(&a, 11, "TIRE ROTATION", 0, old);    // long past: no record, position still counts
  add_labor(&a, 12, "CHECK BELTS", 5000, 0);     // no due date: no record
  add_labor(&a, 13, "NO FOLLOW-UP", 0, 0);       // not a candidate
  add_labor(&a, 14, std::string(600, 'X').c_str(), 0, later);
  Workorder dup = new_workorder(40, WO_CLOSED, 100, "SMITH", "JOHN", D1);
  add_labor(&dup, 15, "DUPLICATE", 0, soon);     // duplicates give no follow-ups
  Workorder open = new_workorder(41, WO_OPEN, 200, "DOE", "JANE", 0);
  add_labor(&open, 16, "OPEN JOB", 100, soon);
  shop.write("VKINVOIC.DAT", take(a) + take(dup));
  shop.write("W0000041.DKT", take(open));
  shop.write("VKFOLLOW.DAT", std::string(10 * kFollowupRecordSize, '\x11'));  // old reminders

  ASSERT_EQ(shop.run().status, 0);
  std::vector<FollowupRecord> f = decode_followups(shop.read("VKFOLLOW.DAT"));
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(shop.read("VKFOLLOW.DAT").size(), 3 * kFollowupRecordSize);
  EXPECT_EQ(f[0].position, 0);
  EXPECT_EQ(f[0].active, 1);
  EXPECT_EQ(f[0].customer_number, 100);
  EXPECT_STREQ(f[0].VIN, "VIN40");
  EXPECT_STREQ(f[0].LicenseNumber, "LIC40");
  EXPECT_EQ(f[0].date, D1);
  EXPECT_EQ(f[0].workorder_number, 40);
  EXPECT_EQ(f[0].due_date, soon);
  EXPECT_EQ(f[0].due_mileage, 88000);
  // The text as the reader gives it back: up to the eighth tab the writer
  // put in front of the follow-up columns.
  EXPECT_STREQ(f[0].text, "LUBE, OIL AND FILTER\t\t\t\t\t\t\t");
  EXPECT_EQ(f[0].code, 10);
  EXPECT_EQ(f[0].amount, 6750);
  EXPECT_EQ(f[1].position, 3 * 596);
  EXPECT_EQ(f[1].code, 14);
  EXPECT_EQ(std::strlen(f[1].text), 512u);  // cut to fit with its NUL
  EXPECT_EQ(f[2].position, 4 * 596);
  EXPECT_EQ(f[2].workorder_number, 41);
  EXPECT_EQ(f[2].date, today());  // no opening date: today
  // The bytes after each text's NUL are zero.
  std::string bytes = shop.read("VKFOLLOW.DAT");
  size_t text_end = 59 + std::strlen(f[0].text);
  EXPECT_EQ(bytes.substr(text_end, 513 - (text_end - 59)), std::string(513 - (text_end - 59), '\0'));
}

class VehicleShop : public WorkorderShop {
 protected:
  void SetUp() override {
    WorkorderShop::SetUp();
    Workorder w1 = new_workorder(1, WO_CLOSED, 100, "SMITH", "JOHN", D1);
    set_vehicle(&w1, "HONDA", "CIVIC", "2001", "V1", "", 1000);
    Workorder w2 = new_workorder(2, WO_CLOSED, 100, "SMITH", "JOHN", D2);
    set_vehicle(&w2, "HONDA", "CIVIC", "2001", "V1", "L2", 5000);
    Workorder w3 = new_workorder(3, WO_CLOSED, 100, "SMITH", "JOHN", D2);
    set_vehicle(&w3, "FORD", "F150", "1999", "", "", 70000);
    Workorder w4 = new_workorder(4, WO_CLOSED, 100, "SMITH", "JOHN", D1);
    set_vehicle(&w4, "FORD", "F150", "1999", "", "", 60000);
    Workorder w5 = new_workorder(6, WO_CLOSED, 100, "SMITH", "JOHN", D3);  // no vehicle
    Workorder w6 = new_workorder(7, WO_CLOSED, 999, "NOBODY", "KNOWN", D3);
    w6.customer.Phone1[0] = 'x';  // not matchable: never linked
    set_vehicle(&w6, "KIA", "RIO", "2010", "V9", "", 10);
    shop.write("VKINVOIC.DAT", take(w1) + take(w2) + take(w3) + take(w4) + take(w5) + take(w6));
    shop.write("VKVEHICL.DAT", std::string(5 * kVehicleRecordSize, '\x22'));
  }
};

TEST_F(VehicleShop, VehiclesAreRebuiltFromTheWorkorders) {
  ASSERT_EQ(shop.run({"/VEHICLES"}).status, 0);
  std::vector<VehicleRecord> v = decode_vehicles(shop.read("VKVEHICL.DAT"));
  ASSERT_EQ(v.size(), 2u);
  std::vector<CustomerRecord> c = decode_customers(shop.read("VKCSTDAT.DAT"));
  EXPECT_EQ(c[0].vehicle_head, static_cast<int32_t>(kVehicleRecordSize));  // newest added first
  EXPECT_EQ(c[1].vehicle_head, -1);
  EXPECT_EQ(v[1].next, 0);
  EXPECT_EQ(v[0].next, -1);
  // Same VIN, later date: the stored vehicle takes the new data but keeps
  // the first mileage and date.
  EXPECT_STREQ(v[0].VIN, "V1");
  EXPECT_STREQ(v[0].LicenseNumber, "L2");
  EXPECT_EQ(v[0].Mileage, 5000);
  EXPECT_EQ(v[0].Date, D2);
  EXPECT_EQ(v[0].OrigMileage, 1000);
  EXPECT_EQ(v[0].OrigDate, D1);
  EXPECT_EQ(v[0].owner, 100u);
  // An earlier workorder of the same car leaves it as it was.
  EXPECT_STREQ(v[1].Make, "FORD");
  EXPECT_EQ(v[1].Mileage, 70000);
  EXPECT_EQ(v[1].Date, D2);
  EXPECT_EQ(v[1].OrigMileage, 70000);
}

TEST_F(VehicleShop, WithoutVinMatchingTheSameVinMakesTwoVehicles) {
  ScrubRun r = shop.run({"/VEHICLES", "/NOVIN"});
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.output, "No VIN matching enabled...\r\n"));
  std::vector<VehicleRecord> v = decode_vehicles(shop.read("VKVEHICL.DAT"));
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].Mileage, 1000);
  EXPECT_EQ(v[1].Mileage, 5000);
  EXPECT_EQ(decode_customers(shop.read("VKCSTDAT.DAT"))[0].vehicle_head, 2 * static_cast<int32_t>(kVehicleRecordSize));
}

TEST_F(VehicleShop, WithoutTheRebuildVehiclesAndCustomersAreUntouched) {
  std::string vehicles = shop.read("VKVEHICL.DAT"), customers = shop.read("VKCSTDAT.DAT");
  ASSERT_EQ(shop.run().status, 0);
  EXPECT_EQ(shop.read("VKVEHICL.DAT"), vehicles);
  EXPECT_EQ(shop.read("VKCSTDAT.DAT"), customers);
}

TEST_F(WorkorderShop, ReplaceCustomerAndVerboseLog) {
  write_settings(shop);
  std::vector<CustomerRecord> customers = {make_customer(100, "SMITH", "JOHN", "555-0100")};
  field_set(customers[0].Address, sizeof customers[0].Address, "1 MAIN ST");
  shop.write("VKCSTDAT.DAT", encode_customers(customers));
  Workorder wo = new_workorder(50, WO_CLOSED, 100, "SMITH", "JOHNNY", D1);
  field_set(wo.customer.Address, sizeof wo.customer.Address, "OLD ADDRESS");
  shop.write("VKINVOIC.DAT", take(wo));
  shop.write("W0000051.DKT", take(new_workorder(51, WO_OPEN, 100, "SMITH", "JOHNNY", D1)));

  ASSERT_EQ(shop.run().status, 0);
  Workorder got = parse_workorder(shop.read("VKINVOIC.DAT"));
  EXPECT_STREQ(got.customer.Address, "OLD ADDRESS");
  wo_free(&got);
  EXPECT_FALSE(shop.exists("VELKSCRB.LOG"));  // nothing worth a line without /VERBOSE

  ASSERT_EQ(shop.run({"/replacecust", "/VERBOSEXYZ"}).status, 0);
  got = parse_workorder(shop.read("VKINVOIC.DAT"));
  EXPECT_STREQ(got.customer.Address, "1 MAIN ST");
  EXPECT_STREQ(got.customer.Firstname, "JOHN");
  wo_free(&got);
  got = parse_workorder(shop.read("W0000051.DKT"));
  EXPECT_STREQ(got.customer.Firstname, "JOHN");
  wo_free(&got);
  EXPECT_EQ(decode_workorder_tags(shop.read("VKINCTAG.DAT"))[0].name_key, std::string("SMITH,JOHN"));
  EXPECT_EQ(shop.read("VELKSCRB.LOG"),
            "0000050 (Cust=0000100) SMITH,JOHNNY                             matched by lastname [SMITH,JOHNNY SMITH,JOHN]\r\n"
            "0000051 (Cust=0000100) SMITH,JOHNNY                             matched by lastname [SMITH,JOHNNY SMITH,JOHN]\r\n");
  // An argument holding only the start of a switch is none of them.
  ScrubRun r = shop.run({"/VERB"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind("\r\nUnknown switch /VERB...", 0), 0u) << r.output;
}

// Damage a run mends is said on the console and in the log: index entries
// past the end of a document file cut short, and a settings file made again
// from the defaults in a shop that holds workorders. A sound shop hears of
// neither.
TEST_F(WorkorderShop, CutDocumentFilesAndAMissingSettingsFileAreReported) {
  write_settings(shop);
  std::string invoices, orders;
  for (uint32_t n : {10u, 11u, 12u}) {
    invoices += take(new_workorder(n, WO_CLOSED, 100, "SMITH", "JOHN", D1));
    PurchaseOrder po = new_purchase_order(n, WO_CLOSED, "VENDOR", "1", D1);
    orders += po_text(po);
    po_free(&po);
  }
  shop.write("VKINVOIC.DAT", invoices);
  shop.write("VKPURCHA.DAT", orders);
  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(contains(r.output, "pointed past") || contains(r.output, "VKSYSTEM.DAT was"))
      << r.output;

  std::vector<WorkorderTag> tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  std::vector<PurchaseOrderTag> po_tags = decode_purchase_order_tags(shop.read("VKPURTAG.DAT"));
  ASSERT_TRUE(tags.size() == 3 && po_tags.size() == 3);
  shop.write("VKINVOIC.DAT", shop.read("VKINVOIC.DAT").substr(0, tags[1].invoice_offset));
  shop.write("VKPURCHA.DAT", shop.read("VKPURCHA.DAT").substr(0, po_tags[2].order_offset));
  shop.remove("VKSYSTEM.DAT");
  r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  std::string log = shop.read("VELKSCRB.LOG");
  for (const char* line :
       {"VKSYSTEM.DAT was missing or empty: the default settings were written\r\n",
        "Check the next numbers: workorder 5000, estimate 100, purchase order 1000,\r\n",
        "customer 5000, employee 10 (velkconf, Other System Parameters)\r\n",
        "2 entries of VKINCTAG.DAT pointed past the end of VKINVOIC.DAT and were dropped\r\n",
        "1 entry of VKPURTAG.DAT pointed past the end of VKPURCHA.DAT and was dropped\r\n"})
    EXPECT_TRUE(contains(r.output, line) && contains(log, line)) << line << r.output << log;
  EXPECT_EQ(shop.read("VKSYSTEM.DAT").size(), kSettingsRecordSize);
}

}  // namespace
