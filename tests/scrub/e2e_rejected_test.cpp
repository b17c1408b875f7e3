// velkscrub end to end on hand-made shops holding documents the reader gives
// up on: cut short by the end of their file, rejected after their header, or
// not documents at all.
#include <gtest/gtest.h>

#include <set>

#include "docs/codes.h"
#include "e2e_support.h"
#include "scrub_fixture.h"
#include "ui/dates.h"

namespace {

const int32_t D1 = parse_date("01/15/2024");

std::string take(Workorder wo) {
  std::string s = wo_text(wo);
  wo_free(&wo);
  return s;
}

std::string take(PurchaseOrder po) {
  std::string s = po_text(po);
  po_free(&po);
  return s;
}

// The document's text up to and with its parts header: the reader gives up
// on it (its part lines run into the end of the text), and no NUL follows.
std::string cut_after_parts_header(const std::string& text) {
  return text.substr(0, text.find("[Parts]\r\n") + 9);
}

const std::string kNul(1, '\0');

std::multiset<std::string> log_lines(const std::string& log) {
  std::multiset<std::string> lines;
  size_t from = 0;
  for (size_t at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.insert(log.substr(from, at - from));
  EXPECT_EQ(from, log.size()) << "the log ends inside a line";
  return lines;
}

class RejectedShop : public ::testing::Test {
 protected:
  void SetUp() override {
    shop.write("VKCSTDAT.DAT", encode_customers({make_customer(100, "SMITH", "JOHN", "555-0100")}));
  }
  ScrubShop shop;
};

// A stored document the file's end cut short is carried with the NUL it
// lacks, so that the next document the shop appends is read as its own.
TEST_F(RejectedShop, ADocumentCutShortByTheEndOfItsFileGetsItsNul) {
  const std::string cut_wo = cut_after_parts_header(take(new_workorder(2, WO_CLOSED, 100, "SMITH", "JOHN", D1)));
  shop.write("VKINVOIC.DAT", take(new_workorder(1, WO_CLOSED, 100, "SMITH", "JOHN", D1)) + cut_wo);
  const std::string cut_po = cut_after_parts_header(take(new_purchase_order(2, WO_CLOSED, "V", "9", D1)));
  shop.write("VKPURCHA.DAT", take(new_purchase_order(1, WO_CLOSED, "V", "9", D1)) + cut_po);

  ASSERT_EQ(shop.run().status, 0);
  const std::string invoices = shop.read("VKINVOIC.DAT");
  std::vector<WorkorderTag> tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(invoices.substr(static_cast<size_t>(tags[1].invoice_offset)), cut_wo + kNul);
  const std::string orders = shop.read("VKPURCHA.DAT");
  std::vector<PurchaseOrderTag> po_tags = decode_purchase_order_tags(shop.read("VKPURTAG.DAT"));
  ASSERT_EQ(po_tags.size(), 2u);
  EXPECT_EQ(orders.substr(static_cast<size_t>(po_tags[1].order_offset)), cut_po + kNul);

  // The shop stores one more document of each kind after it.
  shop.write("VKINVOIC.DAT", invoices + take(new_workorder(3, WO_CLOSED, 100, "SMITH", "JOHN", D1)));
  shop.write("VKPURCHA.DAT", orders + take(new_purchase_order(3, WO_CLOSED, "V", "9", D1)));
  ASSERT_EQ(shop.run().status, 0);
  tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[2].number, 3);
  EXPECT_EQ(tags[2].invoice_offset, static_cast<int32_t>(invoices.size()));
  po_tags = decode_purchase_order_tags(shop.read("VKPURTAG.DAT"));
  ASSERT_EQ(po_tags.size(), 3u);
  EXPECT_EQ(po_tags[2].order_offset, static_cast<int32_t>(orders.size()));
}

// An open document rejected after its header and number goes by its number:
// 0 or less is saved and deleted, and its old list entry dropped. Only a
// file without the header or the number is kept (with the entry it had), and
// the log names it once, each event on a line of its own.
TEST_F(RejectedShop, OpenDocumentsRejectedAfterTheirNumberGoByIt) {
  std::string negative = take(new_workorder(700, WO_OPEN, 100, "SMITH", "JOHN", D1));
  negative.replace(negative.find("WorkorderNumber=000700"), 22, "WorkorderNumber=-5");
  negative.replace(negative.find("Pricing="), 8, "Pricing=BOGUS");
  std::string zero = take(new_workorder(701, WO_OPEN, 100, "SMITH", "JOHN", D1));
  zero.replace(zero.find("WorkorderNumber=000701"), 22, "WorkorderNumber=0");
  zero.replace(zero.find("Status="), 7, "Status=BOGUS");
  const std::string garbage = "not a workorder at all";
  const std::string no_number = "[Workorder]\r\nStatus=BOGUS\r\n";
  shop.write("W0000700.DKT", negative);
  shop.write("W0000701.DKT", zero);
  shop.write("W0000710.DKT", garbage);
  shop.write("W0000711.DKT", no_number);
  std::string old_list;
  for (int32_t number : {700, 701, 710}) {
    WorkorderTag tag;
    workorder_tag_clear(&tag);
    tag.number = number;
    OpenWorkorderEntry e;
    open_workorder_make(tag, &e);
    uint8_t bytes[kOpenWorkorderEntrySize];
    open_workorder_encode(e, bytes);
    old_list.append(reinterpret_cast<char*>(bytes), sizeof bytes);
  }
  shop.write("VKOPENWO.DAT", old_list);
  write_settings(shop);

  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(shop.exists("W0000700.DKT"));
  EXPECT_FALSE(shop.exists("W0000701.DKT"));
  std::vector<std::string> copies = shop.deleted_files();
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0].substr(0, 9), "W0000700_");  // named after the file
  EXPECT_EQ(shop.read("DELETED/" + copies[0]), negative);
  EXPECT_EQ(copies[1].substr(0, 9), "W0000701_");
  EXPECT_EQ(shop.read("DELETED/" + copies[1]), zero);
  EXPECT_EQ(shop.read("W0000710.DKT"), garbage);
  EXPECT_EQ(shop.read("W0000711.DKT"), no_number);
  EXPECT_EQ(shop.read("VKOPENWO.DAT"), old_list.substr(2 * kOpenWorkorderEntrySize));
  EXPECT_EQ(log_lines(shop.read("VELKSCRB.LOG")),
            (std::multiset<std::string>{"W0000710.DKT could not be read: kept as it was",
                                        "W0000711.DKT could not be read: kept as it was"}));
}

