// Inside the store module: direct access for the record tables, and the
// hooks through which the tables keep the store's bytes exact whenever
// anyone else looks at them.
#pragma once

#include <cstdint>

#include "xms/store.h"

// The memory of [offset, offset + length) when the range lies inside one
// block of the store, null otherwise (also beyond the store's end).
uint8_t* xms_span(XmsBlock* store, uint64_t offset, uint64_t length);

// The copy engine without the tables' hook: the tables use it for their own
// transfers. Same messages and exits as xms_copy.
void xms_copy_raw(XmsBlock* store, int operation, void* memory, uint64_t offset,
                  uint64_t offset2, uint64_t count);

// Implemented by the tables. Called before every outside copy: the table
// puts its entries in place if the range touches them, and forgets what it
// knows of them if the copy writes there.
void xms_table_observe(XmsBlock* store, uint64_t offset, uint64_t length, bool writes);
// Called when the store is released: the table held in it is gone.
void xms_table_forget();
