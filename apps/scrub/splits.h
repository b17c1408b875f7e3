// Payment splits of an "ON ACCT" workorder kept open: the closing date gets a
// split of its own when none carries it, and the splits are put in date order.
#pragma once

struct WorkorderTotals;

void complete_account_splits(WorkorderTotals* t);
