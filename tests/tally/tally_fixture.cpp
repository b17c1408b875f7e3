#include "tally/tally_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "db/bytes.h"
#include "db/record_io.h"
#include "db/worktags.h"
#include "docs/workorder.h"
#include "ui/settings.h"

namespace fs = std::filesystem;

TallyDir::TallyDir() {
  char tmpl[] = "/tmp/velk-tally-XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  path_ = tmpl;
  fs::create_symlink(std::string(VELK_BIN_DIR) + "/velktally", path_ + "/velktally");
}

TallyDir::~TallyDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TallyRun TallyDir::run(const std::vector<std::string>& args, const std::string& cwd,
                       long file_size_limit) const {
  std::string program = path_ + "/velktally";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.empty() ? path_.c_str() : cwd.c_str()) != 0) _exit(126);
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
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
  close(out[1]);
  TallyRun r;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) r.output.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string TallyDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void TallyDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool TallyDir::exists(const std::string& name) const { return fs::exists(file(name)); }

std::vector<std::string> TallyDir::names() const {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(path_))
    if (e.path().filename() != "velktally") v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

InventoryRecord make_item(const char* stock, const char* description) {
  InventoryRecord r;
  std::memset(&r, 0, sizeof r);
  field_set(r.stock_number, sizeof r.stock_number, stock);
  field_set(r.description, sizeof r.description, description);
  field_set(r.code_a, sizeof r.code_a, "CODE A");
  r.amounts[0] = 1234;
  r.usage_head = 0x5A5A5A;  // stale link: the clearing pass replaces it
  r.receiving_head = 4242;
  r.item_data[0] = 0xEE;
  return r;
}

std::string encode_items(const std::vector<InventoryRecord>& items) {
  std::string bytes(items.size() * kInventoryRecordSize, '\0');
  for (size_t i = 0; i < items.size(); ++i)
    inventory_encode(items[i], reinterpret_cast<uint8_t*>(&bytes[i * kInventoryRecordSize]));
  return bytes;
}

std::vector<InventoryRecord> decode_items(const std::string& bytes) {
  std::vector<InventoryRecord> v(bytes.size() / kInventoryRecordSize);
  for (size_t i = 0; i < v.size(); ++i)
    inventory_decode(reinterpret_cast<const uint8_t*>(&bytes[i * kInventoryRecordSize]), &v[i]);
  return v;
}

std::vector<UsageRecord> decode_usage(const std::string& bytes) {
  std::vector<UsageRecord> v(bytes.size() / kUsageRecordSize);
  for (size_t i = 0; i < v.size(); ++i)
    usage_decode(reinterpret_cast<const uint8_t*>(&bytes[i * kUsageRecordSize]), &v[i]);
  return v;
}

std::vector<InventoryTag> decode_tags(const std::string& bytes) {
  std::vector<InventoryTag> v(bytes.size() / kInventoryTagSize);
  for (size_t i = 0; i < v.size(); ++i)
    inventory_tag_decode(reinterpret_cast<const uint8_t*>(&bytes[i * kInventoryTagSize]), &v[i]);
  return v;
}

std::string workorder_document(const TestWorkorder& w) {
  static bool settings_ready = false;
  if (!settings_ready) {
    settings_defaults(ProgramKind::tally);
    settings_ready = true;
  }
  Workorder wo;
  wo_init(&wo);
  wo.WorkorderNumber = w.number;
  wo.totals.DateOpen = w.date_open;
  field_set(wo.customer.Lastname, sizeof wo.customer.Lastname, w.last.c_str());
  field_set(wo.customer.Firstname, sizeof wo.customer.Firstname, w.first.c_str());
  PartLine* tail = nullptr;
  for (const TestPart& p : w.parts) {
    auto* line = static_cast<PartLine*>(std::calloc(1, sizeof(PartLine)));
    field_set(line->stock_number, sizeof line->stock_number, p.stock.c_str());
    field_set(line->description, sizeof line->description, p.description.c_str());
    line->quantity = p.quantity;
    line->unit_cost = p.cost;
    line->unit_price = p.price;
    line->third_amount = p.third;
    line->prev = tail;
    if (tail) tail->next = line;
    else wo.parts = line;
    tail = line;
  }
  std::string text;
  wo_format(wo, &text);
  wo_free(&wo);
  return text;
}

std::string workorder_index_entry(int32_t number, int32_t offset) {
  WorkorderTag t;
  workorder_tag_clear(&t);
  t.number = number;
  t.invoice_offset = offset;
  std::string bytes(kWorkorderTagSize, '\0');
  workorder_tag_encode(t, reinterpret_cast<uint8_t*>(bytes.data()));
  return bytes;
}

std::string open_list_entry(int32_t number, const std::string& file_name) {
  WorkorderTag t;
  workorder_tag_clear(&t);
  t.number = number;
  OpenWorkorderEntry e;
  open_workorder_make(t, &e);
  std::memset(e.file_name, 0, sizeof e.file_name);
  std::memcpy(e.file_name, file_name.data(), std::min(file_name.size(), sizeof e.file_name));
  std::string bytes(kOpenWorkorderEntrySize, '\0');
  open_workorder_encode(e, reinterpret_cast<uint8_t*>(bytes.data()));
  return bytes;
}

void write_stored_workorders(const TallyDir& dir, const std::vector<TestWorkorder>& wos) {
  std::string invoices, index;
  for (const TestWorkorder& w : wos) {
    index += workorder_index_entry(static_cast<int32_t>(w.number),
                                   static_cast<int32_t>(invoices.size()));
    invoices += workorder_document(w);
  }
  dir.write("VKINVOIC.DAT", invoices);
  dir.write("VKINCTAG.DAT", index);
}

void write_open_workorders(const TallyDir& dir, const std::vector<TestWorkorder>& wos) {
  std::string list;
  for (const TestWorkorder& w : wos) {
    char name[32];
    std::snprintf(name, sizeof name, "W%07u.DKT", w.number);
    dir.write(name, workorder_document(w));
    list += open_list_entry(static_cast<int32_t>(w.number), name);
  }
  dir.write("VKOPENWO.DAT", list);
}

std::vector<int32_t> usage_chain(const TallyDir& dir, const char* stock) {
  std::vector<int32_t> numbers;
  std::vector<UsageRecord> usage = decode_usage(dir.read("VKUSEHST.DAT"));
  for (const InventoryRecord& r : decode_items(dir.read("VKINVENT.DAT"))) {
    if (std::strcmp(r.stock_number, stock) != 0 || r.deleted) continue;
    std::set<int32_t> seen;
    for (int32_t at = r.usage_head; at != -1;) {
      EXPECT_TRUE(at >= 0 && at % static_cast<int32_t>(kUsageRecordSize) == 0 &&
                  static_cast<size_t>(at / kUsageRecordSize) < usage.size())
          << stock << " link " << at;
      if (at < 0 || static_cast<size_t>(at / kUsageRecordSize) >= usage.size()) break;
      EXPECT_TRUE(seen.insert(at).second) << stock << " chain loops";
      if (seen.size() > usage.size()) break;
      const UsageRecord& u = usage[static_cast<size_t>(at) / kUsageRecordSize];
      EXPECT_STREQ(u.stock_number, stock);
      numbers.push_back(u.workorder_number);
      at = u.next;
    }
    return numbers;
  }
  ADD_FAILURE() << "no inventory item " << stock;
  return numbers;
}
