// velkscrub end to end on hand-made shops holding documents the reader gives
// up on.
#include <gtest/gtest.h>

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
  EXPECT_EQ(shop.read("VKINVOIC.DAT").substr(static_cast<size_t>(tags[1].invoice_offset), cut_wo.size() + 1),
            cut_wo + kNul);
  po_tags = decode_purchase_order_tags(shop.read("VKPURTAG.DAT"));
  ASSERT_EQ(po_tags.size(), 3u);
  EXPECT_EQ(po_tags[2].order_offset, static_cast<int32_t>(orders.size()));
}

}  // namespace
