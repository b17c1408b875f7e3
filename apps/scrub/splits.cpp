#include "splits.h"

#include <utility>

#include "docs/workorder.h"

void complete_account_splits(WorkorderTotals* t) {
  bool carried = false;
  for (int i = 0; i < 10; i++)
    if (t->SplitDate[i] == t->DateClosed) carried = true;
  if (!carried)
    for (int i = 0; i < 10; i++)
      if (t->SplitAmount[i] == 0) {
        t->SplitDate[i] = t->DateClosed;
        t->SplitAmount[i] = 0;
        t->SplitType[i] = 0;
        break;
      }
  // The shop's exchange sort: splits without a date keep their places, the
  // others end in ascending date order.
  for (int i = 0; i < 10; i++)
    for (int j = 0; j < 10; j++)
      if (t->SplitDate[i] != -1 && t->SplitDate[i] <= t->SplitDate[j]) {
        std::swap(t->SplitType[i], t->SplitType[j]);
        std::swap(t->SplitAmount[i], t->SplitAmount[j]);
        std::swap(t->SplitDate[i], t->SplitDate[j]);
      }
}
