// A console test fixture for forms: an in-memory console, the purge
// program's default settings, a fixed today and a fresh line buffer pool.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"
#include "ui/dates.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

class FormFixture : public ::testing::Test {
 protected:
  explicit FormFixture(int height = 25) : con_(80, height) {}
  void SetUp() override {
    old_ = console_set(&con_);
    settings_defaults(ProgramKind::prune);
    screen_setup();     // the geometry of this console
    today_set(729770);  // 01/01/1998
    line_pool_init();
    g_form_changed = false;
    g_insert_mode = false;
  }
  void TearDown() override { console_set(old_); }

  // Keys: plain text followed by extended keys, in order.
  void keys(std::string_view text, std::vector<int> more = {}) {
    con_.push_text(text);
    con_.push_keys(more);
  }
  void gap(int seconds) { con_.push_keys({MemoryConsole::kTimeGap + seconds}); }
  bool shown(std::string_view text) const {
    return con_.transcript().find(text) != std::string::npos;
  }
  // Edits buf (a line buffer) as a field of the given type and width.
  int edit(char* buf, int type, int width, const char* label = "Value : ") {
    return line_edit(label, 1, 5, width, type, buf, true);
  }

  MemoryConsole con_;
  Console* old_ = nullptr;
};
