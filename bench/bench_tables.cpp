// Sorted record tables at volume. For n entries in random key order:
//  - inventory index: n InventoryTag inserts, n searches, a save to a file;
//  - workorder index: n inserts into 512-byte slots, then every slot read
//    back through XMS_copy_down as the index writer does;
// at n/2 and n, printing the times, the ratio between the two sizes and the
// resident memory after each run.
//
//   bench_tables [n] [directory]      (defaults: 1000000, /tmp)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "db/inventory.h"
#include "platform/env.h"
#include "xms/store.h"
#include "xms/table.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of the process, for a machine that other work shares.
double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Resident memory of the process in MB.
double resident_mb() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long pages = 0, resident = 0;
  int got = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return got == 2 ? resident * 4096.0 / 1048576.0 : 0;
}

struct StockFigures {
  double insert, search, save, cpu, rss;
};

// Distinct stock numbers, a fifth of them in the swapped ddd-ddd form.
std::vector<std::string> stock_numbers(int n, std::mt19937_64& rng) {
  std::vector<std::string> out;
  out.reserve(n);
  char text[24];
  for (int i = 0; i < n; ++i) {
    if (i % 5 == 0)
      std::snprintf(text, sizeof text, "%03d-%03d%c", (i / 5) % 1000, (i / 5000) % 1000,
                    'A' + (i / 5000000) % 26);
    else
      std::snprintf(text, sizeof text, "PN%08d", i);
    out.emplace_back(text);
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

StockFigures run_stock(int n, const std::string& dir, std::mt19937_64& rng) {
  std::vector<std::string> stocks = stock_numbers(n, rng);
  XmsBlock* store = XMS_alloc(kXmsAll);
  InventoryTag tag;
  uint8_t entry[kInventoryTagSize];
  int count = 0;

  double cpu = cpu_seconds();
  auto start = Clock::now();
  for (int i = 0; i < n; ++i) {
    inventory_search_tag(stocks[i].c_str(), &tag);
    tag.record_offset = i * 344;
    inventory_tag_encode(tag, entry);
    count = table_insert_stock(store, entry, count);
  }
  double insert = seconds_since(start);
  if (count != n) std::fprintf(stderr, "only %d of %d inserted\n", count, n);

  std::shuffle(stocks.begin(), stocks.end(), rng);
  start = Clock::now();
  int found = 0;
  for (int i = 0; i < n; ++i) {
    inventory_search_tag(stocks[i].c_str(), &tag);
    inventory_tag_encode(tag, entry);
    if (table_search_stock(store, entry, count) >= 0) ++found;
  }
  double search = seconds_since(start);
  if (found != n) std::fprintf(stderr, "only %d of %d found\n", found, n);

  start = Clock::now();
  std::string path = dir + "/BENCHTAG.DAT";
  File* file = env()->open_exclusive(path);
  if (!file || !table_save(store, file, count, kTableStockEntry)) {
    std::fprintf(stderr, "cannot save %s\n", path.c_str());
    std::exit(1);
  }
  delete file;
  double save = seconds_since(start);
  cpu = cpu_seconds() - cpu;
  double rss = resident_mb();
  env()->remove(path);
  xms_exit_handler();
  return {insert, search, save, cpu, rss};
}

struct NumberFigures {
  double insert, read, cpu, rss;
};

NumberFigures run_number(int n, std::mt19937_64& rng) {
  std::vector<int32_t> numbers(n);
  std::iota(numbers.begin(), numbers.end(), 1);
  std::shuffle(numbers.begin(), numbers.end(), rng);
  XmsBlock* store = XMS_alloc(kXmsAll);
  uint8_t slot[kTableNumberEntry] = {};
  int count = 0;

  double cpu = cpu_seconds();
  auto start = Clock::now();
  for (int i = 0; i < n; ++i) {
    le_put_i32(slot, numbers[i]);
    std::memset(slot + 4, static_cast<int>(i & 0xFF), 286);
    count = table_insert_number(store, slot, count);
  }
  double insert = seconds_since(start);
  double insert_cpu = cpu_seconds() - cpu;

  start = Clock::now();
  int32_t previous = 0;
  for (int i = 0; i < count; ++i) {
    XMS_copy_down(store, static_cast<uint64_t>(i) * kTableNumberEntry, slot, sizeof slot);
    int32_t v = le_get_i32(slot);
    if (v != previous + 1) {
      std::fprintf(stderr, "slot %d holds %d\n", i, v);
      std::exit(1);
    }
    previous = v;
  }
  double read = seconds_since(start);
  double rss = resident_mb();
  xms_exit_handler();
  return {insert, read, insert_cpu, rss};
}

}  // namespace

int main(int argc, char** argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  std::string dir = argc > 2 ? argv[2] : "/tmp";
  if (n < 2) n = 2;
  std::mt19937_64 rng(20240601);

  std::printf("inventory index (128-byte tags, random stock-number order)\n");
  std::printf("%10s %10s %10s %10s %10s %10s %10s\n", "entries", "insert s", "search s", "save s",
              "total s", "total cpu", "rss MB");
  double totals[2], cpus[2];
  int sizes[2] = {n / 2, n};
  for (int k = 0; k < 2; ++k) {
    StockFigures f = run_stock(sizes[k], dir, rng);
    totals[k] = f.insert + f.search + f.save;
    cpus[k] = f.cpu;
    std::printf("%10d %10.3f %10.3f %10.3f %10.3f %10.3f %10.1f\n", sizes[k], f.insert, f.search,
                f.save, totals[k], f.cpu, f.rss);
  }
  std::printf("doubling the entries: %.2f x the time, %.2f x the processor time\n\n",
              totals[1] / totals[0], cpus[1] / cpus[0]);

  std::printf("workorder index (512-byte slots, random number order)\n");
  std::printf("%10s %10s %10s %10s %10s\n", "entries", "insert s", "insert cpu", "read s", "rss MB");
  for (int k = 0; k < 2; ++k) {
    NumberFigures f = run_number(sizes[k], rng);
    totals[k] = f.insert;
    cpus[k] = f.cpu;
    std::printf("%10d %10.3f %10.3f %10.3f %10.1f\n", sizes[k], f.insert, f.cpu, f.read, f.rss);
  }
  std::printf("doubling the entries: %.2f x the insert time, %.2f x its processor time\n",
              totals[1] / totals[0], cpus[1] / cpus[0]);
  return 0;
}
