// Printer codes from the printer configuration, and sending them.
//
// The configuration is text in sections: a line "[name]" starts the section
// of a printer (names without regard to case), and its lines read KEY=value
// until the next line that starts with "[". The keys are looked for in a
// fixed order, each search starting after the line of the key found before
// it, so a key written before an earlier key of the order is not seen.
#include "ui/printer.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "platform/env.h"
#include "ui/dates.h"
#include "ui/screen.h"

namespace {

constexpr size_t kCodeSize = 16;
constexpr int16_t kDefaultFormLength = 62;

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (toupper((unsigned char)a[i]) != toupper((unsigned char)b[i])) return false;
  return true;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The lines of the named section, without its header; false when there is
// no such section.
bool find_section(const std::vector<std::string_view>& lines, std::string_view name,
                  std::vector<std::string_view>* section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view header = trimmed(lines[i]);
    if (header.size() < 2 || header.front() != '[' || header.back() != ']') continue;
    if (!same_letters(header.substr(1, header.size() - 2), name)) continue;
    for (size_t j = i + 1; j < lines.size() && (lines[j].empty() || lines[j][0] != '['); ++j)
      section->push_back(lines[j]);
    return true;
  }
  return false;
}

class KeyReader {
 public:
  explicit KeyReader(const std::vector<std::string_view>& lines) : lines_(lines) {}
  // The value of the next key in order; empty when the key is not found
  // (the search position then stays).
  std::string value(std::string_view key) {
    for (size_t i = from_; i < lines_.size(); ++i) {
      std::string_view line = lines_[i];
      if (line.size() <= key.size() || line[key.size()] != '=' ||
          !same_letters(line.substr(0, key.size()), key))
        continue;
      from_ = i + 1;
      return std::string(trimmed(line.substr(key.size() + 1)));
    }
    return std::string();
  }

 private:
  const std::vector<std::string_view>& lines_;
  size_t from_ = 0;
};

bool is_code_separator(char c) {
  return c == ',' || c == '\\' || c == '/' || c == '.' || c == ' ';
}

// A list of decimal byte values: at most 16, a value reading 0 ends it.
void parse_codes(const std::string& text, uint8_t* slot) {
  memset(slot, 0, kCodeSize);
  size_t count = 0, i = 0;
  while (count < kCodeSize) {
    while (i < text.size() && is_code_separator(text[i])) ++i;
    if (i >= text.size()) break;
    long n = strtol(text.c_str() + i, nullptr, 10);
    while (i < text.size() && !is_code_separator(text[i])) ++i;
    if (n == 0) break;
    slot[count++] = uint8_t(n);
  }
}

bool whole_number(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = strtol(text.c_str(), &end, 10);
  return end != text.c_str();
}

}  // namespace

void printer_filter_load(char* name, size_t name_size) {
  if (!name || name_size == 0) return;
  name[name_size - 1] = '\0';
  trim_trailing_blanks(name);
  if (name[0] == '\0' || strchr(name, '.')) return;

  const std::string& dir = data_dir();
  File* f = env()->open_read(dir + env()->actual_name(dir, kPrinterFilterFile));
  if (!f) return;
  char* buffer = static_cast<char*>(calloc(kPrinterFilterBufferSize, 1));
  if (!buffer) {
    db_close(f);
    beep_warning();
    return;
  }
  // One byte stays zero: a larger file is cut there and never overruns.
  size_t have = 0;
  while (have < kPrinterFilterBufferSize - 1) {
    int64_t n = f->read(buffer + have, kPrinterFilterBufferSize - 1 - have);
    if (n <= 0) break;
    have += size_t(n);
  }
  db_close(f);

  std::vector<std::string_view> lines = split_lines(std::string_view(buffer, strlen(buffer)));
  std::vector<std::string_view> section;
  if (!find_section(lines, name, &section)) {
    free(buffer);
    beep_warning();
    return;
  }

  SettingsRecord& s = g_settings;
  const char kept_preprinted = s.preprinted_forms;
  const int16_t kept_top = s.offset_from_top, kept_first = s.offset_to_first_line;
  memset(s.printer_codes, 0, sizeof s.printer_codes);
  s.preprinted_forms = kept_preprinted;
  s.offset_from_top = kept_top;
  s.offset_to_first_line = kept_first;

  static const char* const kCodeKeys[] = {"RESET",     "5CPI",           "10CPI",   "17CPI",
                                          "10CPIBOLD", "10CPIBOLDCANCEL", "FORMFEED"};
  KeyReader keys(section);
  for (int i = PC_RESET; i <= PC_FORMFEED; ++i) parse_codes(keys.value(kCodeKeys[i]), s.printer_codes[i]);

  long n = 0;
  std::string value = keys.value("FORMLENGTH");
  s.form_length = whole_number(value, &n) && n > 0 && n <= INT16_MAX ? int16_t(n) : kDefaultFormLength;
  value = keys.value("PREPRINTEDFORMS");
  s.preprinted_forms = !value.empty() && toupper((unsigned char)value[0]) == 'Y' ? 'Y' : 'N';
  value = keys.value("OFFSETFROMTOF");
  if (!value.empty()) s.offset_from_top = int16_t(atoi(value.c_str()));
  value = keys.value("OFFSETTOFIRSTLINE");
  if (!value.empty()) s.offset_to_first_line = int16_t(atoi(value.c_str()));
  value = keys.value("REMAP");
  if (!value.empty()) snprintf(name, name_size, "%s", value.c_str());
  free(buffer);
}

bool printer_send_code(PrinterCode code, File* printer) {
  bool ok = printer != nullptr;
  for (size_t i = 0; ok && i < kCodeSize; ++i)
    ok = printer->write(&g_settings.printer_codes[code][i], 1) == 1;
  return ok;
}

bool printer_send_text(const char* text, File* printer) {
  if (!printer || !text) return false;
  size_t n = strlen(text);
  return n == 0 || printer->write(text, n) == int64_t(n);
}

bool printer_reset(File* printer) {
  // Without a RESET code there is no port to initialise here: nothing is sent.
  if (g_settings.printer_codes[PC_RESET][0] == 0) return true;
  return printer_send_code(PC_RESET, printer);
}
