// The settings screens driven with scripted keys: what they store in
// "VKSYSTEM.DAT" and what they show.
#include "ui/settings_screens.h"

#include <cstring>

#include "data_dir_fixture.h"
#include "db/bytes.h"
#include "ui/settings.h"

namespace {

class SettingsScreens : public DataDirFixture {
 protected:
  // The record as stored in the file.
  SettingsRecord stored() const {
    std::vector<uint8_t> b = read_file("VKSYSTEM.DAT");
    EXPECT_EQ(b.size(), kSettingsRecordSize);
    b.resize(kSettingsRecordSize);
    SettingsRecord s{};
    settings_decode(b.data(), &s);
    return s;
  }
};

TEST_F(SettingsScreens, SpecialColourIsStoredWithItsBlinkBitAndShownWithout) {
  keys("", {KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB, KEY_F1});
  keys("12", {KEY_TAB, KEY_F10});
  settings_colors_screen();
  EXPECT_EQ(stored().color_special, 140);
  EXPECT_EQ(con_.row_text(9).substr(0, 22), "Special    Color :  12");
  EXPECT_EQ(con_.attr_at(1, 9), 0x8C);
  EXPECT_NE(con_.row_text(2).find("System Colors"), std::string::npos);
}

TEST_F(SettingsScreens, AColourOutsideZeroToFifteenIsRefused) {
  // "15" typed over " 12" reads 152; "016" fills the field with 16. Both are
  // refused with the reason, the cursor staying in the field.
  keys("", {KEY_TAB, KEY_TAB, KEY_TAB, KEY_TAB});
  keys("15", {KEY_TAB, KEY_F1});
  keys("016", {KEY_F1});
  keys("15", {KEY_TAB, KEY_F10});
  settings_colors_screen();
  EXPECT_EQ(con_.plain_beeps(), 2);
  EXPECT_TRUE(shown("A colour is a number from 0 to 15"));
  EXPECT_EQ(stored().color_special, 15 + 128);
}

TEST_F(SettingsScreens, ColoursAreShownWhileChosenAndEscGivesThemBack) {
  keys("", {KEY_F1});
  keys("4", {KEY_TAB, KEY_F1});
  keys("1", {KEY_TAB});
  keys("", {KEY_ESC});
  keys("y");
  settings_colors_screen();
  EXPECT_TRUE(shown("Abandon changes ? (Y/N) : "));
  EXPECT_EQ(g_settings.color_foreground, 11);
  EXPECT_EQ(g_settings.color_background, 0);
  EXPECT_EQ(stored().color_foreground, 11);
  EXPECT_EQ(con_.attr(), 0x0B);

  MemoryConsole live;
  console_set(&live);
  live.push_keys({KEY_F1, '4', KEY_TAB, KEY_F1, '1', KEY_TAB, KEY_ESC, KEY_ESC});
  settings_colors_screen();  // ESC at the question counts as Y here
  EXPECT_TRUE(live.transcript().find("Abandon changes ? (Y/N) : ") != std::string::npos);
  EXPECT_EQ(stored().color_foreground, 11);
  console_set(&con_);
}

TEST_F(SettingsScreens, ColoursOfTheFormFollowTheEdits) {
  keys("", {KEY_F1});
  keys("4", {KEY_TAB, KEY_F1});
  keys("1", {KEY_TAB, KEY_F10});
  settings_colors_screen();
  EXPECT_EQ(stored().color_foreground, 4);
  EXPECT_EQ(stored().color_background, 1);
  EXPECT_EQ(con_.attr_at(1, 5), 0x14);  // foreground line: red on blue
  EXPECT_EQ(con_.attr_at(1, 7), 0x1E);  // prompt line: yellow on blue
  EXPECT_EQ(con_.attr_at(40, 12), 0x14);  // the cleared screen
}

TEST_F(SettingsScreens, MonochromeDisplayResetsTheColours) {
  con_.set_text_mode(kModeMono);
  keys("", {KEY_F10});
  settings_colors_screen();
  EXPECT_EQ(g_settings.color_foreground, 7);
  EXPECT_EQ(g_settings.color_background, 0);
  EXPECT_EQ(g_settings.color_prompt, 7);
  EXPECT_EQ(g_settings.color_header, 7);
  EXPECT_EQ(g_settings.color_special, 135);
}

TEST_F(SettingsScreens, ParametersAreConvertedAndTextsKeptInsideTheirFields) {
  g_settings.unused_771[0] = 0xAA;
  g_settings.unused_864[0] = 0xBB;
  g_settings.unused_983[0] = 0xCC;
  keys("", {KEY_F1});
  keys("47.5", {KEY_TAB, KEY_F1});
  keys("1.25", {KEY_TAB, KEY_TAB});
  keys(std::string(70, 'd'));  // 63 fit; the rest is refused by the yes/no field
  keys("", {KEY_F1});
  keys("y", {KEY_TAB});
  for (int i = 0; i < 9; ++i) keys("", {KEY_TAB});  // rates and message lines
  keys(std::string(78, 'f'));                          // fleet terms: 77 fit
  keys("", {KEY_TAB});
  keys(std::string(78, 's'));  // shell command: 77 fit, then it wraps to the first field
  keys("", {KEY_F10});
  settings_parameters_screen();
  SettingsRecord s = stored();
  EXPECT_EQ(s.default_shop_rate, 4750);
  EXPECT_EQ(s.labor_surcharge, 12500);
  EXPECT_EQ(std::string(s.surcharge_description, 63), std::string(63, 'd'));
  EXPECT_EQ(s.unused_771[0], 0xAA);
  EXPECT_EQ(s.surcharge_description[63], '\0');
  EXPECT_EQ(s.surcharge_is_sublet, 'Y');
  EXPECT_EQ(std::string(s.fleet_terms, 77), std::string(77, 'f'));
  EXPECT_EQ(s.fleet_terms[77], '\0');
  EXPECT_EQ(s.unused_864[0], 0xBB);
  EXPECT_EQ(std::string(s.shell_command, 77), std::string(77, 's'));
  EXPECT_EQ(s.unused_983[0], 0xCC);
  EXPECT_STREQ(s.message1, "Have a nice day...");
  EXPECT_EQ(con_.row_text(4).substr(0, 41),
            std::string("Default Shop Rate ($/hr)   : ") + "       47.50");
}

TEST_F(SettingsScreens, ParametersEscKeepsTheRecord) {
  keys("", {KEY_F1});
  keys("99", {KEY_TAB, KEY_ESC});
  keys("y");
  settings_parameters_screen();
  EXPECT_EQ(stored().default_shop_rate, 5000);
  EXPECT_EQ(con_.row_text(12).substr(0, 41),
            std::string("Sublet Tax Rate (%)        : ") + "      5.8125");
}

TEST_F(SettingsScreens, TimeOutOfZeroMeansNoneAndCountersStartAtOne) {
  keys("", {KEY_F1});
  keys("0", {KEY_TAB, KEY_F1});
  keys("-5", {KEY_F10});
  settings_other_screen();
  SettingsRecord s = stored();
  EXPECT_EQ(s.prompt_timeout, 2147483647);
  EXPECT_EQ(s.next_workorder, 1);
  EXPECT_EQ(s.next_estimate, g_settings.next_estimate);

  // A value wider than six digits is shown whole and kept when untouched.
  keys("", {KEY_TAB, KEY_F10});
  settings_other_screen();
  EXPECT_EQ(con_.row_text(8).substr(0, 39),
            std::string("Prompt time out (secs)     : ") + "2147483647");
  EXPECT_EQ(stored().prompt_timeout, 2147483647);
}

}  // namespace
