// The password file, the password prompt and the "System Passwords" screen.
#include "ui/passwords.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "data_dir_fixture.h"
#include "db/dbfile.h"

namespace {

class Passwords : public DataDirFixture {
 protected:
  void store(int slot, const char* password) {
    File* f = passwords_load();
    snprintf(g_passwords.slot[slot], kPasswordSlotSize, "%s", password);
    passwords_save(f);
  }
  int mode() const {
    struct stat st {};
    EXPECT_EQ(stat((dir_ / "VKPASSWD.DAT").c_str(), &st), 0);
    return int(st.st_mode & 0777);
  }
  std::string slot(const std::vector<uint8_t>& file, int i) const {
    return std::string(reinterpret_cast<const char*>(file.data()) + i * kPasswordSlotSize);
  }
};

TEST_F(Passwords, EmptyFileIsTwelveEmptySlotsAndSavesMarkItPrivate) {
  write_file("VKPASSWD.DAT", "");
  chmod((dir_ / "VKPASSWD.DAT").c_str(), 0644);
  memset(&g_passwords, 'x', sizeof g_passwords);
  File* f = passwords_load();
  for (int i = 0; i < kPasswordSlots; ++i) EXPECT_EQ(g_passwords.slot[i][0], '\0');
  passwords_save(f);
  EXPECT_EQ(read_file("VKPASSWD.DAT"), std::vector<uint8_t>(kPasswordRecordSize, 0));
  EXPECT_EQ(mode(), 0600);
}

TEST_F(Passwords, PromptTakesTwentyCharactersAndComparesExactly) {
  store(PW_SYSTEM, "ABCDEFGHIJKLMNOPQRST");
  keys("ABCDEFGHIJKLMNOPQRSTU", {KEY_ENTER});  // the 21st is dropped
  EXPECT_EQ(password_prompt("System", PW_SYSTEM), KEY_F10);
  EXPECT_TRUE(shown("Input the System password then <ENTER> : "));
  // One star for every key, Enter included; never the typed characters.
  EXPECT_EQ(std::count(con_.transcript().begin(), con_.transcript().end(), '*'), 22);
  EXPECT_FALSE(shown("ABC"));

  keys("abcdefghijklmnopqrst", {KEY_ENTER});
  EXPECT_EQ(password_prompt("System", PW_SYSTEM), KEY_ESC);
  EXPECT_EQ(con_.warning_beeps(), 1);

  // Keys that are not characters count towards the twenty.
  keys("\x01" "ABCDEFGHIJKLMNOPQRST", {KEY_ENTER});
  EXPECT_EQ(password_prompt("System", PW_SYSTEM), KEY_ESC);
}

TEST_F(Passwords, EscEndsThePromptAndDropsTypedKeys) {
  keys("", {KEY_ESC});
  keys("x", {KEY_ENTER});
  EXPECT_EQ(password_prompt("Payroll", PW_PAYROLL), KEY_ESC);
  EXPECT_EQ(con_.warning_beeps(), 0);
  // The typed-ahead x and Enter were dropped: an empty slot now matches an
  // empty entry.
  keys("", {KEY_ENTER});
  EXPECT_EQ(password_prompt("Payroll", PW_PAYROLL), KEY_F10);
}

TEST_F(Passwords, BackspaceAndDeleteTakeTheLastKeyBackAndOnlyEnterTries) {
  store(PW_SYSTEM, "ac");
  // Each takes back one key with its star; cursor and function keys do
  // nothing and do not use the attempt.
  keys("ab\bx\x7f", {KEY_DELETE, KEY_BACKSPACE, KEY_LEFT, KEY_F1});
  keys("ac", {KEY_ENTER});
  EXPECT_EQ(password_prompt("System", PW_SYSTEM), KEY_F10);
  EXPECT_EQ(con_.warning_beeps(), 0);
  EXPECT_EQ(std::count(con_.transcript().begin(), con_.transcript().end(), '*'), 6);
  // Nothing left to take back: nothing happens.
  keys("", {KEY_BACKSPACE});
  keys("x", {KEY_ENTER});
  EXPECT_EQ(password_prompt("System", PW_SYSTEM), KEY_ESC);
  EXPECT_EQ(con_.warning_beeps(), 1);
}

TEST_F(Passwords, ScreenOpensWithoutQuestionAndStoresTheSlots) {
  keys("work", {KEY_TAB});
  for (int i = 0; i < 7; ++i) keys("", {KEY_TAB});  // to the System Password field
  keys("sys  ", {KEY_TAB, KEY_TAB});                 // Password Password stays empty
  keys("edit", {KEY_F10});
  passwords_screen();
  EXPECT_FALSE(shown("Input the"));
  std::vector<uint8_t> file = read_file("VKPASSWD.DAT");
  ASSERT_EQ(file.size(), kPasswordRecordSize);
  EXPECT_EQ(slot(file, PW_WORKORDER), "work");
  EXPECT_EQ(slot(file, PW_SYSTEM), "sys");
  EXPECT_EQ(slot(file, PW_UNUSED), "");
  EXPECT_EQ(slot(file, PW_EDIT_MENU), "edit");
  EXPECT_EQ(mode(), 0600);
  EXPECT_EQ(con_.row_text(13).substr(0, 27), "System Password          : ");
}

TEST_F(Passwords, ScreenIsGuardedByThePasswordPasswordSlot) {
  store(PW_PASSWORD, "secret");
  store(PW_WORKORDER, "old");
  keys("SECRET", {KEY_ENTER});
  passwords_screen();  // wrong case: the screen ends
  EXPECT_EQ(con_.warning_beeps(), 1);
  EXPECT_EQ(slot(read_file("VKPASSWD.DAT"), PW_WORKORDER), "old");

  keys("secret", {KEY_ENTER, KEY_F1});
  keys("new", {KEY_F10});
  passwords_screen();
  std::vector<uint8_t> file = read_file("VKPASSWD.DAT");
  EXPECT_EQ(slot(file, PW_WORKORDER), "new");
  EXPECT_EQ(slot(file, PW_PASSWORD), "secret");

  // ESC after typing writes the record back unchanged.
  keys("secret", {KEY_ENTER, KEY_F1});
  keys("other", {KEY_ESC});
  keys("y");
  passwords_screen();
  EXPECT_EQ(slot(read_file("VKPASSWD.DAT"), PW_WORKORDER), "new");
}

}  // namespace
