// Open document files ("W*.DKT", "I*.DKT") as whole files: read, rewritten
// safely, and removed with a saved copy first.
#pragma once

#include <string>

class File;

// Opens a document file of the data directory and locks it at offset 0 with
// the given document lock, waiting until it is granted.
File* doc_file_open(const std::string& name, struct LockDescriptor* lock);
// Unlocks and closes it.
void doc_file_close(File* f, struct LockDescriptor* lock);

// Replaces the content of a closed document file with bytes: written to a
// temporary file of the data directory that no search pattern matches,
// flushed, and renamed over the document, so that a crash or a full disk
// never leaves a document cut short. Nothing is written when the file holds
// these bytes already. A write failure is fatal (the document is kept).
void doc_file_replace(const std::string& name, const std::string& old_bytes, const std::string& bytes);

// Saves a copy of a document's bytes under "./DELETED" and then deletes the
// file (closed by the caller). When the copy cannot be written the file is
// kept, and the console and the log say so; returns whether it was deleted.
bool doc_file_remove_saved(const std::string& name, char letter, long number, const std::string& bytes);

// The number in a document file name ("W0001234.DKT" gives 1234), 0 when
// there is none.
long doc_file_number(const std::string& name);
