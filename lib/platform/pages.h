// Large zero-filled memory straight from the system, committed page by page
// only when first touched: the extended memory store takes all the memory
// the machine can spare this way, and pays (in time and resident memory)
// only for what its tables use.
#pragma once

#include <cstddef>

// Returns bytes of zero-filled memory, null when the system refuses. Large
// pages are preferred where the system has them.
void* pages_take(size_t bytes);
// Gives back what pages_take returned, with the same size.
void pages_give_back(void* memory, size_t bytes);
