// The run of velktally: the state the clearing pass builds and the rebuild
// pass uses, and the files it rewrites.
//
// The rewritten files are built beside the old ones ("VKINVENT.NEW",
// "VKUSEHST.NEW", "VKINVTAG.NEW") and swapped in together at the end of the
// rebuild pass, so a run stopped half-way leaves the shop's files as they
// were and the next run starts again from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cmdline.h"

class File;
struct XmsBlock;

constexpr const char* kInventoryFile = "VKINVENT.DAT";
constexpr const char* kInventoryIndexFile = "VKINVTAG.DAT";
constexpr const char* kUsageFile = "VKUSEHST.DAT";
constexpr const char* kInvoiceFile = "VKINVOIC.DAT";
constexpr const char* kWorkorderIndexFile = "VKINCTAG.DAT";
constexpr const char* kOpenWorkorderFile = "VKOPENWO.DAT";

// The usage head of a record that is not in use (deleted or empty): it is
// left as it was.
constexpr int32_t kHeadUntouched = INT32_MIN;

struct TallyState {
  XmsBlock* store = nullptr;
  // Entries of the inventory tag table in the store.
  int tag_count = 0;
  // The replacement of the inventory file, open from the clearing pass to
  // the end of the rebuild pass.
  File* inventory_new = nullptr;
  // Where the next added inventory record goes (a whole-record boundary).
  int64_t inventory_end = 0;
  // The new usage head of every inventory record, by record number: -1 or
  // the offset of its newest usage entry; kHeadUntouched for records not in use.
  std::vector<int32_t> usage_heads;
};

// Clears every item's usage link and builds the inventory tag table.
void tally_clear_pass(TallyState* state);
// Writes the usage history again from the stored and the open workorders,
// then puts the three rewritten files in place.
void tally_rebuild_pass(TallyState* state, const TallyOptions& options);

// A write to one of the rewritten files failed: the replacements are
// dropped (the old files stand), the message names the file, exit 1.
[[noreturn]] void tally_write_failed(const char* file);
