#include "cmdline.h"

#include <strings.h>

#include <cctype>
#include <cstring>

#include "ui/dates.h"
#include "ui/screen.h"

namespace {

bool is_option(const char* arg) { return arg[0] == '/' || arg[0] == '-'; }

// "/?", "-?" and the usual "--help" and "-h" ask for the usage text.
bool asks_for_help(const char* arg) {
  return arg[1] == '?' || strcasecmp(arg, "--help") == 0 || strcasecmp(arg, "-h") == 0;
}

// Shows a refusal and the usage text; the caller stops with status 0.
CommandLine refuse(const char* message) {
  con_print(message);
  tally_print_usage();
  return CommandLine::stop;
}

}  // namespace

void tally_print_usage() {
  static const char* const kLines[] = {
      "\r\nUsage:\r\n",
      "VELKTALLY   <-- rebuilds entire usage list...\r\n",
      "VELKTALLY /REBUILD  <-- adds parts from Workorders to Inventory\r\n",
      "VELKTALLY /DELETE   <-- deletes VKINVENT.DAT and VKINVTAG.DAT and then rebuilds from "
      "Workorders\r\n",
      "VELKTALLY /TDATE=<mm/dd/yyyy   <-- trims entire list before TDATE\r\n",
      "VELKTALLY /TRIM-\"<stock number>\"   <-- truncates stock number's usage\r\n",
      "VELKTALLY /TDATE=<mm/dd/yyyy /TRIM=\"<stock number>\"   <-- trims stock numbers's usage "
      "and rebuilds rest\r\n",
      "Multiple /TRIM= parameters are supported.\r\n",
  };
  for (const char* line : kLines) con_print(line);
}

CommandLine tally_parse_command_line(int argc, const char* const* argv, TallyOptions* o) {
  for (int i = argc - 1; i >= 1; --i) {
    const char* arg = argv[i];
    con_print(arg);
    con_print("\r\n");
    if (!is_option(arg)) continue;  // a stock number of a /TRIM= passes here
    if (asks_for_help(arg)) {
      tally_print_usage();
      return CommandLine::stop;
    }
    std::string upper = arg;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    size_t at = upper.find("TDATE=");
    if (at != std::string::npos) {
      if (o->trim_date != -1) return refuse("Too many TDATEs...\r\n");
      int32_t day = parse_date(upper.c_str() + at + 6);
      if (day == -1) return refuse("\r\nBad TDATE...\r\n");
      o->trim_date = day;
    }

    at = upper.find("TRIM=");
    if (at != std::string::npos) {
      if (at + 5 != upper.size()) return refuse("\r\nTRIM= needs quotes around stock numbers...\r\n");
      if (i + 1 >= argc || is_option(argv[i + 1])) return refuse("\r\nBad TRIM= parameter...\r\n");
      const char* stock = argv[i + 1];
      if (std::strlen(stock) >= kTrimArgumentLimit)
        return refuse("\r\nTRIM= stock number too long (255 characters at most)...\r\n");
      if (o->trim_count >= kMaxTrimStockNumbers)
        return refuse("\r\nToo many TRIM= parameters (64 at most)...\r\n");
      const char* quote = std::strchr(stock, '"');
      o->trim_stock_numbers.emplace_back(stock, quote ? static_cast<size_t>(quote - stock)
                                                      : std::strlen(stock));
      ++o->trim_count;
    }

    // An option that is none of these (a word typed wrong) would otherwise
    // run the whole rebuild without what was asked for.
    if (upper.find("TDATE=") == std::string::npos && upper.find("TRIM=") == std::string::npos &&
        upper.find("REBUILD") == std::string::npos && upper.find("DELETE") == std::string::npos) {
      con_printf("\r\nUnknown option %s...\r\n", arg);
      tally_print_usage();
      return CommandLine::stop;
    }
    if (upper.find("REBUILD") != std::string::npos) o->recover_missing_parts = true;
    if (upper.find("DELETE") != std::string::npos) {
      o->recover_missing_parts = true;
      o->delete_inventory = true;
    }
  }
  return CommandLine::run;
}
