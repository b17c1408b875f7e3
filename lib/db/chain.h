// Chains of fixed-size child records (usage history, receiving log, vehicles,
// payroll): the parent holds the offset of the first child, each child the
// offset of the next, -1 at the end. New children go at the end of the child
// file and become the head, so a chain runs newest first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class File;
struct UsageRecord;
struct ReceivingRecord;

// Walks chains of one child file. A link is followed only when it lies
// inside the file, on a record boundary, and was not visited before in the
// same walk; otherwise the chain ends there and the console names the
// parent, so a damaged link can neither loop nor read a made-up record.
struct ChainWalk {
  File* file = nullptr;
  size_t record_size = 0;
  size_t next_offset = 0;       // offset of the next link inside a child
  std::string file_name;        // child file, for the console message
  int limit = 0;                // most links followed per chain (the chain ends
                                // there quietly), 0 for no limit
  // Per chain:
  std::string parent;           // names the parent in the console message
  int64_t file_size = 0;
  int32_t link = -1;
  int followed = 0;
  bool broken = false;          // the chain ended at a bad link
  // Visit marks: the walk number per child record.
  std::vector<uint32_t> marks;
  uint32_t walk = 0;
};

void chain_setup(ChainWalk* w, File* child_file, size_t record_size, size_t next_offset,
                 const std::string& file_name, int limit = 0);
// Starts the chain of one parent at its head.
void chain_start(ChainWalk* w, int32_t head, const std::string& parent);
// The next child into rec and its offset; false at the end of the chain (or
// at a bad link, with broken set and the console told).
bool chain_next(ChainWalk* w, uint8_t* rec, int32_t* offset);

// Appends a child to a chain: its next link (at next_offset) becomes *head,
// it is written at the end of the child file, and *head becomes its offset.
// False, with *head unchanged, when the write fails.
bool chain_append(File* child_file, uint8_t* child, size_t record_size, size_t next_offset,
                  int32_t* head);

// Adds a usage (or receiving) entry to an inventory item: reads the item at
// its offset, links the entry in front of its chain, writes the entry at the
// end of the entry file and the item back. False when a write fails or the
// item is not in the file.
bool inventory_add_usage(File* inventory, int32_t item_offset, File* usage, UsageRecord* entry);
bool inventory_add_receiving(File* inventory, int32_t item_offset, File* receiving,
                             ReceivingRecord* entry);
