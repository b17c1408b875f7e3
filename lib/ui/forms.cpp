// Forms: the line buffer pool, drawing a form and editing it field by field.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/console.h"
#include "ui/form_support.h"
#include "ui/forms.h"
#include "ui/screen.h"
#include "ui/settings.h"

const char* const kAbandonQuestion = "Abandon changes ? (Y/N/ESC) : ";

namespace {

char g_line_pool[kLineBufferCount][kLineBufferSize];

int field_count(const FieldDescriptor* form) {
  int n = 0;
  while (form[n].type != 0) ++n;
  return n;
}

void default_redraw(FieldDescriptor* form, void*) { form_show(form); }

// The form's check of one field, as the line editor asks it.
struct FieldCheckContext {
  const FormEditOptions* options;
  int field;
};

const char* check_field(const char* value, void* context) {
  auto* f = static_cast<FieldCheckContext*>(context);
  return f->options->check(f->field, value, f->options->context);
}

}  // namespace

void line_pool_init() { memset(g_line_pool, 0, sizeof g_line_pool); }

char* line_pool_buffer(int i) {
  if (i < 0 || i >= kLineBufferCount) return nullptr;
  return g_line_pool[i];
}

void form_init(FieldDescriptor* form) {
  for (int i = 0; form[i].type != 0; ++i) {
    if (i >= kLineBufferCount) {
      alert_line("Form has more fields than line buffers...");
      fatal_exit();
    }
    form[i].value = g_line_pool[i];
    memset(form[i].value, 0, kLineBufferSize - 1);
    form[i].changed = 0;
  }
}

void form_show(const FieldDescriptor* form) {
  Console* c = console();
  c->set_attr(screen_attribute());
  for (int i = 0; form[i].type != 0; ++i) {
    const FieldDescriptor& f = form[i];
    c->goto_xy(f.column, ui_screen_line(f.row));
    if (f.label) c->put_text(f.label);
    int width = f.width < 0 ? 0 : f.width;
    std::string shown(f.value ? f.value : "", f.value ? strnlen(f.value, size_t(width)) : 0);
    // On a screen the blanks wipe what stood there; text output needs none.
    if (c->plain())
      shown.erase(shown.find_last_not_of(' ') + 1);
    else
      shown.resize(size_t(width), ' ');
    c->put_text(shown);
  }
}

int form_edit_with(FieldDescriptor* form, const char* prompt, const FormEditOptions& options) {
  Console* c = console();
  c->set_cursor_visible(false);
  const int n = field_count(form);
  int editable = 0;
  for (int i = 0; i < n; ++i) editable += form[i].type != '!' && form[i].value;
  if (editable == 0) return KEY_ESC;
  // Text output cannot draw over what it wrote: the form stands once.
  const bool plain = c->plain();
  auto redraw = [&] {
    if (options.redraw) {
      options.redraw(form, options.context);
    } else if (!plain) {
      default_redraw(form, nullptr);
    }
  };

  int i = 0;
  bool forward = true;
  bool prompted = false;
  for (;;) {
    if (!plain || !prompted) status_line(prompt);
    prompted = true;
    FieldDescriptor& f = form[i];
    if (f.type == '!' || !f.value) {
      i = forward ? (i + 1) % n : (i + n - 1) % n;
      continue;
    }
    int key;
    if (options.yes_no_box && f.type == 'Y') {
      char first = f.value[0];
      char answer = first == 'Y' ? 'Y' : 'N';
      key = yes_no_box(f.label ? f.label : "", &answer, true);
      if (answer != first) g_form_changed = true;
      snprintf(f.value, kLineBufferSize, "%s", answer == 'Y' ? "Yes" : "No ");
    } else {
      FieldCheckContext field_check{&options, i};
      LineCheck check;
      if (options.check) check = LineCheck{check_field, &field_check};
      key = line_edit_checked(f.label, f.column, f.row, f.width, f.type, f.value, true, check);
    }
    redraw();

    if (key == KEY_TAB || key == KEY_ENTER) {
      i = (i + 1) % n;
      forward = true;
    } else if (key == KEY_SHIFT_TAB) {
      i = (i + n - 1) % n;
      forward = false;
    } else if (key >= KEY_F1 && key <= KEY_F9) {
      // stays on the field
    } else if (key == KEY_F10) {
      return KEY_F10;
    } else if (key == KEY_ESC || key == KEY_PGUP || key == KEY_PGDN) {
      // Keys from a script or pipe that has run out: abandon the form
      // rather than ask questions nobody can answer.
      if (c->input_ended()) return KEY_ESC;
      if (!g_form_changed) return key;
      char answer = 'N';
      int reply = yes_no_prompt(options.abandon_question, &answer, false);
      redraw();
      if (c->input_ended()) return KEY_ESC;
      if (reply == KEY_ESC && options.abandon_esc_answer) continue;
      if (answer == 'Y') {
        g_form_changed = false;
        return key;
      }
      if (key != KEY_ESC) return key;
    } else {
      beep_warning();
    }
  }
}

int form_edit(FieldDescriptor* form, const char* prompt) {
  return form_edit_with(form, prompt, FormEditOptions{});
}

int form_edit_yes_no_box(FieldDescriptor* form, const char* prompt) {
  FormEditOptions options;
  options.yes_no_box = true;
  return form_edit_with(form, prompt, options);
}
