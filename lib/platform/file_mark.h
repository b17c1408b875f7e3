// Marking a file as private to its owner. The shop's password file is
// marked hidden on the original platform; POSIX has no hidden attribute, so
// the file's permission bits are kept to its owner (0600) instead.
#pragma once

#include <string>

// Marks the file at path (the file name matched without regard to case) as
// hidden/private. Returns false when the file is missing or cannot be marked.
bool file_mark_hidden(const std::string& path);
