// The command line of the cleanup program.
#include <strings.h>

#include <cstring>

#include "scrub.h"
#include "ui/screen.h"

ScrubOptions g_opt;

bool scrub_help_requested(int argc, const char* const* argv) {
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (!a) continue;
    if (std::strcmp(a, "/?") == 0 || std::strcmp(a, "-?") == 0 || strcasecmp(a, "-h") == 0 ||
        strcasecmp(a, "--help") == 0)
      return true;
  }
  return false;
}

namespace {

struct Switch {
  const char* text;
  bool ScrubOptions::*flag;
};
const Switch kSwitches[] = {
    {"/FLUSH", &ScrubOptions::flush},
    {"/NOVIN", &ScrubOptions::no_vin},
    {"/VEHICLES", &ScrubOptions::vehicles},
    {"/REPLACECUST", &ScrubOptions::replace_customer},
    {"/VERBOSE", &ScrubOptions::verbose},
    {"/RECVONLY", &ScrubOptions::receiving_only},
};

const Switch* switch_of(const char* arg) {
  for (const Switch& s : kSwitches)
    if (strncasecmp(arg, s.text, std::strlen(s.text)) == 0) return &s;
  return nullptr;
}

}  // namespace

const char* scrub_unknown_switch(int argc, const char* const* argv) {
  // A switch typed wrong ("/VEHICLE", "-vehicles") would otherwise run the
  // whole cleanup without what was asked for.
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (a && (a[0] == '/' || a[0] == '-') && !switch_of(a)) return a;
  }
  return nullptr;
}

void scrub_print_usage() {
  static const char* const kLines[] = {
      "\r\nUsage:\r\n",
      "VELKSCRUB [switches]   <-- cleans up and converts the VELK database...\r\n",
      "  /FLUSH        flush rebuilt files to the disk as they are written\r\n",
      "  /NOVIN        link vehicles without matching them by VIN\r\n",
      "  /VEHICLES     rebuild the vehicle file from the workorders\r\n",
      "  /REPLACECUST  replace each workorder's customer by the matched customer record\r\n",
      "  /VERBOSE      log how every workorder was matched\r\n",
      "  /RECVONLY     only rebuild the inventory index and receiving log\r\n",
  };
  for (const char* line : kLines) con_print(line);
}

void scrub_parse_args(int argc, const char* const* argv, ScrubOptions* o) {
  *o = ScrubOptions{};
  // The program name is not an option: a path such as "/verbose/velkscrub"
  // must not switch anything on.
  for (int i = 1; i < argc; i++) {
    if (!argv[i]) continue;
    if (const Switch* s = switch_of(argv[i])) o->*s->flag = true;
  }
}
