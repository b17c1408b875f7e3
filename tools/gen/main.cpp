// velkgen: makes a complete sample shop database in a directory.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "db/replace.h"
#include "gen.h"
#include "ui/dates.h"

namespace {

const char kHelp[] =
    "Usage: velkgen DIR [--seed N] [--scale S] [--clean] [--quiet]\n"
    "\n"
    "Makes a complete sample shop database in DIR (created when missing):\n"
    "settings, customers with their index and vehicles, inventory with its\n"
    "index, usage history and receiving log, stored workorders with their\n"
    "index, open workorder documents with their list, stored and open\n"
    "purchase orders with their index and list, employees and payroll.\n"
    "Data files and open documents of an earlier database in DIR are replaced.\n"
    "\n"
    "  --seed N    random seed (default 1); the same seed and scale always\n"
    "              give the same files\n"
    "  --scale S   size of the shop (default 1; fractions allowed). Scale 1 is\n"
    "              about 1,000 workorders, 5,000 part lines, 333 inventory\n"
    "              items, 167 customers and 100 purchase orders; everything\n"
    "              grows in proportion: scale 300 is about 300,000 workorders,\n"
    "              1.5 million part lines, 100,000 inventory items, 50,000\n"
    "              customers and 30,000 purchase orders (about 780 MB).\n"
    "              At most 1000 (the files' 32-bit offsets).\n"
    "  --clean     leave out the messy cases real shops have (duplicate and\n"
    "              void workorders, open documents also stored, wrong customer\n"
    "              numbers, parts missing from inventory, duplicate part lines,\n"
    "              deleted items, bytes of 0x80 and above, \"/C\" and ddd-ddd\n"
    "              stock numbers, lower-case section headers, old-layout labor\n"
    "              and sublet lines, \"Waste Disposal\" and \"SURCHARGE\" sublets,\n"
    "              ON ACCT documents with splits, labor follow-ups, customers\n"
    "              numbered 0 or without a name, vehicles without make, model\n"
    "              and year, blank or dangling open-list entries)\n"
    "  --quiet     print nothing but errors\n";

bool parse_number(const char* text, double* out) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (end == text || *end != 0 || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// Removes the data files, open documents and file-swap journal an earlier
// database may have left, so that nothing of it mixes with the new one.
void clear_old_database(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    std::string name = e.path().filename().string();
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool doc = (upper[0] == 'W' || upper[0] == 'I') && upper.size() > 4 &&
               upper.compare(upper.size() - 4, 4, ".DKT") == 0;
    bool data = upper.size() > 4 && upper.compare(0, 2, "VK") == 0 &&
                (upper.compare(upper.size() - 4, 4, ".DAT") == 0 ||
                 upper.compare(upper.size() - 4, 4, ".NEW") == 0);
    bool journal = upper == kSwapJournalName || upper == kSwapJournalTempName;
    if (doc || data || journal) fs::remove(e.path(), ec);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Gen g;
  bool have_dir = false;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (!std::strcmp(a, "--clean")) {
      g.opt.messy = false;
    } else if (!std::strcmp(a, "--quiet")) {
      g.opt.quiet = true;
    } else if ((!std::strcmp(a, "--seed") || !std::strcmp(a, "--scale")) && i + 1 < argc) {
      double v;
      if (!parse_number(argv[i + 1], &v)) {
        std::fprintf(stderr, "velkgen: %s needs a number, not \"%s\"\n", a, argv[i + 1]);
        return 2;
      }
      if (a[3] == 'e') {
        if (v < 0 || v != std::floor(v)) {
          std::fprintf(stderr, "velkgen: --seed needs a whole number\n");
          return 2;
        }
        g.opt.seed = static_cast<uint64_t>(v);
      } else {
        // Links between records are 32-bit offsets: at scale 1000 the invoice
        // file holds about 1.5 GB, well below the 2 GB they can reach.
        if (v <= 0 || v > 1000) {
          std::fprintf(stderr, "velkgen: --scale must lie above 0 and at most 1000\n");
          return 2;
        }
        g.opt.scale = v;
      }
      i++;
    } else if (a[0] != '-' && !have_dir) {
      g.opt.dir = a;
      have_dir = true;
    } else {
      std::fprintf(stderr, "velkgen: unknown argument \"%s\"\n\n%s", a, kHelp);
      return 2;
    }
  }
  if (!have_dir) {
    std::fputs(kHelp, stderr);
    return 2;
  }
  if (g.opt.dir.empty() || g.opt.dir.back() != '/') g.opt.dir += '/';
  std::error_code ec;
  std::filesystem::create_directories(g.opt.dir, ec);
  if (!std::filesystem::is_directory(g.opt.dir, ec))
    gen_fail("cannot create the directory " + g.opt.dir);
  clear_old_database(g.opt.dir);

  g.size = gen_sizes(g.opt.scale);
  g.mess = mess_rates(g.opt.messy);
  g.first_day = parse_date("01/02/2019");
  g.last_day = parse_date("12/30/2025");
  g.today = g.last_day + 1;
  today_set(g.today);  // new-record defaults take the shop's day, not the machine's

  gen_settings_defaults(g);
  gen_customers(g);
  gen_inventory_items(g);
  gen_workorders(g);
  gen_purchase_orders(g);
  gen_inventory_files(g);
  gen_payroll(g);
  gen_settings_file(g);

  if (!g.opt.quiet) {
    const GenStats& s = g.stats;
    std::printf(
        "velkgen: %s (seed %llu, scale %g%s)\n"
        "  workorders: %lld stored, %lld open, %lld part lines, %lld usage entries\n"
        "  purchase orders: %lld stored, %lld open, %lld receiving entries\n"
        "  inventory items: %lld; customers: %lld with %lld vehicles\n"
        "  employees: %lld with %lld payroll entries; messy cases: %lld\n",
        g.opt.dir.c_str(), static_cast<unsigned long long>(g.opt.seed), g.opt.scale,
        g.opt.messy ? "" : ", clean", (long long)s.stored_workorders,
        (long long)s.open_workorders, (long long)s.part_lines, (long long)s.usage,
        (long long)s.stored_pos, (long long)s.open_pos, (long long)s.receiving,
        (long long)s.items, (long long)s.customers, (long long)s.vehicles,
        (long long)s.employees, (long long)s.payroll, (long long)s.messy);
  }
  return 0;
}
