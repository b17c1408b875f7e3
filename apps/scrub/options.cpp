// The command line of the cleanup program.
#include <strings.h>

#include <cstring>

#include "scrub.h"

ScrubOptions g_opt;

void scrub_parse_args(int argc, const char* const* argv, ScrubOptions* o) {
  *o = ScrubOptions{};
  struct Switch {
    const char* text;
    bool ScrubOptions::*flag;
  };
  static const Switch kSwitches[] = {
      {"/FLUSH", &ScrubOptions::flush},
      {"/NOVIN", &ScrubOptions::no_vin},
      {"/VEHICLES", &ScrubOptions::vehicles},
      {"/REPLACECUST", &ScrubOptions::replace_customer},
      {"/VERBOSE", &ScrubOptions::verbose},
      {"/RECVONLY", &ScrubOptions::receiving_only},
  };
  // The program name is not an option: a path such as "/verbose/velkscrub"
  // must not switch anything on.
  for (int i = 1; i < argc; i++) {
    if (!argv[i]) continue;
    for (const Switch& s : kSwitches)
      if (strncasecmp(argv[i], s.text, std::strlen(s.text)) == 0) o->*s.flag = true;
  }
}
