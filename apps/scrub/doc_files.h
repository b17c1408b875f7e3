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

// Rewrites of closed document files, made safe and cheap together: each new
// content goes to a temporary file of the data directory whose name no
// search pattern matches; at the commit every temporary file is flushed,
// then renamed over its document, then the directory is flushed. A crash or
// a full disk therefore never leaves a document cut short, and the disk
// waits once for the whole batch instead of once per document. Nothing is
// written for a document that holds these bytes already. A write failure is
// fatal (every document is kept as it was).
void doc_rewrites_begin();
void doc_file_replace(const std::string& name, const std::string& old_bytes, const std::string& bytes);
void doc_rewrites_commit();

// Saves a copy of a document's bytes under "./DELETED" before the document
// is deleted (after saved_copies_commit). When the copy cannot be written
// the console and the log say that the document is kept; returns whether it
// was saved.
bool doc_file_save_copy(const std::string& name, char letter, long number, const std::string& bytes);
// Deletes a document file of the data directory.
void doc_file_delete(const std::string& name);

// The number in a document file name ("W0001234.DKT" gives 1234), 0 when
// there is none.
long doc_file_number(const std::string& name);
