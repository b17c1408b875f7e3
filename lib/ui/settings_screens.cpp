// The settings screens: colours, parameters (rates, markups, texts) and the
// other parameters (prompt time-out and numbering counters).
#include "ui/settings_screens.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "db/dbfile.h"
#include "platform/console.h"
#include "ui/dates.h"
#include "ui/form_support.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

namespace {

constexpr const char* kPrompt = "F10-save, TAB-next field, ESC-cancel";
constexpr FieldDescriptor kEnd = {nullptr, 0, 0, 0, 0, nullptr, 0};

// Clears the screen for a screen whose form reaches down to the line `lines`
// and draws its title box.
void open_screen(const char* title, int lines) {
  screen_layout(lines);
  Console* c = console();
  c->set_attr(screen_attribute());
  c->clear();
  header_box(g_settings.company_name, title);
}

// A field's whole number: optional sign and leading digits, 0 when none.
int64_t field_number(const char* value) {
  while (*value == ' ') ++value;
  bool negative = *value == '-';
  if (*value == '-' || *value == '+') ++value;
  int64_t n = 0;
  for (; *value >= '0' && *value <= '9'; ++value) {
    n = n * 10 + (*value - '0');
    if (n > INT32_MAX) n = INT32_MAX;
  }
  return negative ? -n : n;
}

// ---- "System Colors" --------------------------------------------------------

struct ColorScreen {
  FieldDescriptor form[6] = {
      {"Foreground Color : ", 3, 'N', 1, 5, nullptr, 0},
      {"Background Color : ", 3, 'N', 1, 6, nullptr, 0},
      {"Prompt     Color : ", 3, 'N', 1, 7, nullptr, 0},
      {"Header     Color : ", 3, 'N', 1, 8, nullptr, 0},
      {"Special    Color : ", 3, 'N', 1, 9, nullptr, 0},
      kEnd,
  };
};

uint8_t* color_slot(int i) {
  uint8_t* slots[5] = {&g_settings.color_foreground, &g_settings.color_background,
                       &g_settings.color_prompt, &g_settings.color_header,
                       &g_settings.color_special};
  return slots[i];
}

void colors_store(FieldDescriptor* form) {
  for (int i = 0; i < 5; ++i) {
    int64_t n = field_number(form[i].value);
    // The special colour blinks: its number is stored with the blink bit.
    *color_slot(i) = i == 4 ? uint8_t((n & 0x7F) | 0x80) : uint8_t(n);
  }
}

void colors_draw(FieldDescriptor* form) {
  Console* c = console();
  c->set_attr(screen_attribute());
  c->clear();
  header_box(g_settings.company_name, "System Colors");
  status_line(kPrompt);
  for (int i = 0; i < 5; ++i) {
    const FieldDescriptor& f = form[i];
    // Each line is drawn in the colour it names; the background line in the
    // ordinary colours, which stand on that background.
    c->set_attr(i == 1 ? screen_attribute() : ui_color_attr(*color_slot(i)));
    c->goto_xy(f.column, ui_screen_line(f.row));
    c->put_text(f.label);
    std::string value(f.value, strnlen(f.value, size_t(f.width)));
    value.resize(size_t(f.width), ' ');
    c->put_text(value);
  }
  c->set_attr(screen_attribute());
}

void colors_redraw(FieldDescriptor* form, void*) {
  colors_store(form);
  // Text output keeps the screen as it was first drawn.
  if (!console()->plain()) colors_draw(form);
}

// A colour is one of the sixteen the screen can show.
const char* color_check(int, const char* value, void*) {
  int64_t n = field_number(value);
  return n < 0 || n > 15 ? "A colour is a number from 0 to 15" : nullptr;
}

constexpr int kColorLines = 9;

// ---- "System Parameters" ----------------------------------------------------

enum class Kind { money, rate, text, yes_no, label };

struct ParamField {
  int row;
  const char* label;
  Kind kind;
  int width;       // screen width; texts never more than their field minus its NUL
  void* target;    // the settings field
  size_t size;     // its size in bytes (texts)
};

int text_width(int wanted, size_t field_size) {
  int room = int(field_size) - 1;
  return wanted < room ? wanted : room;
}

}  // namespace

