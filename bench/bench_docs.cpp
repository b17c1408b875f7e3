// Workorder documents at volume: generates an invoice file of 300,000
// workorders, then reads it document by document, rewrites it into a second
// file, and parses it from memory, printing the throughput of each.
//
//   bench_docs [count] [directory]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "db/bytes.h"
#include "docs/workorder.h"
#include "platform/console.h"
#include "platform/env.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

// Wall time and the process's CPU time of one phase: on a shared machine the
// CPU figure is the code's own speed.
struct Timer {
  Clock::time_point wall = Clock::now();
  std::clock_t cpu = std::clock();
};

void report(const char* what, const Timer& t, double mb, const char* note = "") {
  double wall = std::chrono::duration<double>(Clock::now() - t.wall).count();
  double cpu = static_cast<double>(std::clock() - t.cpu) / CLOCKS_PER_SEC;
  std::printf("%-20s %7.2f s %8.1f MB/s   cpu %7.2f s %8.1f MB/s%s\n", what, wall, mb / wall, cpu,
              mb / cpu, note);
}

char* dup(const char* s) {
  char* d = static_cast<char*>(std::malloc(std::strlen(s) + 1));
  std::strcpy(d, s);
  return d;
}

template <class Node>
void append(Node** head, Node** tail, Node* n) {
  n->prev = *tail;
  n->next = nullptr;
  if (*tail) (*tail)->next = n; else *head = n;
  *tail = n;
}

const char* const kLast[] = {"SMITH", "JONES", "GARCIA", "MILLER", "DAVIS", "O'NEIL", "NGUYEN"};
const char* const kFirst[] = {"JOHN", "MARY", "ALEX", "PAT", "SAM", "LEE"};
const char* const kParts[] = {"OIL FILTER", "AIR FILTER", "BRAKE PADS FRONT", "WIPER BLADE 18IN",
                              "SPARK PLUG", "SERPENTINE BELT", "COOLANT 1 GAL"};
const char* const kLabor[] = {"LUBE, OIL AND FILTER", "ROTATE TIRES\tCHECK PRESSURE",
                              "REPLACE FRONT PADS\tRESURFACE ROTORS\tROAD TEST",
                              "DIAGNOSE CHECK ENGINE LIGHT"};

// One workorder of typical size and variety.
void make_workorder(std::mt19937& rng, uint32_t number, Workorder* wo) {
  wo_init(wo);
  wo->WorkorderNumber = number;
  wo->Status = static_cast<int32_t>(rng() % 5);
  wo->Type = static_cast<int32_t>(rng() % 4);
  CustomerRecord& c = wo->customer;
  c.CustomerNumber = 1 + rng() % 20000;
  field_set(c.Lastname, sizeof c.Lastname, kLast[rng() % 7]);
  field_set(c.Firstname, sizeof c.Firstname, kFirst[rng() % 6]);
  field_set(c.Address, sizeof c.Address, "1234 MAIN STREET");
  field_set(c.Zip, sizeof c.Zip, "62704");
  field_set(c.Phone1, sizeof c.Phone1, "(217) 555-0100");
  VehicleRecord& v = wo->vehicle;
  field_set(v.Year, sizeof v.Year, "1997");
  field_set(v.Make, sizeof v.Make, "FORD");
  field_set(v.Model, sizeof v.Model, "F150 PICKUP");
  field_set(v.VIN, sizeof v.VIN, "1FTDF1724VKA12345");
  field_set(v.LicenseNumber, sizeof v.LicenseNumber, "ABC 123");
  v.Mileage = static_cast<int32_t>(rng() % 200000);
  v.OrigMileage = v.Mileage;
  v.OrigDate = wo->totals.DateOpen;
  v.Date = -1;
  WorkorderTotals& t = wo->totals;
  t.DateClosed = t.DateOpen + static_cast<int32_t>(rng() % 5);
  t.PartsTaxRate = 62500;
  if (rng() % 4 == 0) {
    t.PaymentMethod = 8;
    t.SplitType[0] = 2;
    t.SplitAmount[0] = 5000;
    t.SplitDate[0] = t.DateClosed;
  } else {
    t.PaymentMethod = static_cast<uint8_t>(rng() % 8);
  }
  PartLine* pt = nullptr;
  int parts = static_cast<int>(rng() % 9);
  for (int i = 0; i < parts; i++) {
    auto* p = static_cast<PartLine*>(std::calloc(1, sizeof(PartLine)));
    std::snprintf(p->stock_number, sizeof p->stock_number, "%03u-%03u",
                  static_cast<unsigned>(rng() % 1000), static_cast<unsigned>(i));
    field_set(p->description, sizeof p->description, kParts[rng() % 7]);
    p->quantity = static_cast<int16_t>(1 + rng() % 4);
    p->unit_cost = static_cast<int32_t>(rng() % 10000);
    p->unit_price = p->unit_cost * 2;
    p->third_amount = p->unit_price;
    append(&wo->parts, &pt, p);
    t.PartsSubtotal += p->quantity * p->unit_price;
    t.PartsCost += p->quantity * p->unit_cost;
  }
  LaborLine* lt = nullptr;
  int labor = static_cast<int>(rng() % 5);
  for (int i = 0; i < labor; i++) {
    auto* l = static_cast<LaborLine*>(std::calloc(1, sizeof(LaborLine)));
    l->code = rng() % 1000;
    l->hours = static_cast<int32_t>(25 * (1 + rng() % 16));
    l->rate = 4500;
    l->tech_share = 400000;
    l->amount = l->hours * l->rate / 100;
    l->text = dup(kLabor[rng() % 4]);
    if (rng() % 3 == 0) l->followup_mileage = 3000;
    append(&wo->labor, &lt, l);
    t.LaborSubtotal += l->amount;
  }
  SubletLine* st = nullptr;
  if (rng() % 3 == 0) {
    auto* s = static_cast<SubletLine*>(std::calloc(1, sizeof(SubletLine)));
    field_set(s->description, sizeof s->description, "ALIGNMENT - OUTSIDE SHOP");
    field_set(s->reference, sizeof s->reference, "A-7781");
    s->taxable = 'N';
    s->cost = 3000;
    s->price = 4500;
    s->text = dup("");
    append(&wo->sublets, &st, s);
  }
  SubletLine* wt = nullptr;
  if (rng() % 2 == 0) {
    auto* s = static_cast<SubletLine*>(std::calloc(1, sizeof(SubletLine)));
    field_set(s->description, sizeof s->description, "Waste Disposal");
    s->taxable = 'Y';
    s->price = 300;
    s->text = dup("");
    append(&wo->waste, &wt, s);
  }
  if (rng() % 3 == 0) wo->notes = dup("CUSTOMER WAITING - CALL WHEN DONE");
  if (rng() % 4 == 0) wo->check_list = dup("BRAKES OK\r\nTIRES OK\r\nLIGHTS OK");
  t.WorkorderTotal = t.PartsSubtotal + t.LaborSubtotal;
}

