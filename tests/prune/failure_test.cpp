// Failed writes and reads in every pass: the old files stay exactly as they
// were, no ".NEW" file is left, and the pass says what failed.
#include "db/catalog.h"
#include "db/replace.h"
#include "prune_fixture.h"
#include "ui/dates.h"

namespace {

const int32_t kCutoff = parse_date("01/01/2020");

struct FailureCase {
  const char* pass;
  const char* file;  // the replacement whose writes fail
  int64_t budget;    // bytes it may hold
};

class WriteFailureTest : public PassTest, public ::testing::WithParamInterface<FailureCase> {};

PassEnd run_pass(PruneRun* run, const std::string& pass) {
  if (pass == "inventory") return inventory_pass(run);
  if (pass == "customers") return customer_pass(run);
  if (pass == "usage") return usage_pass(run, kCutoff);
  if (pass == "receiving") return receiving_pass(run, kCutoff);
  if (pass == "payroll") return payroll_pass(run, kCutoff);
  if (pass == "workorders") return workorder_pass(run, kCutoff);
  return po_pass(run, kCutoff);
}

TEST_P(WriteFailureTest, OldFilesStandAndNoReplacementIsLeft) {
  const FailureCase& c = GetParam();
  write_small_shop(dir, kCutoff);
  auto before = data_files(dir);
  FaultEnv faulty(env_default());
  faulty.write_fail_name = c.file;
  faulty.write_budget = c.budget;
  env_set(&faulty);

  EXPECT_EQ(run_pass(&run, c.pass), PassEnd::stopped);
  env_set(nullptr);
  EXPECT_EQ(run.failure, "File write error (bad media / disk full)...");
  expect_same_files(data_files(dir), before, std::string(c.pass) + " with " + c.file);
  EXPECT_GE(con.warning_beeps(), 1);
  EXPECT_NE(con.row_text(25).find("File write error (bad media / disk full)..."),
            std::string::npos);

  // Nothing of the failed pass is in the way of the same pass afterwards.
  run.failure.clear();
  EXPECT_EQ(run_pass(&run, c.pass), PassEnd::done);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPass, WriteFailureTest,
    ::testing::Values(FailureCase{"inventory", "VKINVENT.NEW", 344},
                      FailureCase{"inventory", "VKINVTAG.NEW", 100},
                      FailureCase{"customers", "VKVEHICL.NEW", 397},
                      FailureCase{"customers", "VKCSTTAG.NEW", 96},
                      FailureCase{"customers", "VKCSTDAT.NEW", 400},
                      FailureCase{"usage", "VKUSEHST.NEW", 76},
                      FailureCase{"usage", "VKINVENT.NEW", 1000},
                      FailureCase{"receiving", "VKRCVLOG.NEW", 100},
                      FailureCase{"payroll", "VKPAYROL.NEW", 303},
                      FailureCase{"payroll", "VKEMPLOY.NEW", 300},
                      FailureCase{"workorders", "VKINVOIC.NEW", 1000},
                      FailureCase{"workorders", "VKINCTAG.NEW", 290},
                      FailureCase{"workorders", "VKOPENWO.NEW", 10},
                      FailureCase{"workorders", "VKPURGE.NEW", 10},
                      FailureCase{"purchase-orders", "VKPURCHA.NEW", 1000},
                      FailureCase{"purchase-orders", "VKPURTAG.NEW", 159},
                      FailureCase{"purchase-orders", "VKOPENPO.NEW", 0}),
    [](const auto& info) {
      std::string name = std::string(info.param.pass) + "_" + info.param.file;
      for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

TEST_F(PassTest, InventoryWriteFailureAsksTheUserToFreeSpace) {
  write_small_shop(dir, kCutoff);
  FaultEnv faulty(env_default());
  faulty.write_fail_name = "VKINVENT.NEW";
  env_set(&faulty);
  EXPECT_EQ(inventory_pass(&run), PassEnd::stopped);
  EXPECT_NE(con.transcript().find("Free some space and re-purge inventory..."), std::string::npos);
}

TEST_F(PassTest, DocumentReadFailureEndsThePassWithoutReplacingAnything) {
  write_small_shop(dir, kCutoff);
  auto before = data_files(dir);
  for (const char* file : {"VKINVOIC.DAT", "VKPURCHA.DAT"}) {
    FaultEnv faulty(env_default());
    faulty.read_fail_name = file;
    faulty.read_fail_at = 3000;  // a few documents in
    env_set(&faulty);
    PassEnd end = std::string(file) == "VKINVOIC.DAT" ? workorder_pass(&run, kCutoff)
                                                      : po_pass(&run, kCutoff);
    env_set(nullptr);
    EXPECT_EQ(end, PassEnd::stopped);
    EXPECT_NE(run.failure.find(file), std::string::npos) << run.failure;
    expect_same_files(data_files(dir), before, file);
  }
}

}  // namespace
