// Small hand-made shop databases for the usage rebuild, and reading back the
// inventory, its index and the usage chains the rebuild leaves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/inventory.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "support/shop_dir.h"

struct Part {
  std::string stock;
  int16_t quantity = 1;
  int32_t cost = 100;
  int32_t price = 200;
  int32_t third = 150;
};

// Builds the inventory, the stored workorders with their index, and the open
// workorders with their list, then writes them into a ShopDir.
class HandShop {
 public:
  // An inventory item (in file order); returns its record offset.
  int32_t item(const std::string& stock, uint8_t deleted = 0, int32_t usage_head = -1,
               int32_t receiving_head = -1);
  // A stored workorder, appended to the invoice file; indexed by number.
  void stored(int32_t number, int32_t date_open, const std::vector<Part>& parts,
              const char* last = "SMITH", const char* first = "JOHN");
  // An open workorder: its document file and its entry in the open list (in
  // the order of the calls); also indexed by number with offset -1.
  void open(int32_t number, int32_t date_open, const std::vector<Part>& parts);
  // A blank entry in the open list.
  void blank_open_entry();
  void save(ShopDir& dir) const;

  static std::string document(int32_t number, int32_t date_open, const std::vector<Part>& parts,
                              const char* last = "SMITH", const char* first = "JOHN");

 private:
  std::vector<InventoryRecord> items_;
  std::string invoice_;
  std::vector<WorkorderTag> tags_;
  std::vector<std::pair<std::string, std::string>> open_docs_;  // name, text
  std::vector<OpenWorkorderEntry> open_list_;
};

std::vector<InventoryRecord> read_inventory(const ShopDir& dir);
std::vector<InventoryTag> read_inventory_index(const ShopDir& dir);
std::vector<UsageRecord> read_usage(const ShopDir& dir);

// Walks a usage chain from its head. Returns the offsets in chain order, and
// sets *sound to false (with a message in *problem) when a link is not the
// offset of an entry in the file or the chain loops.
std::vector<int32_t> walk_usage_chain(const std::vector<UsageRecord>& usage, int32_t head,
                                      bool* sound, std::string* problem);
// The workorder numbers of an item's usage chain, newest first.
std::vector<int32_t> chain_numbers(const ShopDir& dir, const std::string& stock);

// velktally's normal end.
constexpr const char kUsageSet[] = "\r\nUsage set!\r\n";
bool ends_with(const std::string& text, const std::string& tail);