void die(const char* what) {
  std::fprintf(stderr, "bench_docs: %s\n", what);
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  long count = argc > 1 ? std::atol(argv[1]) : 300000;
  std::string dir = argc > 2 ? argv[2] : ".";
  if (dir.back() != '/') dir += '/';
  console_set(new MemoryConsole());
  settings_defaults(ProgramKind::scrub);
  today_compute();

  std::string in_path = dir + "BENCH_VKINVOIC.DAT", out_path = dir + "BENCH_VKINVOIC.NEW";
  env()->remove(in_path);
  env()->remove(out_path);
  File* in = env()->open_exclusive(in_path);
  if (!in) die("cannot create the invoice file");

  // Generate.
  std::mt19937 rng(42);
  Workorder wo;
  int64_t pos = 0;
  Timer t0;
  for (long i = 0; i < count; i++) {
    make_workorder(rng, static_cast<uint32_t>(i + 1), &wo);
    int64_t length = 0;
    int64_t n = wo_write(in, wo, pos, &length);
    if (n != length) die("short write while generating");
    pos += n;
    wo_free(&wo);
  }
  const double mb = static_cast<double>(pos) / 1e6;
  std::printf("documents: %ld, invoice file: %.1f MB (%.0f bytes a document)\n", count, mb,
              static_cast<double>(pos) / static_cast<double>(count));
  report("generate and write", t0, mb);

  // Read the file document by document.
  t0 = Timer();
  int64_t p = 0;
  long docs = 0, rejected = 0;
  for (;;) {
    in->seek(p);
    DocRead info;
    int64_t r = wo_read(in, &wo, &info);
    if (r <= 0) {
      if (r < 0) die("read failed");
      break;
    }
    docs++;
    rejected += !info.whole;
    p += r;
    wo_free(&wo);
  }
  if (docs != count || rejected) die("documents lost or rejected while reading");
  report("read (wo_read)", t0, mb);

  // Read and rewrite into a new file, as the cleanup program does.
  File* out = env()->open_exclusive(out_path);
  if (!out) die("cannot create the rewritten file");
  t0 = Timer();
  p = 0;
  int64_t q = 0;
  for (;;) {
    in->seek(p);
    int64_t r = wo_read(in, &wo, nullptr);
    if (r <= 0) break;
    p += r;
    q += wo_write(out, wo, q, nullptr);
    wo_free(&wo);
  }
  report("read and rewrite", t0, mb, q == pos ? "" : "  (REWRITTEN FILE DIFFERS IN SIZE)");

  // Parse from memory: the reader's own speed, without file reads.
  std::string all(static_cast<size_t>(pos), '\0');
  in->seek(0);
  if (in->read(all.data(), all.size()) != pos) die("cannot read the file back");
  t0 = Timer();
  size_t at = 0;
  while (at < all.size()) {
    int64_t r = wo_parse(all.data() + at, all.size() - at, &wo, nullptr);
    if (r <= 0) break;
    at += static_cast<size_t>(r);
    wo_free(&wo);
  }
  report("parse from memory", t0, mb);

  delete in;
  delete out;
  if (!std::getenv("BENCH_DOCS_KEEP")) {
    env()->remove(in_path);
    env()->remove(out_path);
  }
  return 0;
}
