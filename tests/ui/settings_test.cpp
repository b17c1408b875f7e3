#include "ui/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "db/bytes.h"
#include "db/catalog.h"
#include "platform/console.h"
#include "platform/env.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& p, const std::vector<uint8_t>& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<uint8_t> encoded(const SettingsRecord& s) {
  std::vector<uint8_t> b(kSettingsRecordSize);
  settings_encode(s, b.data());
  return b;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velk-settings-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    set_data_dir(dir_.string() + "/");
    old_console_ = console_set(&con_);
    settings_defaults(ProgramKind::tally);
  }
  void TearDown() override {
    console_set(old_console_);
    fs::remove_all(dir_);
  }
  fs::path file() const { return dir_ / "VKSYSTEM.DAT"; }

  fs::path dir_;
  MemoryConsole con_;
  Console* old_console_ = nullptr;
};

TEST(SettingsRecordLayout, FieldsSitAtTheirOffsets) {
  SettingsRecord s{};
  s.next_workorder = 0x01020304;
  s.prompt_timeout = -2;
  s.default_shop_rate = 4800;
  std::strcpy(s.company_name, "ACME");
  std::strcpy(s.company_state, "OH");
  s.wholesale_markup = 450000;
  std::strcpy(s.message2, "bye");
  s.printer_codes[PC_FORMFEED][0] = 12;
  s.preprinted_forms = 'Y';
  s.offset_to_first_line = -3;
  s.color_foreground = 3;
  s.color_special = 140;
  s.labor_surcharge = 77;
  std::strcpy(s.fleet_terms, "NET 30");
  std::strcpy(s.printer_port1, "LPT1");
  s.printer_flag3 = 'N';
  std::strcpy(s.shell_command, "sh");
  s.fleet_late_charge = 15000;
  s.form_length = 62;
  s.surcharge_is_sublet = 'Y';
  s.unused_1034[3] = 0xAB;
  std::vector<uint8_t> b = encoded(s);
  EXPECT_EQ(le_get_i32(&b[0]), 0x01020304);
  EXPECT_EQ(b[0], 0x04);
  EXPECT_EQ(le_get_i32(&b[20]), -2);
  EXPECT_EQ(le_get_i32(&b[40]), 4800);
  EXPECT_EQ(std::memcmp(&b[44], "ACME", 5), 0);
  EXPECT_EQ(std::memcmp(&b[130], "OH", 3), 0);
  EXPECT_EQ(le_get_i32(&b[241]), 450000);
  EXPECT_EQ(std::memcmp(&b[332], "bye", 4), 0);
  EXPECT_EQ(b[507], 12);
  EXPECT_EQ(b[523], 'Y');
  EXPECT_EQ(le_get_i16(&b[526]), -3);
  EXPECT_EQ(b[528], 3);
  EXPECT_EQ(b[532], 140);
  EXPECT_EQ(le_get_i32(&b[699]), 77);
  EXPECT_EQ(std::memcmp(&b[786], "NET 30", 7), 0);
  EXPECT_EQ(std::memcmp(&b[886], "LPT1", 5), 0);
  EXPECT_EQ(b[904], 'N');
  EXPECT_EQ(std::memcmp(&b[905], "sh", 3), 0);
  EXPECT_EQ(le_get_i32(&b[985]), 15000);
  EXPECT_EQ(le_get_i16(&b[1031]), 62);
  EXPECT_EQ(b[1033], 'Y');
  EXPECT_EQ(b[1037], 0xAB);
}

TEST(SettingsRecordLayout, EveryByteSurvivesDecodeAndEncode) {
  std::mt19937 rng(7);
  std::vector<uint8_t> in(kSettingsRecordSize);
  for (auto& b : in) b = static_cast<uint8_t>(rng());
  SettingsRecord s{};
  settings_decode(in.data(), &s);
  EXPECT_EQ(encoded(s), in);
}

TEST(SettingsDefaults, EachProgramHasItsOwn) {
  settings_defaults(ProgramKind::tally);
  EXPECT_EQ(g_program, ProgramKind::tally);
  EXPECT_EQ(g_settings.default_shop_rate, 4800);
  EXPECT_EQ(g_settings.next_workorder, 5000);
  EXPECT_EQ(g_settings.waste_tax_rate, 0);
  EXPECT_STREQ(g_settings.company_name, "Quarrendel Software");
  EXPECT_EQ(g_settings.printer_codes[PC_RESET][0], 0);
  EXPECT_EQ(g_settings.color_foreground, 3);

  settings_defaults(ProgramKind::scrub);
  EXPECT_EQ(g_settings.default_shop_rate, 5000);
  EXPECT_EQ(g_settings.next_estimate, 100);
  EXPECT_EQ(g_settings.printer_port1[0], 0);  // velkscrub sets its ports itself

  settings_defaults(ProgramKind::prune);
  EXPECT_EQ(g_settings.next_workorder, 1);
  EXPECT_EQ(g_settings.next_employee, 1);
  EXPECT_EQ(g_settings.waste_tax_rate, 58125);
  EXPECT_STREQ(g_settings.company_name, "Your Company Name Here...");
  EXPECT_EQ(g_settings.printer_codes[PC_RESET][0], 27);
  EXPECT_EQ(g_settings.printer_codes[PC_RESET][1], 64);
  EXPECT_EQ(g_settings.color_foreground, 11);
  EXPECT_EQ(g_settings.color_special, 140);
  EXPECT_STREQ(g_settings.message2, "We appreciate your patronage...");
  const uint8_t bold_cancel[] = {27, 70, 0};
  EXPECT_EQ(std::memcmp(g_settings.printer_codes[PC_10CPIBOLDCANCEL], bold_cancel, 3), 0);
}

