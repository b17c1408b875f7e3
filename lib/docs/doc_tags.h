// Index tags built from documents: the workorder index tag of a workorder and
// the purchase-order index tag of a purchase order, as every program that
// rebuilds those indexes makes them.
#pragma once

#include <cstdint>

#include "db/worktags.h"
#include "docs/purchase.h"
#include "docs/workorder.h"

// Number, customer name key and number, VIN and licence, status, type, the
// tax-id mark and the date-and-totals block of the workorder; offset is the
// document's position in "VKINVOIC.DAT", -1 for an open workorder.
void make_workorder_tag(const Workorder& wo, int32_t offset, WorkorderTag* tag);

// Number, vendor name (cut to the tag's field), vendor invoice number, status
// and the dates-and-totals block of the order; offset is its position in
// "VKPURCHA.DAT", -1 for an open order.
void make_purchase_order_tag(const PurchaseOrder& po, int32_t offset, PurchaseOrderTag* tag);
