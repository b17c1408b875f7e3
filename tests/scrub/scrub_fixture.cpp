#include "scrub_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/bytes.h"
#include "db/catalog.h"

void ScrubDirTest::SetUp() {
  char tmpl[] = "/tmp/velkscrub_unit_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir_ = tmpl;
  old_cwd_ = std::filesystem::current_path().string();
  std::filesystem::current_path(dir_);
  set_data_dir(dir_ + "/");
  old_con_ = console_set(&con_);
}

void ScrubDirTest::TearDown() {
  console_set(old_con_);
  std::filesystem::current_path(old_cwd_);
  std::filesystem::remove_all(dir_);
}

std::string ScrubDirTest::read_file(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void ScrubDirTest::write_file(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool ScrubDirTest::exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

CustomerRecord make_customer(int32_t number, const char* last, const char* first, const char* phone1,
                             const char* phone2, const char* spouse_last, const char* spouse) {
  CustomerRecord r;
  std::memset(&r, 0, sizeof r);
  r.CustomerNumber = static_cast<uint32_t>(number);
  field_set(r.Lastname, sizeof r.Lastname, last);
  field_set(r.Firstname, sizeof r.Firstname, first);
  field_set(r.Phone1, sizeof r.Phone1, phone1);
  field_set(r.Phone2, sizeof r.Phone2, phone2);
  field_set(r.SpouseLastname, sizeof r.SpouseLastname, spouse_last);
  field_set(r.Spouse, sizeof r.Spouse, spouse);
  r.vehicle_head = 1234;
  return r;
}

std::string encode_customers(const std::vector<CustomerRecord>& records) {
  std::string out;
  for (const CustomerRecord& r : records) {
    uint8_t b[kCustomerRecordSize];
    customer_encode(r, b);
    out.append(reinterpret_cast<char*>(b), sizeof b);
  }
  return out;
}
