// Saved copies of the documents the cleanup program removes, in the folder
// "./DELETED" below the current directory, named by the document's letter
// ('W' workorder, 'I' purchase order), number and the local time to the
// millisecond. A copy holds the document's bytes exactly as they stood in
// their file. Copies are written as the passes find what they remove and
// flushed together (saved_copies_commit) before any document they save is
// dropped or deleted: before a pass swaps its new files in, and before open
// documents are deleted.
#pragma once

#include <cstddef>
#include <string>

// Writes one copy. An existing copy is never overwritten: when the name is
// taken, the milliseconds field is raised until a free name is found.
// Returns false (and leaves no partial file) when the copy cannot be written.
bool save_document_copy(char letter, long number, const void* bytes, size_t n,
                        std::string* name_out = nullptr);
// Flushes every copy written so far and the folder; a failure is fatal
// (nothing has been dropped or deleted yet).
void saved_copies_commit();

// The whole content of a file that is open; false when it cannot be read.
bool read_whole_file(class File* f, std::string* out);
