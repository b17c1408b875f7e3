// The password file, the password prompt and the "System Passwords" screen.
#include "ui/passwords.h"

#include <cstdio>
#include <cstring>

#include "db/catalog.h"
#include "db/dbfile.h"
#include "platform/console.h"
#include "platform/file_mark.h"
#include "ui/dates.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

PasswordRecord g_passwords{};

namespace {

constexpr const char* kPasswordFile = "VKPASSWD.DAT";
constexpr const char* kScreenPrompt = "F10-save, TAB-next field, ESC-cancel";

// The screen's fields in slot order; slot 9 has none.
constexpr int kScreenSlots[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11};
constexpr const char* kScreenLabels[] = {
    "Workorder Password       : ", "Inventory Password       : ", "Purchase Order Password  : ",
    "Customer  Password       : ", "Employee Password        : ", "Vendor Password          : ",
    "Reporting Password       : ", "Payroll Password         : ", "System Password          : ",
    "Password Password        : ", "Edit Menu Password       : ",
};
constexpr int kScreenFields = 11;

bool is_password_char(int c) { return c >= 32 && c < 127; }  // letters, digits, punctuation, blank

}  // namespace

void passwords_decode(const uint8_t* bytes, PasswordRecord* p) {
  for (int i = 0; i < kPasswordSlots; ++i)
    memcpy(p->slot[i], bytes + i * kPasswordSlotSize, kPasswordSlotSize);
}

void passwords_encode(const PasswordRecord& p, uint8_t* bytes) {
  for (int i = 0; i < kPasswordSlots; ++i)
    memcpy(bytes + i * kPasswordSlotSize, p.slot[i], kPasswordSlotSize);
}

File* passwords_load() {
  File* f = db_open(kPasswordFile, true);
  // Owner-only from the start: a new file must not stay readable by others
  // until its first save.
  file_mark_hidden(data_path(kPasswordFile));
  f->seek(0);
  db_lock(f, 2, &lock_settings);
  f->seek(0);
  uint8_t bytes[kPasswordRecordSize] = {};
  size_t have = 0;
  while (have < kPasswordRecordSize) {
    int64_t n = f->read(bytes + have, kPasswordRecordSize - have);
    if (n <= 0) break;
    have += size_t(n);
  }
  passwords_decode(bytes, &g_passwords);
  return f;
}

void passwords_save(File* f) {
  uint8_t bytes[kPasswordRecordSize];
  passwords_encode(g_passwords, bytes);
  bool ok = f->seek(0) && f->write(bytes, sizeof bytes) == int64_t(sizeof bytes) &&
            f->truncate_here();
  if (!ok) {
    alert_line("Write error on VKPASSWD.DAT... (disk full?)");
    beep_warning();
    fatal_exit();
  }
  db_commit(f);
  db_unlock(f, &lock_settings);
  db_close(f);
  file_mark_hidden(data_path(kPasswordFile));
}

int password_prompt(const char* area, int slot) {
  Console* c = console();
  File* f = passwords_load();
  db_unlock(f, &lock_settings);
  db_close(f);

  char question[128];
  snprintf(question, sizeof question, "Input the %s password then <ENTER> : ", area);
  status_line(question);

  // The keys counted so far, in order; a key that is no password character
  // counts (and shows its star) but adds nothing to the typed text.
  std::string counted;
  auto typed = [&] {
    std::string t;
    for (char k : counted)
      if (k != '\0') t += k;
    return t;
  };
  for (;;) {
    int key = c->read_key();
    if (key == KEY_BACKSPACE || key == 127 || key == KEY_DELETE) {
      // The last key typed is taken back, and its star.
      if (!counted.empty()) {
        counted.pop_back();
        c->put_text("\b \b");
      }
      continue;
    }
    if (key >= kKeyExtended && key != KEY_ESC) continue;  // a cursor or function key: nothing
    c->put_text("*");
    if (key == KEY_ESC) {
      c->flush_keys();
      return KEY_ESC;
    }
    if (key == KEY_ENTER || key == '\n') {
      const char* stored = slot >= 0 && slot < kPasswordSlots ? g_passwords.slot[slot] : "";
      if (strncmp(typed().c_str(), stored, kPasswordSlotSize) == 0) return KEY_F10;
      beep_warning();
      return KEY_ESC;
    }
    if (int(counted.size()) >= kPasswordMaxLength) continue;
    counted += is_password_char(key) ? char(key) : '\0';
  }
}

void passwords_screen() {
  screen_layout(5 + kScreenFields - 1);  // the fields stand on rows 5 to 15
  Console* c = console();
  c->set_attr(screen_attribute());
  c->clear();
  header_box(g_settings.company_name, "System Passwords");

  File* f = passwords_load();
  if (g_passwords.slot[PW_PASSWORD][0] != '\0') {
    passwords_save(f);  // marks the file hidden before anything is asked
    if (password_prompt("Password Password", PW_PASSWORD) != KEY_F10) return;
    f = passwords_load();
  }

  FieldDescriptor form[kScreenFields + 1];
  for (int i = 0; i < kScreenFields; ++i)
    form[i] = {kScreenLabels[i], kPasswordMaxLength, 'b', 1, 5 + i, nullptr, 0};
  form[kScreenFields] = {nullptr, 0, 0, 0, 0, nullptr, 0};
  form_init(form);
  for (int i = 0; i < kScreenFields; ++i)
    memcpy(form[i].value, g_passwords.slot[kScreenSlots[i]], kPasswordMaxLength);
  form_show(form);
  g_form_changed = false;
  int key = form_edit(form, kScreenPrompt);
  if (key != KEY_ESC) {
    memset(&g_passwords, 0, sizeof g_passwords);
    for (int i = 0; i < kScreenFields; ++i) {
      trim_trailing_blanks(form[i].value);
      snprintf(g_passwords.slot[kScreenSlots[i]], kPasswordSlotSize, "%s", form[i].value);
    }
  }
  passwords_save(f);
}
