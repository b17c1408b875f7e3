// Each program killed at many points of a run on a generated database, then
// run again: after the kill (and the start-up recovery that every program
// does first) every data file is whole and every link and index entry points
// into the files in place; after the new run the data files are those of a
// run that was never stopped, and every document it removed has its saved
// copy.
//
// At every kill point no open-list entry names a document the run deleted:
// a document goes only once no list names it.
//
// The kill points are spread evenly over the calls that change files in an
// uninterrupted run, and two more fall right after the first and the last
// removal of an open document. VELK_CRASH_POINTS sets how many are spread
// per program (a handful by default; 200 for the long run),
// VELK_CRASH_SCALE the database size.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "crash/shop_check.h"
#include "crash/traced_run.h"
#include "db/worktags.h"
#include "support/shop_dir.h"

namespace {

int env_int(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

double env_scale() {
  const char* v = std::getenv("VELK_CRASH_SCALE");
  return v && std::atof(v) > 0 ? std::atof(v) : 1.5;
}

struct Program {
  std::string name;
  std::vector<std::string> args;
  std::string input;  // standard input
  int status;         // exit status of a normal end
  // True when a second run may still change some files (what it changes
  // then is also accepted after a killed run and a new one).
  bool second_run_differs;
  // The run record a program removes as its last step once its work is done
  // (empty when it keeps none): killed after that, the run is complete, and
  // the same run started again would be a new one.
  std::string run_record;
};

std::string tail(const std::string& s) {
  std::string t = s.size() > 600 ? s.substr(s.size() - 600) : s;
  for (char& ch : t)
    if (ch == '\r') ch = '\n';
  return t;
}

std::string list(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += " " + n;
  return out;
}

std::set<std::string> new_problems(const std::set<std::string>& got,
                                   const std::set<std::string>& allowed) {
  std::set<std::string> out;
  for (const std::string& p : got)
    if (!allowed.count(p)) out.insert(p);
  return out;
}

std::string list(const std::set<std::string>& problems) {
  std::string out;
  size_t shown = 0;
  for (const std::string& p : problems) {
    if (shown++ == 8) return out + "\n  ...";
    out += "\n  " + p;
  }
  return out;
}

// The data files as the runs are compared: the blank entries of the open
// workorder list left out. The cleaning pass blanks the entries of the
// documents it deletes; a run stopped among those deletions leaves fewer
// documents for the new run to list, and so fewer blanks, which hold nothing.
FileSet comparable_files(const std::string& dir) {
  FileSet files = shop_data_files(dir);
  auto it = files.find("VKOPENWO.DAT");
  if (it == files.end()) return files;
  std::vector<uint8_t> kept;
  const std::vector<uint8_t>& list = it->second;
  for (size_t at = 0; at < list.size(); at += kOpenWorkorderEntrySize) {
    size_t end = std::min(list.size(), at + kOpenWorkorderEntrySize);
    bool blank = end - at == kOpenWorkorderEntrySize &&
                 std::all_of(list.begin() + at, list.begin() + end, [](uint8_t b) { return b == 0; });
    if (!blank) kept.insert(kept.end(), list.begin() + at, list.begin() + end);
  }
  it->second = kept;
  return files;
}

// The files after a killed run and a new one agree with an uninterrupted
// run, file by file, or (where a second run changes files anyway) with an
// uninterrupted run followed by a second one.
void expect_same_as_whole_run(const FileSet& got, const FileSet& once, const FileSet* twice,
                              const std::string& where) {
  std::vector<std::string> differ = differing_files(got, once);
  std::vector<std::string> bad;
  for (const std::string& name : differ) {
    if (twice) {
      auto g = got.find(name);
      auto t = twice->find(name);
      bool same = (g == got.end() && t == twice->end()) ||
                  (g != got.end() && t != twice->end() && g->second == t->second);
      if (same) continue;
    }
    bad.push_back(name);
  }
  EXPECT_TRUE(bad.empty()) << where << ": files differ from an uninterrupted run:" << list(bad);
}

// The saved copies under ./DELETED, counted by document ("W0001234" of
// "W0001234_20261209_0913210360.DKT"; the rest of a name is the time).
std::map<std::string, int> saved_copies(const std::string& dir) {
  std::map<std::string, int> copies;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir + "DELETED", ec))
    copies[e.path().filename().string().substr(0, 8)]++;
  return copies;
}

// Every document an uninterrupted run saved before it removed it was saved
// by the stopped run or the new one: none was removed without its copy.
void expect_copies_saved(const std::string& dir, const std::map<std::string, int>& want,
                         const std::string& where) {
  std::map<std::string, int> got = saved_copies(dir);
  std::vector<std::string> missing;
  for (const auto& [doc, n] : want)
    if (got[doc] < n) missing.push_back(doc);
  EXPECT_TRUE(missing.empty()) << where << ": no saved copy of" << list(missing);
}

// The open-list entries that name a document the base directory held and
// the directory no longer holds: documents deleted while a list named them.
std::set<std::string> listed_but_deleted(const std::string& dir,
                                         const std::set<std::string>& base_documents) {
  std::set<std::string> out;
  for (const std::string& name : listed_documents(dir))
    if (base_documents.count(name) && !std::filesystem::exists(dir + name))
      out.insert("an open list names " + name + ", which was deleted");
  return out;
}

