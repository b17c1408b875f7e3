// Saved copies of the document files the purge deletes, in the folder
// "./DELETED" below the current directory, named as the cleanup program
// names its copies: the document's letter ('W' workorder, 'I' purchase
// order), its number and the local time to the millisecond. A copy holds the
// file's bytes exactly and is flushed before the file is deleted.
#pragma once

#include <string>

class File;

// Writes one copy; a name already taken is never overwritten (the
// millisecond field is raised until a free name is found). False, with no
// partial copy left, when it cannot be written.
bool save_deleted_copy(char letter, long number, const std::string& bytes,
                       std::string* name_out = nullptr);

// The whole content of an open file; false when it cannot be read.
bool read_whole_file(File* f, std::string* out);
