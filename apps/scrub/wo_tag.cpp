#include "wo_tag.h"

#include <cstring>

#include "db/record_io.h"
#include "docs/workorder.h"
#include "oom.h"
#include "xms/table.h"

#include <algorithm>
#include <vector>

XmsBlock* g_store = nullptr;
int g_table_count = 0;

namespace {
std::vector<int32_t> g_invoiced;  // in invoice file order; sorted before lookups
bool g_invoiced_sorted = true;
}  // namespace

void invoiced_add(int32_t number) {
  g_invoiced.push_back(number);
  g_invoiced_sorted = false;
}

bool invoiced(int32_t number) {
  if (!g_invoiced_sorted) {
    std::sort(g_invoiced.begin(), g_invoiced.end());
    g_invoiced_sorted = true;
  }
  return std::binary_search(g_invoiced.begin(), g_invoiced.end(), number);
}

void invoiced_clear() {
  g_invoiced.clear();
  g_invoiced.shrink_to_fit();
  g_invoiced_sorted = true;
}

bool workorder_table_insert(const WorkorderTag& tag) {
  uint8_t slot[kTableNumberEntry] = {};
  workorder_tag_encode(tag, slot);
  TableInsert outcome;
  g_table_count = table_insert_number(g_store, slot, g_table_count, kTableNumberEntry, &outcome);
  if (outcome == TableInsert::full) scrub_out_of_memory(TableKind::workorders);
  return outcome == TableInsert::added;
}
