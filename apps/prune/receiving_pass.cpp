// The receiving-log pass: receiving entries dated before the cut-off go.
#include "db/dbfile.h"
#include "db/inventory.h"
#include "db/usage.h"
#include "history_pass.h"

PassEnd receiving_pass(PruneRun* run, int32_t cutoff) {
  static const HistoryKind kReceiving = {"receiving",           "Purging Receiving... ",
                                         kReceivingFile,        kReceivingRecordSize,
                                         kReceivingDateOffset,  kReceivingNextOffset,
                                         kInventoryReceivingHeadOffset, &lock_receiving};
  return history_pass(run, kReceiving, cutoff);
}