// A rejected document whose customer section was read is matched: the match
// links its vehicle (its vehicle section was read) and, with the replace
// option, gives its follow-ups the matched customer, while its bytes and its
// index entry keep the customer as read. One rejected before its customer
// section is indexed as read and not matched.
TEST_F(RejectedShop, RejectedWorkordersKeepTheirRemindersAndVehicles) {
  const int32_t due = today() + 60;
  auto rejected_in_labor = [&](uint32_t number, int status, const char* vin) {
    Workorder wo = new_workorder(number, status, 777, "SMITH", "JOHN", D1);  // 777: no such number
    set_vehicle(&wo, "FORD", "RANGER", "1992", vin, "", 85000);
    add_labor(&wo, 10, "LUBE", 3000, due);
    std::string text = take(wo);
    return text.substr(0, text.find("[Sublets]")) + kNul;  // its labor lines run into the end
  };
  const std::string stored = rejected_in_labor(40, WO_CLOSED, "VIN40");
  Workorder bad = new_workorder(41, WO_CLOSED, 100, "SMITH", "JOHN", D1);
  set_vehicle(&bad, "KIA", "RIO", "2010", "VIN41", "", 10);
  std::string bad_status = take(bad);
  bad_status.replace(bad_status.find("Status=CLOSED "), 14, "Status=BOGUS  ");
  shop.write("VKINVOIC.DAT", stored + bad_status);
  const std::string open = rejected_in_labor(50, WO_OPEN, "VIN50");
  shop.write("W0000050.DKT", open);

  ScrubRun r = shop.run({"/VEHICLES", "/REPLACECUST", "/VERBOSE"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(shop.read("VKINVOIC.DAT"), stored + bad_status);
  EXPECT_EQ(shop.read("W0000050.DKT"), open);
  std::vector<WorkorderTag> tags = decode_workorder_tags(shop.read("VKINCTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  for (int i : {0, 2}) {
    EXPECT_EQ(tags[i].customer_number, 777);
    EXPECT_STREQ(tags[i].name_key, "SMITH,JOHN");
  }
  EXPECT_EQ(tags[1].customer_number, 0);  // nothing of its customer was read

  std::vector<FollowupRecord> f = decode_followups(shop.read("VKFOLLOW.DAT"));
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].workorder_number, 40);
  EXPECT_EQ(f[1].workorder_number, 50);
  EXPECT_EQ(f[1].position, static_cast<int32_t>(kFollowupRecordSize));
  for (const FollowupRecord& one : f) {
    EXPECT_EQ(one.customer_number, 100);
    EXPECT_EQ(one.due_date, due);
    EXPECT_EQ(one.due_mileage, 88000);
  }
  std::vector<VehicleRecord> v = decode_vehicles(shop.read("VKVEHICL.DAT"));
  ASSERT_EQ(v.size(), 2u);
  EXPECT_STREQ(v[0].VIN, "VIN40");
  EXPECT_STREQ(v[1].VIN, "VIN50");
  for (const VehicleRecord& one : v) EXPECT_EQ(one.owner, 100u);
  EXPECT_EQ(decode_customers(shop.read("VKCSTDAT.DAT"))[0].vehicle_head,
            static_cast<int32_t>(kVehicleRecordSize));
  EXPECT_EQ(shop.read("VELKSCRB.LOG").find("0000041 (Cust="), std::string::npos);  // not matched
}

}  // namespace
