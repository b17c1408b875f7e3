// The console in use, and the choice of console for this process.
#include "platform/console.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

static Console* g_console = nullptr;
// The process's own console lives until the very end: exit hooks may still
// write to it after static objects are gone.
static Console* g_default_console = nullptr;

// The last thing done at exit: a line still held by the console is written.
static void finish_default_console() {
  if (g_default_console && g_default_console->plain()) g_default_console->restore();
}

Console* console() {
  if (!g_console) {
    if (!g_default_console) {
      g_default_console = console_make_default().release();
      std::atexit(finish_default_console);
    }
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
  // A dumb terminal cannot move its cursor: it gets text lines like a file.
  const char* term = std::getenv("TERM");
  bool dumb = term && std::strcmp(term, "dumb") == 0;
  if (isatty(0) && isatty(1) && !dumb) return console_make_terminal();
  return console_make_plain();
}
