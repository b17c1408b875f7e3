#include "ui/settings.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <initializer_list>
#include <type_traits>

#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "platform/console.h"
#include "platform/env.h"
#include "ui/screen.h"

SettingsRecord g_settings{};
ProgramKind g_program = ProgramKind::other;

namespace {

constexpr const char* kSettingsFile = "VKSYSTEM.DAT";

// The last load found the settings file missing or empty in a database in use.
bool g_missing = false;

// True when the data directory holds any record that a counter of the
// settings numbers: stored or open workorders and purchase orders,
// customers, employees.
bool database_in_use() {
  Env* e = env();
  for (const char* name : {"VKINVOIC.DAT", "VKPURCHA.DAT", "VKCSTDAT.DAT", "VKEMPLOY.DAT"}) {
    std::unique_ptr<File> f(e->open_read(data_path(name)));
    if (f && f->size() > 0) return true;
  }
  return !e->find_files(data_dir(), "W*.DKT").empty() || !e->find_files(data_dir(), "I*.DKT").empty();
}

struct Reader {
  const uint8_t* p;
  void i32(int32_t& v) { v = le_get_i32(p); p += 4; }
  void i16(int16_t& v) { v = le_get_i16(p); p += 2; }
  void byte(char& v) { v = static_cast<char>(*p++); }
  void byte(uint8_t& v) { v = *p++; }
  template <class T, size_t N> void bytes(T (&f)[N]) { std::memcpy(f, p, N); p += N; }
};
struct Writer {
  uint8_t* p;
  void i32(int32_t v) { le_put_i32(p, v); p += 4; }
  void i16(int16_t v) { le_put_i16(p, v); p += 2; }
  void byte(char v) { *p++ = static_cast<uint8_t>(v); }
  void byte(uint8_t v) { *p++ = v; }
  template <class T, size_t N> void bytes(const T (&f)[N]) { std::memcpy(p, f, N); p += N; }
};

// One field list in stored order serves both directions.
template <class IO, class S>
void settings_fields(IO& io, S& s) {
  io.i32(s.next_workorder); io.i32(s.next_estimate); io.i32(s.next_purchase_order);
  io.i32(s.next_customer); io.i32(s.next_employee); io.i32(s.prompt_timeout);
  io.i32(s.parts_tax_rate); io.i32(s.labor_tax_rate); io.i32(s.sublet_tax_rate);
  io.i32(s.waste_tax_rate); io.i32(s.default_shop_rate);
  io.bytes(s.company_name); io.bytes(s.company_address); io.bytes(s.company_city);
  io.bytes(s.company_state); io.bytes(s.unused_133);
  io.i32(s.wholesale_markup); io.i32(s.resale_markup); io.i32(s.retail_markup);
  io.bytes(s.message1); io.bytes(s.message2);
  for (auto& code : s.printer_codes) io.bytes(code);
  io.byte(s.preprinted_forms); io.i16(s.offset_from_top); io.i16(s.offset_to_first_line);
  io.byte(s.color_foreground); io.byte(s.color_background); io.byte(s.color_prompt);
  io.byte(s.color_header); io.byte(s.color_special);
  io.bytes(s.unused_533);
  io.i32(s.labor_surcharge); io.i32(s.parts_surcharge); io.bytes(s.surcharge_description);
  io.bytes(s.unused_771); io.bytes(s.fleet_terms); io.bytes(s.unused_864);
  io.bytes(s.printer_port1); io.byte(s.printer_flag1); io.byte(s.printer_flag2);
  io.bytes(s.printer_port2); io.bytes(s.printer_port3); io.byte(s.unused_903);
  io.byte(s.printer_flag3); io.bytes(s.shell_command); io.bytes(s.unused_983);
  io.i32(s.fleet_late_charge); io.bytes(s.unused_989); io.i16(s.form_length);
  io.byte(s.surcharge_is_sublet); io.bytes(s.unused_1034);
}

template <size_t N>
void set_text(char (&field)[N], const char* text) { field_set(field, N, text); }

void set_code(uint8_t (&field)[16], std::initializer_list<uint8_t> bytes) {
  std::memset(field, 0, sizeof field);
  size_t i = 0;
  for (uint8_t b : bytes) field[i++] = b;
}

}  // namespace

void settings_decode(const uint8_t* bytes, SettingsRecord* s) {
  Reader r{bytes};
  settings_fields(r, *s);
}

void settings_encode(const SettingsRecord& s, uint8_t* bytes) {
  Writer w{bytes};
  settings_fields(w, s);
}

