#include "doc_files.h"

#include <cctype>
#include <cstdlib>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "log.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub_files.h"
#include "ui/screen.h"

namespace {
constexpr const char* kTempName = "VKSCRUB.TMP";
}

File* doc_file_open(const std::string& name, LockDescriptor* lock) {
  File* f = db_open(name, true);
  f->seek(0);
  db_lock_retry(f, lock);
  return f;
}

void doc_file_close(File* f, LockDescriptor* lock) {
  db_unlock(f, lock);
  db_close(f);
}

void doc_file_replace(const std::string& name, const std::string& old_bytes, const std::string& bytes) {
  if (bytes == old_bytes) return;
  Env* e = env();
  std::string temp = data_path(kTempName);
  e->remove(temp);
  File* t = e->open_exclusive(temp);
  if (!t) file_write_failed(kTempName);
  bool ok = t->write(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size()) &&
            t->truncate_here() && t->flush();
  delete t;
  if (!ok) {
    e->remove(temp);
    file_write_failed(name);
  }
  if (!e->rename(temp, data_path(name))) {
    e->remove(temp);
    file_write_failed(name);
  }
  e->sync_dir(data_dir());
}

bool doc_file_remove_saved(const std::string& name, char letter, long number, const std::string& bytes) {
  if (!save_document_copy(letter, number, bytes.data(), bytes.size())) {
    con_printf("\r\n%s kept: its copy could not be saved in ./DELETED\r\n", name.c_str());
    scrub_log("%s kept: its copy could not be saved in ./DELETED\r\n", name.c_str());
    return false;
  }
  env()->remove(data_path(name));
  return true;
}

long doc_file_number(const std::string& name) {
  size_t i = 0;
  while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i]))) i++;
  return std::strtol(name.c_str() + i, nullptr, 10);
}
