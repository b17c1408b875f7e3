// The run marker "VKPURGE.DAT": which passes of a purge are done, written
// into the swap group of every pass so that it changes together with the
// pass's files. A purge stopped half-way (a kill, a power cut, a full disk)
// and started again with the same choices skips the passes already done:
// running a pass twice is not the same as running it once (the chains it
// rebuilds come out reversed each time). Once every chosen pass is done the
// marker is removed: a stop before that resumes like any other, and the
// same purge started again later runs in full.
//
// Each pass done is recorded with the size and a hash of the contents its
// files had when they were put in place; a pass whose files have changed
// since (the shop application or another program ran in between) is not
// skipped.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr const char* kRunMarkerFile = "VKPURGE.DAT";

struct FilePrint {
  std::string name;  // data file name
  int64_t size = -1;
  uint64_t hash = 0;
  bool operator==(const FilePrint&) const = default;
};

struct MarkedPass {
  std::string pass;
  std::vector<FilePrint> files;
};

struct RunMarker {
  std::string params;  // the choices of the purge, as one line of text
  std::vector<MarkedPass> done;
};

// Reads the marker of the data directory; false (and *m emptied) when there
// is none or it is not whole.
bool marker_load(RunMarker* m);
// True when the pass is recorded as done and its files are still as the
// passes recorded left them.
bool marker_done(const RunMarker& m, const std::string& pass);
// Records a pass as done, with the prints of the replacements (".NEW") of
// its files, which become the files once they are swapped in.
void marker_add(RunMarker* m, const std::string& pass, const std::vector<std::string>& names);
// Writes the marker's replacement ("VKPURGE.NEW") completely and flushes it;
// false when it cannot be written.
bool marker_write_new(const RunMarker& m);
// Removes the marker of a purge whose passes are all done.
void marker_remove();

// The size and content hash of a file of the data directory (size -1 when
// it cannot be read).
FilePrint file_print(const std::string& name);

// The text form, for tests.
std::string marker_text(const RunMarker& m);
bool marker_parse(const std::string& text, RunMarker* m);
