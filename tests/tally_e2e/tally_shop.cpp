#include "tally_e2e/tally_shop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "db/customer.h"
#include "db/record_io.h"
#include "docs/workorder.h"

int32_t HandShop::item(const std::string& stock, uint8_t deleted, int32_t usage_head,
                       int32_t receiving_head) {
  InventoryRecord r;
  inventory_init(&r);
  field_set(r.stock_number, sizeof r.stock_number, stock.c_str());
  field_set(r.description, sizeof r.description, ("PART " + stock).c_str());
  r.amounts[0] = 111;
  r.deleted = deleted;
  r.usage_head = usage_head;
  r.receiving_head = receiving_head;
  items_.push_back(r);
  return static_cast<int32_t>((items_.size() - 1) * kInventoryRecordSize);
}

std::string HandShop::document(int32_t number, int32_t date_open, const std::vector<Part>& parts,
                               const char* last, const char* first) {
  Workorder wo;
  wo_init(&wo);
  wo.WorkorderNumber = static_cast<uint32_t>(number);
  wo.Status = 2;
  field_set(wo.customer.Lastname, sizeof wo.customer.Lastname, last);
  field_set(wo.customer.Firstname, sizeof wo.customer.Firstname, first);
  wo.totals.DateOpen = date_open;
  PartLine* tail = nullptr;
  for (const Part& p : parts) {
    PartLine* line = static_cast<PartLine*>(std::calloc(1, sizeof(PartLine)));
    field_set(line->stock_number, sizeof line->stock_number, p.stock.c_str());
    field_set(line->description, sizeof line->description, ("PART " + p.stock).c_str());
    line->quantity = p.quantity;
    line->unit_cost = p.cost;
    line->unit_price = p.price;
    line->third_amount = p.third;
    line->prev = tail;
    if (tail) tail->next = line;
    else wo.parts = line;
    tail = line;
  }
  std::string text;
  wo_format(wo, &text);
  wo_free(&wo);
  return text;
}

void HandShop::stored(int32_t number, int32_t date_open, const std::vector<Part>& parts,
                      const char* last, const char* first) {
  WorkorderTag t;
  workorder_tag_clear(&t);
  t.number = number;
  t.status = 2;
  t.invoice_offset = static_cast<int32_t>(invoice_.size());
  tags_.push_back(t);
  invoice_ += document(number, date_open, parts, last, first);
}

void HandShop::open(int32_t number, int32_t date_open, const std::vector<Part>& parts) {
  WorkorderTag t;
  workorder_tag_clear(&t);
  t.number = number;
  t.invoice_offset = -1;
  tags_.push_back(t);
  OpenWorkorderEntry e;
  open_workorder_make(t, &e);
  open_list_.push_back(e);
  open_docs_.emplace_back(e.file_name, document(number, date_open, parts));
}

void HandShop::blank_open_entry() {
  OpenWorkorderEntry e;
  std::memset(&e, 0, sizeof e);
  open_list_.push_back(e);
}

void HandShop::save(ShopDir& dir) const {
  std::vector<uint8_t> inv(items_.size() * kInventoryRecordSize);
  for (size_t i = 0; i < items_.size(); i++)
    inventory_encode(items_[i], inv.data() + i * kInventoryRecordSize);
  dir.write("VKINVENT.DAT", inv);
  dir.write("VKINVOIC.DAT", invoice_);
  std::vector<WorkorderTag> tags = tags_;
  std::stable_sort(tags.begin(), tags.end(),
                   [](const WorkorderTag& a, const WorkorderTag& b) { return a.number < b.number; });
  std::vector<uint8_t> idx(tags.size() * kWorkorderTagSize);
  for (size_t i = 0; i < tags.size(); i++)
    workorder_tag_encode(tags[i], idx.data() + i * kWorkorderTagSize);
  dir.write("VKINCTAG.DAT", idx);
  std::vector<uint8_t> list(open_list_.size() * kOpenWorkorderEntrySize);
  for (size_t i = 0; i < open_list_.size(); i++) {
    if (open_list_[i].tag.number == 0 && open_list_[i].file_name[0] == 0) continue;  // blank
    open_workorder_encode(open_list_[i], list.data() + i * kOpenWorkorderEntrySize);
  }
  dir.write("VKOPENWO.DAT", list);
  for (const auto& d : open_docs_) dir.write(d.first, d.second);
}

std::vector<InventoryRecord> read_inventory(const ShopDir& dir) {
  std::vector<InventoryRecord> out;
  for (const auto& rec : split_records(dir.read("VKINVENT.DAT"), kInventoryRecordSize)) {
    out.emplace_back();
    inventory_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<InventoryTag> read_inventory_index(const ShopDir& dir) {
  std::vector<InventoryTag> out;
  for (const auto& rec : split_records(dir.read("VKINVTAG.DAT"), kInventoryTagSize)) {
    out.emplace_back();
    inventory_tag_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<UsageRecord> read_usage(const ShopDir& dir) {
  std::vector<UsageRecord> out;
  for (const auto& rec : split_records(dir.read("VKUSEHST.DAT"), kUsageRecordSize)) {
    out.emplace_back();
    usage_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<int32_t> walk_usage_chain(const std::vector<UsageRecord>& usage, int32_t head,
                                      bool* sound, std::string* problem) {
  std::vector<int32_t> chain;
  std::set<int32_t> seen;
  *sound = true;
  for (int32_t at = head; at != -1;) {
    if (at < 0 || at % static_cast<int32_t>(kUsageRecordSize) != 0 ||
        static_cast<size_t>(at) / kUsageRecordSize >= usage.size()) {
      *sound = false;
      *problem = "link " + std::to_string(at) + " is not an entry of the usage file";
      break;
    }
    if (!seen.insert(at).second) {
      *sound = false;
      *problem = "chain loops at " + std::to_string(at);
      break;
    }
    chain.push_back(at);
    at = usage[static_cast<size_t>(at) / kUsageRecordSize].next;
  }
  return chain;
}

std::vector<int32_t> chain_numbers(const ShopDir& dir, const std::string& stock) {
  std::vector<UsageRecord> usage = read_usage(dir);
  for (const InventoryRecord& r : read_inventory(dir)) {
    if (stock != r.stock_number) continue;
    bool sound;
    std::string problem;
    std::vector<int32_t> numbers;
    for (int32_t at : walk_usage_chain(usage, r.usage_head, &sound, &problem))
      numbers.push_back(usage[static_cast<size_t>(at) / kUsageRecordSize].workorder_number);
    if (!sound) numbers.push_back(-999);  // shows up in any comparison
    return numbers;
  }
  return {-1000};  // no such item
}

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
