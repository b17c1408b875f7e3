// The shop settings record ("VKSYSTEM.DAT", 1038 bytes), held in memory for
// the whole run: colours, company name, prompt time-out, counters, rates,
// markups and default texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class File;

constexpr size_t kSettingsRecordSize = 1038;

struct SettingsRecord {
  int32_t next_workorder;      // 0
  int32_t next_estimate;       // 4
  int32_t next_purchase_order; // 8
  int32_t next_customer;       // 12
  int32_t next_employee;       // 16
  int32_t prompt_timeout;      // 20: seconds
  int32_t parts_tax_rate;      // 24: ten-thousandths of a per cent
  int32_t labor_tax_rate;      // 28
  int32_t sublet_tax_rate;     // 32
  int32_t waste_tax_rate;      // 36
  int32_t default_shop_rate;   // 40: hundredths per hour
  char company_name[32];       // 44
  char company_address[33];    // 76
  char company_city[21];       // 109
  char company_state[3];       // 130
  uint8_t unused_133[108];     // 133: carried unchanged
  int32_t wholesale_markup;    // 241
  int32_t resale_markup;       // 245
  int32_t retail_markup;       // 249
  char message1[79];           // 253
  char message2[79];           // 332
  uint8_t printer_codes[7][16];// 411: RESET, 5CPI, 10CPI, 17CPI, 10CPIBOLD, 10CPIBOLDCANCEL, FORMFEED
  char preprinted_forms;       // 523: 'Y' or 'N'
  int16_t offset_from_top;     // 524
  int16_t offset_to_first_line;// 526
  uint8_t color_foreground;    // 528
  uint8_t color_background;    // 529
  uint8_t color_prompt;        // 530
  uint8_t color_header;        // 531
  uint8_t color_special;       // 532: with the blink bit 0x80
  uint8_t unused_533[166];     // 533
  int32_t labor_surcharge;     // 699
  int32_t parts_surcharge;     // 703
  char surcharge_description[64]; // 707
  uint8_t unused_771[15];      // 771
  char fleet_terms[78];        // 786
  uint8_t unused_864[22];      // 864
  char printer_port1[5];       // 886
  char printer_flag1;          // 891
  char printer_flag2;          // 892
  char printer_port2[5];       // 893
  char printer_port3[5];       // 898
  uint8_t unused_903;          // 903
  char printer_flag3;          // 904
  char shell_command[78];      // 905
  uint8_t unused_983[2];       // 983
  int32_t fleet_late_charge;   // 985
  uint8_t unused_989[42];      // 989
  int16_t form_length;         // 1031
  char surcharge_is_sublet;    // 1033: 'Y' or 'N'
  uint8_t unused_1034[4];      // 1034
};

// Printer code slots, in stored order.
enum PrinterCode { PC_RESET, PC_5CPI, PC_10CPI, PC_17CPI, PC_10CPIBOLD, PC_10CPIBOLDCANCEL, PC_FORMFEED };

void settings_decode(const uint8_t* bytes, SettingsRecord* s);
void settings_encode(const SettingsRecord& s, uint8_t* bytes);

// Which program is running: each carries its own built-in defaults (and its
// own wording of a few messages).
enum class ProgramKind { scrub, prune, tally, other };

// The record in memory.
extern SettingsRecord g_settings;
extern ProgramKind g_program;

// Puts the program's built-in defaults into g_settings and remembers the
// program kind.
void settings_defaults(ProgramKind kind);

// Opens "VKSYSTEM.DAT" in the data directory (created when missing), locks it
// with the settings region, reads up to 1038 bytes over g_settings and returns
// the still-locked file.
File* settings_load();
// True when the last settings_load found "VKSYSTEM.DAT" missing or empty in
// a database that already holds workorders, purchase orders, customers or
// employees: the built-in defaults then stand and are saved, counters
// included, and may lag behind the numbers in use.
bool settings_were_missing();
// The console lines that say so and name the counters to check, each ending
// in "\r\n".
std::vector<std::string> settings_missing_notice();
// Writes the record at offset 0, sets the end of the file there, unlocks and
// closes the file, then applies the monochrome colour rule.
void settings_save(File* f);
// The monochrome rule on its own: on a monochrome or BW80 text mode the five
// colours become 7, 0, 7, 7, 135 and the screen attribute 7.
void settings_apply_monochrome();
