#include "db/catalog.h"

#include <cstring>

#include "platform/env.h"
#include "ui/screen.h"

namespace {

const char* const kCatalog[kCatalogSize] = {
    "VKINVENT.DAT", "VKINVTAG.DAT", "VKINVKIT.DAT", "VKUSEHST.DAT", "VKRCVLOG.DAT",
    "VKDEPART.DAT", "VKMANUFA.DAT", "VKVENDOR.DAT", "VKCANLAB.DAT", "VKCANNOT.DAT",
    "VKPURCHA.DAT", "VKPURTAG.DAT", "VKINVOIC.DAT", "VKINCTAG.DAT", "VKOPENWO.DAT",
    "VKOPENPO.DAT", "VKCSTDAT.DAT", "VKCSTTAG.DAT", "VKVEHICL.DAT", "VKMAKMOD.DAT",
    "VKFOLLOW.DAT", "VKFOLLOW.QRY", "SHOPRATE.TXT", "VKPAYROL.DAT", "VKPAYTAB.DAT",
    "VKSYSTEM.DAT", "VKEMPLOY.DAT", "DISCLAIM.TXT", "FDISCLAM.TXT", "POSTCARD.TXT",
    "VKPASSWD.DAT", "VELKPFLT.INI", "CHECKLST.TXT",
};

// The current directory until the program sets its own.
std::string& dir_store() {
  static std::string dir = std::string(".") + kPathSeparator;
  return dir;
}

}  // namespace

const char* catalog_name(int position) {
  if (position < 1 || position > kCatalogSize) return "";
  return kCatalog[position - 1];
}

const std::string& data_dir() { return dir_store(); }

void set_data_dir(const std::string& dir) {
  std::string d = dir.empty() ? std::string(".") : dir;
  if (!is_path_separator(d.back())) d += kPathSeparator;
  dir_store() = d;
}

void set_data_dir_from_program_path(const char* argv0) {
  std::string path = argv0 ? argv0 : "";
  size_t cut = std::string::npos;
  for (size_t i = 0; i < path.size(); i++)
    if (is_path_separator(path[i])) cut = i;
  if (cut == std::string::npos) set_data_dir("");
  else set_data_dir(path.substr(0, cut + 1));
}

std::string data_path(const std::string& name) { return data_dir() + name; }

std::string data_dir_full() {
  std::string dir = data_dir();
  bool absolute = !dir.empty() && (is_path_separator(dir[0]) || (dir.size() > 1 && dir[1] == ':'));
  if (absolute) return dir;
  if (dir.size() >= 2 && dir[0] == '.' && is_path_separator(dir[1])) dir.erase(0, 2);
  return env()->current_dir() + dir;
}

bool shop_database_present() {
  for (const char* name : {"VKINVOIC.DAT", "VKCSTDAT.DAT", "VKINVENT.DAT"})
    if (env()->exists(data_path(name))) return true;
  return false;
}

void db_require_shop_database() {
  if (shop_database_present()) return;
  con_printf("No shop database in %s...\r\n", data_dir_full().c_str());
  fatal_exit();
}

std::string replacement_name(const std::string& name) {
  // The first ".DAT", matched without regard to case since data copied from
  // other systems often carries lower-case names.
  for (size_t i = 0; i + 4 <= name.size(); i++) {
    if (name[i] == '.' && (name[i + 1] | 0x20) == 'd' && (name[i + 2] | 0x20) == 'a' &&
        (name[i + 3] | 0x20) == 't')
      return name.substr(0, i) + ".NEW" + name.substr(i + 4);
  }
  // A name without ".DAT" must still never name the file it replaces.
  return name + ".NEW";
}
