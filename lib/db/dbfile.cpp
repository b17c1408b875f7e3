#include "db/dbfile.h"

#include <cstdio>
#include <limits>

#include "db/catalog.h"
#include "platform/console.h"
#include "ui/screen.h"
#include "ui/settings.h"

// Whole-file kinds carry no kind word; the record kinds name what is waited for.
LockDescriptor lock_settings{0, 0, nullptr, 0};
LockDescriptor lock_workorder_index{0, 0, nullptr, 0};
LockDescriptor lock_inventory_index{0, 0, nullptr, 0};
LockDescriptor lock_inventory{0, 0, "Inventory", 344};
LockDescriptor lock_inventory_2{0, 0, "Inventory", 344};
LockDescriptor lock_purchase_index{0, 0, nullptr, 0};
LockDescriptor lock_purchase_order{0, 0, "Purchase Order", 61440};
LockDescriptor lock_open_purchases{0, 0, nullptr, 0};
LockDescriptor lock_workorder{0, 0, "Workorder", 61440};
LockDescriptor lock_workorder_2{0, 0, "Workorder", 61440};
LockDescriptor lock_open_workorders{0, 0, nullptr, 0};
LockDescriptor lock_customer_index{0, 0, nullptr, 0};
LockDescriptor lock_receiving{0, 0, nullptr, 0};
LockDescriptor lock_vendor{0, 0, "Vendor", 0};
LockDescriptor lock_customer{0, 0, "Customer", 317};
LockDescriptor lock_usage{0, 0, nullptr, 0};
LockDescriptor lock_payroll{0, 0, nullptr, 0};
LockDescriptor lock_employees{0, 0, nullptr, 0};
LockDescriptor lock_vehicles{0, 0, nullptr, 0};
LockDescriptor lock_replacement{0, 0, nullptr, 0};

namespace {

constexpr int32_t kWholeFileRoom = 2048;
constexpr int32_t kVendorRoom = 4096;
// Pause between tries of a lock held elsewhere, so a wait does not spin a core.
constexpr int kRetryPauseMs = 5;

// The last answer of the system in a record wait that ended without the lock,
// so that db_lock_retry can tell a lock the system refuses for good from one
// that is only held elsewhere.
LockResult g_last_refusal = LockResult::ok;

[[noreturn]] void fail(const char* message) {
  alert_line(message);
  fatal_exit();
}

// Fills the descriptor with a region starting at the file's position; the
// stored fields are 32-bit, so a region is cut at the largest 32-bit offset.
void set_region(File* f, LockDescriptor* d, int64_t length) {
  int64_t start = f->tell();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (start < 0) start = 0;
  if (start > kMax) start = kMax;
  if (length > kMax - start) length = kMax - start;
  d->start = static_cast<int32_t>(start);
  d->length = static_cast<int32_t>(length);
}

int64_t file_size(File* f) {
  int64_t n = f->size();
  return n < 0 ? 0 : n;
}

int lock_whole_file(File* f, LockDescriptor* d) {
  set_region(f, d, file_size(f) + kWholeFileRoom);
  for (;;) {
    switch (f->lock(d->start, d->length)) {
      case LockResult::ok:
      case LockResult::not_supported:
        return 0;
      case LockResult::held:
        break;  // wait silently until it is free
      case LockResult::no_resources:
        beep_warning();
        break;
      case LockResult::error:
        fail("Error Locking File...");
    }
    env()->sleep_ms(kRetryPauseMs);
  }
}

int lock_record(File* f, LockDescriptor* d) {
  int64_t length = d->record_length > 0 ? d->record_length : file_size(f) + kVendorRoom;
  set_region(f, d, length);
  bool shown = false;
  LockResult r;
  for (;;) {
    r = f->lock(d->start, d->length);
    if (r == LockResult::ok || r == LockResult::not_supported) return 0;
    g_last_refusal = r;
    if (!shown) {
      char text[96];
      std::snprintf(text, sizeof text, "%s record in use... <esc> to continue", d->kind);
      status_line(text);
      shown = true;
    }
    Console* con = console();
    if (con->key_ready()) {
      int key = con->read_key();
      con->flush_keys();
      if (key == KEY_ESC) return 1;
    }
    // A lock the system cannot grant (no resources, or an error that no
    // wait will cure) ends the wait; only a region held elsewhere is waited for.
    if (r != LockResult::held) break;
    con->idle(kRetryPauseMs);
  }
  status_line("Error Locking File...");
  return 1;
}

const char* unlock_failure_text() {
  switch (g_program) {
    case ProgramKind::prune: return "dkt_ext: Unlock failed (You're hosed!!!)";
    case ProgramKind::tally: return "velktally: Unlock failed (You're hosed!!!)";
    default: return "Unlock failed (You're hosed!!!)";
  }
}

const char* open_failure_text(OpenFailure why) {
  switch (why) {
    case OpenFailure::held: return "held open by another program";
    case OpenFailure::denied: return "no permission to read and write it";
    case OpenFailure::not_a_file: return "not a file";
    case OpenFailure::no_folder: return "its folder does not exist";
    case OpenFailure::read_only: return "the disk is read-only";
    case OpenFailure::disk_full: return "the disk is full";
    default: return "the system refused to open it";
  }
}

// Held for the rest of the run; the system drops it when the program ends.
DirLock* g_run_lock = nullptr;

}  // namespace

void db_lock_data_dir() {
  if (g_run_lock) return;
  LockResult r = LockResult::error;
  g_run_lock = env()->lock_dir(data_dir(), &r);
  if (g_run_lock || r == LockResult::not_supported) return;
  if (r == LockResult::held)
    fail("Shop database in use by another VELK program... (wait for it to end)");
  fail("Error Locking File...");
}

File* db_open(const std::string& name, bool relative) {
  // The path is built in a string: long paths work, and a path the system
  // refuses ends in the open error below.
  std::string path = relative ? data_path(name) : name;
  Env* e = env();
  File* f = e->open_exclusive(path);
  if (!f) {
    con_printf("\r\nCannot open %s: %s\r\n", path.c_str(), open_failure_text(e->open_failure()));
    fail("File open error... (SHARE needs to be loaded...)");
  }
  return f;
}

void db_commit(File* f) {
  if (!f->flush()) fail("File commit error...");
}

int db_lock(File* f, int mode, LockDescriptor* d) {
  g_last_refusal = LockResult::ok;
  if (mode == 0) return db_unlock(f, d);
  if (mode != 2) fail("Bad Locking Parameter...");
  return d->kind ? lock_record(f, d) : lock_whole_file(f, d);
}

int db_unlock(File* f, LockDescriptor* d) {
  LockResult r = f->unlock(d->start, d->length);
  if (r == LockResult::ok || r == LockResult::not_supported) return 0;
  fail(unlock_failure_text());
}

void db_lock_retry(File* f, LockDescriptor* d) {
  int64_t pos = f->tell();
  while (db_lock(f, 2, d) != 0) {
    // Giving up the wait only asks again, and the system may find lock
    // resources later; a lock refused with any other error would be refused
    // for ever, so that one is fatal.
    if (g_last_refusal == LockResult::error) fail("Error Locking File...");
    console()->idle(kRetryPauseMs);
    f->seek(pos);
  }
}

void db_close(File* f) { delete f; }
