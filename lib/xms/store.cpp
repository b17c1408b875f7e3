#include "xms/store.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "db/catalog.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/pages.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "xms/store_access.h"

uint64_t xms_total_kb = 0;

namespace {

// The store's memory comes straight from the system, zero-filled and
// committed only where touched: no allocator clears it or keeps books on it.
void* system_take(size_t bytes) { return pages_take(bytes); }
void system_give_back(void* memory, size_t bytes) { pages_give_back(memory, bytes); }

uint64_t (*g_memory_source)() = nullptr;
void* (*g_allocate)(size_t) = system_take;
void (*g_release)(void*, size_t) = system_give_back;
int g_live_allocations = 0;

// The exit handler deletes a file through the platform layer. Taking the
// platform's Env before main makes sure it outlives every exit hook that a
// program registers (hooks and static objects end in reverse order).
const bool g_env_taken = env() != nullptr;

// The store of this process, its blocks in chain order and the offset each
// block starts at, so that an offset is found without walking the chain.
XmsBlock* g_store = nullptr;
// When the blocks were carved out of one allocation, that allocation.
void* g_region = nullptr;
size_t g_region_size = 0;
std::vector<XmsBlock*> g_blocks;
std::vector<uint64_t> g_starts;

void* take(size_t bytes) {
  void* memory = g_allocate(bytes);
  if (memory) ++g_live_allocations;
  return memory;
}

void give_back(void* memory, size_t bytes) {
  if (!memory) return;
  g_release(memory, bytes);
  --g_live_allocations;
}

void release_store() {
  xms_table_forget();
  XmsBlock* block = g_store;
  while (block) {
    XmsBlock* next = block->next;
    if (!g_region) give_back(block->memory, block->size);
    block->next = nullptr;
    delete block;
    block = next;
  }
  give_back(g_region, g_region_size);
  g_region = nullptr;
  g_region_size = 0;
  g_store = nullptr;
  g_blocks.clear();
  g_blocks.shrink_to_fit();
  g_starts.clear();
  g_starts.shrink_to_fit();
  xms_total_kb = 0;
}

[[noreturn]] void alloc_failed() {
  Console* con = console();
  con->clear();
  // The error colour: the settings' special colour (blink bit kept) on the
  // screen background.
  con->set_attr(static_cast<uint8_t>((g_settings.color_special & 0x8F) |
                                     (g_settings.color_background & 7) << 4));
  con_print("XMS_alloc failed...");
  fatal_exit();
}

[[noreturn]] void beyond(int operation) {
  static const char* const kMessages[] = {
      "\r\nXMS_copy_up failed...(Beyond XMS allocation)\r\n",
      "\r\nXMS_copy_down failed...(Beyond XMS allocation)\r\n",
      "\r\nXMS_move failed...(Beyond XMS allocation)\r\n",
  };
  con_print(kMessages[operation]);
  fatal_exit();
}

// The blocks of a store with their start offsets. The store of this process
// is indexed already; any other chain is walked.
struct BlockView {
  const std::vector<XmsBlock*>* blocks;
  const std::vector<uint64_t>* starts;
  std::vector<XmsBlock*> own_blocks;
  std::vector<uint64_t> own_starts;

