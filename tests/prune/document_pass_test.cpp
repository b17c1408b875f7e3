// The workorder and purchase-order passes on hand-made document files.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "db/bytes.h"
#include "docs/workorder.h"
#include "prune_fixture.h"
#include "ui/dates.h"

namespace {

const int32_t kCutoff = parse_date("01/01/2020");
const int32_t kOld = kCutoff - 100;
const int32_t kNew = kCutoff + 100;

TestDoc doc(uint32_t number, int status, int32_t open, int32_t closed, int32_t paid) {
  TestDoc d;
  d.number = number;
  d.status = status;
  d.open = open;
  d.closed = closed;
  d.paid = paid;
  return d;
}

// A stored document the reader rejects: its text ends inside the parts section.
std::string cut_in_parts(const std::string& text) {
  return text.substr(0, text.find("[Labor]")) + std::string(1, '\0');
}

// A stored document whose text the end of its file cuts right after its
// parts header: no NUL follows it.
std::string cut_at_end(const std::string& text) {
  return text.substr(0, text.find("[Parts]\r\n") + 9);
}

std::string text_of(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<std::string> deleted_copies(const ShopDir& dir) {
  std::vector<std::string> out;
  if (!std::filesystem::exists(dir.path() + "DELETED")) return out;
  for (const auto& e : std::filesystem::directory_iterator(dir.path() + "DELETED"))
    out.push_back(e.path().filename().string());
  return out;
}

TEST_F(PassTest, WorkordersGoByVoidAndByPaidElseClosedElseOpenDate) {
  TestDoc taxed = doc(9, 2, kOld, kOld, kNew);
  taxed.tax_id = "TX-1";
  taxed.vin = "1FTRX18W1XKA12345";
  TestDoc rejected = doc(16, 2, kOld, kOld, kNew);
  std::string stored = workorder_text(doc(10, 2, kOld, kOld, kNew)) +  // paid after: kept
                       workorder_text(doc(11, 3, kNew, kNew, kNew)) +  // void: dropped
                       std::string(5, '\0') +                          // padding between documents
                       workorder_text(doc(12, 1, kOld, kNew, -1)) +    // unpaid, closed after: kept
                       workorder_text(doc(13, 1, kNew, kOld, -1)) +    // unpaid, closed before: dropped
                       workorder_text(doc(14, 0, kNew, -1, -1)) +      // open date after: kept
                       workorder_text(doc(15, 2, kNew, kNew, kOld)) +  // paid before: dropped
                       cut_in_parts(workorder_text(rejected)) +        // rejected, paid after: kept
                       workorder_text(taxed);
  dir.write("VKINVOIC.DAT", stored);
  dir.write("VKINCTAG.DAT", std::string(290 * 3, '\x7f'));
  dir.write("W0000030.DKT", workorder_text(doc(30, 0, kOld, -1, -1)));  // open: always kept
  std::string zero = workorder_text(doc(0, 0, kOld, -1, -1));
  dir.write("W0000000.DKT", zero);
  dir.write("W0000031.DKT", std::string("not a workorder at all"));
  dir.write("W0000032.DKT", std::string());
  // An open workorder whose number is stored as well: listed, indexed once.
  dir.write("W0000010.DKT", workorder_text(doc(10, 0, kOld, -1, -1)));

  ASSERT_EQ(workorder_pass(&run, kCutoff), PassEnd::done);

  EXPECT_EQ(stored_workorder_numbers(dir), (std::vector<int32_t>{10, 12, 14, 16, 9}));
  std::vector<WorkorderTag> tags = read_workorder_tags(dir);
  std::vector<int32_t> numbers;
  for (const auto& t : tags) numbers.push_back(t.number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{9, 10, 12, 14, 16, 30}));
  // The taxed customer's tag: byte 74 set, name key, VIN, block and offset.
  EXPECT_EQ(tags[0].has_tax_id, 1);
  EXPECT_EQ(tags[1].has_tax_id, 0);
  EXPECT_STREQ(tags[0].name_key, "SMITH,JOHN");
  EXPECT_STREQ(tags[0].VIN, "1FTRX18W1XKA12345");
  EXPECT_EQ(tags[0].status, 2);
  EXPECT_EQ(block_get(tags[0].totals, kWoBlockDatePaid), kNew);
  // The open workorder's tag holds only its number.
  WorkorderTag open_tag;
  workorder_tag_clear(&open_tag);
  open_tag.number = 30;
  open_tag.invoice_offset = -1;
  uint8_t want[kWorkorderTagSize], got[kWorkorderTagSize];
  workorder_tag_encode(open_tag, want);
  workorder_tag_encode(tags[5], got);
  EXPECT_EQ(0, std::memcmp(want, got, sizeof want));

  // The rejected document is carried byte for byte, and named.
  std::vector<uint8_t> invoices = dir.read("VKINVOIC.DAT");
  std::string cut = cut_in_parts(workorder_text(rejected));
  int32_t at = tags[4].invoice_offset;
  ASSERT_LE(static_cast<size_t>(at) + cut.size(), invoices.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(invoices.data()) + at, cut.size()), cut);
  EXPECT_NE(con.transcript().find("Workorder 0000016 kept as stored"), std::string::npos);
  // A kept whole document is written as the library writes it.
  std::string first = workorder_text(doc(10, 2, kOld, kOld, kNew));
  EXPECT_EQ(tags[1].invoice_offset, 0);
  EXPECT_EQ(std::string(invoices.begin(), invoices.begin() + static_cast<ptrdiff_t>(first.size())),
            first);
  // The purge writes its own word for no payment method.
  EXPECT_NE(first.find("PaymentMethod= None   \r\n"), std::string::npos) << first;

