// The extended memory store: one linear byte space made of a chain of large
// zero-filled memory blocks, taken at start-up with all the memory the machine
// can spare. Callers see offsets 0 to the capacity and move data in and out
// only by copying. Every store offset and size is 64-bit.
//
// Blocks are plain zero-filled memory: the system commits their pages only
// when they are first touched, so a store of many gigabytes costs resident
// memory only for what the tables really use.
#pragma once

#include <cstddef>
#include <cstdint>

struct XmsBlock {
  void* memory;    // the block's zero-filled storage
  uint32_t size;   // bytes granted
  XmsBlock* next;  // next block of the chain, null at the end
};

// Size of every block after the first (1024 KB).
constexpr uint32_t kXmsBlockUnit = 1048576;
// Held back while the store is taken, and the lower limit of free memory.
constexpr uint64_t kXmsReserve = 4194304;
// The request for as many blocks as the memory allows (kilobytes).
constexpr uint32_t kXmsAll = 0xFFFF;

// Operation codes of the copy engine.
constexpr int kXmsCopyUp = 0;
constexpr int kXmsCopyDown = 1;
constexpr int kXmsMove = 2;

// Sum of the kilobytes requested for every block granted to the store.
extern uint64_t xms_total_kb;

// Builds the store and returns its first block. The request is in kilobytes;
// kXmsAll and 0xFFFFFFFF (a -1 passed by the programs) ask for all. A store
// built earlier is released first (one store per process). When the reserve
// or the first block cannot be had, shows "XMS_alloc failed..." and ends the
// program with exit status 1.
XmsBlock* XMS_alloc(uint32_t kilobytes);

// Copies count bytes from ordinary memory into the store at store_offset.
void XMS_copy_up(XmsBlock* store, const void* source, uint64_t store_offset, uint64_t count);
// Copies count bytes from the store at store_offset into ordinary memory.
void XMS_copy_down(XmsBlock* store, uint64_t store_offset, void* destination, uint64_t count);
// Copies count bytes within the store; the two ranges may overlap and may
// cross block boundaries.
void XMS_move(XmsBlock* store, uint64_t source_offset, uint64_t destination_offset,
              uint64_t count);
// The engine behind the three copies. memory is the source (up) or the
// destination (down) and is not used by a move; offset is the store offset
// (up, down) or the source offset (move), offset2 the move's destination. A
// range reaching past the store's end shows the operation's "Beyond XMS
// allocation" message and exits 1 before anything is copied; an unknown
// operation shows "\r\nBad XMS function...\r\n" and exits 1.
void xms_copy(XmsBlock* store, int operation, void* memory, uint64_t offset, uint64_t offset2,
              uint64_t count);

// Bytes the store holds (the sum of its blocks' sizes).
uint64_t xms_capacity(const XmsBlock* store);
// The store built by XMS_alloc, null when there is none.
XmsBlock* xms_store();

// Frees every block of the store and deletes "UDFILE.DAT" from the data
// directory (a missing file is no error). Registered by the programs with
// std::atexit so that it runs on every exit, a fatal one included.
void xms_exit_handler();

// Free physical memory in bytes, as the platform reports it (or as the source
// installed by xms_set_memory_source reports it).
uint64_t available_memory();

// Test hooks. A null argument restores the system's own.
// Where available_memory() reads its figure from.
void xms_set_memory_source(uint64_t (*source)());
// How zero-filled memory for the store is allocated (null on refusal) and
// freed. The store first asks for all its blocks in one allocation and,
// when that is refused, for one block after the other.
void xms_set_block_allocator(void* (*allocate)(size_t bytes),
                             void (*release)(void* memory, size_t bytes));
// Allocations of the store not yet freed (the reserve included while it is
// held).
int xms_live_allocations();
