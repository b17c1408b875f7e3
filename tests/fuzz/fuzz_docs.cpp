// Coverage-guided fuzzing of the workorder and purchase-order readers (built
// with clang only; see the README for the command).
#include <cstdio>
#include <cstdlib>

#include "doc_invariants.h"
#include "platform/console.h"
#include "ui/dates.h"
#include "ui/settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  console_set(new MemoryConsole());
  settings_defaults(ProgramKind::scrub);
  today_set(729842);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (auto check : {doc_fuzz::check_workorder, doc_fuzz::check_purchase_order,
                     doc_fuzz::check_file_reads}) {
    std::string err = check(data, size);
    if (!err.empty()) {
      std::fprintf(stderr, "document invariant broken: %s\n", err.c_str());
      std::abort();
    }
  }
  return 0;
}
