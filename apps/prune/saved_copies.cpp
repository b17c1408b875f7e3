#include "saved_copies.h"

#include <cstdio>
#include <memory>

#include "platform/env.h"

namespace {

constexpr const char* kDeletedDir = ".//DELETED";

std::string copy_name(char letter, long number, const LocalTime& t, unsigned ms) {
  char name[96];
  std::snprintf(name, sizeof name, ".//DELETED//%c%07ld_%04d%02d%02d_%02d%02d%02d%04x.DKT", letter,
                number, t.year, t.month, t.day, t.hour, t.minute, t.second, ms & 0xffffu);
  return name;
}

}  // namespace

bool save_deleted_copy(char letter, long number, const std::string& bytes, std::string* name_out) {
  Env* e = env();
  if (!e->make_dir(kDeletedDir)) return false;
  LocalTime t = e->local_time();
  std::string path;
  for (unsigned tries = 0;; tries++) {
    if (tries > 0xffffu) return false;  // every name of this second is taken
    path = copy_name(letter, number, t, static_cast<unsigned>(t.millisecond) + tries);
    if (!e->exists(path)) break;
  }
  std::unique_ptr<File> f(e->open_exclusive(path));
  if (!f) return false;
  bool ok = (bytes.empty() ||
             f->write(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size())) &&
            f->flush();
  f.reset();
  if (!ok || !e->sync_dir(kDeletedDir)) {
    e->remove(path);
    return false;
  }
  if (name_out) *name_out = path;
  return true;
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
