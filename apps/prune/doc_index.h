// Pieces shared by the workorder and purchase-order passes: the index table
// of document tags in the store (512-byte slots keyed by the document
// number) and its writing to the new index file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xms/table.h"

struct OutFile;

// Inserts a tag (tag_size bytes) into the table in a zeroed slot; returns
// what became of it. *count is the table's entry count.
TableInsert doc_index_insert(XmsBlock* store, int* count, const uint8_t* tag, size_t tag_size);

// Writes the first tag_size bytes of every slot, in number order, to out;
// false when a write failed.
bool doc_index_write(XmsBlock* store, int count, size_t tag_size, OutFile* out);
