// The files a pass holds, and the two ways a pass ends: its replacements
// swapped in as one group with the run marker, or dropped with the old files
// left as they were.
#pragma once

#include <string>
#include <vector>

#include "db/dbfile.h"
#include "prune.h"

class File;

// Files opened by a pass, each with its own copy of its lock region, so the
// same kind of lock can be held on two files at once.
struct PassFiles {
  struct Held {
    File* file;
    LockDescriptor lock;
    bool locked;
  };
  std::vector<Held> held;
};

// Opens a data file of the data directory (created when missing) and locks
// it from its start with the region of its kind; a retried lock is asked
// for again until it is granted.
File* pass_open(PassFiles* files, const std::string& name, const LockDescriptor& lock,
                bool retried = false);
// Opens the replacement (".NEW") of a data file, empty; locked when lock is given.
File* pass_open_new(PassFiles* files, const std::string& name, const LockDescriptor* lock);
// Unlocks and closes every file the pass holds, the last opened first.
void pass_close(PassFiles* files);

// Puts the replacements of names in place as one group; with record set the
// pass is added to the run marker, which joins the group. False when the
// swap could not be made (nothing changed).
bool pass_swap(PruneRun* run, const std::string& pass, const std::vector<std::string>& names,
               bool record = true);

// A pass that cannot finish: the message on the bottom line with a warning
// beep (unless already shown), the files closed, the replacements of names
// removed, and the message kept for the end of the run.
PassEnd pass_fail(PruneRun* run, PassFiles* files, const std::vector<std::string>& names,
                  const std::string& message, bool shown = false);