void settings_defaults(ProgramKind kind) {
  g_program = kind;
  SettingsRecord s{};
  const bool prune = kind == ProgramKind::prune;
  if (prune) {
    s.next_workorder = s.next_estimate = s.next_purchase_order = 1;
    s.next_customer = s.next_employee = 1;
  } else {
    s.next_workorder = 5000;
    s.next_estimate = 100;
    s.next_purchase_order = 1000;
    s.next_customer = 5000;
    s.next_employee = 10;
  }
  s.prompt_timeout = 600;
  s.parts_tax_rate = s.labor_tax_rate = s.sublet_tax_rate = 58125;
  s.waste_tax_rate = prune ? 58125 : 0;
  s.default_shop_rate = kind == ProgramKind::tally ? 4800 : 5000;
  set_text(s.company_name, prune ? "Your Company Name Here..." : "Quarrendel Software");
  set_text(s.company_address, "Company Address");
  set_text(s.company_city, "DEFAULT CITY");
  s.wholesale_markup = 450000;
  s.resale_markup = 900000;
  s.retail_markup = 1150000;
  set_text(s.message1, "Have a nice day...");
  set_text(s.message2, "We appreciate your patronage...");
  if (prune) set_code(s.printer_codes[PC_RESET], {27, 64});
  set_code(s.printer_codes[PC_5CPI], {14});
  set_code(s.printer_codes[PC_10CPI], {18});
  set_code(s.printer_codes[PC_17CPI], {15});
  set_code(s.printer_codes[PC_10CPIBOLD], {27, 69});
  set_code(s.printer_codes[PC_10CPIBOLDCANCEL], {27, 70});
  set_code(s.printer_codes[PC_FORMFEED], {12});
  s.preprinted_forms = 'N';
  s.color_foreground = prune ? 11 : 3;
  s.color_background = 0;
  s.color_prompt = 14;
  s.color_header = 15;
  s.color_special = 140;
  g_settings = s;
}

File* settings_load() {
  File* f = db_open(kSettingsFile, true);
  f->seek(0);
  db_lock(f, 2, &lock_settings);
  f->seek(0);
  // The file's bytes go over the record as it stands, so a short file keeps
  // the values in memory past its end.
  uint8_t bytes[kSettingsRecordSize];
  settings_encode(g_settings, bytes);
  size_t have = 0;
  while (have < kSettingsRecordSize) {
    int64_t n = f->read(bytes + have, kSettingsRecordSize - have);
    if (n <= 0) break;
    have += static_cast<size_t>(n);
  }
  settings_decode(bytes, &g_settings);
  g_missing = have == 0 && database_in_use();
  return f;
}

bool settings_were_missing() { return g_missing; }

std::vector<std::string> settings_missing_notice() {
  const SettingsRecord& s = g_settings;
  char counters[2][128];
  std::snprintf(counters[0], sizeof counters[0],
                "Check the next numbers: workorder %ld, estimate %ld, purchase order %ld,\r\n",
                long(s.next_workorder), long(s.next_estimate), long(s.next_purchase_order));
  std::snprintf(counters[1], sizeof counters[1],
                "customer %ld, employee %ld (velkconf, Other System Parameters)\r\n",
                long(s.next_customer), long(s.next_employee));
  return {std::string(kSettingsFile) + " was missing or empty: the default settings were written\r\n",
          counters[0], counters[1]};
}

void settings_save(File* f) {
  uint8_t bytes[kSettingsRecordSize];
  settings_encode(g_settings, bytes);
  // The record is written over the old one before the end of the file is
  // set, so no moment leaves the file cut short.
  bool ok = f->seek(0) && f->write(bytes, sizeof bytes) == static_cast<int64_t>(sizeof bytes) &&
            f->truncate_here() && f->flush();
  if (!ok) {
    beep_warning();
    alert_line("File write error on VKSYSTEM.DAT (bad media / disk full)...");
    fatal_exit();
  }
  db_unlock(f, &lock_settings);
  db_close(f);
  settings_apply_monochrome();
}

void settings_apply_monochrome() {
  Console* con = console();
  int mode = con->text_mode();
  if (mode != kModeMono && mode != kModeBW80) return;
  g_settings.color_foreground = 7;
  g_settings.color_background = 0;
  g_settings.color_prompt = 7;
  g_settings.color_header = 7;
  g_settings.color_special = 135;
  con->set_attr(7);
}
