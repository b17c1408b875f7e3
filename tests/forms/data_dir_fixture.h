// A form fixture with its own data directory, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/catalog.h"
#include "form_fixture.h"

class DataDirFixture : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    char tmpl[] = "/tmp/velk-forms-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    set_data_dir(dir_.string() + "/");
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    FormFixture::TearDown();
  }
  std::vector<uint8_t> read_file(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void write_file(const std::string& name, const std::string& bytes) const {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::filesystem::path dir_;
};
