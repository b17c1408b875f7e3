// Small hand-made shop directories for velktally, and running the real
// program on them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/inventory.h"
#include "db/usage.h"

struct TallyRun {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string output;
};

// A temporary directory holding a link to velktally: the program takes it as
// its data directory.
class TallyDir {
 public:
  TallyDir();
  ~TallyDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Runs velktally from this directory with the arguments; cwd is the
  // working directory of the run (the data directory when empty).
  // file_size_limit, when set, makes writes past that file size fail.
  TallyRun run(const std::vector<std::string>& args, const std::string& cwd = "",
                long file_size_limit = 0) const;

  std::string read(const std::string& name) const;
  void write(const std::string& name, const std::string& bytes) const;
  bool exists(const std::string& name) const;
  // The names in the directory (the program link left out), sorted.
  std::vector<std::string> names() const;

 private:
  std::string path_;
};

// One inventory item as the tests write it.
InventoryRecord make_item(const char* stock, const char* description = "PART");
std::string encode_items(const std::vector<InventoryRecord>& items);
std::vector<InventoryRecord> decode_items(const std::string& bytes);
std::vector<UsageRecord> decode_usage(const std::string& bytes);
std::vector<InventoryTag> decode_tags(const std::string& bytes);

// A workorder for the tests: number, open date, customer and part lines.
struct TestPart {
  std::string stock;
  int16_t quantity = 1;
  int32_t cost = 100;
  int32_t price = 200;
  int32_t third = 0;
  std::string description = "WIDGET";
};
struct TestWorkorder {
  uint32_t number = 0;
  int32_t date_open = -1;
  std::string last = "SMITH", first = "JOHN";
  std::vector<TestPart> parts;
};

// The workorder document text as the library writes it.
std::string workorder_document(const TestWorkorder& w);
// Stored workorders: documents back to back in "VKINVOIC.DAT" and their index
// "VKINCTAG.DAT" (in the order given).
void write_stored_workorders(const TallyDir& dir, const std::vector<TestWorkorder>& wos);
// Open workorders: one "W%07u.DKT" document each and the list "VKOPENWO.DAT".
void write_open_workorders(const TallyDir& dir, const std::vector<TestWorkorder>& wos);
// A raw index entry: number and document offset.
std::string workorder_index_entry(int32_t number, int32_t offset);
// A raw open-list entry naming a document file.
std::string open_list_entry(int32_t number, const std::string& file_name);

// The workorder numbers along an item's usage chain, newest first; fails the
// test on a link that leaves the file or loops.
std::vector<int32_t> usage_chain(const TallyDir& dir, const char* stock);