// Kill points: spread evenly over the changes, and right after the first and
// the last removal of a document.
std::vector<int64_t> kill_points(const TracedRun& whole, int spread) {
  std::set<int64_t> at;
  for (int i = 0; i < spread; i++) at.insert((2 * i + 1) * whole.changes / (2 * spread) + 1);
  if (!whole.document_removals.empty()) {
    for (int64_t removal : {whole.document_removals.front(), whole.document_removals.back()})
      if (removal < whole.changes) at.insert(removal + 1);
  }
  return std::vector<int64_t>(at.begin(), at.end());
}

void crash_and_rerun(const Program& prog) {
  std::string why;
  if (!tracing_available(&why)) GTEST_SKIP() << why;
  const int points = env_int("VELK_CRASH_POINTS", 5);

  ShopDir base;
  base.generate(7, env_scale());
  const std::set<std::string> base_problems = shop_problems(base.path());
  const std::set<std::string> base_documents = document_files(base.path());

  // The uninterrupted run, counting the calls that change files.
  ShopDir whole;
  whole.copy_from(base);
  whole.install(prog.name);
  TracedRun first = traced_run(whole.path(), prog.name, prog.args, prog.input, 0);
  ASSERT_TRUE(first.error.empty()) << first.error;
  ASSERT_EQ(first.status, prog.status) << tail(first.output);
  ASSERT_GT(first.changes, 0);
  const FileSet once = comparable_files(whole.path());
  const std::map<std::string, int> copies = saved_copies(whole.path());
  EXPECT_TRUE(listed_but_deleted(whole.path(), base_documents).empty())
      << "an uninterrupted run:" << list(listed_but_deleted(whole.path(), base_documents));
  std::set<std::string> allowed = base_problems;
  for (const std::string& p : shop_problems(whole.path())) allowed.insert(p);

  FileSet twice;
  if (prog.second_run_differs) {
    TracedRun again = traced_run(whole.path(), prog.name, prog.args, prog.input, 0);
    ASSERT_EQ(again.status, prog.status) << tail(again.output);
    twice = comparable_files(whole.path());
    for (const std::string& p : shop_problems(whole.path())) allowed.insert(p);
  }

  const std::vector<int64_t> at_points = kill_points(first, points);
  std::printf("%s: %lld file changes in a run, %zu problems found in the generated files, "
              "%zu after a run, %zu documents saved, %zu removed; %zu kill points\n",
              prog.name.c_str(), static_cast<long long>(first.changes), base_problems.size(),
              allowed.size(), copies.size(), first.document_removals.size(), at_points.size());
  for (int64_t at : at_points) {
    std::string where = prog.name + " killed at change " + std::to_string(at) + " of " +
                        std::to_string(first.changes);
    ShopDir dir;
    dir.copy_from(base);
    dir.install(prog.name);
    TracedRun cut = traced_run(dir.path(), prog.name, prog.args, prog.input, at);
    ASSERT_TRUE(cut.error.empty()) << where << ": " << cut.error;
    EXPECT_TRUE(cut.killed && cut.signal == SIGKILL)
        << where << ": the run did not reach that point (status " << cut.status << ")\n"
        << tail(cut.output);
    where += " (" + cut.killed_call + ")";

    shop_recover(dir.path());
    std::set<std::string> damage = new_problems(shop_problems(dir.path()), allowed);
    EXPECT_TRUE(damage.empty()) << where << ", the files it left:" << list(damage);
    std::set<std::string> dangling = listed_but_deleted(dir.path(), base_documents);
    EXPECT_TRUE(dangling.empty()) << where << ", the files it left:" << list(dangling);

    if (!prog.run_record.empty() && !std::filesystem::exists(dir.path() + prog.run_record) &&
        differing_files(comparable_files(dir.path()), once).empty()) {
      expect_copies_saved(dir.path(), copies, where);
      continue;  // stopped after its last step: nothing is left to finish
    }

    TracedRun rerun = traced_run(dir.path(), prog.name, prog.args, prog.input, 0);
    ASSERT_EQ(rerun.status, prog.status) << where << ", the new run:\n" << tail(rerun.output);
    damage = new_problems(shop_problems(dir.path()), allowed);
    EXPECT_TRUE(damage.empty()) << where << ", after the new run:" << list(damage);
    expect_same_as_whole_run(comparable_files(dir.path()), once,
                             prog.second_run_differs ? &twice : nullptr, where);
    expect_copies_saved(dir.path(), copies, where);
  }
}

// The keys of a purge with every pass on: inventory and customers, then the
// five cut-offs in the middle of the generated years, then F10.
std::string purge_keys() {
  const std::string cutoff = "07/01/2022";
  return "YY" + cutoff + cutoff + cutoff + cutoff + cutoff + "\x1b[21~";
}

TEST(CrashSafety, VelktallyKilledAndRunAgain) {
  crash_and_rerun({"velktally", {}, "", 10, false, ""});
}

TEST(CrashSafety, VelkscrubKilledAndRunAgain) {
  crash_and_rerun({"velkscrub", {"/VEHICLES"}, "", 0, true, ""});
}

TEST(CrashSafety, VelkpruneKilledAndRunAgain) {
  crash_and_rerun({"velkprune", {}, purge_keys(), 10, false, "VKPURGE.DAT"});
}

}  // namespace
