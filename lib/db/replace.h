// Replacing data files by rewritten copies. A pass writes the replacement
// ("VKINVENT.NEW" for "VKINVENT.DAT") completely beside the old file, then
// swaps it in: the copy is flushed, renamed over the old file (one atomic
// step, so there is always one whole file under the name) and the directory
// is flushed. The files of one pass are swapped as one group through a small
// journal in the data directory: written and flushed once every replacement
// is complete, then the renames, then the journal removed. A run stopped in
// the middle is finished by the next start of any program
// (db_startup_recover), so the files of a pass are either all old or all new.
#pragma once

#include <string>
#include <vector>

class File;

// Journal of a group swap, in the data directory; the temporary name is the
// journal while it is being written (not yet decided).
constexpr const char* kSwapJournalName = "VKSWAP.JNL";
constexpr const char* kSwapJournalTempName = "VKSWAP.TMP";

// Opens the replacement of a data file (catalog name, e.g. "VKINVENT.DAT")
// in the data directory, empty: a leftover replacement is deleted first.
// Fails like db_open.
File* replace_open_new(const std::string& name);

// Deletes the replacement files of data files (a pass that could not write
// its new files completely); the old files stay as they are.
void replace_discard(const std::string& name);
void replace_discard(const std::vector<std::string>& names);

// Swaps the replacement of one data file in. The replacement should be
// closed (or at least no longer written). Returns false, with nothing
// changed, when the replacement is missing or cannot be flushed or renamed.
bool replace_swap(const std::string& name);

// The common end of a rewrite: flushes the replacement's handle (fatal
// "File commit error..." on failure), closes it and swaps it in.
bool replace_finish(File* replacement, const std::string& name);

// Swaps the replacements of several data files in as one group. Returns
// false, with nothing changed, when a replacement is missing or cannot be
// flushed, or the journal cannot be written. Once the journal is written the
// swap is decided: a rename that fails then is fatal (message, exit 1), and
// the next start of any program finishes the swap.
bool replace_swap_group(const std::vector<std::string>& names);

// Called by every program once the data directory is set and before it
// opens any data file: finishes a group swap that a stopped run left
// decided, drops an undecided journal, and puts each catalog file's
// replacement in place when the data file itself is missing (the
// replacement is then its only copy). Says on the console what it did.
void db_startup_recover();
