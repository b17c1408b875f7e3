// Index tags of purchase orders and the purchase-order table in the store.
#pragma once

#include <cstdint>

#include "db/worktags.h"

struct PurchaseOrder;

// The tag of a stored purchase order: number, vendor name (cut to its
// field), vendor invoice number, status, the dates-and-totals block and the
// order's position in the purchase-order file.
void make_purchase_order_tag(const PurchaseOrder& po, int32_t position, PurchaseOrderTag* tag);
// The tag of an open purchase order: its number only, -1 in the three dates
// and as position.
void make_open_purchase_order_tag(int32_t number, PurchaseOrderTag* tag);

// Inserts a tag into the purchase-order table; false when its number is
// already there. A full table ends the run with the out-of-memory abort.
bool purchase_order_table_insert(const PurchaseOrderTag& tag);
