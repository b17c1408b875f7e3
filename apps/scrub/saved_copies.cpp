#include "saved_copies.h"

#include <cctype>
#include <cstdio>
#include <set>

#include <vector>

#include "platform/env.h"
#include "scrub_files.h"

namespace {

constexpr const char* kDeletedDir = ".//DELETED";

// Copies written but not yet flushed.
std::vector<std::string> g_unflushed;

// The names in the folder, in capitals (names match without regard to
// case), listed once and kept up to date, so that finding a free name does
// not search the folder again for every copy.
std::set<std::string> g_taken;
bool g_listed = false;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The file name of a copy (the folder's path is put in front of it).
std::string copy_name(char letter, long number, const LocalTime& t, unsigned ms) {
  char name[96];
  std::snprintf(name, sizeof name, "%c%07ld_%04d%02d%02d_%02d%02d%02d%04x.DKT", letter, number, t.year,
                t.month, t.day, t.hour, t.minute, t.second, ms & 0xffffu);
  return name;
}

}  // namespace

bool save_document_copy(char letter, long number, const void* bytes, size_t n, std::string* name_out) {
  Env* e = env();
  if (!e->make_dir(kDeletedDir)) return false;
  if (!g_listed) {
    for (const std::string& n : e->find_files(kDeletedDir, "*")) g_taken.insert(upper(n));
    g_listed = true;
  }
  LocalTime t = e->local_time();
  std::string name;
  unsigned ms = static_cast<unsigned>(t.millisecond);
  for (unsigned tries = 0;; tries++) {
    if (tries > 0xffffu) return false;  // every name of this second is taken
    name = copy_name(letter, number, t, ms + tries);
    if (!g_taken.count(upper(name))) break;
  }
  g_taken.insert(upper(name));
  std::string path = std::string(kDeletedDir) + "//" + name;
  File* f = e->open_exclusive(path);
  if (!f) return false;
  bool ok = n == 0 || f->write(bytes, n) == static_cast<int64_t>(n);
  delete f;
  if (!ok) {
    e->remove(path);
    return false;
  }
  g_unflushed.push_back(path);
  if (name_out) *name_out = path;
  return true;
}

void saved_copies_commit() {
  if (g_unflushed.empty()) return;
  Env* e = env();
  for (const std::string& path : g_unflushed) {
    File* f = e->open_exclusive(path);
    bool ok = f && f->flush();
    delete f;
    if (!ok) file_write_failed(path);
  }
  if (!e->sync_dir(kDeletedDir)) file_write_failed(kDeletedDir);
  g_unflushed.clear();
}

bool read_whole_file(File* f, std::string* out) {
  out->clear();
  int64_t size = f->size();
  if (size < 0 || !f->seek(0)) return false;
  out->resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < out->size()) {
    int64_t r = f->read(out->data() + got, out->size() - got);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}
