// velkscrub end to end: the purchase-order index, the open-order list and the
// receiving rebuild.
#include <gtest/gtest.h>

#include "db/bytes.h"
#include "docs/codes.h"
#include "e2e_support.h"
#include "ui/dates.h"

namespace {

const int32_t D1 = parse_date("01/15/2024");
const int32_t D2 = parse_date("02/20/2024");

std::string take(PurchaseOrder po) {
  std::string s = po_text(po);
  po_free(&po);
  return s;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PurchaseShop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (today() <= 0) today_compute();
    InventoryRecord gone = new_item("DDD", "DELETED ITEM");
    gone.deleted = 1;
    shop.write("VKINVENT.DAT", encode_items({new_item("AAA", "ITEM A"), new_item("BBB", "ITEM B"),
                                             new_item("CCC", "ITEM C"), gone}));
    PurchaseOrder p50 = new_purchase_order(50, WO_PAID, "PARTS HOUSE", "INV50", D1);
    add_po_part(&p50, "AAA", 1, 2, 100);
    add_po_part(&p50, "ZZZ", 1, 1, 5);  // not in inventory
    PurchaseOrder p60 = new_purchase_order(60, WO_VOID, "PARTS HOUSE", "INV60", D1);
    add_po_part(&p60, "BBB", 9, 9, 900);
    PurchaseOrder p50b = new_purchase_order(50, WO_CLOSED, "OTHER HOUSE", "INV50B", D2);
    add_po_part(&p50b, "CCC", 3, 3, 300);
    add_po_part(&p50b, "DDD", 3, 3, 300);
    PurchaseOrder p70 = new_purchase_order(70, WO_CLOSED, "A VENDOR WITH A NAME LONGER THAN THIRTY-ONE", "0", D2);
    add_po_part(&p70, "AAA ", 4, 5, 400);  // trailing blanks are not part of the key
    stored = take(p50) + take(p60) + take(p50b) + take(p70);
    shop.write("VKPURCHA.DAT", stored);
    PurchaseOrder i80 = new_purchase_order(80, WO_OPEN, "OPEN VENDOR", "X", D2);
    add_po_part(&i80, "AAA", 6, 0, 600);
    shop.write("I0000080.DKT", take(i80));
    PurchaseOrder i90 = new_purchase_order(90, WO_VOID, "VOID VENDOR", "Y", D2);
    add_po_part(&i90, "BBB", 7, 0, 700);
    void_open = take(i90);
    shop.write("I0000090.DKT", void_open);
    also_stored = take(new_purchase_order(50, WO_OPEN, "PARTS HOUSE", "Z", D2));
    shop.write("I0000050.DKT", also_stored);
    shop.write("VKRCVLOG.DAT", std::string(5 * kReceivingRecordSize, '\x33'));
    shop.write("AU000001.$$$", "temporary");
  }
  ScrubShop shop;
  std::string stored, void_open, also_stored;
};

TEST_F(PurchaseShop, IndexListAndOpenDocuments) {
  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(r.output, "Rebuilding Purchase Order tag file...\r\n"));
  EXPECT_TRUE(contains(r.output, "Deleted : 000050\r\n"));
  EXPECT_TRUE(contains(r.output, "Deleted : 000090\r\n"));

  // Both orders numbered 50 stay in the file; the void one is gone.
  std::string orders = shop.read("VKPURCHA.DAT");
  size_t second = orders.find("PONumber=000050", orders.find("PONumber=000050") + 1);
  EXPECT_NE(second, std::string::npos);
  EXPECT_FALSE(contains(orders, "PONumber=000060"));

  std::vector<PurchaseOrderTag> tags = decode_purchase_order_tags(shop.read("VKPURTAG.DAT"));
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].number, 50);
  EXPECT_EQ(tags[0].order_offset, 0);  // the first of the two
  EXPECT_STREQ(tags[0].vendor, "PARTS HOUSE");
  EXPECT_STREQ(tags[0].VendorInvoiceNumber, "INV50");
  EXPECT_EQ(tags[0].status, WO_PAID);
  EXPECT_EQ(block_get(tags[0].totals, kPoBlockDateOpen), D1);
  EXPECT_EQ(tags[1].number, 70);
  EXPECT_STREQ(tags[1].vendor, "A VENDOR WITH A NAME LONGER THA");  // cut to its field
  EXPECT_EQ(tags[2].number, 80);
  EXPECT_EQ(tags[2].order_offset, -1);
  EXPECT_EQ(block_get(tags[2].totals, kPoBlockDateOpen), -1);
  EXPECT_EQ(tags[2].vendor[0], 0);

  std::vector<OpenPurchaseOrderEntry> list = decode_open_purchase_orders(shop.read("VKOPENPO.DAT"));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].tag.number, 80);
  EXPECT_STREQ(list[0].file_name, "I0000080.DKT");
  EXPECT_EQ(block_get(list[0].tag.totals, kPoBlockDatePaid), -1);

  EXPECT_TRUE(shop.exists("I0000080.DKT"));
  EXPECT_FALSE(shop.exists("I0000050.DKT"));
  EXPECT_FALSE(shop.exists("I0000090.DKT"));
  std::vector<std::string> saved = shop.deleted_files();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].substr(0, 9), "I0000050_");
  EXPECT_EQ(shop.read("DELETED/" + saved[0]), also_stored);
  EXPECT_EQ(shop.read("DELETED/" + saved[1]), void_open);
}

