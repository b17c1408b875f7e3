// The customer lookup table of the cleanup program: every live customer's
// index tag, hashed by customer number into 511 buckets. A new entry goes to
// the head of its bucket, so among entries with the same number the one added
// last is found first. The name and phone searches scan buckets 0 to 510 in
// order, each from its head.
#pragma once

#include <cstdint>

#include "db/customer.h"

constexpr int kCustomerBuckets = 511;

struct CustomerNode {
  CustomerTag* tag;  // owned heap copy
  CustomerNode* next;
};

struct CustomerTable {
  CustomerNode** buckets;  // kCustomerBuckets heads
  // Number lookup without the bucket walk: an open-addressed hash of each
  // number to the node the walk would find first (the one added last). Null
  // when memory ran short; the walk then serves.
  CustomerNode** by_number;
  size_t by_number_size;  // slots, a power of two
  size_t by_number_used;
  // Name search index (see customer_table_find_name): the entries in scan
  // order with each one's rank, built on the first name search.
  struct ScanIndex* scan;
};

// Null when memory is exhausted.
CustomerTable* customer_table_create();
// False when memory for the copy or the node is exhausted. Numbers of 0 or
// less are not hashed (they name deleted records) and are refused.
bool customer_table_add(CustomerTable* t, const CustomerTag& tag);
// The record position of the first entry in the number's bucket with that
// number, its 96 bytes copied over tag; -1 when none (or the number is 0 or
// less).
int32_t customer_table_find_number(const CustomerTable* t, CustomerTag* tag);
// The record position of the first entry, in scan order, that passes the name
// test for the name key in tag; -1 when none. Tag is not changed.
int32_t customer_table_find_name(CustomerTable* t, const CustomerTag& tag);
// The record position of the first entry, in scan order, whose phone key
// equals the one in tag, its 96 bytes copied over tag; -1 when none.
int32_t customer_table_find_phone(CustomerTable* t, CustomerTag* tag);
void customer_table_free(CustomerTable* t);

// The name test on its own: does one stored key (a name key or a spouse
// name key) pass for the searched name key?
bool customer_name_key_passes(const char* stored_key, const char* last, const char* first);
// Splits a searched name key into its last and first name as the name test
// reads them.
void customer_split_name_key(const char* key, char last[32], char first[32]);
