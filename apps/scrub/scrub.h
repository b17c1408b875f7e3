// Run-wide state of the cleanup program, shared by its passes. Every pass
// reads the run options; the customer buffer and the matched position tie the
// customer matching to the vehicle links.
#pragma once

#include <cstdint>

#include "db/customer.h"

class File;

// The six switches of the command line.
struct ScrubOptions {
  bool flush = false;             // "/FLUSH": flush rebuilt files as they are written
  bool no_vin = false;            // "/NOVIN": vehicle links ignore the VIN
  bool vehicles = false;          // "/VEHICLES": rebuild the vehicle file from the workorders
  bool replace_customer = false;  // "/REPLACECUST": matched customer replaces the workorder's
  bool verbose = false;           // "/VERBOSE": log every match
  bool receiving_only = false;    // "/RECVONLY": only the receiving rebuild
};

extern ScrubOptions g_opt;

// True when an argument after the program name asks for the usage text:
// "/?", "-?", "-h" or "--help".
bool scrub_help_requested(int argc, const char* const* argv);
// The usage text: the six switches.
void scrub_print_usage();
// The first argument that looks like a switch (it begins with "/" or "-")
// and is none of the six, or null.
const char* scrub_unknown_switch(int argc, const char* const* argv);

// Reads the switches from the arguments after the program name. An argument
// sets a switch when it begins with the switch's text in any letter case;
// anything else is ignored.
void scrub_parse_args(int argc, const char* const* argv, ScrubOptions* o);

// The customer file as scanned (chain heads reset under the vehicle rebuild)
// and, under the vehicle rebuild, the new vehicle file: both are held in
// memory while the workorders are linked and written out whole at the end
// of the open-document pass.
#include <string>
extern std::string g_customer_image;
extern std::string g_vehicle_image;

// The customer record last read from "VKCSTDAT.DAT" and its byte offset.
extern CustomerRecord g_customer;
extern int32_t g_matched_position;

// Reads the customer record at a byte offset of the customer file; false
// when the file holds none there.
bool customer_read(int32_t position, CustomerRecord* r);
// Writes a customer record back at its offset (vehicle rebuild only).
void customer_write(int32_t position, const CustomerRecord& r);
