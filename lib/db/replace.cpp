#include "db/replace.h"

#include <cstdio>
#include <memory>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "platform/env.h"
#include "ui/screen.h"

namespace {

constexpr const char* kJournalHeader = "VELKSHOP SWAP 1";

std::string dir() { return data_dir(); }

bool flush_file(const std::string& path) {
  std::unique_ptr<File> f(env()->open_read(path));
  return f && f->flush();
}

// Puts the replacement of a data file in place when the data file itself is
// missing: the replacement is then the only copy and must never be deleted.
bool rescue_orphan(const std::string& name) {
  std::string repl = replacement_name(name);
  Env* e = env();
  if (e->exists(data_path(name)) || !e->exists(data_path(repl))) return false;
  if (!e->rename(data_path(repl), data_path(name))) return false;
  e->sync_dir(dir());
  con_warning("%s was missing: %s put in its place\r\n", name.c_str(), repl.c_str());
  return true;
}

std::string journal_text(const std::vector<std::string>& names) {
  std::string text = std::string(kJournalHeader) + "\n";
  for (const std::string& n : names) text += replacement_name(n) + "\t" + n + "\n";
  text += "END " + std::to_string(names.size()) + "\n";
  return text;
}

// The renames of a journal as (from, to) pairs; false when the text is not
// a whole journal.
bool journal_parse(const std::string& text,
                   std::vector<std::pair<std::string, std::string>>* renames) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) return false;  // every line, the last too, ends in '\n'
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() < 2 || lines.front() != kJournalHeader) return false;
  if (lines.back() != "END " + std::to_string(lines.size() - 2)) return false;
  for (size_t i = 1; i + 1 < lines.size(); i++) {
    size_t tab = lines[i].find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == lines[i].size()) return false;
    std::string from = lines[i].substr(0, tab), to = lines[i].substr(tab + 1);
    // Only plain names in the data directory are ever journalled.
    for (char c : from + to)
      if (is_path_separator(c)) return false;
    renames->emplace_back(from, to);
  }
  return true;
}

bool write_journal(const std::vector<std::string>& names) {
  Env* e = env();
  std::string tmp = data_path(kSwapJournalTempName);
  std::string text = journal_text(names);
  e->remove(tmp);
  std::unique_ptr<File> f(e->open_exclusive(tmp));
  bool ok = f && f->seek(0) && f->truncate_here() &&
            f->write(text.data(), text.size()) == static_cast<int64_t>(text.size()) && f->flush();
  f.reset();
  // The rename makes the journal appear whole or not at all.
  if (ok) ok = e->rename(tmp, data_path(kSwapJournalName)) && e->sync_dir(dir());
  if (!ok) {
    e->remove(tmp);
    e->remove(data_path(kSwapJournalName));
  }
  return ok;
}

bool read_file(const std::string& path, std::string* text) {
  std::unique_ptr<File> f(env()->open_read(path));
  if (!f) return false;
  char buf[4096];
  for (;;) {
    int64_t n = f->read(buf, sizeof buf);
    if (n < 0) return false;
    if (n == 0) return true;
    text->append(buf, static_cast<size_t>(n));
    if (text->size() > (1u << 20)) return false;  // no journal is this long
  }
}

// Carries out the renames of a decided journal that are not done yet (a
// replacement that is gone has been renamed already), then removes it.
bool roll_forward(const std::vector<std::pair<std::string, std::string>>& renames,
                  bool report) {
  Env* e = env();
  for (const auto& [from, to] : renames) {
    if (!e->exists(data_path(from))) continue;
    if (!e->rename(data_path(from), data_path(to))) return false;
    if (report) con_warning("%s put in place of %s (an earlier run was stopped)\r\n",
                            from.c_str(), to.c_str());
  }
  if (!e->sync_dir(dir())) return false;
  e->remove(data_path(kSwapJournalName));
  e->sync_dir(dir());
  return true;
}

}  // namespace

File* replace_open_new(const std::string& name) {
  rescue_orphan(name);
  std::string repl = replacement_name(name);
  env()->remove(data_path(repl));
  File* f = db_open(repl, true);
  // Should the leftover have resisted deletion, it is emptied here.
  if (f->size() != 0) {
    f->seek(0);
    f->truncate_here();
  }
  return f;
}

void replace_discard(const std::string& name) {
  if (rescue_orphan(name)) return;
  env()->remove(data_path(replacement_name(name)));
}

void replace_discard(const std::vector<std::string>& names) {
  for (const std::string& n : names) replace_discard(n);
}

bool replace_swap(const std::string& name) {
  Env* e = env();
  std::string repl = data_path(replacement_name(name));
  if (!e->exists(repl) || !flush_file(repl)) return false;
  if (!e->rename(repl, data_path(name))) return false;
  e->sync_dir(dir());
  return true;
}

bool replace_finish(File* replacement, const std::string& name) {
  db_commit(replacement);
  db_close(replacement);
  return replace_swap(name);
}

bool replace_swap_group(const std::vector<std::string>& names) {
  if (names.empty()) return true;
  if (names.size() == 1) return replace_swap(names[0]);
  Env* e = env();
  for (const std::string& n : names) {
    std::string repl = data_path(replacement_name(n));
    if (!e->exists(repl) || !flush_file(repl)) return false;
  }
  if (!write_journal(names)) return false;
  std::vector<std::pair<std::string, std::string>> renames;
  for (const std::string& n : names) renames.emplace_back(replacement_name(n), n);
  if (!roll_forward(renames, false)) {
    alert_line("File rename error... (finished at the next start)");
    fatal_exit();
  }
  return true;
}

void db_startup_recover() {
  Env* e = env();
  // A journal still being written was never decided: the old files stand.
  e->remove(data_path(kSwapJournalTempName));
  std::string journal = data_path(kSwapJournalName);
  if (e->exists(journal)) {
    std::string text;
    std::vector<std::pair<std::string, std::string>> renames;
    if (!read_file(journal, &text)) {
      alert_line("File read error (bad media)...");
      fatal_exit();
    }
    if (!journal_parse(text, &renames)) {
      con_warning("%s is damaged and was removed\r\n", kSwapJournalName);
      e->remove(journal);
      e->sync_dir(dir());
    } else if (!roll_forward(renames, true)) {
      alert_line("File rename error... (finished at the next start)");
      fatal_exit();
    }
  }
  for (int i = 1; i <= kCatalogSize; i++) {
    std::string name = catalog_name(i);
    if (replacement_name(name) != name + ".NEW") rescue_orphan(name);
  }
}
