#include "wo_tag.h"

#include <cstring>

#include "db/record_io.h"
#include "docs/workorder.h"
#include "db/catalog.h"
#include "oom.h"
#include "out_buffer.h"
#include "scrub.h"
#include "scrub_files.h"
#include "xms/table.h"

#include <algorithm>
#include <vector>

XmsBlock* g_store = nullptr;
int g_table_count = 0;

void write_table_index(const char* index_name, size_t tag_size) {
  OutBuffer out;
  out_begin(&out, new_file_open(index_name), replacement_name(index_name));
  uint8_t slot[kTableNumberEntry];
  for (int i = 0; i < g_table_count; i++) {
    XMS_copy_down(g_store, static_cast<uint64_t>(i) * kTableNumberEntry, slot, sizeof slot);
    out_append(&out, slot, tag_size);
  }
  out_finish(&out, g_opt.flush);
}

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