  // Open workorders: the valid one listed, number 0 deleted with a copy,
  // the unreadable ones kept and named.
  std::vector<OpenWorkorderEntry> list = read_open_workorders(dir);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0].file_name, "W0000010.DKT");
  EXPECT_EQ(tags[1].invoice_offset, 0);  // the stored one holds the index entry
  EXPECT_NE(con.transcript().find("W0000010.DKT: workorder 0000010 is indexed already"),
            std::string::npos);
  EXPECT_EQ(list[1].tag.number, 30);
  EXPECT_STREQ(list[1].file_name, "W0000030.DKT");
  EXPECT_STREQ(list[1].tag.name_key, "SMITH,JOHN");
  EXPECT_EQ(block_get(list[1].tag.totals, kWoBlockDateOpen), kOld);
  EXPECT_FALSE(dir.exists("W0000000.DKT"));
  std::vector<std::string> copies = deleted_copies(dir);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].substr(0, 9), "W0000000_");
  std::vector<uint8_t> copy = dir.read("DELETED/" + copies[0]);
  EXPECT_EQ(std::string(copy.begin(), copy.end()), zero);
  EXPECT_TRUE(dir.exists("W0000031.DKT"));
  EXPECT_TRUE(dir.exists("W0000032.DKT"));
  EXPECT_NE(con.transcript().find("W0000031.DKT could not be read"), std::string::npos);
  expect_consistent(dir);
}

TEST_F(PassTest, PurchaseOrdersGoByVoidAndDateAndEveryOpenOrderIsListed) {
  std::string stored = purchase_order_text(doc(5, 2, kOld, kOld, kNew)) +
                       purchase_order_text(doc(6, 3, kNew, kNew, kNew)) +
                       purchase_order_text(doc(7, 1, kOld, kNew, -1)) +
                       purchase_order_text(doc(8, 2, kNew, kNew, kOld)) +
                       purchase_order_text(doc(4, 0, kOld, -1, -1));
  dir.write("VKPURCHA.DAT", stored);
  TestDoc zero = doc(0, 0, kOld, -1, -1);
  zero.last = "ZERO SUPPLY";
  dir.write("I0000000.DKT", purchase_order_text(zero));
  dir.write("I0000040.DKT", purchase_order_text(doc(40, 0, kOld, -1, -1)));

  ASSERT_EQ(po_pass(&run, kCutoff), PassEnd::done);

  EXPECT_EQ(stored_po_numbers(dir), (std::vector<int32_t>{5, 7}));
  std::vector<PurchaseOrderTag> tags = read_po_tags(dir);
  std::vector<int32_t> numbers;
  for (const auto& t : tags) numbers.push_back(t.number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{0, 5, 7, 40}));
  EXPECT_STREQ(tags[1].vendor, "SMITH");
  EXPECT_EQ(tags[1].order_offset, 0);
  // The open order numbered 0 stays and is listed. An open order's tag
  // holds its number only (-1 in the three dates and as offset), and so does
  // its list entry, with its file name at 155.
  EXPECT_TRUE(dir.exists("I0000000.DKT"));
  std::vector<uint8_t> want;
  for (int32_t number : {0, 40}) {
    uint8_t entry[kOpenPurchaseOrderEntrySize] = {};
    le_put_i32(entry, number);
    for (size_t at : {49u, 53u, 57u}) le_put_i32(entry + at, -1);
    std::snprintf(reinterpret_cast<char*>(entry) + 155, 16, "I%07d.DKT", number);
    want.insert(want.end(), entry, entry + sizeof entry);
    EXPECT_EQ(tags[number == 0 ? 0 : 3].order_offset, -1);
    EXPECT_EQ(tags[number == 0 ? 0 : 3].vendor[0], '\0');
  }
  EXPECT_EQ(dir.read("VKOPENPO.DAT"), want);
  expect_consistent(dir);
}

// A kept document that the end of its file cut short is carried with the
// NUL it lacks, so that a document the shop appends later stays its own.
TEST_F(PassTest, ADocumentCutShortByTheEndOfItsFileIsCarriedWithItsNul) {
  const std::string wo = workorder_text(doc(10, 2, kOld, kOld, kNew));
  const std::string wo_cut = cut_at_end(workorder_text(doc(11, 2, kOld, kOld, kNew)));
  const std::string po = purchase_order_text(doc(5, 2, kOld, kOld, kNew));
  const std::string po_cut = cut_at_end(purchase_order_text(doc(6, 2, kOld, kOld, kNew)));
  dir.write("VKINVOIC.DAT", wo + wo_cut);
  dir.write("VKPURCHA.DAT", po + po_cut);

  ASSERT_EQ(workorder_pass(&run, kCutoff), PassEnd::done);
  ASSERT_EQ(po_pass(&run, kCutoff), PassEnd::done);

  EXPECT_EQ(text_of(dir.read("VKINVOIC.DAT")), wo + wo_cut + std::string(1, '\0'));
  EXPECT_EQ(read_workorder_tags(dir).at(1).invoice_offset, static_cast<int32_t>(wo.size()));
  EXPECT_EQ(text_of(dir.read("VKPURCHA.DAT")), po + po_cut + std::string(1, '\0'));
  EXPECT_EQ(read_po_tags(dir).at(1).order_offset, static_cast<int32_t>(po.size()));
}

}  // namespace
