#include "po_tag.h"

#include <cstring>

#include "db/record_io.h"
#include "docs/purchase.h"
#include "oom.h"
#include "wo_tag.h"
#include "xms/table.h"

void make_open_purchase_order_tag(int32_t number, PurchaseOrderTag* tag) {
  purchase_order_tag_clear(tag);
  tag->number = number;
  tag->order_offset = -1;
}

bool purchase_order_table_insert(const PurchaseOrderTag& tag) {
  uint8_t slot[kTableNumberEntry] = {};
  purchase_order_tag_encode(tag, slot);
  TableInsert outcome;
  g_table_count = table_insert_number(g_store, slot, g_table_count, kTableNumberEntry, &outcome);
  if (outcome == TableInsert::full) scrub_out_of_memory(TableKind::purchase_orders);
  return outcome == TableInsert::added;
}
