#include "platform/file_mark.h"

#include <sys/stat.h>

#include "platform/env.h"

bool file_mark_hidden(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  std::string dir = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  std::string actual = dir + env()->actual_name(dir.empty() ? "./" : dir, name);
  return chmod(actual.c_str(), S_IRUSR | S_IWUSR) == 0;
}
