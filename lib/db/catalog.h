// The catalog of data file names and the data directory.
#pragma once

#include <string>

// Positions in the catalog.
enum CatalogFile {
  F_VKINVENT = 1, F_VKINVTAG, F_VKINVKIT, F_VKUSEHST, F_VKRCVLOG, F_VKDEPART, F_VKMANUFA,
  F_VKVENDOR, F_VKCANLAB, F_VKCANNOT, F_VKPURCHA, F_VKPURTAG, F_VKINVOIC, F_VKINCTAG,
  F_VKOPENWO, F_VKOPENPO, F_VKCSTDAT, F_VKCSTTAG, F_VKVEHICL, F_VKMAKMOD, F_VKFOLLOW,
  F_VKFOLLOW_QRY, F_SHOPRATE, F_VKPAYROL, F_VKPAYTAB, F_VKSYSTEM, F_VKEMPLOY, F_DISCLAIM,
  F_FDISCLAM, F_POSTCARD, F_VKPASSWD, F_VELKPFLT, F_CHECKLST,
};
constexpr int kCatalogSize = 33;

// The catalog name at a position (1..33), e.g. "VKINVENT.DAT".
const char* catalog_name(int position);

// The data directory, ending in a separator ("./" until it is set).
const std::string& data_dir();
void set_data_dir(const std::string& dir);
// Sets the data directory from the program path: everything up to and
// including its last separator ('/' or '\\'); the current directory when the
// path holds none.
void set_data_dir_from_program_path(const char* argv0);
// data_dir() + name.
std::string data_path(const std::string& name);
// The data directory as a full path, for messages.
std::string data_dir_full();

// True when the data directory holds a shop database: the stored
// workorders, the customers or the inventory (VKINVOIC.DAT, VKCSTDAT.DAT,
// VKINVENT.DAT).
bool shop_database_present();
// The start-up check of every program, made as soon as the data directory is
// known and before any file is created or opened for writing: without a shop
// database there, "No shop database in DIR..." and exit status 1, so that a
// program started in the wrong folder makes no empty database there.
void db_require_shop_database();

// The replacement name of a catalog name: the first ".DAT" becomes ".NEW".
std::string replacement_name(const std::string& name);
