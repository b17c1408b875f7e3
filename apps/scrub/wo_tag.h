// Index tags of workorders and their place in the sorted table of the store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/worktags.h"

#include "docs/doc_tags.h"  // make_workorder_tag

struct XmsBlock;

// The store and the count of the sorted table being built in it.
extern XmsBlock* g_store;
extern int g_table_count;

// Writes the first tag_size bytes of every slot of the number table, in
// order, into the replacement of index_name ("VKINCTAG.NEW", "VKPURTAG.NEW"),
// flushed when the flush option is on.
void write_table_index(const char* index_name, size_t tag_size);

// Numbers of the workorders kept in the new invoice file.
void invoiced_add(int32_t number);
bool invoiced(int32_t number);
void invoiced_clear();

// Inserts a tag into the workorder table; false when its number is already
// there. A full table ends the run with the out-of-memory abort.
bool workorder_table_insert(const WorkorderTag& tag);
