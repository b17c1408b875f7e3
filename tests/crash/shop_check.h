// Whole-directory checks of a shop database as a program finds it when it
// starts: every fixed-record file a whole number of records, every chain
// link and index entry pointing at a record or document of the file in
// place. Problems are plain sentences without offsets, so that the problems
// of two directories can be compared.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The problems found in a data directory (ending in '/').
std::set<std::string> shop_problems(const std::string& dir);

// The document files the open lists name ("VKOPENWO.DAT", "VKOPENPO.DAT";
// blank entries left out), and the open document files a directory holds.
std::set<std::string> listed_documents(const std::string& dir);
std::set<std::string> document_files(const std::string& dir);

// Finishes what a stopped run left for the next start, as every program does
// before it opens a data file (a decided group swap, a replacement whose
// data file is missing).
void shop_recover(const std::string& dir);

// The data files of a directory, name -> bytes: the regular files but the
// programs, the cleanup log and dot files (saved copies live in a folder and
// are not among them).
using FileSet = std::map<std::string, std::vector<uint8_t>>;
FileSet shop_data_files(const std::string& dir);

// The names of the files that differ between two sets (present in one only,
// or with other bytes).
std::vector<std::string> differing_files(const FileSet& a, const FileSet& b);
