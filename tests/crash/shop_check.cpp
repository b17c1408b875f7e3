#include "crash/shop_check.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unordered_set>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/customer.h"
#include "db/inventory.h"
#include "db/payroll.h"
#include "db/replace.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/purchase.h"
#include "docs/workorder.h"
#include "platform/console.h"
#include "ui/settings.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string text_of(const void* field, size_t width) {
  const char* p = static_cast<const char*>(field);
  return std::string(p, strnlen(p, width));
}

struct Checker {
  std::string dir;
  std::set<std::string> problems;
  std::map<std::string, Bytes> cache;

  const Bytes& file(const std::string& name) {
    auto it = cache.find(name);
    if (it == cache.end()) it = cache.emplace(name, read_file(dir + name)).first;
    return it->second;
  }
  bool exists(const std::string& name) { return fs::exists(dir + name); }
  void add(const std::string& p) { problems.insert(p); }

  // A file that must be present and hold whole records.
  size_t records(const std::string& name, size_t size) {
    if (!exists(name)) {
      add(name + " is missing");
      return 0;
    }
    const Bytes& b = file(name);
    if (b.size() % size != 0) add(name + " is not a whole number of records");
    return b.size() / size;
  }

  // A link into a child file: -1, or the start of a record of it.
  bool link_ok(int32_t link, const std::string& child, size_t size) {
    return link == -1 || (link >= 0 && static_cast<size_t>(link) % size == 0 &&
                          static_cast<size_t>(link) + size <= file(child).size());
  }

  // Every chain of a parent record in use: each link lands on a child
  // record, and no chain comes back to a record it passed. (A deleted
  // record's head is not a chain: the programs leave it as it was.)
  void chains(const std::string& parent, size_t parent_size, size_t head_at,
              const std::string& child, size_t child_size, size_t next_at,
              std::string (*parent_name)(const uint8_t*, size_t),
              bool (*in_use)(const uint8_t*)) {
    size_t n = records(parent, parent_size);
    records(child, child_size);
    const Bytes& p = file(parent);
    const Bytes& c = file(child);
    std::unordered_set<int32_t> seen;
    for (size_t i = 0; i < n; i++) {
      const uint8_t* rec = p.data() + i * parent_size;
      if (!in_use(rec)) continue;
      int32_t link = le_get_i32(rec + head_at);
      seen.clear();
      while (link != -1) {
        if (!link_ok(link, child, child_size)) {
          add(child + " chain of " + parent_name(rec, i) + " leaves the file");
          break;
        }
        if (!seen.insert(link).second) {
          add(child + " chain of " + parent_name(rec, i) + " loops");
          break;
        }
        link = le_get_i32(c.data() + link + next_at);
      }
    }
  }

  // A stored document at an offset of a document file holds the number.
  template <class Doc, class Parse>
  void document(const std::string& docs_name, int32_t offset, int32_t number, Parse parse,
                const char* what) {
    const Bytes& docs = file(docs_name);
    std::string name = std::string(what) + " " + std::to_string(number);
    if (offset < 0 || static_cast<size_t>(offset) >= docs.size()) {
      add(name + " points past " + docs_name);
      return;
    }
    auto doc = std::make_unique<Doc>();
    int32_t got = parse(reinterpret_cast<const char*>(docs.data()) + offset,
                        docs.size() - static_cast<size_t>(offset), doc.get());
    if (got != number) add(name + " points at another document of " + docs_name);
  }
};

// Parents by what names them; an employee record's contents belong to the
// shop application, so employees go by their place in the file.
std::string item_name(const uint8_t* r, size_t) { return "item " + text_of(r, 21); }
std::string customer_name(const uint8_t* r, size_t) {
  return "customer " + std::to_string(le_get_i32(r));
}
std::string employee_name(const uint8_t*, size_t i) { return "employee #" + std::to_string(i); }

bool item_in_use(const uint8_t* r) { return r[335] == 0 && r[0] != '\0'; }
bool customer_in_use(const uint8_t* r) { return le_get_i32(r) > 0; }
bool always(const uint8_t*) { return true; }