void settings_colors_screen() {
  File* f = settings_load();
  const uint8_t found[5] = {g_settings.color_foreground, g_settings.color_background,
                            g_settings.color_prompt, g_settings.color_header,
                            g_settings.color_special};
  ColorScreen screen;
  FieldDescriptor* form = screen.form;
  form_init(form);
  for (int i = 0; i < 5; ++i) {
    int shown = i == 4 ? (*color_slot(i) & 127) : *color_slot(i);
    snprintf(form[i].value, kLineBufferSize, "%3d", shown);
  }
  screen_layout(kColorLines);
  colors_draw(form);

  FormEditOptions options;
  options.abandon_question = "Abandon changes ? (Y/N) : ";
  options.abandon_esc_answer = false;
  options.redraw = colors_redraw;
  options.check = color_check;
  g_form_changed = false;
  int key = form_edit_with(form, kPrompt, options);
  if (key != KEY_ESC) {
    colors_store(form);
  } else {
    // Cancel gives back the colours the screen found.
    for (int i = 0; i < 5; ++i) *color_slot(i) = found[i];
  }
  console()->set_attr(screen_attribute());
  settings_save(f);
}

void settings_parameters_screen() {
  SettingsRecord& s = g_settings;
  const ParamField fields[] = {
      {4, "Default Shop Rate ($/hr)   : ", Kind::money, 12, &s.default_shop_rate, 0},
      {5, "Labor Surcharge (%)        : ", Kind::rate, 12, &s.labor_surcharge, 0},
      {6, "Parts Surcharge (%)        : ", Kind::rate, 12, &s.parts_surcharge, 0},
      {7, "Surcharge description      : ", Kind::label, 0, nullptr, 0},
      {8, "", Kind::text, text_width(64, sizeof s.surcharge_description), s.surcharge_description,
       sizeof s.surcharge_description},
      {9, "Surcharge is a Sublet      : ", Kind::yes_no, 3, &s.surcharge_is_sublet, 0},
      {10, "Parts  Tax Rate (%)        : ", Kind::rate, 12, &s.parts_tax_rate, 0},
      {11, "Labor  Tax Rate (%)        : ", Kind::rate, 12, &s.labor_tax_rate, 0},
      {12, "Sublet Tax Rate (%)        : ", Kind::rate, 12, &s.sublet_tax_rate, 0},
      {13, "Waste  Tax Rate (%)        : ", Kind::rate, 12, &s.waste_tax_rate, 0},
      {14, "Wholesale markup           : ", Kind::rate, 12, &s.wholesale_markup, 0},
      {15, "Resale markup              : ", Kind::rate, 12, &s.resale_markup, 0},
      {16, "Retail markup              : ", Kind::rate, 12, &s.retail_markup, 0},
      {17, "Have a Nice Day Message    : ", Kind::label, 0, nullptr, 0},
      {18, "", Kind::text, text_width(78, sizeof s.message1), s.message1, sizeof s.message1},
      {19, "", Kind::text, text_width(78, sizeof s.message2), s.message2, sizeof s.message2},
      {20, "Fleet Statement Terms      : ", Kind::label, 0, nullptr, 0},
      {21, "", Kind::text, text_width(78, sizeof s.fleet_terms), s.fleet_terms,
       sizeof s.fleet_terms},
      {22, "Fleet Statement Late %     : ", Kind::rate, 12, &s.fleet_late_charge, 0},
      {23, "Shell Command Line         : ", Kind::label, 0, nullptr, 0},
      {24, "", Kind::text, text_width(78, sizeof s.shell_command), s.shell_command,
       sizeof s.shell_command},
  };
  constexpr int n = int(sizeof fields / sizeof fields[0]);

  File* f = settings_load();
  open_screen("System Parameters", fields[n - 1].row);
  FieldDescriptor form[n + 1];
  for (int i = 0; i < n; ++i) {
    static const char kTypes[] = {'M', '4', 'b', 'Y', '!'};
    form[i] = {fields[i].label, fields[i].width, kTypes[int(fields[i].kind)], 1, fields[i].row,
               nullptr, 0};
  }
  form[n] = kEnd;
  form_init(form);
  for (int i = 0; i < n; ++i) {
    const ParamField& p = fields[i];
    char* v = form[i].value;
    switch (p.kind) {
      case Kind::money:
        snprintf(v, kLineBufferSize, "%s", money_text(*static_cast<int32_t*>(p.target)).c_str());
        break;
      case Kind::rate:
        snprintf(v, kLineBufferSize, "%s", rate_text(*static_cast<int32_t*>(p.target)).c_str());
        break;
      case Kind::text: {
        const char* t = static_cast<const char*>(p.target);
        memcpy(v, t, strnlen(t, size_t(p.width)));
        break;
      }
      case Kind::yes_no:
        snprintf(v, kLineBufferSize, "%s", *static_cast<char*>(p.target) == 'Y' ? "Yes" : "No ");
        break;
      case Kind::label:
        break;
    }
  }
  form_show(form);
  g_form_changed = false;
  int key = form_edit(form, kPrompt);
  if (key != KEY_ESC) {
    for (int i = 0; i < n; ++i) {
      const ParamField& p = fields[i];
      char* v = form[i].value;
      switch (p.kind) {
        case Kind::money:
          text_to_money(v, static_cast<int32_t*>(p.target));  // 0 when it does not convert
          break;
        case Kind::rate:
          text_to_rate(v, static_cast<int32_t*>(p.target));
          break;
        case Kind::text: {
          char* t = static_cast<char*>(p.target);
          trim_trailing_blanks(v);
          memset(t, 0, p.size);
          memcpy(t, v, strnlen(v, p.size - 1));
          break;
        }
        case Kind::yes_no:
          *static_cast<char*>(p.target) = v[0] == 'Y' ? 'Y' : 'N';
          break;
        case Kind::label:
          break;
      }
    }
  }
  settings_save(f);
}