TEST_F(SettingsFile, MissingFileIsCreatedWithTheDefaults) {
  SettingsRecord defaults = g_settings;
  settings_save(settings_load());
  EXPECT_EQ(read_bytes(file()), encoded(defaults));
}

TEST_F(SettingsFile, ShortFileKeepsDefaultsPastItsEnd) {
  // The first 44 bytes: counters and rates only.
  std::vector<uint8_t> head(44, 0);
  le_put_i32(&head[0], 123456);
  le_put_i32(&head[40], 9900);
  write_bytes(file(), head);
  settings_save(settings_load());
  EXPECT_EQ(g_settings.next_workorder, 123456);
  EXPECT_EQ(g_settings.default_shop_rate, 9900);
  EXPECT_STREQ(g_settings.company_name, "Quarrendel Software");
  std::vector<uint8_t> after = read_bytes(file());
  ASSERT_EQ(after.size(), kSettingsRecordSize);
  EXPECT_EQ(le_get_i32(&after[0]), 123456);
  EXPECT_EQ(std::memcmp(&after[44], "Quarrendel Software", 20), 0);
}

TEST_F(SettingsFile, LoadAndSaveKeepsEveryByteAndCutsALongerFile) {
  std::mt19937 rng(11);
  std::vector<uint8_t> bytes(kSettingsRecordSize + 300);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  write_bytes(file(), bytes);
  settings_save(settings_load());
  bytes.resize(kSettingsRecordSize);
  EXPECT_EQ(read_bytes(file()), bytes);
}

TEST_F(SettingsFile, MonochromeRuleAppliesAfterTheRecordIsWritten) {
  for (int mode : {kModeMono, kModeBW80}) {
    settings_defaults(ProgramKind::tally);
    con_.set_text_mode(mode);
    con_.set_attr(0x1E);
    settings_save(settings_load());
    EXPECT_EQ(g_settings.color_foreground, 7);
    EXPECT_EQ(g_settings.color_background, 0);
    EXPECT_EQ(g_settings.color_prompt, 7);
    EXPECT_EQ(g_settings.color_header, 7);
    EXPECT_EQ(g_settings.color_special, 135);
    EXPECT_EQ(con_.attr(), 7);
    // The file keeps the colours found in it.
    std::vector<uint8_t> b = read_bytes(file());
    EXPECT_EQ(b[528], 3);
    EXPECT_EQ(b[532], 140);
    fs::remove(file());
  }
  settings_defaults(ProgramKind::tally);
  con_.set_text_mode(kModeColor80);
  settings_save(settings_load());
  EXPECT_EQ(g_settings.color_foreground, 3);
}

// A file whose writes fail, as on a full disk.
class FailingWriteFile : public File {
 public:
  explicit FailingWriteFile(File* inner) : inner_(inner) {}
  int64_t read(void* b, size_t n) override { return inner_->read(b, n); }
  int64_t write(const void*, size_t n) override { return n > 10 ? 10 : 0; }
  bool seek(int64_t o) override { return inner_->seek(o); }
  int64_t tell() override { return inner_->tell(); }
  int64_t size() override { return inner_->size(); }
  bool truncate_here() override { return inner_->truncate_here(); }
  bool flush() override { return inner_->flush(); }
  LockResult lock(int64_t s, int64_t l) override { return inner_->lock(s, l); }
  LockResult unlock(int64_t s, int64_t l) override { return inner_->unlock(s, l); }

 private:
  std::unique_ptr<File> inner_;
};

class FullDiskEnv : public Env {
 public:
  Env* base = env_default();
  File* open_exclusive(const std::string& p) override {
    File* f = base->open_exclusive(p);
    return f ? new FailingWriteFile(f) : nullptr;
  }
  File* open_read(const std::string& p) override { return base->open_read(p); }
  bool exists(const std::string& p) override { return base->exists(p); }
  bool remove(const std::string& p) override { return base->remove(p); }
  bool rename(const std::string& a, const std::string& b) override { return base->rename(a, b); }
  bool make_dir(const std::string& p) override { return base->make_dir(p); }
  bool sync_dir(const std::string& d) override { return base->sync_dir(d); }
  std::vector<std::string> find_files(const std::string& d, const std::string& p) override {
    return base->find_files(d, p);
  }
  std::string actual_name(const std::string& d, const std::string& n) override {
    return base->actual_name(d, n);
  }
  uint64_t free_physical_memory() override { return base->free_physical_memory(); }
  LocalTime local_time() override { return base->local_time(); }
  int64_t monotonic_ms() override { return base->monotonic_ms(); }
  void sleep_ms(int ms) override { base->sleep_ms(ms); }
  std::string current_dir() override { return base->current_dir(); }
};

TEST_F(SettingsFile, FailedSaveEndsTheRunAndLeavesTheOldFileWhole) {
  std::vector<uint8_t> old(kSettingsRecordSize, 'x');
  write_bytes(file(), old);
  EXPECT_EXIT(
      {
        FullDiskEnv full;
        env_set(&full);
        settings_save(settings_load());
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), "");
  // The failed write of 10 bytes was not followed by a cut.
  EXPECT_EQ(read_bytes(file()).size(), kSettingsRecordSize);
}

}  // namespace
