#include "scrub_files.h"

#include <algorithm>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/recfile.h"
#include "db/replace.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "ui/screen.h"

namespace {

// The data files whose replacements this run opened and has not swapped in.
std::vector<std::string> g_unswapped;

void forget_unswapped(const std::vector<std::string>& swapped) {
  for (const std::string& n : swapped) std::erase(g_unswapped, n);
}

}  // namespace

File* new_file_open(const std::string& dat_name) {
  File* f = replace_open_new(dat_name);
  if (std::find(g_unswapped.begin(), g_unswapped.end(), dat_name) == g_unswapped.end())
    g_unswapped.push_back(dat_name);
  return f;
}

void new_files_discard() {
  // Each of these was opened empty by this run after the start-up put every
  // stopped run's replacement in place: it is an incomplete copy, never the
  // only one, even where its ".DAT" file does not exist.
  Env* e = env();
  for (const std::string& n : g_unswapped) e->remove(data_path(replacement_name(n)));
  g_unswapped.clear();
}

void file_write_at(File* f, int64_t offset, const void* bytes, size_t n, const std::string& name) {
  if (!f->seek(offset) || f->write(bytes, n) != static_cast<int64_t>(n)) file_write_failed(name);
}

bool file_read_at(File* f, int64_t offset, void* bytes, size_t n) {
  return f->seek(offset) && f->read(bytes, n) == static_cast<int64_t>(n);
}

void file_finish(File* f, int64_t end, bool flush, const std::string& name) {
  if (!f->seek(end) || !f->truncate_here()) file_write_failed(name);
  if (flush) db_commit(f);
  db_close(f);
}

void file_write_failed(const std::string& name) {
  new_files_discard();
  con_printf("\r\nCannot write %s\r\n", name.c_str());
  rec_write_failed();
  fatal_exit();
}

void file_read_failed(const std::string& name) {
  new_files_discard();
  con_printf("\r\nCannot read %s\r\n", name.c_str());
  rec_read_failed();
}

void swap_in(const std::vector<std::string>& dat_names) {
  // The copies of what the new files leave out are safe first.
  saved_copies_commit();
  if (!replace_swap_group(dat_names)) {
    std::string names;
    for (const std::string& n : dat_names) names += (names.empty() ? "" : ", ") + replacement_name(n);
    file_write_failed(names);
  }
  forget_unswapped(dat_names);
}
