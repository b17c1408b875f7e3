// Printer codes from "VELKPFLT.INI" in the data directory, and sending them.
#include "ui/printer.h"

#include <cstring>
#include <string>
#include <vector>

#include "data_dir_fixture.h"
#include "platform/env.h"

namespace {

// A printer that records every write.
class RecordingPrinter : public File {
 public:
  int64_t read(void*, size_t) override { return -1; }
  int64_t write(const void* buf, size_t n) override {
    ++writes;
    bytes.append(static_cast<const char*>(buf), n);
    return int64_t(n);
  }
  bool seek(int64_t) override { return true; }
  int64_t tell() override { return int64_t(bytes.size()); }
  int64_t size() override { return int64_t(bytes.size()); }
  bool truncate_here() override { return true; }
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::ok; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::ok; }
  int writes = 0;
  std::string bytes;
};

class Printer : public DataDirFixture {
 protected:
  std::string code(PrinterCode c) const {
    const uint8_t* p = g_settings.printer_codes[c];
    return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), 16));
  }
  void load(const char* name) {
    snprintf(name_, sizeof name_, "%s", name);
    printer_filter_load(name_, sizeof name_);
  }
  char name_[32] = {};
};

const char* const kIni =
    "[Other]\r\n"
    "RESET=1\r\n"
    "[epson]\r\n"
    "reset=27,64\r\n"
    "5CPI=14,0,15\r\n"
    "10CPI = 18\r\n"             // not "10CPI=": not seen
    "17CPI=  15  \r\n"
    "10cpibold=27.69\r\n"
    "10CPIBOLDCANCEL=27\\70/1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\r\n"
    "FORMLENGTH=0\r\n"
    "PREPRINTEDFORMS=yes\r\n"
    "OFFSETTOFIRSTLINE=4\r\n"
    "REMAP=LASER\r\n"
    "[Next]\r\n"
    "FORMFEED=12\r\n";

TEST_F(Printer, SectionKeysAndValues) {
  write_file("VELKPFLT.INI", kIni);
  g_settings.offset_from_top = 3;
  g_settings.offset_to_first_line = 9;
  load("EPSON  ");
  EXPECT_EQ(code(PC_RESET), "\x1b\x40");
  EXPECT_EQ(code(PC_5CPI), "\x0e");
  EXPECT_EQ(code(PC_10CPI), "");
  EXPECT_EQ(code(PC_17CPI), "\x0f");
  EXPECT_EQ(code(PC_10CPIBOLD), "\x1b\x45");
  // Sixteen numbers at most, filling the slot without an end mark.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(g_settings.printer_codes[PC_10CPIBOLDCANCEL]), 16),
            std::string("\x1b\x46\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e", 16));
  EXPECT_EQ(code(PC_FORMFEED), "");  // the next section's key is not this printer's
  EXPECT_EQ(g_settings.form_length, 62);
  EXPECT_EQ(g_settings.preprinted_forms, 'Y');
  EXPECT_EQ(g_settings.offset_from_top, 3);  // missing: kept
  EXPECT_EQ(g_settings.offset_to_first_line, 4);
  EXPECT_STREQ(name_, "LASER");
  EXPECT_EQ(con_.warning_beeps(), 0);
}

TEST_F(Printer, KeysAreSearchedInTheirOrder) {
  write_file("VELKPFLT.INI",
             "[P]\nFORMFEED=12\nRESET=27,69\nFORMLENGTH=66\nOFFSETFROMTOF=\nREMAP=  \n");
  g_settings.offset_from_top = 5;
  load("p");
  EXPECT_EQ(code(PC_RESET), "\x1b\x45");
  EXPECT_EQ(code(PC_FORMFEED), "");  // listed before RESET: lost
  EXPECT_EQ(g_settings.form_length, 66);
  EXPECT_EQ(g_settings.preprinted_forms, 'N');
  EXPECT_EQ(g_settings.offset_from_top, 5);
  EXPECT_STREQ(name_, "p");
}

TEST_F(Printer, NothingChangesWithoutFileSectionOrProperName) {
  std::vector<uint8_t> before(kSettingsRecordSize), after(kSettingsRecordSize);
  settings_encode(g_settings, before.data());
  load("EPSON");  // no file
  write_file("VELKPFLT.INI", kIni);
  load("");
  load("EP.SON");
  EXPECT_EQ(con_.warning_beeps(), 0);
  load("CANON");  // no section: warning beep
  EXPECT_EQ(con_.warning_beeps(), 1);
  settings_encode(g_settings, after.data());
  EXPECT_EQ(before, after);
}

TEST_F(Printer, LargeFileIsReadOnlyAsFarAsTheBufferHolds) {
  std::string big = "[FIRST]\nRESET=7\n" + std::string(40000, ';') + "\n[LAST]\nRESET=9\n";
  write_file("VELKPFLT.INI", big);
  load("FIRST");
  EXPECT_EQ(code(PC_RESET), "\x07");
  load("LAST");
  EXPECT_EQ(code(PC_RESET), "\x07");
  EXPECT_EQ(con_.warning_beeps(), 1);
}

TEST_F(Printer, SendingCodesTextAndReset) {
  RecordingPrinter printer;
  uint8_t* bold = g_settings.printer_codes[PC_10CPIBOLD];
  memset(bold, 0, 16);
  bold[0] = 27;
  bold[1] = 69;
  EXPECT_TRUE(printer_send_code(PC_10CPIBOLD, &printer));
  EXPECT_EQ(printer.writes, 16);
  EXPECT_EQ(printer.bytes, std::string("\x1b\x45") + std::string(14, '\0'));

  EXPECT_TRUE(printer_send_text("Invoice\r\n", &printer));
  EXPECT_EQ(printer.bytes.substr(16), "Invoice\r\n");

  RecordingPrinter fresh;
  memset(g_settings.printer_codes[PC_RESET], 0, 16);
  EXPECT_TRUE(printer_reset(&fresh));  // no RESET code: nothing is sent
  EXPECT_EQ(fresh.writes, 0);
  g_settings.printer_codes[PC_RESET][0] = 27;
  g_settings.printer_codes[PC_RESET][1] = 64;
  EXPECT_TRUE(printer_reset(&fresh));
  EXPECT_EQ(fresh.bytes, std::string("\x1b\x40") + std::string(14, '\0'));
}

}  // namespace
