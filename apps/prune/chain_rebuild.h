// Rebuilding one chain of child records (usage history, receiving log,
// vehicles, payroll) into the new child file: the old chain is walked from
// the old child file with the guarded walk, and every child that survives is
// put in front of the new chain, so the kept children come out in reverse
// order. The parent's new head is handed back; the caller writes the parent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/chain.h"
#include "out_file.h"

// Decides whether a child survives; it may change the child's bytes (the
// vehicle owner) before it is written.
using ChildKeep = std::function<bool(uint8_t* child)>;

// Rebuilds the chain that starts at *head (a parent named by parent in the
// console message of a bad link). *head becomes the offset of the last kept
// child in out, or -1 when none is kept. With spin set the progress mark
// turns once per child followed. False when a write to out failed.
bool chain_rebuild(ChainWalk* walk, OutFile* out, int32_t* head, const std::string& parent,
                   const ChildKeep& keep, bool spin = true);
