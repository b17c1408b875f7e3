// Chain walks over a child file of any bytes, with any heads: a walk
// follows exactly the links that lie inside the file, on a record boundary
// and not yet visited in the same walk, ends at the first other one (naming
// the parent), never loops, and keeps to its link limit. Children appended
// between walks are seen by the next walk. A failed read ends in the fatal
// message.
#include <set>

#include "db/bytes.h"
#include "db/chain.h"
#include "fuzz_support.h"
#include "ui/settings.h"

namespace {

struct Shape {
  size_t size, next;
};
// Child records of the data files (usage, receiving, vehicles) and small
// ones, each with where its next link lies.
const Shape kShapes[] = {{76, 71}, {84, 80}, {397, 393}, {8, 4}, {4, 0}, {12, 3}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  settings_defaults(ProgramKind::scrub);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const Shape shape = kShapes[in.byte() % (sizeof kShapes / sizeof kShapes[0])];
  const int limit = in.byte() % 8;
  const int walks = 1 + in.byte() % 6;
  std::vector<int32_t> heads;
  for (int i = 0; i < walks; i++) {
    // Heads near the file's records, or any value.
    uint8_t k = in.byte();
    heads.push_back(k < 128 ? static_cast<int32_t>(k % 32 * shape.size) - (k & 64 ? 1 : 0)
                            : static_cast<int32_t>(in.u32()));
  }
  const uint8_t appends = in.byte(), relinks = in.byte();
  fuzz::PieceFile f;
  fuzz::shape_reads(in, &f);
  f.data = in.rest();
  const int rs = static_cast<int>(shape.size);

  fuzz::FatalConsole con;
  Console* old = console_set(&con);
  ChainWalk w;
  chain_setup(&w, &f, shape.size, shape.next, "VKUSEHST.DAT", limit);
  std::vector<uint8_t> rec(shape.size);
  try {
    for (int i = 0; i < walks; i++) {
      // What the walk must give: the valid links in order, to the first bad one.
      std::vector<int32_t> want;
      std::set<int64_t> seen;
      bool bad = false;
      for (int64_t link = heads[i]; link != -1;) {
        if (limit && static_cast<int>(want.size()) == limit) break;
        if (link < 0 || link % rs != 0 || link + rs > static_cast<int64_t>(f.data.size()) ||
            !seen.insert(link).second) {
          bad = true;
          break;
        }
        want.push_back(static_cast<int32_t>(link));
        link = le_get_i32(f.data.data() + link + shape.next);
      }
      size_t told = con.transcript().size();
      chain_start(&w, heads[i], "ITEM " + std::to_string(i));
      std::vector<int32_t> got;
      int32_t at;
      while (chain_next(&w, rec.data(), &at)) {
        fuzz::expect(got.size() <= f.data.size() / shape.size, "the walk loops");
        fuzz::expect(std::memcmp(rec.data(), f.data.data() + at, shape.size) == 0, "child bytes");
        got.push_back(at);
      }
      fuzz::expect(got == want, "links followed");
      fuzz::expect(w.broken == bad, "broken flag");
      bool named = con.transcript().find("ITEM " + std::to_string(i), told) != std::string::npos;
      fuzz::expect(named == bad, "bad link named on the console");
      fuzz::expect(!chain_next(&w, rec.data(), &at), "a walk that ended goes on");

      // A child appended to this chain becomes its head.
      if (appends >> i & 1) {
        int32_t head = heads[i];
        std::vector<uint8_t> child(shape.size, static_cast<uint8_t>(i));
        fuzz::expect(chain_append(&f, child.data(), shape.size, shape.next, &head), "append");
        fuzz::expect(head % rs == 0 && le_get_i32(f.data.data() + head + shape.next) == heads[i],
                     "appended child links to the old head");
        if (i + 1 < walks && (relinks >> i & 1)) heads[i + 1] = head;
      }
    }
  } catch (fuzz::ReadFatal&) {
    fuzz::expect(f.failed, "fatal without a failed read");
    console_set(old);
    return 0;
  }
  console_set(old);
  fuzz::expect(!f.failed, "a failed read taken for the end of a chain");
  return 0;
}
