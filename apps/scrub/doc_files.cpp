#include "doc_files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "log.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub_files.h"
#include "ui/screen.h"

namespace {
// Temporary files of document rewrites: "VKS0000000.TMP" and on.
constexpr const char* kTempFormat = "VKS%07u.TMP";
constexpr const char* kTempPattern = "VKS*.TMP";
}  // namespace

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

namespace {

struct PendingRewrite {
  std::string name;  // the document
  std::string temp;  // its new content, not yet flushed
};
std::vector<PendingRewrite> g_pending;
unsigned g_temp_counter = 0;

void discard_pending() {
  for (const PendingRewrite& p : g_pending) env()->remove(data_path(p.temp));
  g_pending.clear();
}

}  // namespace

void doc_rewrites_begin() {
  // Temporary files a stopped run left behind were never renamed: the
  // documents they were made for are whole.
  for (const std::string& name : env()->find_files(data_dir(), kTempPattern)) env()->remove(data_path(name));
  g_pending.clear();
}

void doc_file_replace(const std::string& name, const std::string& old_bytes, const std::string& bytes) {
  if (bytes == old_bytes) return;
  char temp[32];
  std::snprintf(temp, sizeof temp, kTempFormat, g_temp_counter++ % 10000000);
  Env* e = env();
  std::string path = data_path(temp);
  e->remove(path);
  File* t = e->open_exclusive(path);
  bool ok = t && t->write(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size()) && t->truncate_here();
  delete t;
  if (!ok) {
    e->remove(path);
    discard_pending();
    file_write_failed(name);
  }
  g_pending.push_back({name, temp});
}

void doc_rewrites_commit() {
  Env* e = env();
  for (const PendingRewrite& p : g_pending) {
    File* t = e->open_exclusive(data_path(p.temp));
    bool ok = t && t->flush();
    delete t;
    if (!ok) {
      discard_pending();
      file_write_failed(p.name);
    }
  }
  for (size_t i = 0; i < g_pending.size(); i++)
    if (!e->rename(data_path(g_pending[i].temp), data_path(g_pending[i].name))) {
      std::string name = g_pending[i].name;
      g_pending.erase(g_pending.begin(), g_pending.begin() + static_cast<std::ptrdiff_t>(i));
      discard_pending();
      file_write_failed(name);
    }
  if (!g_pending.empty()) e->sync_dir(data_dir());
  g_pending.clear();
}

bool doc_file_save_copy(const std::string& name, char letter, long number, const std::string& bytes) {
  if (save_document_copy(letter, number, bytes.data(), bytes.size())) return true;
  report("\r\n%s kept: its copy could not be saved in ./DELETED\r\n", name.c_str());
  return false;
}

void doc_file_delete(const std::string& name) { env()->remove(data_path(name)); }

long doc_file_number(const std::string& name) {
  size_t i = 0;
  while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i]))) i++;
  return std::strtol(name.c_str() + i, nullptr, 10);
}
