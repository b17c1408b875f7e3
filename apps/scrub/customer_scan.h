// The customer scan: the customer index "VKCSTTAG.DAT" and the lookup table
// are rebuilt from "VKCSTDAT.DAT". With the vehicle rebuild the customer file
// is copied to "VKCSTDAT.NEW" with every vehicle chain head reset, and the
// vehicles are linked into that copy and a fresh "VKVEHICL.NEW"; both are
// swapped in with the workorder files.
#pragma once

// Opens the customer and vehicle files, creates the lookup table (fatal when
// it cannot be allocated) and scans the customers.
void customer_scan();
// Closes the customer and vehicle files at the end of the open-document pass.
void customer_files_close();
// The ".DAT" names of the files the customer pass leaves to be swapped in with
// the workorder files (none without the vehicle rebuild).
bool customer_files_pending();
