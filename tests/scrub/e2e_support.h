// End-to-end support: a scratch shop directory holding a link to the real
// velkscrub program (the data directory is the program's own directory),
// documents and records made with the library's own writers, and runs of the
// program as a child process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "db/customer.h"
#include "db/inventory.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "docs/purchase.h"
#include "docs/workorder.h"

struct ScrubRun {
  int status = -1;     // exit status, or -1 when the program did not exit
  std::string output;  // what it printed
};

class ScrubShop {
 public:
  ScrubShop();
  ~ScrubShop();
  ScrubShop(const ScrubShop&) = delete;
  ScrubShop& operator=(const ScrubShop&) = delete;

  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Runs velkscrub with the switches; fsize_limit > 0 caps the size of any
  // file the program writes (a full disk).
  ScrubRun run(const std::vector<std::string>& args = {}, long fsize_limit = 0) const;
  // The same in two halves: start the program, then wait for it (a test may
  // stop it in between).
  int start(const std::vector<std::string>& args = {}, long fsize_limit = 0) const;
  ScrubRun wait(int pid) const;

  std::string read(const std::string& name) const;
  void write(const std::string& name, const std::string& bytes) const;
  bool exists(const std::string& name) const;
  void remove(const std::string& name) const;
  // The names of the files directly in the directory (the program link and
  // the log excluded), and the files below ./DELETED.
  std::vector<std::string> data_files() const;
  std::vector<std::string> deleted_files() const;
  // Every data file's bytes by name.
  std::map<std::string, std::string> snapshot() const;

 private:
  std::string dir_;
};

// Builders of test documents. Lines are allocated as the documents' readers
// allocate them, so wo_free and po_free release them.
Workorder new_workorder(uint32_t number, int status, int32_t customer, const char* last,
                        const char* first, int32_t date_open);
void set_vehicle(Workorder* wo, const char* make, const char* model, const char* year, const char* vin,
                 const char* license, int32_t mileage);
void add_labor(Workorder* wo, uint32_t code, const char* text, int32_t followup_mileage,
               int32_t followup_date);
void add_part(Workorder* wo, const char* stock, int16_t qty, int32_t price);
std::string wo_text(const Workorder& wo);  // the document as the writer writes it

PurchaseOrder new_purchase_order(uint32_t number, int status, const char* vendor, const char* invoice,
                                 int32_t date_open);
void add_po_part(PurchaseOrder* po, const char* stock, int16_t q1, int16_t q2, int32_t amount);
std::string po_text(const PurchaseOrder& po);

InventoryRecord new_item(const char* stock, const char* description);
std::string encode_items(const std::vector<InventoryRecord>& items);
// The settings file of a shop in use, so that a run has nothing to say of it.
void write_settings(const ScrubShop& shop);

// Stored documents of a document file, in file order, each with its offset.
struct StoredWo {
  int64_t offset;
  Workorder wo;
  bool whole;
};
std::vector<StoredWo> read_workorders(const std::string& bytes);
void free_workorders(std::vector<StoredWo>* docs);
Workorder parse_workorder(const std::string& bytes);

std::vector<WorkorderTag> decode_workorder_tags(const std::string& bytes);
std::vector<OpenWorkorderEntry> decode_open_workorders(const std::string& bytes);
std::vector<PurchaseOrderTag> decode_purchase_order_tags(const std::string& bytes);
std::vector<OpenPurchaseOrderEntry> decode_open_purchase_orders(const std::string& bytes);
std::vector<FollowupRecord> decode_followups(const std::string& bytes);
std::vector<VehicleRecord> decode_vehicles(const std::string& bytes);
std::vector<CustomerRecord> decode_customers(const std::string& bytes);
std::vector<InventoryRecord> decode_items(const std::string& bytes);
std::vector<ReceivingRecord> decode_receiving(const std::string& bytes);
