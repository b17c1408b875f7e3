// The run of velkprune: what the parameters screen chose, the state the
// passes share, and the passes themselves, run in this fixed order:
// inventory, customers and vehicles, usage history, receiving log, payroll,
// workorders, purchase orders.
//
// Every pass writes its rewritten files completely beside the old ones
// (".NEW") and swaps them in as one group, together with the run marker that
// records the passes done (run_marker.h). A pass that cannot finish leaves
// every old file as it was and removes its ".NEW" files.
#pragma once

#include <cstdint>
#include <string>

#include "run_marker.h"

struct XmsBlock;

constexpr const char* kInventoryFile = "VKINVENT.DAT";
constexpr const char* kInventoryIndexFile = "VKINVTAG.DAT";
constexpr const char* kUsageFile = "VKUSEHST.DAT";
constexpr const char* kReceivingFile = "VKRCVLOG.DAT";
constexpr const char* kCustomerFile = "VKCSTDAT.DAT";
constexpr const char* kCustomerIndexFile = "VKCSTTAG.DAT";
constexpr const char* kVehicleFile = "VKVEHICL.DAT";
constexpr const char* kEmployeeFile = "VKEMPLOY.DAT";
constexpr const char* kPayrollFile = "VKPAYROL.DAT";
constexpr const char* kInvoiceFile = "VKINVOIC.DAT";
constexpr const char* kWorkorderIndexFile = "VKINCTAG.DAT";
constexpr const char* kOpenWorkorderFile = "VKOPENWO.DAT";
constexpr const char* kPurchaseFile = "VKPURCHA.DAT";
constexpr const char* kPurchaseIndexFile = "VKPURTAG.DAT";
constexpr const char* kOpenPurchaseFile = "VKOPENPO.DAT";

// The failure message every pass gives when a new file cannot be written.
constexpr const char* kWriteErrorText = "File write error (bad media / disk full)...";

// What the parameters screen chose: two switches and five cut-off day
// numbers, -1 where that pass is off.
struct PurgeParams {
  bool inventory = false;
  bool customers = false;
  int32_t usage = -1;
  int32_t receiving = -1;
  int32_t payroll = -1;
  int32_t workorders = -1;
  int32_t purchase_orders = -1;

  bool any() const {
    return inventory || customers || usage != -1 || receiving != -1 || payroll != -1 ||
           workorders != -1 || purchase_orders != -1;
  }
};

// How a pass ended.
enum class PassEnd {
  done,      // its files are in place; the run goes on
  last,      // its files are in place, but the run ends after it (a full store)
  stopped,   // it failed: its old files stand, its ".NEW" files are gone
};

struct PruneRun {
  XmsBlock* store = nullptr;
  PurgeParams params;
  RunMarker marker;
  // What ended the run early, written to the console after the screen is
  // given back.
  std::string failure;
};

// The lines of the parameters screen above its status line: the form down to
// row 20 and the line below it that says the purge has started.
constexpr int kParamsScreenLines = 21;

// The parameters screen: returns true with *params filled when the user
// started the purge with F10; false when the screen was left (ESC, PgUp,
// PgDn, end of input), in which case nothing is purged.
bool params_screen(PurgeParams* params);

PassEnd inventory_pass(PruneRun* run);
PassEnd customer_pass(PruneRun* run);
PassEnd usage_pass(PruneRun* run, int32_t cutoff);
PassEnd receiving_pass(PruneRun* run, int32_t cutoff);
PassEnd payroll_pass(PruneRun* run, int32_t cutoff);
PassEnd workorder_pass(PruneRun* run, int32_t cutoff);
PassEnd po_pass(PruneRun* run, int32_t cutoff);

// Removes the open workorder files that hold no valid number (0 or less),
// each saved under "./DELETED" first. The workorder pass calls it once its
// files are in place; a resumed run whose workorder pass was done calls it
// again, so a stop between the two steps leaves nothing behind.
void workorder_drop_invalid_files();

// The day that decides whether a stored document is old: its paid date, or
// when that is blank its closed date, or when that is blank too its open date.
inline int32_t document_cutoff_day(int32_t open, int32_t closed, int32_t paid) {
  if (paid != -1) return paid;
  if (closed != -1) return closed;
  return open;
}
