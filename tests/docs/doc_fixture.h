// Shared set-up of the document tests: an in-memory console (beeps are
// counted), the built-in settings, a fixed today, and an in-memory file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "docs/purchase.h"
#include "docs/workorder.h"
#include "platform/console.h"
#include "platform/env.h"

// A file held in a string. Reads can be made to fail after a number of calls.
class MemFile : public File {
 public:
  explicit MemFile(std::string bytes = {}) : data(std::move(bytes)) {}
  int64_t read(void* buf, size_t n) override;
  int64_t write(const void* buf, size_t n) override;
  bool seek(int64_t offset) override { pos = offset; return offset >= 0; }
  int64_t tell() override { return pos; }
  int64_t size() override { return static_cast<int64_t>(data.size()); }
  bool truncate_here() override;
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::ok; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::ok; }

  std::string data;
  int64_t pos = 0;
  int reads = 0;
  int fail_read_at = -1;  // the read call (counted from 0) that fails
  size_t write_limit = SIZE_MAX;  // bytes a write takes at most (a full disk)
};

class DocTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  int warnings() const { return con_.warning_beeps(); }

  MemoryConsole con_;
  Console* old_console_ = nullptr;
};

// 03/14/1998, the day of the worked example.
constexpr int32_t kMar14_1998 = 729842;

// Appends a line node to a workorder list (tests build documents by hand).
PartLine* add_part(Workorder* wo, const char* stock, const char* description, int16_t qty,
                   int32_t cost, int32_t price, int32_t third);
LaborLine* add_labor(Workorder* wo, uint32_t code, int32_t hours, int32_t rate, int32_t share,
                     int32_t amount, const char* text);
SubletLine* add_sublet(SubletLine** list, const char* description, const char* reference,
                       char taxable, int32_t cost, int32_t price, const char* text);
CreditLine* add_credit(CreditLine** list, int32_t amount, const char* text);
POPartLine* add_po_part(PurchaseOrder* po, const char* stock, const char* description,
                        int16_t q1, int16_t q2, int32_t amount);
char* dup_text(const char* s);

// The workorder of the worked example: repair 1234 for customer 77.
void example_workorder(Workorder* wo);
// Its document text, line by line, CR LF and the final NUL included.
std::string example_text();

// Lines joined with CR LF after each.
std::string crlf_lines(std::initializer_list<const char*> lines);
