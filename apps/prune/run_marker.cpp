#include "run_marker.h"

#include <memory>
#include <sstream>

#include "db/catalog.h"
#include "platform/env.h"

namespace {

constexpr const char* kHeader = "VELKPRUNE RUN 1";

int64_t file_size(const std::string& name) {
  std::unique_ptr<File> f(env()->open_read(data_path(name)));
  return f ? f->size() : -1;
}

}  // namespace

std::string marker_text(const RunMarker& m) {
  std::string text = std::string(kHeader) + "\n" + "params " + m.params + "\n";
  for (const MarkedPass& p : m.done) {
    text += "done " + p.pass;
    for (const auto& [name, size] : p.files) text += " " + name + " " + std::to_string(size);
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
    std::string name;
    int64_t size;
    while (words >> name) {
      if (!(words >> size)) {
        *m = RunMarker{};
        return false;
      }
      pass.files.emplace_back(name, size);
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
    for (const auto& [name, size] : p.files)
      if (file_size(name) != size) return false;
    return true;
  }
  return false;
}

void marker_add(RunMarker* m, const std::string& pass, const std::vector<std::string>& names) {
  MarkedPass p;
  p.pass = pass;
  for (const std::string& n : names) p.files.emplace_back(n, file_size(replacement_name(n)));
  for (MarkedPass& old : m->done)
    if (old.pass == pass) {
      old = p;
      return;
    }
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
