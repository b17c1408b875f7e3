// The command line of velktally: its options, the run parameters they set
// and the usage text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// At most this many /TRIM= stock numbers, each shorter than kTrimArgumentLimit.
constexpr int kMaxTrimStockNumbers = 64;
constexpr size_t kTrimArgumentLimit = 256;

struct TallyOptions {
  // Parts found on workorders but missing from inventory are added to it.
  bool recover_missing_parts = false;
  // Workorders opened before this day lose their usage entries; -1 for none.
  int32_t trim_date = -1;
  // Stock numbers whose usage is truncated, in the order they were read
  // (from the last argument to the first).
  std::vector<std::string> trim_stock_numbers;
  int trim_count = 0;
  // /DELETE: the two inventory files are deleted once the command line is
  // accepted.
  bool delete_inventory = false;
};

enum class CommandLine {
  run,   // accepted: run the passes
  stop,  // usage text shown (asked for, or the command line was refused): exit 0
};

// Reads the arguments after the program name, from the last to the first,
// echoing each one. Changes no file: /DELETE is only noted.
CommandLine tally_parse_command_line(int argc, const char* const* argv, TallyOptions* options);

// Prints the usage text.
void tally_print_usage();
