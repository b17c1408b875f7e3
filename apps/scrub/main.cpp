// velkscrub: cleans up and converts the shop database in one unattended run.
// Start-up, then the passes in their fixed order; every pass writes its new
// files beside the old ones and swaps them in only when they are complete.
#include <cstdlib>
#include <cstring>

#include "customer_scan.h"
#include "db/bytes.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/replace.h"
#include "followups.h"
#include "log.h"
#include "passes.h"
#include "platform/console.h"
#include "platform/env.h"
#include "scrub.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "wo_tag.h"
#include "xms/store.h"

namespace {

// Printer and form defaults that stand when the settings file is new.
void startup_settings_defaults() {
  field_set(g_settings.printer_port1, sizeof g_settings.printer_port1, "LPT1");
  field_set(g_settings.printer_port2, sizeof g_settings.printer_port2, "LPT1");
  field_set(g_settings.printer_port3, sizeof g_settings.printer_port3, "LPT1");
  g_settings.printer_flag1 = 'Y';
  g_settings.printer_flag2 = 'Y';
  g_settings.printer_flag3 = 'N';
  g_settings.form_length = 62;
}

void finish() {
  screen_restore();
  // Warnings that went by on the screen just cleared, and where the log is.
  warnings_replay();
  if (env()->exists(kScrubLogName))
    con_printf("What was matched, removed or not matched is logged in %s%s\r\n",
               env()->current_dir().c_str(), kScrubLogName);
  else
    con_print("Nothing was logged in this run (no VELKSCRB.LOG).\r\n");
  con_print("\r\nCleanup complete...!!!\r\n");
  std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  settings_defaults(ProgramKind::scrub);
  // A request for help runs nothing.
  if (scrub_help_requested(argc, argv)) {
    scrub_print_usage();
    return 0;
  }
  if (const char* unknown = scrub_unknown_switch(argc, argv)) {
    con_printf("\r\nUnknown switch %s...\r\n", unknown);
    scrub_print_usage();
    return 0;
  }
  // The data files, the settings file among them, live beside the program.
  set_data_dir_from_program_path(argc > 0 ? argv[0] : "");
  // Nothing is created, deleted or opened for writing before this check;
  // then one program at a time: the lock comes before anything is touched,
  // the log of a run in progress included.
  db_require_shop_database();
  db_lock_data_dir();

  scrub_log_delete();
  line_pool_init();
  screen_setup();
  scrub_parse_args(argc, argv, &g_opt);
  if (g_opt.no_vin) con_print("No VIN matching enabled...\r\n");
  // A swap that a stopped run left decided is finished before any data file
  // is opened.
  db_startup_recover();
  startup_settings_defaults();
  settings_save(settings_load());
  std::atexit(xms_exit_handler);
  console()->clear();
  scrub_log_delete();
  header_box(g_settings.company_name, "VELK Cleanup");
  if (settings_were_missing())
    for (const std::string& line : settings_missing_notice()) report("%s", line.c_str());

  if (g_opt.receiving_only) {
    g_store = XMS_alloc(kXmsAll);
  } else {
    if (g_opt.vehicles) {
      console()->goto_xy(1, 8);
      con_print("Clearing Vehicle links...\r\n");
    }
    customer_scan();
    followups_open();
    g_store = XMS_alloc(kXmsAll);
    rebuild_workorder_index();
    clean_workorder_documents();
    rebuild_purchase_order_index();
  }
  rebuild_receiving();
  finish();
}
