// The workorder index ("VKINCTAG.DAT", 290 bytes), the open-workorder list
// ("VKOPENWO.DAT", 302 bytes), the purchase-order index ("VKPURTAG.DAT", 159
// bytes), the open purchase-order list ("VKOPENPO.DAT", 171 bytes) and the
// follow-up file ("VKFOLLOW.DAT", 596 bytes).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kWorkorderTagSize = 290;
constexpr size_t kOpenWorkorderEntrySize = 302;
constexpr size_t kPurchaseOrderTagSize = 159;
constexpr size_t kOpenPurchaseOrderEntrySize = 171;
constexpr size_t kFollowupRecordSize = 596;
// Where an index entry holds its document's offset in the document file.
constexpr size_t kWorkorderTagDocumentOffset = 286;
constexpr size_t kPurchaseOrderTagDocumentOffset = 155;

// The workorder's date-and-totals block as the tag carries it (211 bytes, the
// workorder's own layout from DateOpen through the tenth split date). Offsets
// within the block of the values the index code itself touches:
constexpr size_t kWoBlockSize = 211;
constexpr size_t kWoBlockDateOpen = 0;
constexpr size_t kWoBlockDateClosed = 4;
constexpr size_t kWoBlockDatePaid = 8;
constexpr size_t kWoBlockPaymentMethod = 120;
constexpr size_t kWoBlockSplitTypes = 121;    // 10 x 8-bit
constexpr size_t kWoBlockSplitAmounts = 131;  // 10 x 32-bit
constexpr size_t kWoBlockSplitDates = 171;    // 10 x 32-bit

struct WorkorderTag {
  int32_t number;            // 0: sort key
  char name_key[32];         // 4: customer name key
  int32_t customer_number;   // 36
  char VIN[21];              // 40
  char LicenseNumber[11];    // 61
  uint8_t status;            // 72: 0 OPEN, 1 CLOSED, 2 PAID, 3 VOID, 4 ON ACCT
  uint8_t type;              // 73: 0 REPAIR, 1 SALES, 2 ESTIMATE, 3 WARRANTY
  uint8_t has_tax_id;        // 74: 1 when the customer has a TaxIDNumber
  uint8_t totals[kWoBlockSize];  // 75: the date-and-totals block, unchanged
  int32_t invoice_offset;    // 286: document offset in "VKINVOIC.DAT", -1 for a W*.DKT file
};

// An open-workorder list entry: the tag's first 286 bytes, then the name of
// the document file. The tag's invoice_offset is not stored here (it reads
// back as -1, the value of every open workorder).
struct OpenWorkorderEntry {
  WorkorderTag tag;     // 0..285
  char file_name[16];   // 286: "W%07ld.DKT"
};

// The purchase order's dates-and-totals block from DateOpen through
// POShipping (106 bytes, the purchase order's own layout).
constexpr size_t kPoBlockSize = 106;
constexpr size_t kPoBlockDateOpen = 0;
constexpr size_t kPoBlockDateClosed = 4;
constexpr size_t kPoBlockDatePaid = 8;

struct PurchaseOrderTag {
  int32_t number;                   // 0: sort key
  char vendor[32];                  // 4
  char VendorInvoiceNumber[11];     // 36
  int16_t status;                   // 47: as the workorder status
  uint8_t totals[kPoBlockSize];     // 49: the dates-and-totals block, unchanged
  int32_t order_offset;             // 155: offset in "VKPURCHA.DAT", -1 for an I*.DKT file
};

struct OpenPurchaseOrderEntry {
  PurchaseOrderTag tag;  // 0..154 (order_offset not stored; reads back as -1)
  char file_name[16];    // 155: "I%07ld.DKT"
};

struct FollowupRecord {
  uint8_t active;            // 0: 1
  int32_t customer_number;   // 1
  char VIN[21];              // 5
  char LicenseNumber[11];    // 26
  int32_t date;              // 37: the workorder's DateOpen, or today
  int16_t zero_41;           // 41
  int32_t workorder_number;  // 43
  int32_t due_date;          // 47
  int32_t due_mileage;       // 51
  int32_t zero_55;           // 55
  char text[513];            // 59: the labor line's text
  int32_t code;              // 572
  int32_t hours;             // 576
  int32_t rate;              // 580
  int32_t amount;            // 584
  int32_t zero_588;          // 588
  int32_t position;          // 592: 596 x the candidates before this one
};

void workorder_tag_decode(const uint8_t* bytes, WorkorderTag* t);
void workorder_tag_encode(const WorkorderTag& t, uint8_t* bytes);
void open_workorder_decode(const uint8_t* bytes, OpenWorkorderEntry* e);
void open_workorder_encode(const OpenWorkorderEntry& e, uint8_t* bytes);
void purchase_order_tag_decode(const uint8_t* bytes, PurchaseOrderTag* t);
void purchase_order_tag_encode(const PurchaseOrderTag& t, uint8_t* bytes);
void open_purchase_order_decode(const uint8_t* bytes, OpenPurchaseOrderEntry* e);
void open_purchase_order_encode(const OpenPurchaseOrderEntry& e, uint8_t* bytes);
void followup_decode(const uint8_t* bytes, FollowupRecord* r);
void followup_encode(const FollowupRecord& r, uint8_t* bytes);

// 32-bit values inside a tag's raw block.
int32_t block_get(const uint8_t* block, size_t offset);
void block_put(uint8_t* block, size_t offset, int32_t value);

// A prepared tag: all zero but -1 in the three dates (and, for a workorder,
// the ten split dates). An open document's tag is this with its number and
// an offset of -1.
void workorder_tag_clear(WorkorderTag* t);
void purchase_order_tag_clear(PurchaseOrderTag* t);

// A list entry from a tag: the tag's fields and the document file name built
// from its number ("W%07ld.DKT", "I%07ld.DKT").
void open_workorder_make(const WorkorderTag& t, OpenWorkorderEntry* e);
void open_purchase_order_make(const PurchaseOrderTag& t, OpenPurchaseOrderEntry* e);
