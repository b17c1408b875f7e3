// velkprune: purges old data from the shop database behind one parameters
// screen, then prints "Purge complete..." and ends with exit status 10.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/replace.h"
#include "platform/console.h"
#include "platform/env.h"
#include "prune.h"
#include "run_marker.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "xms/store.h"

namespace {

// Arguments are looked at from the last to the first and echoed; one that
// asks for usage ends the program before anything is touched.
bool usage_requested(int argc, char** argv) {
  for (int i = argc - 1; i >= 1; --i) {
    con_print(argv[i]);
    con_print("\r\n");
    char c = argv[i][0];
    if (c == '/' || c == '-' || c == '?') {
      con_print("\r\nUsage:\r\n");
      con_print("VELKPRUNE   <-- Purge VELK index files...\r\n");
      return true;
    }
  }
  return false;
}

std::string params_text(const PurgeParams& p) {
  char text[128];
  std::snprintf(text, sizeof text, "I%d C%d U%ld R%ld P%ld W%ld O%ld", p.inventory ? 1 : 0,
                p.customers ? 1 : 0, static_cast<long>(p.usage), static_cast<long>(p.receiving),
                static_cast<long>(p.payroll), static_cast<long>(p.workorders),
                static_cast<long>(p.purchase_orders));
  return text;
}

// A pass already done by a purge with the same choices (one that was
// stopped, or one that ended just before) is not run twice as long as its
// files are as it left them.
bool already_done(const PruneRun& run, const char* pass, const char* what) {
  if (!marker_done(run.marker, pass)) return false;
  con_printf("%s: already purged with these choices\r\n", what);
  return true;
}

void line_above_status(const char* text) {
  Console* con = console();
  con->goto_xy(1, con->height() - 1);
  con->clear_eol();
  con->set_attr(static_cast<uint8_t>((con->attr() & 0x70) | (g_settings.color_special & 0x8F)));
  con->put_text(text);
  con->set_attr(screen_attribute());
}

void delete_temporary_files() {
  Env* e = env();
  for (const std::string& name : e->find_files(data_dir(), "AU*.$$$")) e->remove(data_path(name));
}

// Shows the parameters screen and runs the chosen passes. False when a pass
// ended the run early (run->failure says why).
bool purge_run(PruneRun* run) {
  PurgeParams& p = run->params;
  if (!params_screen(&p)) return true;
  if (!p.any()) {
    beep_warning();
    alert_line("No purge parameters selected...");
    return true;
  }
  line_above_status("This could take a while...");

  RunMarker found;
  run->marker = RunMarker{};
  run->marker.params = params_text(p);
  if (marker_load(&found) && found.params == run->marker.params) run->marker = found;

  auto go = [&](PassEnd end) { return end == PassEnd::done; };
  if (p.inventory && !already_done(*run, "inventory", "Inventory") && !go(inventory_pass(run)))
    return false;
  if (p.customers && !already_done(*run, "customers", "Customers") && !go(customer_pass(run)))
    return false;
  if (p.usage != -1 && !already_done(*run, "usage", "Usage") && !go(usage_pass(run, p.usage)))
    return false;
  if (p.receiving != -1 && !already_done(*run, "receiving", "Receiving") &&
      !go(receiving_pass(run, p.receiving)))
    return false;
  if (p.payroll != -1 && !already_done(*run, "payroll", "Payroll") &&
      !go(payroll_pass(run, p.payroll)))
    return false;
  if (p.workorders != -1) {
    if (already_done(*run, "workorders", "Workorders"))
      workorder_drop_invalid_files();
    else if (!go(workorder_pass(run, p.workorders)))
      return false;
  }
  if (p.purchase_orders != -1 && !already_done(*run, "purchase-orders", "Purchase orders") &&
      !go(po_pass(run, p.purchase_orders)))
    return false;

  // Every chosen pass is done: nothing is left to resume.
  marker_remove();
  delete_temporary_files();
  alert_line("\aPurge complete...");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  settings_defaults(ProgramKind::prune);
  set_data_dir_from_program_path(argc > 0 ? argv[0] : "");
  if (usage_requested(argc, argv)) return 0;

  // Nothing is created or opened for writing before this check; then one
  // program at a time on the data.
  db_require_shop_database();
  db_lock_data_dir();

  screen_require_lines(kParamsScreenLines);
  // A swap that a stopped run left decided is finished before any data
  // file is opened.
  db_startup_recover();
  settings_save(settings_load());
  line_pool_init();
  screen_setup();
  std::atexit(xms_exit_handler);

  PruneRun run;
  run.store = XMS_alloc(0xFFFFFFFFu);
  bool completed = purge_run(&run);

  screen_restore();
  // Said after the screen is given back, where it stays in sight: what the
  // passes warned about scrolled by or was cleared with the screen.
  if (settings_were_missing())
    for (const std::string& line : settings_missing_notice()) con_print(line.c_str());
  warnings_replay();
  if (!completed) {
    con_printf("%s\r\n", run.failure.c_str());
    fatal_exit();
  }
  con_print("Purge complete...\r\n");
  return 10;
}
