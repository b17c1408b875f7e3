#include "run_marker.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

#include "db/catalog.h"
#include "platform/env.h"

namespace {

constexpr const char* kHeader = "VELKPRUNE RUN 1";

}  // namespace

FilePrint file_print(const std::string& name) {
  FilePrint p;
  p.name = name;
  std::unique_ptr<File> f(env()->open_read(data_path(name)));
  if (!f) return p;
  // 64-bit FNV-1a over the bytes, read in large pieces.
  uint64_t h = 0xcbf29ce484222325ull;
  std::vector<uint8_t> buf(1u << 20);
  int64_t size = 0;
  for (;;) {
    int64_t n = f->read(buf.data(), buf.size());
    if (n < 0) return p;
    if (n == 0) break;
    for (int64_t i = 0; i < n; i++) h = (h ^ buf[static_cast<size_t>(i)]) * 0x100000001b3ull;
    size += n;
  }
  p.size = size;
  p.hash = h;
  return p;
}

std::string marker_text(const RunMarker& m) {
  std::string text = std::string(kHeader) + "\n" + "params " + m.params + "\n";
  for (const MarkedPass& p : m.done) {
    text += "done " + p.pass;
    for (const FilePrint& f : p.files) {
      char hash[20];
      std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(f.hash));
      text += " " + f.name + " " + std::to_string(f.size) + " " + hash;
    }
    text += "\n";
  }
  text += "END " + std::to_string(m.done.size()) + "\n";
  return text;
}

bool marker_parse(const std::string& text, RunMarker* m) {
  *m = RunMarker{};
  // Every line, the last too, ends in a line feed: a cut text is no marker.
  if (text.empty() || text.back() != '\n') return false;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return false;
  if (!std::getline(in, line) || line.rfind("params ", 0) != 0) return false;
  m->params = line.substr(7);
  while (std::getline(in, line)) {
    if (line.rfind("END ", 0) == 0) {
      if (line != "END " + std::to_string(m->done.size()) || in.peek() != EOF) break;
      return true;
    }
    std::istringstream words(line);
    std::string word;
    MarkedPass pass;
    if (!(words >> word) || word != "done" || !(words >> pass.pass)) break;
    FilePrint f;
    std::string hash;
    while (words >> f.name) {
      if (!(words >> f.size >> hash) || hash.size() != 16 ||
          hash.find_first_not_of("0123456789abcdef") != std::string::npos) {
        *m = RunMarker{};
        return false;
      }
      f.hash = std::stoull(hash, nullptr, 16);
      pass.files.push_back(f);
    }
    m->done.push_back(pass);
  }
  *m = RunMarker{};
  return false;
}

bool marker_load(RunMarker* m) {
  *m = RunMarker{};
  std::unique_ptr<File> f(env()->open_read(data_path(kRunMarkerFile)));
  if (!f) return false;
  std::string text;
  char buf[4096];
  for (;;) {
    int64_t n = f->read(buf, sizeof buf);
    if (n < 0) return false;
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
    if (text.size() > 65536) return false;  // no marker is this long
  }
  return marker_parse(text, m);
}

bool marker_done(const RunMarker& m, const std::string& pass) {
  for (const MarkedPass& p : m.done) {
    if (p.pass != pass) continue;
    // A file that a later pass rewrote (the inventory file gets new chain
    // heads from the usage and receiving passes) must be as that pass left it.
    for (const FilePrint& f : p.files) {
      FilePrint last = f;
      for (const MarkedPass& other : m.done)
        for (const FilePrint& g : other.files)
          if (g.name == f.name) last = g;
      if (file_print(f.name) != last) return false;
    }
    return true;
  }
  return false;
}

void marker_add(RunMarker* m, const std::string& pass, const std::vector<std::string>& names) {
  MarkedPass p;
  p.pass = pass;
  for (const std::string& n : names) {
    FilePrint f = file_print(replacement_name(n));
    f.name = n;
    p.files.push_back(f);
  }
  // Passes stay in the order they were done: a pass done again moves last.
  std::erase_if(m->done, [&](const MarkedPass& old) { return old.pass == pass; });
  m->done.push_back(p);
}

bool marker_write_new(const RunMarker& m) {
  Env* e = env();
  std::string path = data_path(replacement_name(kRunMarkerFile));
  e->remove(path);
  std::string text = marker_text(m);
  std::unique_ptr<File> f(e->open_exclusive(path));
  bool ok = f && f->seek(0) && f->truncate_here() &&
            f->write(text.data(), text.size()) == static_cast<int64_t>(text.size()) && f->flush();
  f.reset();
  if (!ok) e->remove(path);
  return ok;
}

void marker_remove() {
  Env* e = env();
  e->remove(data_path(kRunMarkerFile));
  e->sync_dir(data_dir());
}
