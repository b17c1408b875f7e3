#include "scrub_files.h"

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/recfile.h"
#include "db/replace.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "ui/screen.h"

File* new_file_open(const std::string& dat_name) { return replace_open_new(dat_name); }

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
  con_printf("\r\nCannot write %s\r\n", name.c_str());
  rec_write_failed();
  fatal_exit();
}

void file_read_failed(const std::string& name) {
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
}
