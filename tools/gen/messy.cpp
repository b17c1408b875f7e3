#include "messy.h"

#include <cctype>
#include <cstring>

namespace {

// The start of each line of the section whose header (with brackets) begins
// at text[header], up to the next line that begins with "[" or the end.
template <class Fn>
void for_each_section_line(std::string& text, const char* header, Fn fn) {
  size_t at = text.find(header);
  if (at == std::string::npos) return;
  size_t line = text.find("\r\n", at);
  if (line == std::string::npos) return;
  line += 2;
  while (line < text.size() && text[line] != '[' && text[line] != 0) {
    size_t eol = text.find("\r\n", line);
    if (eol == std::string::npos) return;
    if (eol > line) {
      size_t new_len = fn(line, eol - line);
      eol = line + new_len;
    }
    line = eol + 2;
  }
}

}  // namespace

void mess_lower_case_headers(std::string& text, Rng& r) {
  static const char* const kHeaders[] = {"[Totals]", "[Customer]", "[Vehicle]", "[Parts]",
                                         "[Labor]",  "[Sublets]",  "[Waste]",   "[Credits]",
                                         "[Notes]"};
  bool changed = false;
  for (const char* h : kHeaders) {
    if (!r.chance(350) && !(h == kHeaders[8] && !changed)) continue;
    size_t at = text.find(h);
    if (at == std::string::npos) continue;
    for (size_t k = at + 1; text[k] != ']'; k++)
      text[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[k])));
    changed = true;
  }
}

void mess_old_layout_lines(std::string& text) {
  // Labor: code 0-5, hours 6-17, rate 18-29, share 30-41, amount 42-53, text.
  for_each_section_line(text, "[Labor]", [&](size_t line, size_t len) -> size_t {
    if (len <= 54 || text[line + 54] == ' ' || text[line + 54] == '\t') return len;
    text.erase(line + 42, 12);
    return len - 12;
  });
  // Sublets: description 0-30, reference 31-40, flag 41, cost, price, text.
  for_each_section_line(text, "[Sublets]", [&](size_t line, size_t len) -> size_t {
    if (len <= 41 || text[line + 41] != 'Y') return len;
    text.erase(line + 41, 1);
    return len - 1;
  });
}

std::string mess_missing_stock_number(Gen& g, Rng& r) {
  uint32_t pool = 10 + static_cast<uint32_t>(g.size.inventory / 50);
  return "NS" + std::to_string(1000 + r.below(pool));
}

std::string mess_high_bytes(const std::string& text, Rng& r) {
  static const struct {
    char plain;
    char dos;
  } kLetters[] = {{'U', '\x9A'}, {'O', '\x99'}, {'A', '\x8E'}, {'E', '\x90'}, {'N', '\xA5'}};
  std::string out = text;
  bool changed = false;
  for (char& c : out)
    for (const auto& l : kLetters)
      if (c == l.plain && (r.chance(500) || !changed)) {
        c = l.dos;
        changed = true;
      }
  if (!changed && !out.empty()) out[out.size() - 1] = '\x82';
  return out;
}
