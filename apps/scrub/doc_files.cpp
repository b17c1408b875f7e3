#include "doc_files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "log.h"
#include "platform/env.h"
#include "saved_copies.h"
#include "scrub_files.h"
#include "ui/screen.h"

namespace {
// Temporary files of document rewrites: "VKS0000000.TMP" and on, in a small
// folder of the data directory ("VKSCRUB.TMP"), so that creating each one
// does not search the whole data directory for a name that differs in case
// only; no search pattern of the programs matches either name. A batch of
// at most kBatch files is committed at a time and the folder is removed
// when the pass is done.
constexpr const char* kTempDir = "VKSCRUB.TMP";
constexpr const char* kTempFormat = "VKSCRUB.TMP/VKS%07u.TMP";
constexpr size_t kBatch = 256;
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

void commit_batch();

void discard_pending() {
  for (const PendingRewrite& p : g_pending) env()->remove(data_path(p.temp));
  g_pending.clear();
}

}  // namespace

void doc_rewrites_begin() {
  // Temporary files a stopped run left behind were never renamed: the
  // documents they were made for are whole.
  Env* e = env();
  std::string dir = data_path(kTempDir);
  if (!e->make_dir(dir)) file_write_failed(kTempDir);
  for (const std::string& name : e->find_files(dir, "*")) e->remove(dir + "/" + name);
  g_pending.clear();
}

void doc_file_replace(const std::string& name, const std::string& old_bytes, const std::string& bytes) {
  if (bytes == old_bytes) return;
  char temp[32];
  std::snprintf(temp, sizeof temp, kTempFormat, g_temp_counter++ % 10000000);
  Env* e = env();
  std::string path = data_path(temp);
  File* t = e->open_exclusive(path);
  bool ok = t && t->write(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size()) && t->truncate_here();
  delete t;
  if (!ok) {
    e->remove(path);
    discard_pending();
    file_write_failed(name);
  }
  g_pending.push_back({name, temp});
  if (g_pending.size() >= kBatch) commit_batch();
}

void doc_rewrites_commit() {
  commit_batch();
  std::error_code ec;
  std::filesystem::remove(data_path(kTempDir), ec);  // empty now; a folder left behind does no harm
}

namespace {

void commit_batch() {
  Env* e = env();
  for (const PendingRewrite& p : g_pending) {
    File* t = e->open_exclusive(data_path(p.temp));
    bool ok = t && t->flush();
    delete t;
    if (!ok) {
      std::string name = p.name;
      discard_pending();
      file_write_failed(name);
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

}  // namespace

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
