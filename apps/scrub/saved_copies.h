// Saved copies of the documents the cleanup program removes, in the folder
// "./DELETED" below the current directory, named by the document's letter
// ('W' workorder, 'I' purchase order), number and the local time to the
// millisecond. A copy holds the document's bytes exactly as they stood in
// their file, and is written and flushed before the document is dropped.
#pragma once

#include <cstddef>
#include <string>

// Writes one copy. An existing copy is never overwritten: when the name is
// taken, the milliseconds field is raised until a free name is found.
// Returns false (and leaves no partial file) when the copy cannot be written.
bool save_document_copy(char letter, long number, const void* bytes, size_t n,
                        std::string* name_out = nullptr);

// The whole content of a file that is open; false when it cannot be read.
bool read_whole_file(class File* f, std::string* out);
