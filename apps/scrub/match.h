// Matching a workorder's customer block to one record of "VKCSTDAT.DAT": by
// number first (accepted when the names, a phone, the last name, the first
// name or the spouse name agree), else by a name search and a phone search
// over the lookup table.
#pragma once

#include <cstdint>

#include "customer_table.h"
#include "db/customer.h"

// The lookup table, from the customer scan to the end of the workorder index
// rebuild.
extern CustomerTable* g_customer_table;

// Matches the customer block of workorder wo_number. Returns 1 when a
// customer record was found and loaded into g_customer (its offset in
// g_matched_position), 0 otherwise. Logs the way it matched (verbose only)
// or that the customer is not matchable (always, and on the console).
int match_customer_block(uint32_t wo_number, const CustomerRecord& block);

struct Workorder;

// The match of one workorder of the index rebuild: on a match its vehicle is
// linked (vehicle rebuild; only when link_vehicle is set) and, with the
// replace-customer option, the matched customer replaces its customer
// block. Returns whether it was matched (g_customer holds the match).
bool match_workorder(Workorder* wo, bool link_vehicle);
