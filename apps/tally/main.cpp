// velktally: throws the inventory usage history away and rebuilds it from
// the workorder documents.
#include <cstdlib>

#include "cmdline.h"
#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/replace.h"
#include "platform/env.h"
#include "tally.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "xms/store.h"

namespace {

// /DELETE: the inventory and its index go before the passes run, in the
// data directory.
void delete_inventory() {
  for (const char* name : {kInventoryFile, kInventoryIndexFile}) {
    if (!env()->remove(data_path(name))) {
      con_printf("\r\nCannot delete %s...\r\n", name);
      fatal_exit();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  settings_defaults(ProgramKind::tally);
  TallyOptions options;
  if (tally_parse_command_line(argc, argv, &options) == CommandLine::stop) return 0;

  set_data_dir_from_program_path(argc > 0 ? argv[0] : "");
  // Nothing is created or opened for writing before this check; then one
  // program at a time on the data.
  db_require_shop_database();
  db_lock_data_dir();

  screen_setup();
  // A swap that a stopped run left decided is finished before any data
  // file is opened.
  db_startup_recover();
  if (options.delete_inventory) delete_inventory();

  std::atexit(xms_exit_handler);
  TallyState state;
  state.store = XMS_alloc(kXmsAll);

  tally_clear_pass(&state);
  tally_rebuild_pass(&state, options);

  screen_restore();
  // The warnings of the passes went by on the screen just cleared.
  warnings_replay();
  con_print("\r\nUsage set!\r\n");
  return 10;
}
