// The usage-history pass: usage entries dated before the cut-off go.
#include "db/dbfile.h"
#include "db/inventory.h"
#include "db/usage.h"
#include "history_pass.h"

PassEnd usage_pass(PruneRun* run, int32_t cutoff) {
  static const HistoryKind kUsage = {"usage",           "Purging Usage... ",
                                     kUsageFile,        kUsageRecordSize,
                                     kUsageDateOffset,  kUsageNextOffset,
                                     kInventoryUsageHeadOffset, &lock_usage};
  return history_pass(run, kUsage, cutoff);
}