TEST_F(PurchaseShop, ReceivingChainsRunFromTheLastOrderPostedToTheFirst) {
  ASSERT_EQ(shop.run().status, 0);
  std::vector<ReceivingRecord> log = decode_receiving(shop.read("VKRCVLOG.DAT"));
  // Posted: 50 (AAA), 50 again (CCC), 70 (AAA), then open 80 (AAA); void 60
  // and the parts not in inventory (ZZZ) or deleted from it (DDD) are not.
  ASSERT_EQ(log.size(), 4u);
  EXPECT_STREQ(log[0].stock_number, "AAA                 ");  // as the order line holds it
  EXPECT_EQ(log[0].po_number, 50);
  EXPECT_EQ(log[0].quantity_1, 1);
  EXPECT_EQ(log[0].quantity_2, 2);
  EXPECT_EQ(log[0].amount, 100);
  EXPECT_EQ(log[0].date, D1);
  EXPECT_STREQ(log[0].vendor, "PARTS HOUSE");
  EXPECT_STREQ(log[0].vendor_invoice_number, "INV50");
  EXPECT_EQ(log[0].next, -1);
  EXPECT_STREQ(log[1].stock_number, "CCC                 ");
  EXPECT_EQ(log[1].next, -1);
  EXPECT_EQ(log[2].po_number, 70);
  EXPECT_STREQ(log[2].vendor_invoice_number, "");  // "0" is not copied
  EXPECT_STREQ(log[2].vendor, "A VENDOR WITH A NAME LONGER THA");
  EXPECT_EQ(log[2].next, 0);
  EXPECT_EQ(log[3].po_number, 80);
  EXPECT_EQ(log[3].next, 2 * static_cast<int32_t>(kReceivingRecordSize));

  std::vector<InventoryRecord> items = decode_items(shop.read("VKINVENT.DAT"));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].receiving_head, 3 * static_cast<int32_t>(kReceivingRecordSize));
  EXPECT_EQ(items[1].receiving_head, -1);
  EXPECT_EQ(items[2].receiving_head, static_cast<int32_t>(kReceivingRecordSize));
  EXPECT_EQ(items[3].receiving_head, -1);  // deleted item: reset, never posted

  std::string index = shop.read("VKINVTAG.DAT");
  ASSERT_EQ(index.size(), 3 * kInventoryTagSize);
  InventoryTag t;
  inventory_tag_decode(reinterpret_cast<const uint8_t*>(index.data()) + 2 * kInventoryTagSize, &t);
  EXPECT_STREQ(t.stock_number, "CCC");
  EXPECT_EQ(t.record_offset, 2 * static_cast<int32_t>(kInventoryRecordSize));
  EXPECT_FALSE(shop.exists("AU000001.$$$"));
}

TEST_F(PurchaseShop, ReceivingOnlyTouchesNothingElseAndPostsVoidOpenOrders) {
  shop.write("VKINVOIC.DAT", "not even a document");
  shop.write("VKVEHICL.DAT", std::string(kVehicleRecordSize, '\x44'));
  std::map<std::string, std::string> before = shop.snapshot();
  ScrubRun r = shop.run({"/recvonly", "/VEHICLES"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(contains(r.output, "\r\nRebuilding Inventory Receiving...\r\n"));
  EXPECT_FALSE(contains(r.output, "Clearing Vehicle links"));
  std::map<std::string, std::string> after = shop.snapshot();
  for (const auto& [name, bytes] : before) {
    if (name == "VKINVENT.DAT" || name == "VKINVTAG.DAT" || name == "VKRCVLOG.DAT" || name == "VKSYSTEM.DAT" ||
        name == "AU000001.$$$")
      continue;
    EXPECT_EQ(after[name], bytes) << name;
  }
  EXPECT_FALSE(after.count("VKINCTAG.DAT"));
  EXPECT_FALSE(after.count("VKFOLLOW.DAT"));
  // The open orders are all still there, the void one posted with them.
  std::vector<ReceivingRecord> log = decode_receiving(shop.read("VKRCVLOG.DAT"));
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3].po_number, 80);
  EXPECT_EQ(log[4].po_number, 90);
  EXPECT_EQ(log[4].stock_number, std::string("BBB                 "));
}

}  // namespace
