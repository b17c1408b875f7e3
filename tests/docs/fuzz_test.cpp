// Seeded mutation of valid documents, truncation and arbitrary bytes: the
// readers never crash, always step forward, and what they read is written
// and read back stably (the checks are shared with the coverage-guided
// fuzzer under tests/fuzz).
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "doc_fixture.h"
#include "fuzz/doc_invariants.h"
#include "ui/settings.h"

namespace {

class Fuzz : public DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    corpus_.push_back(example_text());
    Workorder wo;
    example_workorder(&wo);
    wo.totals.PaymentMethod = 8;
    wo.totals.SplitDate[3] = kMar14_1998;
    add_part(&wo, "123-456", "SECOND", 3, 4, 5, 6);
    add_sublet(&wo.sublets, "Waste Disposal", "R", 'Y', 1, 2, "T");
    add_sublet(&wo.sublets, "SURCHARGE", "R", 'N', 1, 2, "");
    add_sublet(&wo.waste, "RAGS", "R", 'N', 1, 2, "");
    add_credit(&wo.credits, -5, "C");
    wo.check_list = dup_text("A\r\nB");
    std::string s;
    wo_format(wo, &s);
    corpus_.push_back(s);
    wo_free(&wo);
    PurchaseOrder po;
    po_init(&po);
    po.PONumber = 3;
    add_po_part(&po, "Z", "D", 1, 2, 3);
    add_po_part(&po, "A", "D", 1, 2, 3);
    add_sublet(&po.sublets, "S", "R", 0, 1, 2, "T");
    add_credit(&po.credits, 9, "C");
    po.notes = dup_text("N");
    po_format(po, &s);
    corpus_.push_back(s);
    po_free(&po);
  }

  std::string mutate(std::string s) {
    static const char* const tokens[] = {"[", "]", "\r\n", "\n", "\r", "=", "\t", ";", " ",
                                         "" /* a NUL */, "[Parts]", "[Labor]",
                                         "[Notes]", "[Check List]", "[Customer]", "Status=",
                                         "-", "99999999999", "\t\t\t\t\t\t\t\t", "SURCHARGE"};
    int rounds = 1 + static_cast<int>(rng_() % 8);
    for (int i = 0; i < rounds; i++) {
      size_t at = s.empty() ? 0 : rng_() % (s.size() + 1);
      switch (rng_() % 6) {
        case 0:
          if (!s.empty() && at < s.size()) s[at] = static_cast<char>(rng_());
          break;
        case 1: {
          const char* t = tokens[rng_() % (sizeof tokens / sizeof tokens[0])];
          s.insert(at, t[0] ? std::string(t) : std::string(1, '\0'));
          break;
        }
        case 2:
          if (at < s.size()) s.erase(at, rng_() % 64);
          break;
        case 3:
          if (at < s.size()) s.insert(at, s.substr(at, rng_() % 200));
          break;
        case 4:
          s.resize(at);  // truncated
          break;
        case 5:
          s.insert(at, std::string(rng_() % 3000, '\0'));
          break;
      }
    }
    return s;
  }

  std::string random_bytes() {
    std::string s(rng_() % 600, '\0');
    for (char& c : s) c = static_cast<char>(rng_() % 4 ? 32 + rng_() % 96 : rng_());
    return s;
  }

  void check(const std::string& s) {
    auto data = reinterpret_cast<const uint8_t*>(s.data());
    std::string err = doc_fuzz::check_workorder(data, s.size());
    ASSERT_EQ(err, "") << "workorder:\n" << s;
    err = doc_fuzz::check_purchase_order(data, s.size());
    ASSERT_EQ(err, "") << "purchase order:\n" << s;
    err = doc_fuzz::check_file_reads(data, s.size());
    ASSERT_EQ(err, "") << s;
  }

  std::mt19937 rng_{20261209};
  std::vector<std::string> corpus_;
};

TEST_F(Fuzz, MutatedAndArbitraryDocuments) {
  for (char setting : {'Y', 'N'}) {
    g_settings.surcharge_is_sublet = setting;
    for (int i = 0; i < 3000; i++) {
      check(mutate(corpus_[rng_() % corpus_.size()]));
      if (HasFatalFailure()) return;
      check(random_bytes());
      if (HasFatalFailure()) return;
    }
  }
  for (const std::string& s : corpus_)
    for (size_t cut = 0; cut <= s.size(); cut += 7) {
      check(s.substr(0, cut));
      if (HasFatalFailure()) return;
    }
}

// The fuzzer's stored seeds, and every input that once broke a check.
TEST_F(Fuzz, StoredInputsAndPastFindings) {
  int n = 0;
  for (const char* dir : {"/tests/fuzz/seeds", "/tests/fuzz/regressions"})
    for (const auto& e : std::filesystem::directory_iterator(std::string(VELK_SOURCE_DIR) + dir)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      SCOPED_TRACE(e.path().string());
      check(bytes.str());
      if (HasFatalFailure()) return;
      n++;
    }
  EXPECT_GE(n, 5);
}

TEST_F(Fuzz, WalkingAFileOfDamagedDocumentsAlwaysEnds) {
  for (int round = 0; round < 40; round++) {
    std::string file;
    for (int i = 0; i < 20; i++) {
      std::string d = rng_() % 3 ? corpus_[rng_() % corpus_.size()] : mutate(corpus_[rng_() % corpus_.size()]);
      file += d;
      if (rng_() % 4 == 0) file += std::string(rng_() % 5000, '\0');
    }
    for (bool purchase : {false, true}) {
      MemFile f(file);
      int64_t p = 0;
      int steps = 0;
      for (;;) {
        f.seek(p);
        int64_t r;
        if (purchase) {
          PurchaseOrder po;
          r = po_read(&f, &po, nullptr);
          if (r > 0) po_free(&po);
        } else {
          Workorder wo;
          r = wo_read(&f, &wo, nullptr);
          if (r > 0) wo_free(&wo);
        }
        if (r == 0) break;
        ASSERT_GT(r, 0);
        p += r;
        ASSERT_LE(++steps, static_cast<int>(file.size()) + 1);
      }
      EXPECT_GE(p, static_cast<int64_t>(file.find_last_not_of('\0') + 1));
      EXPECT_LE(p, static_cast<int64_t>(file.size()) + 1);
    }
  }
}

}  // namespace
