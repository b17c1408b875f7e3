// The console in use, and the choice of console for this process.
#include "platform/console.h"

#include <unistd.h>

static Console* g_console = nullptr;
// The process's own console lives until the very end: exit hooks may still
// write to it after static objects are gone.
static Console* g_default_console = nullptr;

Console* console() {
  if (!g_console) {
    if (!g_default_console) g_default_console = console_make_default().release();
    g_console = g_default_console;
  }
  return g_console;
}

Console* console_set(Console* c) {
  Console* old = g_console;
  g_console = c;
  return old;
}

std::unique_ptr<Console> console_make_default() {
  if (isatty(0) && isatty(1)) return console_make_terminal();
  return console_make_plain();
}
