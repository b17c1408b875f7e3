// One program at a time on a shop database. Each program is held stopped in
// the middle of a run on a generated database while each of the three is
// started beside it in the same directory: every one is refused at once with
// exit status 1 and changes nothing, not even the cleanup log; the held run
// then ends with the files of a run that had the directory to itself.
#include <gtest/gtest.h>

#include "crash/shop_check.h"
#include "crash/traced_run.h"
#include "support/shop_dir.h"

namespace {

struct Program {
  std::string name;
  std::vector<std::string> args;
  std::string input;  // standard input of the held run
  int status;         // exit status of a normal end
};

const std::vector<Program> kPrograms = {
    {"velkscrub", {"/VEHICLES"}, "", 0},
    {"velktally", {}, "", 10},
    // The workorders pass alone: five fields left with TAB, a cut-off, F10.
    {"velkprune", {}, "\t\t\t\t\t07/01/2022\x1b[21~", 10},
};

std::string log_of(const ShopDir& dir) {
  std::vector<uint8_t> bytes = dir.exists("VELKSCRB.LOG") ? dir.read("VELKSCRB.LOG") : std::vector<uint8_t>{};
  return std::string(bytes.begin(), bytes.end());
}

TEST(RunLock, ASecondProgramIsRefusedWhileOneRuns) {
  std::string why;
  if (!tracing_available(&why)) GTEST_SKIP() << why;
  ShopDir base;
  base.generate(3, 0.3);

  for (const Program& first : kPrograms) {
    ShopDir alone;
    alone.copy_from(base);
    alone.install(first.name);
    TracedRun solo = traced_run(alone.path(), first.name, first.args, first.input, 0);
    ASSERT_EQ(solo.status, first.status) << first.name << ": " << solo.output;

    ShopDir dir;
    dir.copy_from(base);
    for (const Program& p : kPrograms) dir.install(p.name);
    int refused = 0;
    TracedRun held = traced_run(dir.path(), first.name, first.args, first.input,
                                solo.changes / 2 + 1, [&] {
      for (const Program& second : kPrograms) {
        std::string where = second.name + " beside " + first.name;
        FileSet before = shop_data_files(dir.path());
        std::string log = log_of(dir);
        RunResult r = dir.run(second.name);
        EXPECT_EQ(r.status, 1) << where << ":\n" << r.output;
        EXPECT_NE(r.output.find("Shop database in use by another VELK program..."),
                  std::string::npos)
            << where << ":\n" << r.output;
        EXPECT_TRUE(differing_files(before, shop_data_files(dir.path())).empty()) << where;
        EXPECT_EQ(log_of(dir), log) << where;
        refused++;
      }
    });
    ASSERT_TRUE(held.error.empty()) << held.error;
    EXPECT_EQ(refused, 3) << first.name << " was not held";
    EXPECT_EQ(held.status, first.status) << first.name << " held at " << held.killed_call << ":\n"
                                         << held.output;
    std::vector<std::string> differ =
        differing_files(shop_data_files(dir.path()), shop_data_files(alone.path()));
    EXPECT_TRUE(differ.empty()) << first.name << ": " << differ.size() << " files differ, "
                                << (differ.empty() ? "" : differ[0]);
  }
}

}  // namespace
