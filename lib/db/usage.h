// Usage history ("VKUSEHST.DAT", 76 bytes) and receiving log ("VKRCVLOG.DAT",
// 84 bytes): entries chained per inventory item, newest first.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kUsageRecordSize = 76;
constexpr size_t kReceivingRecordSize = 84;

// Where the day number and the next link lie in the stored entries.
constexpr size_t kUsageDateOffset = 25;
constexpr size_t kUsageNextOffset = 71;
constexpr size_t kReceivingDateOffset = 68;
constexpr size_t kReceivingNextOffset = 80;

struct UsageRecord {
  char stock_number[21];     // 0
  int32_t workorder_number;  // 21
  int32_t date;              // 25: the workorder's open date
  char customer_name[32];    // 29: name key of the workorder's customer
  int16_t quantity;          // 61
  int32_t unit_cost;         // 63: cents
  int32_t unit_price;        // 67: cents
  int32_t next;              // 71: next older entry of the item, -1 at the end
  uint8_t pad;               // 75: zero
};

struct ReceivingRecord {
  char stock_number[21];           // 0
  char vendor[32];                 // 21
  char vendor_invoice_number[11];  // 53: empty when the order's is "0"
  int32_t po_number;               // 64
  int32_t date;                    // 68: the order's open date
  int16_t quantity_1;              // 72
  int16_t quantity_2;              // 74
  int32_t amount;                  // 76
  int32_t next;                    // 80: next older entry of the item, -1 at the end
};

void usage_decode(const uint8_t* bytes, UsageRecord* r);
void usage_encode(const UsageRecord& r, uint8_t* bytes);
void receiving_decode(const uint8_t* bytes, ReceivingRecord* r);
void receiving_encode(const ReceivingRecord& r, uint8_t* bytes);
