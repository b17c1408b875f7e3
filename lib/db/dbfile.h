// Opening, locking, flushing and unlocking data files. Every hard failure of
// this layer shows its message on the bottom line and ends the program with
// exit status 1.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"

struct LockDescriptor {
  int32_t start;
  int32_t length;
  const char* kind;  // kind word of a record lock ("Inventory"), null for whole-file kinds
  int32_t record_length;  // region of a record kind (344, 317, 61440; 0 for vendor: size + 4096)
};

extern LockDescriptor lock_settings, lock_workorder_index, lock_inventory_index, lock_inventory,
    lock_inventory_2, lock_purchase_index, lock_purchase_order, lock_open_purchases,
    lock_workorder, lock_workorder_2, lock_open_workorders, lock_customer_index, lock_receiving,
    lock_vendor, lock_customer, lock_usage, lock_payroll, lock_employees, lock_vehicles,
    lock_replacement;

// Takes the run lock of the data directory and keeps it until the program
// ends, so one program at a time works on a shop database: called once the
// data directory is known and before anything in it is touched (no journal
// rolled forward, no file opened). While another program holds it the run
// ends at once with "Shop database in use by another VELK program..." and
// exit 1, nothing changed. The system releases it when the program ends,
// however it ends; nothing is left in the directory.
void db_lock_data_dir();

// Opens a data file for exclusive reading and writing, creating it when
// missing. With relative set the path is data_dir() + name. A failure names
// the file and the reason on the console, then shows "File open error...
// (SHARE needs to be loaded...)" and exits 1.
File* db_open(const std::string& name, bool relative);
// Flushes; "File commit error..." and exit 1 on failure.
void db_commit(File* f);
// Mode 2 locks the descriptor's region at the file's current position, mode 0
// unlocks the stored region. Returns 0 when locked (or locking is not
// available), 1 when the user gave up waiting or the wait ended in an error.
int db_lock(File* f, int mode, LockDescriptor* d);
int db_unlock(File* f, LockDescriptor* d);
// Locks, repeating until the lock is granted.
void db_lock_retry(File* f, LockDescriptor* d);
// Closes a handle (null is allowed).
void db_close(File* f);
