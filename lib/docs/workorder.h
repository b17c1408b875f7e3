// The workorder document in memory: header values, the customer and vehicle
// blocks, the stored date-and-totals block, and the owned line lists (parts,
// labor, sublets, waste/miscellaneous, credits), the note and the check list.
// Reading and writing the text form: wo_read / wo_write (docs/docio.h holds
// the read report shared with purchase orders).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "db/customer.h"
#include "docs/docio.h"

class File;

// One parts line.
struct PartLine {
  char stock_number[21];  // trailing blanks removed when read
  char description[39];
  int16_t quantity;
  int32_t unit_cost;      // cents per unit
  int32_t unit_price;     // cents per unit
  int32_t third_amount;   // a third per-unit amount, carried unchanged
  PartLine* prev;
  PartLine* next;
};

// One labor operation.
struct LaborLine {
  uint32_t code;          // written as six digits
  int32_t hours;          // hundredths of an hour
  int32_t rate;           // cents per hour; 0: the shop's default rate
  int32_t tech_share;     // millionths
  int32_t amount;         // cents
  char* text;             // owned; lines separated by tabs, at most eight
  int32_t followup_mileage;
  int32_t followup_second;
  int32_t followup_date;  // day number; 0 or less: none
  LaborLine* prev;
  LaborLine* next;
};

// One sublet line, or one waste/miscellaneous line (same record).
struct SubletLine {
  char description[32];
  char reference[11];
  int32_t cost;           // cents
  int32_t price;          // cents
  char* text;             // owned; never null after reading
  char taxable;           // 'Y' or 'N' (NUL on a purchase order)
  SubletLine* prev;
  SubletLine* next;
};

struct CreditLine {
  int32_t amount;         // cents
  char* text;             // owned
  CreditLine* prev;
  CreditLine* next;
};

// The date-and-totals block. Its stored form (211 bytes, encoded with
// wo_block_encode) is copied unchanged into the workorder index record, so
// the field order below is the stored order.
constexpr size_t kWorkorderBlockSize = 211;
struct WorkorderTotals {
  int32_t DateOpen;              // 0
  int32_t DateClosed;            // 4
  int32_t DatePaid;              // 8
  int32_t PartsTaxRate;          // 12  millionths
  int32_t LaborTaxRate;          // 16
  int32_t SubletTaxRate;         // 20
  int32_t WasteTaxRate;          // 24
  int32_t PartsCost;             // 28  cents
  int32_t LaborCost;             // 32
  int32_t SubletCost;            // 36  taxable sublets
  int32_t WasteCost;             // 40  taxable waste lines
  int32_t NonTaxSubletCost;      // 44
  int32_t NonTaxWasteCost;       // 48
  int32_t reserved_52;           // 52  not in the document
  int32_t reserved_56;           // 56  zeroed by wo_totals
  int32_t PartsSubtotal;         // 60
  int32_t LaborSubtotal;         // 64
  int32_t SubletSubtotal;        // 68
  int32_t WasteSubtotal;         // 72
  int32_t NonTaxSubletSubtotal;  // 76
  int32_t NonTaxWasteSubtotal;   // 80
  int32_t CreditSubtotal;        // 84
  int32_t reserved_88;           // 88  zeroed by wo_totals
  int32_t PartsDiscount;         // 92  millionths
  int32_t LaborDiscount;         // 96
  int32_t SubletDiscount;        // 100
  int32_t WasteDiscount;         // 104
  int32_t DollarDiscount;        // 108 cents, taken off the parts
  int32_t WorkorderTax;          // 112
  int32_t WorkorderTotal;        // 116
  uint8_t PaymentMethod;         // 120 payment table index
  uint8_t SplitType[10];         // 121 payment table index of each split
  int32_t SplitAmount[10];       // 131 cents
  int32_t SplitDate[10];         // 171 day number, -1 none
};

void wo_block_encode(const WorkorderTotals& t, uint8_t bytes[kWorkorderBlockSize]);
void wo_block_decode(const uint8_t bytes[kWorkorderBlockSize], WorkorderTotals* t);

struct Workorder {
  uint32_t WorkorderNumber;
  int32_t Status;             // status table
  int32_t Type;               // type table
  int32_t Pricing;            // pricing table
  char PaymentComment[32];
  CustomerRecord customer;    // the customer as it was when the job was written
  VehicleRecord vehicle;
  WorkorderTotals totals;
  PartLine* parts;
  LaborLine* labor;
  SubletLine* sublets;
  SubletLine* waste;          // waste/miscellaneous lines
  CreditLine* credits;
  void* followup;             // never set by this system; see wo_free
  char* notes;                // any number of lines, or null
  char* check_list;           // any number of lines, or null
};

// Starting values: everything zero, then the customer block's date and
// vehicle chain head -1 and the company city and state, the vehicle block's
// next link -1, DateOpen today, DateClosed and DatePaid -1, status OPEN, type
// REPAIR, pricing RETAIL, every split date -1.
void wo_init(Workorder* wo);

// Releases every line, text, the note, the check list and a follow-up record
// (with "Followup record not NULL!" and a warning beep, as none is expected).
// The pointers are left as they are: wo_init (or the next wo_read) must run
// before the workorder is used again.
void wo_free(Workorder* wo);

// Reads one document at the file's current position into wo (after wo_init).
// Returns -1 when a buffer cannot be had or the file read fails (one warning
// beep), 0 when nothing but end of file (or zero padding up to it) is there,
// otherwise the number of bytes the document takes in the file: zero padding
// in front of it, its text and its NUL. The next document starts that many
// bytes further on, also after a rejected document (one warning beep; wo
// keeps what was read). The file is read ahead in pieces of 2048 bytes, so
// the caller positions it before every read. info, when given, tells whether
// the document was read whole and can hand back its bytes.
int64_t wo_read(File* f, Workorder* wo, DocRead* info = nullptr);

// Writes the document at offset (text and NUL in one write), then cuts the
// file there. Returns the count the write reported; *length, when given,
// receives the document's full length so that a short write can be seen.
// Out of memory: "Buffer allocation error (out of memory)..." and exit 1.
int64_t wo_write(File* f, const Workorder& wo, int64_t offset, int64_t* length = nullptr);

// The document exactly as wo_write writes it, its final NUL included.
void wo_format(const Workorder& wo, std::string* out);
// Parses a document held in memory (text up to the first NUL or len) as
// wo_read does and returns the same result, but gives no warning beep for a
// rejected document (info->whole tells).
int64_t wo_parse(const char* bytes, size_t len, Workorder* wo, DocRead* info = nullptr);