int32_t workorder_number_at(const char* p, size_t n, Workorder* wo) {
  wo_init(wo);
  wo_parse(p, n, wo);
  int32_t number = static_cast<int32_t>(wo->WorkorderNumber);
  wo_free(wo);
  return number;
}

int32_t order_number_at(const char* p, size_t n, PurchaseOrder* po) {
  po_init(po);
  po_parse(p, n, po);
  int32_t number = static_cast<int32_t>(po->PONumber);
  po_free(po);
  return number;
}

}  // namespace

std::set<std::string> shop_problems(const std::string& dir) {
  Checker c{dir, {}, {}};

  if (c.records("VKSYSTEM.DAT", kSettingsRecordSize) != 1) c.add("VKSYSTEM.DAT is not one record");
  c.records("VKFOLLOW.DAT", kFollowupRecordSize);

  c.chains("VKINVENT.DAT", kInventoryRecordSize, kInventoryUsageHeadOffset, "VKUSEHST.DAT",
           kUsageRecordSize, kUsageNextOffset, item_name, item_in_use);
  c.chains("VKINVENT.DAT", kInventoryRecordSize, kInventoryReceivingHeadOffset, "VKRCVLOG.DAT",
           kReceivingRecordSize, kReceivingNextOffset, item_name, item_in_use);
  c.chains("VKCSTDAT.DAT", kCustomerRecordSize, 313, "VKVEHICL.DAT", kVehicleRecordSize, 393,
           customer_name, customer_in_use);
  c.chains("VKEMPLOY.DAT", kEmployeeRecordSize, kEmployeePayrollHeadOffset, "VKPAYROL.DAT",
           kPayrollEntrySize, kPayrollNextOffset, employee_name, always);

  // Inventory index: each tag at an item of the same stock number.
  size_t n = c.records("VKINVTAG.DAT", kInventoryTagSize);
  for (size_t i = 0; i < n; i++) {
    InventoryTag t;
    inventory_tag_decode(c.file("VKINVTAG.DAT").data() + i * kInventoryTagSize, &t);
    std::string name = "inventory tag " + text_of(t.stock_number, 21);
    if (t.record_offset == -1 || !c.link_ok(t.record_offset, "VKINVENT.DAT", kInventoryRecordSize))
      c.add(name + " points past VKINVENT.DAT");
    else if (text_of(c.file("VKINVENT.DAT").data() + t.record_offset, 21) !=
             text_of(t.stock_number, 21))
      c.add(name + " points at another item");
  }
  // Customer index: each tag at the customer of its number.
  n = c.records("VKCSTTAG.DAT", kCustomerTagSize);
  for (size_t i = 0; i < n; i++) {
    CustomerTag t;
    customer_tag_decode(c.file("VKCSTTAG.DAT").data() + i * kCustomerTagSize, &t);
    std::string name = "customer tag " + std::to_string(t.number);
    if (t.record_offset == -1 || !c.link_ok(t.record_offset, "VKCSTDAT.DAT", kCustomerRecordSize))
      c.add(name + " points past VKCSTDAT.DAT");
    else if (le_get_i32(c.file("VKCSTDAT.DAT").data() + t.record_offset) != t.number)
      c.add(name + " points at another customer");
  }
  // Workorder index: a stored document of the number, or an open document
  // file.
  n = c.records("VKINCTAG.DAT", kWorkorderTagSize);
  for (size_t i = 0; i < n; i++) {
    WorkorderTag t;
    workorder_tag_decode(c.file("VKINCTAG.DAT").data() + i * kWorkorderTagSize, &t);
    if (t.invoice_offset != -1)
      c.document<Workorder>("VKINVOIC.DAT", t.invoice_offset, t.number, workorder_number_at,
                            "workorder tag");
  }
  n = c.records("VKPURTAG.DAT", kPurchaseOrderTagSize);
  for (size_t i = 0; i < n; i++) {
    PurchaseOrderTag t;
    purchase_order_tag_decode(c.file("VKPURTAG.DAT").data() + i * kPurchaseOrderTagSize, &t);
    if (t.order_offset != -1)
      c.document<PurchaseOrder>("VKPURCHA.DAT", t.order_offset, t.number, order_number_at,
                                "purchase-order tag");
  }
  // Open lists: every entry that is not blank names a document file here.
  n = c.records("VKOPENWO.DAT", kOpenWorkorderEntrySize);
  for (size_t i = 0; i < n; i++) {
    OpenWorkorderEntry e;
    open_workorder_decode(c.file("VKOPENWO.DAT").data() + i * kOpenWorkorderEntrySize, &e);
    std::string name = text_of(e.file_name, sizeof e.file_name);
    if (!name.empty() && !c.exists(name)) c.add("open workorder " + name + " is missing");
  }
  n = c.records("VKOPENPO.DAT", kOpenPurchaseOrderEntrySize);
  for (size_t i = 0; i < n; i++) {
    OpenPurchaseOrderEntry e;
    open_purchase_order_decode(c.file("VKOPENPO.DAT").data() + i * kOpenPurchaseOrderEntrySize,
                               &e);
    std::string name = text_of(e.file_name, sizeof e.file_name);
    if (!name.empty() && !c.exists(name)) c.add("open purchase order " + name + " is missing");
  }
  // Open documents: each file read to its end (a document cut short by a
  // stop in the middle of its rewrite would not be).
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.size() != 12 || name.substr(8) != ".DKT") continue;
    const Bytes& b = c.file(name);
    const char* p = reinterpret_cast<const char*>(b.data());
    DocRead info;
    if (name[0] == 'W') {
      auto wo = std::make_unique<Workorder>();
      wo_init(wo.get());
      wo_parse(p, b.size(), wo.get(), &info);
      wo_free(wo.get());
    } else if (name[0] == 'I') {
      auto po = std::make_unique<PurchaseOrder>();
      po_init(po.get());
      po_parse(p, b.size(), po.get(), &info);
      po_free(po.get());
    } else {
      continue;
    }
    if (!info.whole) c.add(name + " is not a whole document");
  }
  return c.problems;
}

