// velkconf: the shop's settings from the terminal. A menu opens the screens
// that edit the colours, rates and texts, the counters and time-out, and the
// passwords. When the "System Password" slot is set, the menu asks for it
// first.
#include <cstring>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "db/replace.h"
#include "platform/console.h"
#include "platform/env.h"
#include "ui/forms.h"
#include "ui/passwords.h"
#include "ui/screen.h"
#include "ui/settings.h"
#include "ui/settings_screens.h"

namespace {

constexpr const char* kTitle = "System Configuration";

struct MenuEntry {
  int key;
  const char* text;
  void (*open)();
};

const MenuEntry kMenu[] = {
    {'1', "1 - System Colors", settings_colors_screen},
    {'2', "2 - System Parameters", settings_parameters_screen},
    {'3', "3 - Other System Parameters", settings_other_screen},
    {'4', "4 - System Passwords", passwords_screen},
};

// The menu stands on rows 5 to 10; the tallest screen reaches row 24.
constexpr int kMenuLines = 10;
constexpr int kTallestScreenLines = 24;

void draw_menu() {
  screen_layout(kMenuLines);
  Console* c = console();
  c->set_attr(screen_attribute());
  c->clear();
  header_box(g_settings.company_name, kTitle);
  int row = 5;
  for (const MenuEntry& e : kMenu) {
    c->goto_xy(1, screen_tall() ? row * 2 : row);
    con_print(e.text);
    ++row;
  }
  c->goto_xy(1, screen_tall() ? (row + 1) * 2 : row + 1);
  con_print("ESC - Exit");
  status_line("Select 1-4, ESC-exit");
}

// True when no system password is set, or the right one was typed.
bool system_password_ok() {
  if (!env()->exists(data_path("VKPASSWD.DAT"))) return true;
  File* f = passwords_load();
  db_unlock(f, &lock_settings);
  db_close(f);
  if (g_passwords.slot[PW_SYSTEM][0] == '\0') return true;
  return password_prompt("System", PW_SYSTEM) == KEY_F10;
}

void menu() {
  Console* c = console();
  for (;;) {
    draw_menu();
    int key = c->read_key();
    if (key == KEY_ESC || c->input_ended()) return;
    bool known = false;
    for (const MenuEntry& e : kMenu) {
      if (key == e.key) {
        known = true;
        e.open();
      }
    }
    if (!known) beep_warning();
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '/' || argv[i][0] == '-' || argv[i][0] == '?') {
      con_print("\r\nUsage:\r\n");
      con_print("VELKCONF    <-- Set the VELK shop settings and passwords...\r\n");
      return 0;
    }
  }
  set_data_dir_from_program_path(argv[0]);
  // Nothing is created or opened for writing before this check; then one
  // program at a time on the data.
  db_require_shop_database();
  db_lock_data_dir();

  screen_require_lines(kTallestScreenLines);
  settings_defaults(ProgramKind::other);
  db_startup_recover();
  settings_save(settings_load());
  line_pool_init();
  screen_setup();
  if (!system_password_ok()) {
    screen_restore();
    con_print("Wrong password...\r\n");
    return 1;
  }
  menu();
  screen_restore();
  con_print("Configuration complete...\r\n");
  return 0;
}
