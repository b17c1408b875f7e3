#include "e2e_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/bytes.h"
#include "docs/codes.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace fs = std::filesystem;

ScrubShop::ScrubShop() {
  char tmpl[] = "/tmp/velkscrub_e2e_XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  dir_ = tmpl;
  fs::create_symlink(VELK_BIN_DIR "/velkscrub", path("velkscrub"));
  if (today() <= 0) today_compute();
}

ScrubShop::~ScrubShop() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

ScrubRun ScrubShop::run(const std::vector<std::string>& args, long fsize_limit) const {
  return wait(start(args, fsize_limit));
}

int ScrubShop::start(const std::vector<std::string>& args, long fsize_limit) const {
  std::string out = dir_ + ".out";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(127);
    int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(fd, 1);
    dup2(fd, 2);
    if (fsize_limit > 0) {
      // The signal of a write past the limit at its default, as a shell
      // leaves it: the program itself must turn it into a failed write.
      signal(SIGXFSZ, SIG_DFL);
      struct rlimit lim = {static_cast<rlim_t>(fsize_limit), static_cast<rlim_t>(fsize_limit)};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    std::string program = dir_ + "/velkscrub";
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

ScrubRun ScrubShop::wait(int pid) const {
  ScrubRun r;
  std::string out = dir_ + ".out";
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(out, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  r.output = ss.str();
  std::remove(out.c_str());
  return r;
}

std::string ScrubShop::read(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void ScrubShop::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool ScrubShop::exists(const std::string& name) const { return fs::exists(path(name)); }
void ScrubShop::remove(const std::string& name) const { fs::remove(path(name)); }

std::vector<std::string> ScrubShop::data_files() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) {
    std::string n = e.path().filename().string();
    if (e.is_regular_file() && !e.is_symlink() && n != "VELKSCRB.LOG") names.push_back(n);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ScrubShop::deleted_files() const {
  std::vector<std::string> names;
  if (!fs::exists(path("DELETED"))) return names;
  for (const auto& e : fs::directory_iterator(path("DELETED"))) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> ScrubShop::snapshot() const {
  std::map<std::string, std::string> files;
  for (const std::string& n : data_files()) files[n] = read(n);
  return files;
}

namespace {

template <class T>
T* new_node() {
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

char* dup_text(const char* s) {
  char* t = static_cast<char*>(std::malloc(std::strlen(s) + 1));
  std::strcpy(t, s);
  return t;
}

template <class T>
void append(T** head, T* node) {
  T** p = head;
  T* prev = nullptr;
  while (*p) {
    prev = *p;
    p = &(*p)->next;
  }
  node->prev = prev;
  *p = node;
}

template <class T, class F>
std::vector<T> decode_all(const std::string& bytes, size_t size, F decode) {
  std::vector<T> out;
  for (size_t off = 0; off + size <= bytes.size(); off += size) {
    T t;
    decode(reinterpret_cast<const uint8_t*>(bytes.data()) + off, &t);
    out.push_back(t);
  }
  return out;
}

}  // namespace

Workorder new_workorder(uint32_t number, int status, int32_t customer, const char* last, const char* first,
                        int32_t date_open) {
  Workorder wo;
  wo_init(&wo);
  customer_init(&wo.customer);
  vehicle_init(&wo.vehicle);
  wo.WorkorderNumber = number;
  wo.Status = status;
  wo.customer.CustomerNumber = static_cast<uint32_t>(customer);
  field_set(wo.customer.Lastname, sizeof wo.customer.Lastname, last);
  field_set(wo.customer.Firstname, sizeof wo.customer.Firstname, first);
  wo.totals.DateOpen = date_open;
  return wo;
}

void set_vehicle(Workorder* wo, const char* make, const char* model, const char* year, const char* vin,
                 const char* license, int32_t mileage) {
  field_set(wo->vehicle.Make, sizeof wo->vehicle.Make, make);
  field_set(wo->vehicle.Model, sizeof wo->vehicle.Model, model);
  field_set(wo->vehicle.Year, sizeof wo->vehicle.Year, year);
  field_set(wo->vehicle.VIN, sizeof wo->vehicle.VIN, vin);
  field_set(wo->vehicle.LicenseNumber, sizeof wo->vehicle.LicenseNumber, license);
  wo->vehicle.Mileage = mileage;
}

void add_labor(Workorder* wo, uint32_t code, const char* text, int32_t followup_mileage, int32_t followup_date) {
  LaborLine* l = new_node<LaborLine>();
  l->code = code;
  l->hours = 150;
  l->rate = 4500;
  l->tech_share = 333333;
  l->amount = 6750;
  l->text = dup_text(text);
  l->followup_mileage = followup_mileage;
  l->followup_date = followup_date;
  append(&wo->labor, l);
}

void add_part(Workorder* wo, const char* stock, int16_t qty, int32_t price) {
  PartLine* p = new_node<PartLine>();
  field_set(p->stock_number, sizeof p->stock_number, stock);
  field_set(p->description, sizeof p->description, "PART");
  p->quantity = qty;
  p->unit_cost = price / 2;
  p->unit_price = price;
  append(&wo->parts, p);
}

std::string wo_text(const Workorder& wo) {
  std::string s;
  wo_format(wo, &s);
  return s;
}

PurchaseOrder new_purchase_order(uint32_t number, int status, const char* vendor, const char* invoice,
                                 int32_t date_open) {
  PurchaseOrder po;
  po_init(&po);
  po.PONumber = number;
  po.Status = static_cast<int16_t>(status);
  field_set(po.vendor.Vendor, sizeof po.vendor.Vendor, vendor);
  field_set(po.VendorInvoiceNumber, sizeof po.VendorInvoiceNumber, invoice);
  po.totals.DateOpen = date_open;
  return po;
}

void add_po_part(PurchaseOrder* po, const char* stock, int16_t q1, int16_t q2, int32_t amount) {
  POPartLine* p = new_node<POPartLine>();
  field_set(p->stock_number, sizeof p->stock_number, stock);
  field_set(p->description, sizeof p->description, "PART");
  p->quantity_1 = q1;
  p->quantity_2 = q2;
  p->amount = amount;
  append(&po->parts, p);
}

std::string po_text(const PurchaseOrder& po) {
  std::string s;
  po_format(po, &s);
  return s;
}

InventoryRecord new_item(const char* stock, const char* description) {
  InventoryRecord r;
  inventory_init(&r);
  field_set(r.stock_number, sizeof r.stock_number, stock);
  field_set(r.description, sizeof r.description, description);
  r.amounts[0] = 100;
  r.receiving_head = 12345;  // a stale chain head the rebuild must reset
  return r;
}

std::string encode_items(const std::vector<InventoryRecord>& items) {
  std::string out;
  for (const InventoryRecord& r : items) {
    uint8_t b[kInventoryRecordSize];
    inventory_encode(r, b);
    out.append(reinterpret_cast<char*>(b), sizeof b);
  }
  return out;
}

std::vector<StoredWo> read_workorders(const std::string& bytes) {
  std::vector<StoredWo> docs;
  size_t p = 0;
  while (p < bytes.size()) {
    StoredWo d;
    DocRead info;
    int64_t r = wo_parse(bytes.data() + p, bytes.size() - p, &d.wo, &info);
    if (r <= 0) break;
    d.offset = static_cast<int64_t>(p) + info.padding;
    d.whole = info.whole;
    docs.push_back(d);
    p += static_cast<size_t>(r);
  }
  return docs;
}

void free_workorders(std::vector<StoredWo>* docs) {
  for (StoredWo& d : *docs) wo_free(&d.wo);
  docs->clear();
}

Workorder parse_workorder(const std::string& bytes) {
  Workorder wo;
  wo_parse(bytes.data(), bytes.size(), &wo, nullptr);
  return wo;
}

std::vector<WorkorderTag> decode_workorder_tags(const std::string& b) {
  return decode_all<WorkorderTag>(b, kWorkorderTagSize, workorder_tag_decode);
}
std::vector<OpenWorkorderEntry> decode_open_workorders(const std::string& b) {
  return decode_all<OpenWorkorderEntry>(b, kOpenWorkorderEntrySize, open_workorder_decode);
}
std::vector<PurchaseOrderTag> decode_purchase_order_tags(const std::string& b) {
  return decode_all<PurchaseOrderTag>(b, kPurchaseOrderTagSize, purchase_order_tag_decode);
}
std::vector<OpenPurchaseOrderEntry> decode_open_purchase_orders(const std::string& b) {
  return decode_all<OpenPurchaseOrderEntry>(b, kOpenPurchaseOrderEntrySize, open_purchase_order_decode);
}
std::vector<FollowupRecord> decode_followups(const std::string& b) {
  return decode_all<FollowupRecord>(b, kFollowupRecordSize, followup_decode);
}
std::vector<VehicleRecord> decode_vehicles(const std::string& b) {
  return decode_all<VehicleRecord>(b, kVehicleRecordSize, vehicle_decode);
}
std::vector<CustomerRecord> decode_customers(const std::string& b) {
  return decode_all<CustomerRecord>(b, kCustomerRecordSize, customer_decode);
}
std::vector<InventoryRecord> decode_items(const std::string& b) {
  return decode_all<InventoryRecord>(b, kInventoryRecordSize, inventory_decode);
}
std::vector<ReceivingRecord> decode_receiving(const std::string& b) {
  return decode_all<ReceivingRecord>(b, kReceivingRecordSize, receiving_decode);
}

void write_settings(const ScrubShop& shop) {
  settings_defaults(ProgramKind::scrub);
  std::string bytes(kSettingsRecordSize, '\0');
  settings_encode(g_settings, reinterpret_cast<uint8_t*>(bytes.data()));
  shop.write("VKSYSTEM.DAT", bytes);
}
