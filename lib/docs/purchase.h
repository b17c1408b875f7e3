// The purchase-order document in memory: number, status, vendor, the owned
// part, sublet and credit lines, the note, and the stored date-and-totals
// block. Text form: po_read / po_write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "docs/docio.h"
#include "docs/workorder.h"

class File;

// One ordered part.
struct POPartLine {
  char stock_number[21];  // as read (trailing blanks kept)
  char description[39];
  int16_t quantity_1;
  int16_t quantity_2;
  int32_t amount;         // cents
  POPartLine* next;
  POPartLine* prev;
};

struct PurchaseOrderVendor {
  char Vendor[64];        // the vendor's name
  char Address[33];
  char City[21];
  char State[3];
  char Zip[11];
  char Phone1[15];
  char Extension[6];
  char Phone2[30];
  char TaxIdNumber[21];
};

// The date-and-totals block. Its stored form (106 bytes, po_block_encode) is
// copied unchanged into the purchase-order index record. Reserved bytes are
// carried as they are.
constexpr size_t kPurchaseOrderBlockSize = 106;
struct PurchaseOrderTotals {
  int32_t DateOpen;          // 0
  int32_t DateClosed;        // 4
  int32_t DatePaid;          // 8
  int32_t PartsTaxRate;      // 12  millionths
  uint8_t reserved_16[4];    // 16
  int32_t SubletTaxRate;     // 20
  int32_t PartsCost;         // 24  cents
  uint8_t reserved_28[4];    // 28
  int32_t SubletCost;        // 32
  uint8_t reserved_36[12];   // 36
  int32_t PartsSubtotal;     // 48
  uint8_t reserved_52[4];    // 52
  int32_t SubletSubtotal;    // 56
  uint8_t reserved_60[12];   // 60
  // 72: the credit subtotal. The document's PartsDiscount is read into and
  // written from this same slot (stored orders rely on this layout).
  int32_t CreditSubtotal;
  int32_t LaborDiscount;     // 76  written, but not read back
  int32_t SubletDiscount;    // 80
  int32_t POTax;             // 84
  int32_t POTotal;           // 88
  int16_t PaymentMethod;     // 92  payment table index
  int32_t POInputTax;        // 94
  int32_t POInputTotal;      // 98
  int32_t POShipping;        // 102
};

void po_block_encode(const PurchaseOrderTotals& t, uint8_t bytes[kPurchaseOrderBlockSize]);
void po_block_decode(const uint8_t bytes[kPurchaseOrderBlockSize], PurchaseOrderTotals* t);

struct PurchaseOrder {
  uint32_t PONumber;
  int16_t Status;                // workorder status table
  PurchaseOrderVendor vendor;
  char VendorInvoiceNumber[11];
  char POPaymentComment[32];
  char Employee[32];             // who placed the order
  POPartLine* parts;             // in stock-number key order after reading
  CreditLine* credits;
  SubletLine* sublets;           // taxable flag unused (NUL)
  char* notes;                   // any number of lines, or null
  PurchaseOrderTotals totals;
};

// Starting values: everything zero, DateOpen today, DateClosed and DatePaid
// -1, status OPEN.
void po_init(PurchaseOrder* po);
// Releases the lines, their texts and the note; the pointers are left as
// they are (po_read starts with po_init).
void po_free(PurchaseOrder* po);

// Reads one order at the file's current position (after po_init). Results
// as wo_read: -1 (no buffer, or a failed read with one warning beep), 0
// (end of file), otherwise the bytes the order takes: padding in front, its
// text and its NUL. A missing section or an unknown status word ends reading
// without a beep; info->whole tells whether every section was read. The
// caller positions the file before every read.
int64_t po_read(File* f, PurchaseOrder* po, DocRead* info = nullptr);
// Writes the order at offset in one write and cuts the file there. Returns
// the count the write reported (*length: the document's full length).
int64_t po_write(File* f, const PurchaseOrder& po, int64_t offset, int64_t* length = nullptr);

// The document as po_write writes it, final NUL included.
void po_format(const PurchaseOrder& po, std::string* out);
// Parses bytes held in memory as po_read does.
int64_t po_parse(const char* bytes, size_t len, PurchaseOrder* po, DocRead* info = nullptr);