  explicit BlockView(XmsBlock* store) {
    if (store == g_store) {
      blocks = &g_blocks;
      starts = &g_starts;
      return;
    }
    uint64_t start = 0;
    for (XmsBlock* b = store; b; b = b->next) {
      own_blocks.push_back(b);
      own_starts.push_back(start);
      start += b->size;
    }
    blocks = &own_blocks;
    starts = &own_starts;
  }
  uint64_t capacity() const {
    return blocks->empty() ? 0 : starts->back() + blocks->back()->size;
  }
  // Index of the block holding offset (offset below the capacity).
  size_t find(uint64_t offset) const {
    auto it = std::upper_bound(starts->begin(), starts->end(), offset);
    return static_cast<size_t>(it - starts->begin()) - 1;
  }
  uint8_t* at(size_t i, uint64_t offset) const {
    return static_cast<uint8_t*>((*blocks)[i]->memory) + (offset - (*starts)[i]);
  }
  uint64_t end_of(size_t i) const { return (*starts)[i] + (*blocks)[i]->size; }
};

bool fits(const BlockView& view, uint64_t offset, uint64_t count) {
  uint64_t capacity = view.capacity();
  return offset < capacity && count <= capacity - offset;
}

// Copies between ordinary memory and the store, block piece by block piece.
void copy_between(const BlockView& view, bool up, uint8_t* memory, uint64_t offset,
                  uint64_t count) {
  size_t i = view.find(offset);
  while (count > 0) {
    uint64_t piece = std::min<uint64_t>(count, view.end_of(i) - offset);
    uint8_t* in_store = view.at(i, offset);
    if (up)
      std::memcpy(in_store, memory, piece);
    else
      std::memcpy(memory, in_store, piece);
    memory += piece;
    offset += piece;
    count -= piece;
    ++i;
  }
}

// Moves within the store. Pieces never cross a block boundary on either
// side; an upward move runs from the top down so that overlapping ranges
// come out as if copied through a buffer.
void move_within(const BlockView& view, uint64_t source, uint64_t destination, uint64_t count) {
  if (count == 0 || source == destination) return;
  if (destination < source) {
    while (count > 0) {
      size_t si = view.find(source), di = view.find(destination);
      uint64_t piece = std::min({count, view.end_of(si) - source, view.end_of(di) - destination});
      std::memmove(view.at(di, destination), view.at(si, source), piece);
      source += piece;
      destination += piece;
      count -= piece;
    }
    return;
  }
  uint64_t source_end = source + count, destination_end = destination + count;
  while (count > 0) {
    size_t si = view.find(source_end - 1), di = view.find(destination_end - 1);
    uint64_t piece = std::min({count, source_end - (*view.starts)[si],
                               destination_end - (*view.starts)[di]});
    std::memmove(view.at(di, destination_end - piece), view.at(si, source_end - piece), piece);
    source_end -= piece;
    destination_end -= piece;
    count -= piece;
  }
}

}  // namespace

uint64_t available_memory() {
  return g_memory_source ? g_memory_source() : env()->free_physical_memory();
}

void xms_set_memory_source(uint64_t (*source)()) { g_memory_source = source; }

void xms_set_block_allocator(void* (*allocate)(size_t), void (*release)(void*, size_t)) {
  g_allocate = allocate ? allocate : system_take;
  g_release = release ? release : system_give_back;
}

int xms_live_allocations() { return g_live_allocations; }

XmsBlock* xms_store() { return g_store; }

uint64_t xms_capacity(const XmsBlock* store) {
  uint64_t total = 0;
  if (store == g_store) return g_starts.empty() ? 0 : g_starts.back() + g_blocks.back()->size;
  for (const XmsBlock* b = store; b; b = b->next) total += b->size;
  return total;
}

namespace {

// Links a granted block at the end of the chain.
XmsBlock* append_block(XmsBlock* last, void* memory, uint32_t size) {
  XmsBlock* block = new (std::nothrow) XmsBlock{memory, size, nullptr};
  if (!block) return nullptr;
  uint64_t start = last ? g_starts.back() + last->size : 0;
  if (last)
    last->next = block;
  else
    g_store = block;
  g_blocks.push_back(block);
  g_starts.push_back(start);
  xms_total_kb += size / 1024;
  return block;
}

}  // namespace

