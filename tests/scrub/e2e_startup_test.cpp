// velkscrub as its user meets it: a request for help, the wrong folder, and
// what a run redirected to a file says at its end.
#include <gtest/gtest.h>

#include "docs/codes.h"
#include "e2e_support.h"
#include "scrub_fixture.h"
#include "ui/dates.h"

namespace {

// A shop with work for the cleanup: a duplicate workorder to remove (and
// log) and a customer to match.
void write_shop(const ScrubShop& shop) {
  const int32_t day = parse_date("01/15/2024");
  shop.write("VKCSTDAT.DAT", encode_customers({make_customer(100, "SMITH", "JOHN", "555-0100")}));
  std::string docs;
  for (int i = 0; i < 2; ++i) {
    Workorder wo = new_workorder(10, WO_CLOSED, 100, "SMITH", "JOHN", day);
    docs += wo_text(wo);
    wo_free(&wo);
  }
  shop.write("VKINVOIC.DAT", docs);
}

TEST(ScrubStartUp, HelpSwitchesPrintTheUsageAndChangeNothing) {
  ScrubShop shop;
  write_shop(shop);
  const auto before = shop.snapshot();
  for (const char* help : {"/?", "-?", "--help", "-h"}) {
    SCOPED_TRACE(help);
    ScrubRun r = shop.run({"/VEHICLES", help});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("\r\nUsage:\r\nVELKSCRUB [switches]", 0), 0u) << r.output;
    for (const char* sw : {"/FLUSH", "/NOVIN", "/VEHICLES", "/REPLACECUST", "/VERBOSE", "/RECVONLY"})
      EXPECT_NE(r.output.find(std::string("  ") + sw + " "), std::string::npos) << sw;
    EXPECT_EQ(shop.snapshot(), before);
    EXPECT_FALSE(shop.exists("DELETED"));
    EXPECT_FALSE(shop.exists("VELKSCRB.LOG"));
  }
}

TEST(ScrubStartUp, ASwitchTypedWrongRunsNothing) {
  ScrubShop shop;
  write_shop(shop);
  const auto before = shop.snapshot();
  for (const char* wrong : {"/VEHICLE", "-vehicles", "/X"}) {
    ScrubRun r = shop.run({"/FLUSH", wrong});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("\r\nUnknown switch " + std::string(wrong) + "...\r\n\r\nUsage:", 0), 0u)
        << r.output;
    EXPECT_EQ(shop.snapshot(), before);
    EXPECT_FALSE(shop.exists("DELETED"));
  }
}

TEST(ScrubStartUp, AFolderWithoutAShopDatabaseGetsNone) {
  ScrubShop shop;
  shop.write("VELKSCRB.LOG", "the log of an earlier run elsewhere\n");
  ScrubRun r = shop.run();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "No shop database in " + shop.dir() + "/...\r\n");
  EXPECT_TRUE(shop.data_files().empty());
  EXPECT_EQ(shop.read("VELKSCRB.LOG"), "the log of an earlier run elsewhere\n");
}

TEST(ScrubStartUp, RedirectedRunIsTextAndItsEndSaysWhereTheLogIs) {
  ScrubShop shop;
  write_shop(shop);
  ScrubRun r = shop.run();
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string& out = r.output;
  EXPECT_EQ(out.rfind("\u2554\u2550", 0), 0u) << out;
  EXPECT_TRUE(out.ends_with("What was matched, removed or not matched is logged in " + shop.dir() +
                            "/VELKSCRB.LOG\r\n\r\nCleanup complete...!!!\r\n"))
      << out;
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_TRUE(out[i] != '\r' || (i + 1 < out.size() && out[i + 1] == '\n')) << "bare CR at " << i;
    ASSERT_TRUE(out[i] != '\b' && out[i] != '\x1b') << "control byte at " << i;
  }
  // With nothing to log, it says so.
  r = shop.run({"/RECVONLY"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Nothing was logged in this run (no VELKSCRB.LOG).\r\n"),
            std::string::npos)
      << r.output;
}

}  // namespace
