// Hand-made shop directories for the purge, the passes run in this process
// on them, and the real velkprune run with its keys piped in.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/customer.h"
#include "db/inventory.h"
#include "db/payroll.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "platform/console.h"
#include "platform/env.h"
#include "prune.h"
#include "support/shop_dir.h"

// ---- Records -------------------------------------------------------------

InventoryRecord make_item(const char* stock, const char* description = "PART");
std::vector<uint8_t> encode_item(const InventoryRecord& r);
std::vector<InventoryRecord> read_items(const ShopDir& dir);
std::vector<InventoryTag> read_item_tags(const ShopDir& dir);

UsageRecord make_usage(const char* stock, int32_t date, int32_t workorder);
ReceivingRecord make_receiving(const char* stock, int32_t date, int32_t po);

CustomerRecord make_customer(uint32_t number, const char* last, const char* first);
VehicleRecord make_vehicle(const char* make, const char* model, const char* year,
                           const char* vin = "");
std::vector<CustomerRecord> read_customers(const ShopDir& dir);
std::vector<CustomerTag> read_customer_tags(const ShopDir& dir);

// Appends records to a byte image, linking a chain: the children given
// oldest first are written in that order, each pointing at the one before,
// and the returned head is the last (newest) one.
struct ChainImage {
  std::vector<uint8_t> bytes;
  size_t size;
  size_t next_offset;
  // Returns the head of the new chain (-1 for none).
  int32_t add_chain(const std::vector<std::vector<uint8_t>>& children);
};

std::vector<uint8_t> encode_usage(const UsageRecord& u);
std::vector<uint8_t> encode_receiving(const ReceivingRecord& r);
std::vector<uint8_t> encode_vehicle(const VehicleRecord& v);
std::vector<uint8_t> payroll_entry(int32_t date, uint8_t fill);
std::vector<uint8_t> employee(uint8_t fill, int32_t head);

// Walks a chain in a file image: the child records in order; the test fails
// on a link that leaves the file, is off a record boundary or loops.
std::vector<std::vector<uint8_t>> walk_chain(const std::vector<uint8_t>& file, int32_t head,
                                             size_t size, size_t next_offset);

// ---- Documents -----------------------------------------------------------

struct TestDoc {
  uint32_t number = 0;
  int status = 0;   // 0 OPEN, 1 CLOSED, 2 PAID, 3 VOID
  int32_t open = -1, closed = -1, paid = -1;
  std::string last = "SMITH", first = "JOHN";
  std::string tax_id;
  std::string vin;
};

std::string workorder_text(const TestDoc& d);  // with its final NUL
std::string purchase_order_text(const TestDoc& d);
std::vector<WorkorderTag> read_workorder_tags(const ShopDir& dir);
std::vector<PurchaseOrderTag> read_po_tags(const ShopDir& dir);
std::vector<OpenWorkorderEntry> read_open_workorders(const ShopDir& dir);
std::vector<OpenPurchaseOrderEntry> read_open_pos(const ShopDir& dir);
// The numbers of the documents stored back to back in a document file.
std::vector<int32_t> stored_workorder_numbers(const ShopDir& dir);
std::vector<int32_t> stored_po_numbers(const ShopDir& dir);

// A small shop with something to purge in every pass for the cut-off:
// inventory with usage and receiving, customers with vehicles, employees
// with payroll, stored and open workorders and purchase orders.
void write_small_shop(ShopDir& dir, int32_t cutoff);

// ---- Checks over a whole directory ----------------------------------------

// Every data file whole and every link and index entry pointing at a record
// (or document) of the file in place; problems are reported as test failures.
void expect_consistent(const ShopDir& dir);
// The data files of a directory (program, output, saved copies left out),
// name → bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> data_files(const ShopDir& dir);

using FileSet = std::vector<std::pair<std::string, std::vector<uint8_t>>>;
// Reports the files that differ between two sets by name (not by content).
void expect_same_files(const FileSet& got, const FileSet& want, const std::string& context = "");

// ---- Running the real program ----------------------------------------------

// The keys of one parameters screen: inventory and customers switches, then
// the five dates (empty: left blank), then F10 (or another ending).
struct PurgeKeys {
  bool inventory = false, customers = false;
  std::string usage, receiving, payroll, workorders, purchase_orders;
  std::string end = "\x1b[21~";  // F10
};
std::string keys_text(const PurgeKeys& k);

struct ProgramRun {
  int status = -1;  // exit status; -1 when killed
  int signal = 0;
  std::string output;
};
// Runs velkprune (copied into the directory) from the directory with the
// keys on its standard input; with a file size limit, writes past it fail as
// on a full disk.
ProgramRun run_prune(const ShopDir& dir, const std::string& keys, long file_size_limit = 0,
                     const std::vector<std::string>& args = {});
// Starts it without waiting (output discarded).
pid_t start_prune(const ShopDir& dir, const std::string& keys);

// ---- Running passes in this process ---------------------------------------

// A data directory with the in-memory console and a store, for running the
// passes directly.
class PassTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Re-creates the store with a size in kilobytes.
  void small_store(uint32_t kilobytes);
  ShopDir dir;
  MemoryConsole con{80, 25};
  PruneRun run;

 private:
  Console* old_console_ = nullptr;
  std::string old_cwd_;
};

// An Env whose writes to one file fail once it holds a given number of
// bytes, and whose reads of another fail past a given offset.
class FaultEnv : public Env {
 public:
  explicit FaultEnv(Env* base) : base_(base) {}
  std::string write_fail_name;  // file name (no directory), e.g. "VKUSEHST.NEW"
  int64_t write_budget = 0;
  std::string read_fail_name;
  int64_t read_fail_at = 0;

  File* open_exclusive(const std::string& path) override;
  File* open_read(const std::string& path) override { return base_->open_read(path); }
  bool exists(const std::string& p) override { return base_->exists(p); }
  bool remove(const std::string& p) override { return base_->remove(p); }
  bool rename(const std::string& a, const std::string& b) override { return base_->rename(a, b); }
  bool make_dir(const std::string& p) override { return base_->make_dir(p); }
  bool sync_dir(const std::string& d) override { return base_->sync_dir(d); }
  std::vector<std::string> find_files(const std::string& d, const std::string& p) override {
    return base_->find_files(d, p);
  }
  std::string actual_name(const std::string& d, const std::string& n) override {
    return base_->actual_name(d, n);
  }
  uint64_t free_physical_memory() override { return base_->free_physical_memory(); }
  LocalTime local_time() override { return base_->local_time(); }
  int64_t monotonic_ms() override { return base_->monotonic_ms(); }
  void sleep_ms(int ms) override { base_->sleep_ms(ms); }
  std::string current_dir() override { return base_->current_dir(); }

 private:
  Env* base_;
};
