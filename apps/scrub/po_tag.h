// Index tags of purchase orders and the purchase-order table in the store.
#pragma once

#include <cstdint>

#include "db/worktags.h"

#include "docs/doc_tags.h"  // make_purchase_order_tag

// The tag of an open purchase order: its number only, -1 in the three dates
// and as position.
void make_open_purchase_order_tag(int32_t number, PurchaseOrderTag* tag);

// Inserts a tag into the purchase-order table; false when its number is
// already there. A full table ends the run with the out-of-memory abort.
bool purchase_order_table_insert(const PurchaseOrderTag& tag);