void settings_other_screen() {
  SettingsRecord& s = g_settings;
  struct Counter {
    int row;
    const char* label;
    int32_t* target;
  };
  const Counter counters[] = {
      {8, "Prompt time out (secs)     : ", &s.prompt_timeout},
      {10, "Next Workorder Number      : ", &s.next_workorder},
      {11, "Next Estimate  Number      : ", &s.next_estimate},
      {12, "Next Purchase Order Number : ", &s.next_purchase_order},
      {13, "Next Customer  Number      : ", &s.next_customer},
      {14, "Next Employee  Number      : ", &s.next_employee},
  };
  constexpr int n = 6;

  File* f = settings_load();
  open_screen("Other System Parameters", counters[n - 1].row);
  FieldDescriptor form[n + 3];
  form[0] = {"Warning : Changing these values can have", 0, '!', 1, 5, nullptr, 0};
  form[1] = {"          SERIOUS consequenses!!!", 0, '!', 1, 6, nullptr, 0};
  for (int i = 0; i < n; ++i) {
    // Six digits, or as many as the stored value needs, so that a value is
    // never cut by its field.
    char digits[16];
    int width = snprintf(digits, sizeof digits, "%ld", long(*counters[i].target));
    form[2 + i] = {counters[i].label, width > 6 ? width : 6, 'I', 1, counters[i].row, nullptr, 0};
  }
  form[n + 2] = kEnd;
  form_init(form);
  for (int i = 0; i < n; ++i)
    snprintf(form[2 + i].value, kLineBufferSize, "%*ld", int(form[2 + i].width),
             long(*counters[i].target));
  form_show(form);
  g_form_changed = false;
  int key = form_edit(form, kPrompt);
  if (key != KEY_ESC) {
    for (int i = 0; i < n; ++i) {
      int64_t v = field_number(form[2 + i].value);
      if (v <= 0) v = i == 0 ? INT32_MAX : 1;  // no time-out in practice; counters start at 1
      *counters[i].target = int32_t(v);
    }
  }
  settings_save(f);
}
