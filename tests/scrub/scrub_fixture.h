// A scratch data directory for tests of the cleanup program's modules: the
// current directory and the data directory both point at it, and the console
// is an in-memory one.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/customer.h"
#include "platform/console.h"

class ScrubDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string read_file(const std::string& name) const;
  void write_file(const std::string& name, const std::string& bytes) const;
  bool exists(const std::string& name) const;

  std::string dir_;
  std::string old_cwd_;
  MemoryConsole con_{80, 25};
  Console* old_con_ = nullptr;
};

// A customer record with the given fields, everything else zero.
CustomerRecord make_customer(int32_t number, const char* last, const char* first,
                             const char* phone1 = "", const char* phone2 = "",
                             const char* spouse_last = "", const char* spouse = "");
std::string encode_customers(const std::vector<CustomerRecord>& records);