std::set<std::string> listed_documents(const std::string& dir) {
  std::set<std::string> names;
  Bytes list = read_file(dir + "VKOPENWO.DAT");
  for (size_t at = 0; at + kOpenWorkorderEntrySize <= list.size(); at += kOpenWorkorderEntrySize) {
    OpenWorkorderEntry e;
    open_workorder_decode(list.data() + at, &e);
    std::string name = text_of(e.file_name, sizeof e.file_name);
    if (!name.empty()) names.insert(name);
  }
  list = read_file(dir + "VKOPENPO.DAT");
  for (size_t at = 0; at + kOpenPurchaseOrderEntrySize <= list.size(); at += kOpenPurchaseOrderEntrySize) {
    OpenPurchaseOrderEntry e;
    open_purchase_order_decode(list.data() + at, &e);
    std::string name = text_of(e.file_name, sizeof e.file_name);
    if (!name.empty()) names.insert(name);
  }
  return names;
}

std::set<std::string> document_files(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.size() == 12 && name.substr(8) == ".DKT" && (name[0] == 'W' || name[0] == 'I'))
      names.insert(name);
  }
  return names;
}

void shop_recover(const std::string& dir) {
  MemoryConsole quiet(80, 25);
  Console* old = console_set(&quiet);
  set_data_dir(dir);
  db_startup_recover();
  console_set(old);
}

FileSet shop_data_files(const std::string& dir) {
  static const std::set<std::string> kNotData = {"velktally", "velkscrub", "velkprune",
                                                 "VELKSCRB.LOG"};
  FileSet files;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (!e.is_regular_file() || name[0] == '.' || kNotData.count(name)) continue;
    files[name] = read_file(e.path().string());
  }
  return files;
}

std::vector<std::string> differing_files(const FileSet& a, const FileSet& b) {
  std::vector<std::string> out;
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end() || it->second != bytes) out.push_back(name);
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) out.push_back(name);
  return out;
}
