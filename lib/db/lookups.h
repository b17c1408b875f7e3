// Lookups in the workorder and purchase-order index and list files. Each
// opens its file in the data directory, locks it whole, searches, unlocks
// and closes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class File;

struct WorkorderTag;
struct PurchaseOrderTag;
struct OpenWorkorderEntry;
struct OpenPurchaseOrderEntry;

// Binary search of "VKINCTAG.DAT" for tag->number. Found: the tag is filled,
// *position is its offset in the index and the result its invoice offset
// (-1 for an open workorder). Not found: *position and the result are -1.
int32_t find_workorder_tag(WorkorderTag* tag, int32_t* position);
// The same on "VKPURTAG.DAT"; the result is the order's offset in "VKPURCHA.DAT".
int32_t find_purchase_order_tag(PurchaseOrderTag* tag, int32_t* position);

// First entry of "VKOPENWO.DAT" whose number is entry->tag.number: the entry
// is filled and *position is its offset. False when there is none (or the
// read buffer cannot be had).
bool find_open_workorder(OpenWorkorderEntry* entry, int32_t* position);
// The same on "VKOPENPO.DAT".
bool find_open_purchase_order(OpenPurchaseOrderEntry* entry, int32_t* position);

// A rebuilt index drops every entry whose document lies at or past the end
// of its document file (a file cut short). The line that says how many of
// the old index's entries did ("12 entries of VKINCTAG.DAT pointed past the
// end of VKINVOIC.DAT and were dropped\r\n"), empty when none did. The
// index is read from its start; the document offset sits at offset_at of
// each entry of entry_size bytes (an open document's -1 never counts).
std::string index_entries_past_end(File* index, const char* index_name, size_t entry_size,
                                   size_t offset_at, File* documents, const char* document_name);
