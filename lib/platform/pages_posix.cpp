#include "platform/pages.h"

#include <sys/mman.h>

#include <cstdint>

void* pages_take(size_t bytes) {
  if (bytes == 0) return nullptr;
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
#if defined(MADV_HUGEPAGE)
  // Memory filled front to back is then committed 2 MB at a time instead of
  // 4 KB: far fewer faults. Only a hint; nothing depends on it.
  if (bytes >= (size_t{2} << 20)) madvise(memory, bytes, MADV_HUGEPAGE);
#endif
  return memory;
}

void pages_give_back(void* memory, size_t bytes) {
  if (memory) munmap(memory, bytes);
}
