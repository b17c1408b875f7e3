// The data-file reference in docs/data-files.md must agree with the layouts
// the code reads and writes: every record heading names the size the code
// uses, and every offset table covers its record without gaps or overlaps.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "db/customer.h"
#include "db/inventory.h"
#include "db/payroll.h"
#include "db/usage.h"
#include "db/worktags.h"
#include "ui/passwords.h"
#include "ui/settings.h"

namespace {

std::string read_reference() {
  std::ifstream in(std::string(VELK_SOURCE_DIR) + "/docs/data-files.md");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::map<std::string, size_t>& code_sizes() {
  static const std::map<std::string, size_t> sizes = {
      {"InventoryRecord", kInventoryRecordSize},
      {"InventoryTag", kInventoryTagSize},
      {"UsageRecord", kUsageRecordSize},
      {"ReceivingRecord", kReceivingRecordSize},
      {"CustomerRecord", kCustomerRecordSize},
      {"CustomerTag", kCustomerTagSize},
      {"VehicleRecord", kVehicleRecordSize},
      {"WorkorderTag", kWorkorderTagSize},
      {"OpenWorkorderEntry", kOpenWorkorderEntrySize},
      {"PurchaseOrderTag", kPurchaseOrderTagSize},
      {"OpenPurchaseOrderEntry", kOpenPurchaseOrderEntrySize},
      {"FollowupRecord", kFollowupRecordSize},
      {"EmployeeRecord", kEmployeeRecordSize},
      {"PayrollEntry", kPayrollEntrySize},
      {"SettingsRecord", kSettingsRecordSize},
      {"PasswordRecord", kPasswordRecordSize},
  };
  return sizes;
}

}  // namespace

TEST(DataFileReference, EveryRecordHeadingHasTheCodesSize) {
  std::string doc = read_reference();
  ASSERT_FALSE(doc.empty());
  std::regex heading("### `(\\w+)` — (\\d+) bytes");
  std::map<std::string, size_t> documented;
  for (std::sregex_iterator it(doc.begin(), doc.end(), heading), end; it != end; ++it)
    documented[(*it)[1]] = std::stoul((*it)[2]);
  for (const auto& [name, size] : code_sizes()) {
    ASSERT_TRUE(documented.count(name)) << name << " is not described";
    EXPECT_EQ(documented[name], size) << name;
  }
  for (const auto& [name, size] : documented)
    EXPECT_TRUE(code_sizes().count(name)) << name << " is described but unknown to the code";
}

TEST(DataFileReference, OffsetTablesCoverTheirRecordsExactly) {
  std::string doc = read_reference();
  std::regex heading("### `(\\w+)` — (\\d+) bytes");
  std::regex row("^\\| (\\d+) \\| (\\d+) \\|");
  std::istringstream lines(doc);
  std::string line, current;
  size_t size = 0, next = 0;
  int tables = 0;
  auto finish = [&] {
    if (!current.empty() && next != 0) {
      EXPECT_EQ(next, size) << current << ": the table ends at " << next;
      tables++;
    }
  };
  while (std::getline(lines, line)) {
    std::smatch m;
    if (std::regex_search(line, m, heading)) {
      finish();
      current = m[1];
      size = std::stoul(m[2]);
      next = 0;
    } else if (line.rfind("## ", 0) == 0) {
      finish();
      current.clear();
    } else if (!current.empty() && std::regex_search(line, m, row)) {
      size_t off = std::stoul(m[1]), len = std::stoul(m[2]);
      EXPECT_EQ(off, next) << current << ": gap or overlap at " << off;
      next = off + len;
    }
  }
  finish();
  EXPECT_GE(tables, 10);
}
