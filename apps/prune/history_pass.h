// The shared body of the usage-history and receiving-log passes: every
// inventory item's chain of entries is rebuilt into the new entry file,
// keeping the entries dated on or after the cut-off and every entry of a
// stock number that contains "/C". The items, with their new heads, go into
// the inventory file's replacement, which is swapped in with the new entry
// file, so no head ever points into a file that is not in place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "prune.h"

struct LockDescriptor;

struct HistoryKind {
  const char* pass;         // name in the run marker
  const char* status;       // status line
  const char* file;         // the entry file
  size_t entry_size;
  size_t date_offset;       // of the entry's day number
  size_t next_offset;       // of the entry's next link
  size_t head_offset;       // of the chain head in the inventory record
  LockDescriptor* lock;     // region kind of the entry file
};

PassEnd history_pass(PruneRun* run, const HistoryKind& kind, int32_t cutoff);
