// One program at a time on a shop database: each program is held stopped in
// the middle of its run while each of the three is started beside it; every
// one is refused with exit status 1 and changes nothing (the cleanup log
// included), and the held run then ends as if it had been alone.
#include <gtest/gtest.h>

#include "crash/shop_check.h"
#include "crash/traced_run.h"
#include "support/shop_dir.h"

namespace {

struct Program {
  std::string name;
  std::vector<std::string> args;
  std::string input;  // the workorders pass alone for velkprune
  int status;
};
const Program kPrograms[] = {{"velkscrub", {"/VEHICLES"}, "", 0},
                             {"velktally", {}, "", 10},
                             {"velkprune", {}, "\t\t\t\t\t07/01/2022\x1b[21~", 10}};

FileSet with_log(const ShopDir& dir) {
  FileSet files = shop_data_files(dir.path());
  if (dir.exists("VELKSCRB.LOG")) files["VELKSCRB.LOG"] = dir.read("VELKSCRB.LOG");
  return files;
}

TEST(RunLock, ASecondProgramIsRefusedWhileOneRuns) {
  std::string why;
  if (!tracing_available(&why)) GTEST_SKIP() << why;
  ShopDir base;
  base.generate(3, 0.3);
  for (const Program& first : kPrograms) {
    ShopDir alone, dir;
    alone.copy_from(base);
    alone.install(first.name);
    TracedRun solo = traced_run(alone.path(), first.name, first.args, first.input, 0);
    ASSERT_EQ(solo.status, first.status) << solo.output;
    dir.copy_from(base);
    for (const Program& p : kPrograms) dir.install(p.name);
    int refused = 0;
    TracedRun held = traced_run(dir.path(), first.name, first.args, first.input,
                                solo.changes / 2 + 1, [&] {
      for (const Program& second : kPrograms) {
        FileSet before = with_log(dir);
        RunResult r = dir.run(second.name);
        refused += r.status == 1 &&
                   r.output.find("Shop database in use by another VELK program...") != std::string::npos;
        EXPECT_TRUE(differing_files(before, with_log(dir)).empty()) << second.name << " beside " << first.name;
      }
    });
    EXPECT_EQ(refused, 3) << first.name << " held at " << held.killed_call;
    EXPECT_EQ(held.status, first.status) << held.error << held.output;
    EXPECT_TRUE(differing_files(shop_data_files(dir.path()), shop_data_files(alone.path())).empty())
        << first.name;
  }
}

}  // namespace
