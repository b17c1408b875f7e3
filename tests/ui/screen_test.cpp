#include "ui/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"
#include "ui/dates.h"
#include "ui/settings.h"

namespace {

class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = console_set(&con_);
    settings_defaults(ProgramKind::tally);
    today_set(729770);  // 01/01/1998
  }
  void TearDown() override { console_set(old_); }
  MemoryConsole con_;
  Console* old_ = nullptr;
};

std::string repeat(int byte, int n) { return std::string(static_cast<size_t>(n), static_cast<char>(byte)); }

TEST_F(Screen, HeaderBoxLayoutAndColours) {
  g_settings.color_foreground = 3;
  g_settings.color_background = 1;
  g_settings.color_header = 15;
  con_.set_attr(screen_attribute());
  header_box("A company name longer than thirty-two characters", "Set Usage");
  EXPECT_EQ(con_.row_text(1), repeat(201, 1) + repeat(205, 78) + repeat(187, 1));
  EXPECT_EQ(con_.row_text(3), repeat(200, 1) + repeat(205, 78) + repeat(188, 1));
  std::string middle = " A company name longer than thirt 01/01/1998" + std::string(24, ' ') +
                       "Set Usage ";
  EXPECT_EQ(con_.row_text(2), repeat(186, 1) + middle + repeat(186, 1));
  EXPECT_EQ(con_.attr_at(1, 1), 0x13);
  EXPECT_EQ(con_.attr_at(1, 2), 0x13);
  EXPECT_EQ(con_.attr_at(2, 2), 0x1F);
  EXPECT_EQ(con_.attr_at(79, 2), 0x1F);
  EXPECT_EQ(con_.attr_at(80, 2), 0x13);
  EXPECT_EQ(con_.attr(), 0x13);
}

TEST_F(Screen, StatusAndAlertLinesUseTheBottomLine) {
  con_.set_attr(screen_attribute());
  con_.goto_xy(1, 25);
  con_.put_text(std::string(80, '#'));
  status_line("Working...");
  EXPECT_EQ(con_.row_text(25), "Working..." + std::string(70, ' '));
  EXPECT_EQ(con_.attr_at(1, 25) & 0x0F, g_settings.color_prompt);
  EXPECT_FALSE(con_.cursor_visible());
  EXPECT_EQ(con_.attr() & 0x0F, g_settings.color_foreground);

  alert_line("File open error... (SHARE needs to be loaded...)");
  EXPECT_EQ(con_.row_text(25).substr(0, 48), "File open error... (SHARE needs to be loaded...)");
  EXPECT_EQ(con_.attr_at(1, 25), 0x8C);  // special colour with its blink bit
  EXPECT_EQ(con_.attr() & 0x8F, g_settings.color_foreground);

  // A text wider than the screen is cut and does not scroll the screen.
  con_.goto_xy(1, 1);
  con_.put_text("top");
  alert_line(std::string(200, 'x').c_str());
  EXPECT_EQ(con_.row_text(1).substr(0, 3), "top");
  EXPECT_EQ(con_.row_text(25), std::string(80, 'x'));
}

TEST_F(Screen, SpinnerTurnsEvery128thCall) {
  // Catch up with the calls made before this test.
  for (int i = 0; i < 128 && con_.transcript().empty(); ++i) progress_spinner();
  ASSERT_EQ(con_.transcript().size(), 2u);
  std::string marks;
  for (int turn = 0; turn < 4; ++turn) {
    size_t at = con_.transcript().size();
    for (int i = 0; i < 127; ++i) progress_spinner();
    ASSERT_EQ(con_.transcript().size(), at);
    progress_spinner();
    std::string out = con_.transcript().substr(at);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1], '\b');
    marks += out[0];
  }
  // Four turns show each mark once, in the turning order, and stay in place.
  EXPECT_NE(std::string("|/-\\|/-\\").find(marks), std::string::npos) << marks;
  EXPECT_EQ(con_.cursor_col(), 1);
}

TEST_F(Screen, SetupAndRestore) {
  con_.set_text_mode(kModeBW80);
  con_.put_text("old");
  screen_setup();
  EXPECT_EQ(con_.text_mode(), kModeColor80);
  EXPECT_EQ(con_.attr(), screen_attribute());
  EXPECT_EQ(con_.attr(), 0x03);
  EXPECT_FALSE(con_.cursor_visible());
  EXPECT_EQ(con_.row_text(1), std::string(80, ' '));
  EXPECT_FALSE(screen_tall());

  screen_restore();
  EXPECT_EQ(con_.text_mode(), kModeBW80);
  EXPECT_EQ(con_.attr(), 7);
  EXPECT_TRUE(con_.cursor_visible());

  MemoryConsole tall(80, 50);
  console_set(&tall);
  tall.set_text_mode(kModeMono);
  screen_setup();
  EXPECT_EQ(tall.text_mode(), kModeMono);
  EXPECT_TRUE(screen_tall());
  console_set(&con_);
}

TEST_F(Screen, PrintfHasNoLengthLimit) {
  std::string long_text(5000, 'q');
  con_printf("rebuilt: %20s\r\n%s", "AB-1", long_text.c_str());
  EXPECT_EQ(con_.transcript().substr(0, 31), "rebuilt:                 AB-1\r\n");
  EXPECT_EQ(con_.transcript().size(), 31u + 5000u);
  beep_plain();
  beep_warning();
  beep_warning();
  EXPECT_EQ(con_.plain_beeps(), 1);
  EXPECT_EQ(con_.warning_beeps(), 2);
}

TEST(ScreenDeath, FatalExitEndsWithStatusOne) {
  EXPECT_EXIT(fatal_exit(), ::testing::ExitedWithCode(1), "");
}

}  // namespace
