#include "chain_rebuild.h"

#include <vector>

#include "db/bytes.h"
#include "ui/screen.h"

bool chain_rebuild(ChainWalk* walk, OutFile* out, int32_t* head, const std::string& parent,
                   const ChildKeep& keep, bool spin) {
  int32_t old_head = *head;
  *head = -1;
  if (old_head == -1) return true;
  std::vector<uint8_t> child(walk->record_size);
  chain_start(walk, old_head, parent);
  int32_t at;
  while (chain_next(walk, child.data(), &at)) {
    if (spin) progress_spinner();
    if (!keep(child.data())) continue;
    le_put_i32(child.data() + walk->next_offset, *head);
    int64_t offset = out_append(out, child.data(), child.size());
    if (offset < 0) return false;
    *head = static_cast<int32_t>(offset);
  }
  return true;
}
