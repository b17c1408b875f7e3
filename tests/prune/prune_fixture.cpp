#include "prune_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "db/bytes.h"
#include "db/catalog.h"
#include "docs/purchase.h"
#include "docs/workorder.h"
#include "ui/dates.h"
#include "ui/settings.h"
#include "xms/store.h"

namespace fs = std::filesystem;

// ---- Records -------------------------------------------------------------

InventoryRecord make_item(const char* stock, const char* description) {
  InventoryRecord r;
  inventory_init(&r);
  field_set(r.stock_number, sizeof r.stock_number, stock);
  field_set(r.description, sizeof r.description, description);
  r.amounts[0] = 1234;
  r.index_count = 3;
  r.index_flag = 1;
  return r;
}

std::vector<uint8_t> encode_item(const InventoryRecord& r) {
  std::vector<uint8_t> b(kInventoryRecordSize);
  inventory_encode(r, b.data());
  return b;
}

std::vector<InventoryRecord> read_items(const ShopDir& dir) {
  std::vector<InventoryRecord> out;
  for (const auto& rec : split_records(dir.read("VKINVENT.DAT"), kInventoryRecordSize)) {
    out.emplace_back();
    inventory_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<InventoryTag> read_item_tags(const ShopDir& dir) {
  std::vector<InventoryTag> out;
  for (const auto& rec : split_records(dir.read("VKINVTAG.DAT"), kInventoryTagSize)) {
    out.emplace_back();
    inventory_tag_decode(rec.data(), &out.back());
  }
  return out;
}

UsageRecord make_usage(const char* stock, int32_t date, int32_t workorder) {
  UsageRecord u{};
  field_set(u.stock_number, sizeof u.stock_number, stock);
  u.workorder_number = workorder;
  u.date = date;
  u.quantity = 1;
  u.next = -1;
  return u;
}

ReceivingRecord make_receiving(const char* stock, int32_t date, int32_t po) {
  ReceivingRecord r{};
  field_set(r.stock_number, sizeof r.stock_number, stock);
  r.po_number = po;
  r.date = date;
  r.next = -1;
  return r;
}

CustomerRecord make_customer(uint32_t number, const char* last, const char* first) {
  CustomerRecord c{};
  c.CustomerNumber = number;
  field_set(c.Lastname, sizeof c.Lastname, last);
  field_set(c.Firstname, sizeof c.Firstname, first);
  c.date = -1;
  c.vehicle_head = -1;
  return c;
}

VehicleRecord make_vehicle(const char* make, const char* model, const char* year, const char* vin) {
  VehicleRecord v{};
  field_set(v.Make, sizeof v.Make, make);
  field_set(v.Model, sizeof v.Model, model);
  field_set(v.Year, sizeof v.Year, year);
  field_set(v.VIN, sizeof v.VIN, vin);
  v.second = -1;
  v.next = -1;
  return v;
}

std::vector<CustomerRecord> read_customers(const ShopDir& dir) {
  std::vector<CustomerRecord> out;
  for (const auto& rec : split_records(dir.read("VKCSTDAT.DAT"), kCustomerRecordSize)) {
    out.emplace_back();
    customer_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<CustomerTag> read_customer_tags(const ShopDir& dir) {
  std::vector<CustomerTag> out;
  for (const auto& rec : split_records(dir.read("VKCSTTAG.DAT"), kCustomerTagSize)) {
    out.emplace_back();
    customer_tag_decode(rec.data(), &out.back());
  }
  return out;
}

int32_t ChainImage::add_chain(const std::vector<std::vector<uint8_t>>& children) {
  int32_t head = -1;
  for (std::vector<uint8_t> c : children) {
    c.resize(size);
    le_put_i32(c.data() + next_offset, head);
    head = static_cast<int32_t>(bytes.size());
    bytes.insert(bytes.end(), c.begin(), c.end());
  }
  return head;
}

std::vector<uint8_t> encode_usage(const UsageRecord& u) {
  std::vector<uint8_t> b(kUsageRecordSize);
  usage_encode(u, b.data());
  return b;
}

std::vector<uint8_t> encode_receiving(const ReceivingRecord& r) {
  std::vector<uint8_t> b(kReceivingRecordSize);
  receiving_encode(r, b.data());
  return b;
}

std::vector<uint8_t> encode_vehicle(const VehicleRecord& v) {
  std::vector<uint8_t> b(kVehicleRecordSize);
  vehicle_encode(v, b.data());
  return b;
}

std::vector<uint8_t> payroll_entry(int32_t date, uint8_t fill) {
  std::vector<uint8_t> b(kPayrollEntrySize, fill);
  le_put_i32(b.data() + kPayrollDateOffset, date);
  le_put_i32(b.data() + kPayrollNextOffset, -1);
  return b;
}

std::vector<uint8_t> employee(uint8_t fill, int32_t head) {
  std::vector<uint8_t> b(kEmployeeRecordSize, fill);
  le_put_i32(b.data() + kEmployeePayrollHeadOffset, head);
  return b;
}

std::vector<std::vector<uint8_t>> walk_chain(const std::vector<uint8_t>& file, int32_t head,
                                             size_t size, size_t next_offset) {
  std::vector<std::vector<uint8_t>> out;
  std::set<int32_t> seen;
  for (int32_t link = head; link != -1;) {
    if (link < 0 || link % static_cast<int32_t>(size) != 0 ||
        static_cast<size_t>(link) + size > file.size() || !seen.insert(link).second) {
      ADD_FAILURE() << "bad link " << link << " in a chain from " << head;
      break;
    }
    out.emplace_back(file.begin() + link, file.begin() + link + static_cast<ptrdiff_t>(size));
    link = le_get_i32(out.back().data() + next_offset);
  }
  return out;
}

// ---- Documents -----------------------------------------------------------

std::string workorder_text(const TestDoc& d) {
  Workorder wo;
  wo_init(&wo);
  wo.WorkorderNumber = d.number;
  wo.Status = d.status;
  wo.totals.DateOpen = d.open;
  wo.totals.DateClosed = d.closed;
  wo.totals.DatePaid = d.paid;
  field_set(wo.customer.Lastname, sizeof wo.customer.Lastname, d.last.c_str());
  field_set(wo.customer.Firstname, sizeof wo.customer.Firstname, d.first.c_str());
  field_set(wo.customer.TaxIDNumber, sizeof wo.customer.TaxIDNumber, d.tax_id.c_str());
  field_set(wo.vehicle.VIN, sizeof wo.vehicle.VIN, d.vin.c_str());
  // A vehicle is written only when it has a make or model.
  if (!d.vin.empty()) field_set(wo.vehicle.Make, sizeof wo.vehicle.Make, "FORD");
  std::string text;
  wo_format(wo, &text);
  wo_free(&wo);
  return text;
}

std::string purchase_order_text(const TestDoc& d) {
  PurchaseOrder po;
  po_init(&po);
  po.PONumber = d.number;
  po.Status = static_cast<int16_t>(d.status);
  po.totals.DateOpen = d.open;
  po.totals.DateClosed = d.closed;
  po.totals.DatePaid = d.paid;
  field_set(po.vendor.Vendor, sizeof po.vendor.Vendor, d.last.c_str());
  std::string text;
  po_format(po, &text);
  po_free(&po);
  return text;
}

std::vector<WorkorderTag> read_workorder_tags(const ShopDir& dir) {
  std::vector<WorkorderTag> out;
  for (const auto& rec : split_records(dir.read("VKINCTAG.DAT"), kWorkorderTagSize)) {
    out.emplace_back();
    workorder_tag_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<PurchaseOrderTag> read_po_tags(const ShopDir& dir) {
  std::vector<PurchaseOrderTag> out;
  for (const auto& rec : split_records(dir.read("VKPURTAG.DAT"), kPurchaseOrderTagSize)) {
    out.emplace_back();
    purchase_order_tag_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<OpenWorkorderEntry> read_open_workorders(const ShopDir& dir) {
  std::vector<OpenWorkorderEntry> out;
  for (const auto& rec : split_records(dir.read("VKOPENWO.DAT"), kOpenWorkorderEntrySize)) {
    out.emplace_back();
    open_workorder_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<OpenPurchaseOrderEntry> read_open_pos(const ShopDir& dir) {
  std::vector<OpenPurchaseOrderEntry> out;
  for (const auto& rec : split_records(dir.read("VKOPENPO.DAT"), kOpenPurchaseOrderEntrySize)) {
    out.emplace_back();
    open_purchase_order_decode(rec.data(), &out.back());
  }
  return out;
}

std::vector<int32_t> stored_workorder_numbers(const ShopDir& dir) {
  std::vector<uint8_t> bytes = dir.read("VKINVOIC.DAT");
  std::vector<int32_t> out;
  size_t at = 0;
  while (at < bytes.size()) {
    Workorder wo;
    wo_init(&wo);
    int64_t r = wo_parse(reinterpret_cast<const char*>(bytes.data()) + at, bytes.size() - at, &wo);
    wo_free(&wo);
    if (r <= 0) break;
    out.push_back(static_cast<int32_t>(wo.WorkorderNumber));
    at += static_cast<size_t>(r);
  }
  return out;
}

std::vector<int32_t> stored_po_numbers(const ShopDir& dir) {
  std::vector<uint8_t> bytes = dir.read("VKPURCHA.DAT");
  std::vector<int32_t> out;
  size_t at = 0;
  while (at < bytes.size()) {
    PurchaseOrder po;
    po_init(&po);
    int64_t r = po_parse(reinterpret_cast<const char*>(bytes.data()) + at, bytes.size() - at, &po);
    po_free(&po);
    if (r <= 0) break;
    out.push_back(static_cast<int32_t>(po.PONumber));
    at += static_cast<size_t>(r);
  }
  return out;
}

// A small shop with something to purge in every pass.
void write_small_shop(ShopDir& dir, int32_t cutoff) {
  const int32_t kCutoff = cutoff;
  ChainImage usage{{}, kUsageRecordSize, kUsageNextOffset};
  ChainImage receiving{{}, kReceivingRecordSize, kReceivingNextOffset};
  std::vector<uint8_t> items;
  for (int i = 0; i < 6; i++) {
    std::string stock = "ITEM-" + std::to_string(i);
    InventoryRecord r = make_item(stock.c_str());
    r.deleted = i == 3;
    r.usage_head = usage.add_chain({encode_usage(make_usage(stock.c_str(), kCutoff - 1, i)),
                                    encode_usage(make_usage(stock.c_str(), kCutoff + i, i))});
    r.receiving_head = receiving.add_chain(
        {encode_receiving(make_receiving(stock.c_str(), kCutoff + 5, i)),
         encode_receiving(make_receiving(stock.c_str(), kCutoff - 5, i))});
    std::vector<uint8_t> b = encode_item(r);
    items.insert(items.end(), b.begin(), b.end());
  }
  dir.write("VKINVENT.DAT", items);
  dir.write("VKUSEHST.DAT", usage.bytes);
  dir.write("VKRCVLOG.DAT", receiving.bytes);
  dir.write("VKINVTAG.DAT", std::string(128, 'T'));

  ChainImage vehicles{{}, kVehicleRecordSize, 393};
  std::vector<uint8_t> customers;
  for (uint32_t n = 0; n < 5; n++) {
    CustomerRecord c = make_customer(n, "LAST", "FIRST");
    c.vehicle_head = vehicles.add_chain({encode_vehicle(make_vehicle("FORD", "", "")),
                                         encode_vehicle(make_vehicle("", "", ""))});
    std::vector<uint8_t> b(kCustomerRecordSize);
    customer_encode(c, b.data());
    customers.insert(customers.end(), b.begin(), b.end());
  }
  dir.write("VKCSTDAT.DAT", customers);
  dir.write("VKVEHICL.DAT", vehicles.bytes);
  dir.write("VKCSTTAG.DAT", std::string(96, 'C'));

  ChainImage pay{{}, kPayrollEntrySize, kPayrollNextOffset};
  std::vector<uint8_t> employees;
  for (int e = 0; e < 3; e++) {
    auto rec = employee(static_cast<uint8_t>(e), pay.add_chain({payroll_entry(kCutoff - 1, 1),
                                                                payroll_entry(kCutoff, 2),
                                                                payroll_entry(kCutoff + 1, 3)}));
    employees.insert(employees.end(), rec.begin(), rec.end());
  }
  dir.write("VKEMPLOY.DAT", employees);
  dir.write("VKPAYROL.DAT", pay.bytes);

  std::string invoices, orders;
  for (uint32_t n = 1; n <= 12; n++) {
    TestDoc d;
    d.number = n;
    d.status = n == 4 ? 3 : 2;
    d.open = d.closed = kCutoff - 10;
    d.paid = n % 2 ? kCutoff - 1 : kCutoff + 1;
    invoices += workorder_text(d);
    orders += purchase_order_text(d);
  }
  dir.write("VKINVOIC.DAT", invoices);
  dir.write("VKINCTAG.DAT", std::string(290, 'W'));
  dir.write("VKPURCHA.DAT", orders);
  dir.write("VKPURTAG.DAT", std::string(159, 'P'));
  TestDoc open;
  open.number = 50;
  dir.write("W0000050.DKT", workorder_text(open));
  open.number = 0;
  dir.write("W0000000.DKT", workorder_text(open));
  dir.write("I0000060.DKT", purchase_order_text(open));
  dir.write("VKOPENWO.DAT", std::string());
  dir.write("VKOPENPO.DAT", std::string());
}

// ---- Checks over a whole directory ----------------------------------------

namespace {

void expect_chains(const std::vector<uint8_t>& parents, size_t parent_size, size_t head_offset,
                   const std::vector<uint8_t>& children, size_t child_size, size_t next_offset,
                   const char* what) {
  SCOPED_TRACE(what);
  for (size_t at = 0; at + parent_size <= parents.size(); at += parent_size)
    walk_chain(children, le_get_i32(parents.data() + at + head_offset), child_size, next_offset);
}

template <class Doc, class Parse>
void expect_doc_at(const std::vector<uint8_t>& docs, int32_t offset, int32_t number, Parse parse,
                   const char* what) {
  if (offset == -1) return;
  if (offset < 0 || static_cast<size_t>(offset) >= docs.size()) {
    ADD_FAILURE() << what << " " << number << " points past its document file: " << offset;
    return;
  }
  Doc doc;
  int32_t got = parse(reinterpret_cast<const char*>(docs.data()) + offset, docs.size() - offset,
                      &doc);
  EXPECT_EQ(got, number) << what << " at " << offset;
}

}  // namespace

void expect_consistent(const ShopDir& dir) {
  std::vector<uint8_t> items = dir.read("VKINVENT.DAT");
  std::vector<InventoryTag> tags = read_item_tags(dir);
  for (size_t i = 0; i < tags.size(); i++) {
    if (i > 0) {
      EXPECT_LT(inventory_key_compare(tags[i - 1].stock_number, tags[i].stock_number), 0)
          << "inventory index out of order at " << i;
    }
    int32_t off = tags[i].record_offset;
    if (off < 0 || off % 344 != 0 || static_cast<size_t>(off) + 344 > items.size()) {
      ADD_FAILURE() << "inventory tag " << tags[i].stock_number << " points at " << off;
      continue;
    }
    EXPECT_STREQ(reinterpret_cast<const char*>(items.data() + off), tags[i].stock_number);
  }
  expect_chains(items, kInventoryRecordSize, kInventoryUsageHeadOffset, dir.read("VKUSEHST.DAT"),
                kUsageRecordSize, kUsageNextOffset, "usage");
  expect_chains(items, kInventoryRecordSize, kInventoryReceivingHeadOffset,
                dir.read("VKRCVLOG.DAT"), kReceivingRecordSize, kReceivingNextOffset, "receiving");

  std::vector<uint8_t> customers = dir.read("VKCSTDAT.DAT");
  for (const CustomerTag& t : read_customer_tags(dir)) {
    if (t.record_offset < 0 || t.record_offset % 317 != 0 ||
        static_cast<size_t>(t.record_offset) + 317 > customers.size()) {
      ADD_FAILURE() << "customer tag " << t.number << " points at " << t.record_offset;
      continue;
    }
    EXPECT_EQ(le_get_i32(customers.data() + t.record_offset), t.number);
  }
  expect_chains(customers, kCustomerRecordSize, 313, dir.read("VKVEHICL.DAT"), kVehicleRecordSize,
                393, "vehicles");
  expect_chains(dir.read("VKEMPLOY.DAT"), kEmployeeRecordSize, kEmployeePayrollHeadOffset,
                dir.read("VKPAYROL.DAT"), kPayrollEntrySize, kPayrollNextOffset, "payroll");

  std::vector<uint8_t> invoices = dir.read("VKINVOIC.DAT");
  std::vector<WorkorderTag> wtags = read_workorder_tags(dir);
  for (size_t i = 0; i < wtags.size(); i++) {
    if (i > 0) {
      EXPECT_LT(wtags[i - 1].number, wtags[i].number) << "workorder index order";
    }
    expect_doc_at<Workorder>(
        invoices, wtags[i].invoice_offset, wtags[i].number,
        [](const char* p, size_t n, Workorder* wo) {
          wo_init(wo);
          wo_parse(p, n, wo);
          wo_free(wo);
          return static_cast<int32_t>(wo->WorkorderNumber);
        },
        "workorder");
  }
  std::vector<uint8_t> orders = dir.read("VKPURCHA.DAT");
  std::vector<PurchaseOrderTag> ptags = read_po_tags(dir);
  for (size_t i = 0; i < ptags.size(); i++) {
    if (i > 0) {
      EXPECT_LT(ptags[i - 1].number, ptags[i].number) << "purchase-order index order";
    }
    expect_doc_at<PurchaseOrder>(
        orders, ptags[i].order_offset, ptags[i].number,
        [](const char* p, size_t n, PurchaseOrder* po) {
          po_init(po);
          po_parse(p, n, po);
          po_free(po);
          return static_cast<int32_t>(po->PONumber);
        },
        "purchase order");
  }
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> data_files(const ShopDir& dir) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  for (const std::string& name : dir.files()) {
    if (name == "velkprune" || name[0] == '.') continue;
    out.emplace_back(name, dir.read(name));
  }
  return out;
}

void expect_same_files(const FileSet& got, const FileSet& want, const std::string& context) {
  std::map<std::string, const std::vector<uint8_t>*> a, b;
  for (const auto& [n, bytes] : got) a[n] = &bytes;
  for (const auto& [n, bytes] : want) b[n] = &bytes;
  for (const auto& [n, bytes] : b) {
    auto it = a.find(n);
    if (it == a.end())
      ADD_FAILURE() << context << ": " << n << " is missing";
    else if (*it->second != *bytes)
      ADD_FAILURE() << context << ": " << n << " differs (" << it->second->size() << " bytes, "
                    << bytes->size() << " expected)";
  }
  for (const auto& [n, bytes] : a)
    if (!b.count(n)) ADD_FAILURE() << context << ": " << n << " should not be there";
}

// ---- Running the real program ----------------------------------------------

std::string keys_text(const PurgeKeys& k) {
  std::string keys;
  keys += k.inventory ? "Y" : "\t";
  keys += k.customers ? "Y" : "\t";
  for (const std::string* date : {&k.usage, &k.receiving, &k.payroll, &k.workorders,
                                  &k.purchase_orders}) {
    // A full date leaves its field by itself; a shorter one needs TAB.
    keys += *date;
    if (date->size() < 10) keys += "\t";
  }
  return keys + k.end;
}

namespace {

pid_t spawn(const ShopDir& dir, const std::string& keys, int out_fd, long file_size_limit,
            const std::vector<std::string>& args) {
  std::string program = dir.path() + "velkprune";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int in[2];
  if (pipe(in) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    dup2(in[0], 0);
    close(in[0]);
    close(in[1]);
    dup2(out_fd, 1);
    dup2(out_fd, 2);
    if (file_size_limit > 0) {
      // The signal of a write past the limit at its default, as a shell
      // leaves it: the program itself turns it into a failed write.
      signal(SIGXFSZ, SIG_DFL);
      rlimit limit{static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  // The keys fit the pipe's buffer; closing it ends the input.
  if (::write(in[1], keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
    ADD_FAILURE() << "keys not written";
  close(in[1]);
  return pid;
}

}  // namespace

ProgramRun run_prune(const ShopDir& dir, const std::string& keys, long file_size_limit,
                     const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) return {};
  pid_t pid = spawn(dir, keys, out[1], file_size_limit, args);
  close(out[1]);
  ProgramRun r;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) r.output.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return r;
}

pid_t start_prune(const ShopDir& dir, const std::string& keys) {
  int null_fd = open("/dev/null", O_WRONLY);
  pid_t pid = spawn(dir, keys, null_fd, 0, {});
  close(null_fd);
  return pid;
}

// ---- Running passes in this process ---------------------------------------

void PassTest::SetUp() {
  settings_defaults(ProgramKind::prune);
  set_data_dir(dir.path());
  old_console_ = console_set(&con);
  old_cwd_ = fs::current_path().string();
  fs::current_path(dir.path());
  today_set(parse_date("06/15/2020"));
  run = PruneRun{};
  run.store = XMS_alloc(16384);
}

void PassTest::TearDown() {
  env_set(nullptr);
  console_set(old_console_);
  fs::current_path(old_cwd_);
  set_data_dir("./");
  xms_exit_handler();
}

void PassTest::small_store(uint32_t kilobytes) { run.store = XMS_alloc(kilobytes); }

namespace {

class FaultFile : public File {
 public:
  FaultFile(File* base, int64_t write_budget, int64_t read_fail_at)
      : base_(base), write_budget_(write_budget), read_fail_at_(read_fail_at) {}
  ~FaultFile() override { delete base_; }
  int64_t read(void* buf, size_t n) override {
    if (read_fail_at_ >= 0 && base_->tell() + static_cast<int64_t>(n) > read_fail_at_) return -1;
    return base_->read(buf, n);
  }
  int64_t write(const void* buf, size_t n) override {
    if (write_budget_ < 0) return base_->write(buf, n);
    int64_t room = write_budget_ - base_->tell();
    if (room <= 0) return 0;
    if (static_cast<int64_t>(n) > room) return base_->write(buf, static_cast<size_t>(room));
    return base_->write(buf, n);
  }
  bool seek(int64_t o) override { return base_->seek(o); }
  int64_t tell() override { return base_->tell(); }
  int64_t size() override { return base_->size(); }
  bool truncate_here() override { return base_->truncate_here(); }
  bool flush() override { return base_->flush(); }
  LockResult lock(int64_t s, int64_t l) override { return base_->lock(s, l); }
  LockResult unlock(int64_t s, int64_t l) override { return base_->unlock(s, l); }

 private:
  File* base_;
  int64_t write_budget_, read_fail_at_;
};

}  // namespace

File* FaultEnv::open_exclusive(const std::string& path) {
  File* f = base_->open_exclusive(path);
  if (!f) return f;
  std::string name = fs::path(path).filename().string();
  bool w = !write_fail_name.empty() && name == write_fail_name;
  bool r = !read_fail_name.empty() && name == read_fail_name;
  if (!w && !r) return f;
  return new FaultFile(f, w ? write_budget : -1, r ? read_fail_at : -1);
}