XmsBlock* XMS_alloc(uint32_t kilobytes) {
  release_store();
  bool all = kilobytes == kXmsAll || kilobytes == 0xFFFFFFFFu;
  uint64_t wanted = static_cast<uint64_t>(kilobytes) * 1024;

  // The system commits memory only when it is touched, so the free figure
  // does not fall as blocks are granted: what was granted (the reserve
  // included) is counted against the figure measured now.
  uint64_t free_at_start = available_memory();
  void* reserve = take(kXmsReserve);
  if (!reserve) alloc_failed();
  uint32_t first_size = (all || kilobytes > 1024) ? kXmsBlockUnit : kilobytes * 1024u;
  if (first_size == 0) {
    give_back(reserve, kXmsReserve);
    alloc_failed();
  }
  auto more_wanted = [&](uint64_t granted, uint64_t sum) {
    uint64_t free_now = free_at_start > granted ? free_at_start - granted : 0;
    return free_now > kXmsReserve && (all || sum < wanted);
  };

  // The number of blocks is known from the start: take them all in one
  // allocation (one call to the system, however many gigabytes), carved
  // into the chain's blocks.
  uint64_t blocks_after_first = 0;
  for (uint64_t sum = first_size, granted = kXmsReserve + first_size; more_wanted(granted, sum);
       sum += kXmsBlockUnit, granted += kXmsBlockUnit)
    ++blocks_after_first;
  uint64_t region_size = first_size + blocks_after_first * kXmsBlockUnit;
  if (region_size <= SIZE_MAX && (g_region = take(static_cast<size_t>(region_size)))) {
    g_region_size = static_cast<size_t>(region_size);
    auto* memory = static_cast<uint8_t*>(g_region);
    XmsBlock* last = append_block(nullptr, memory, first_size);
    for (uint64_t i = 0; last && i < blocks_after_first; ++i)
      last = append_block(last, memory + first_size + i * kXmsBlockUnit, kXmsBlockUnit);
    if (!last) {
      release_store();
      give_back(reserve, kXmsReserve);
      alloc_failed();
    }
    give_back(reserve, kXmsReserve);
    return g_store;
  }

  // Otherwise block by block, as long as the system grants them.
  void* memory = take(first_size);
  XmsBlock* last = memory ? append_block(nullptr, memory, first_size) : nullptr;
  if (!last) {
    give_back(memory, first_size);
    give_back(reserve, kXmsReserve);
    alloc_failed();
  }
  uint64_t sum = first_size;
  while (more_wanted(kXmsReserve + sum, sum)) {
    void* more = take(kXmsBlockUnit);
    XmsBlock* block = more ? append_block(last, more, kXmsBlockUnit) : nullptr;
    if (!block) {
      give_back(more, kXmsBlockUnit);
      break;  // the chain keeps the blocks granted so far
    }
    last = block;
    sum += kXmsBlockUnit;
  }
  give_back(reserve, kXmsReserve);
  return g_store;
}

void xms_copy_raw(XmsBlock* store, int operation, void* memory, uint64_t offset, uint64_t offset2,
                  uint64_t count) {
  if (operation < kXmsCopyUp || operation > kXmsMove) {
    con_print("\r\nBad XMS function...\r\n");
    fatal_exit();
  }
  BlockView view(store);
  if (!fits(view, offset, count)) beyond(operation);
  if (operation == kXmsMove) {
    if (!fits(view, offset2, count)) beyond(operation);
    move_within(view, offset, offset2, count);
    return;
  }
  copy_between(view, operation == kXmsCopyUp, static_cast<uint8_t*>(memory), offset, count);
}

void xms_copy(XmsBlock* store, int operation, void* memory, uint64_t offset, uint64_t offset2,
              uint64_t count) {
  if (store && operation >= kXmsCopyUp && operation <= kXmsMove) {
    if (operation == kXmsMove) {
      xms_table_observe(store, offset, count, false);
      xms_table_observe(store, offset2, count, true);
    } else {
      xms_table_observe(store, offset, count, operation == kXmsCopyUp);
    }
  }
  xms_copy_raw(store, operation, memory, offset, offset2, count);
}

void XMS_copy_up(XmsBlock* store, const void* source, uint64_t store_offset, uint64_t count) {
  xms_copy(store, kXmsCopyUp, const_cast<void*>(source), store_offset, 0, count);
}

void XMS_copy_down(XmsBlock* store, uint64_t store_offset, void* destination, uint64_t count) {
  xms_copy(store, kXmsCopyDown, destination, store_offset, 0, count);
}

void XMS_move(XmsBlock* store, uint64_t source_offset, uint64_t destination_offset,
              uint64_t count) {
  xms_copy(store, kXmsMove, nullptr, source_offset, destination_offset, count);
}

uint8_t* xms_span(XmsBlock* store, uint64_t offset, uint64_t length) {
  if (store == g_store && store) {
    // Every block after the first has the block unit's size.
    uint64_t first = store->size;
    size_t i = offset < first ? 0 : 1 + static_cast<size_t>((offset - first) / kXmsBlockUnit);
    if (i >= g_blocks.size()) return nullptr;
    uint64_t inside = offset - g_starts[i];
    if (length > g_blocks[i]->size - inside) return nullptr;
    return static_cast<uint8_t*>(g_blocks[i]->memory) + inside;
  }
  BlockView view(store);
  if (!fits(view, offset, length)) return nullptr;
  size_t i = view.find(offset);
  if (length > view.end_of(i) - offset) return nullptr;
  return view.at(i, offset);
}

void xms_exit_handler() {
  release_store();
  // The swap file's name belongs to the shop database: a file of that name
  // in whatever folder the program was started from is none of its business.
  env()->remove(data_path("UDFILE.DAT"));
}
