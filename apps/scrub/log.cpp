#include "log.h"

#include <cstdarg>
#include <cstdio>

#include "platform/env.h"
#include "ui/screen.h"

void scrub_log(const char* fmt, ...) {
  std::FILE* f = std::fopen(kScrubLogName, "a+");
  if (!f) return;  // a log that cannot be written does not stop the run
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(f, fmt, ap);
  va_end(ap);
  std::fclose(f);
}

void scrub_log_delete() { env()->remove(kScrubLogName); }

void report(const char* fmt, ...) {
  char line[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  con_print(line);
  // The console line may begin with line ends that move it off the
  // progress line; in the log every entry starts a line of its own.
  const char* entry = line;
  while (*entry == '\r' || *entry == '\n') entry++;
  scrub_log("%s", entry);
}
