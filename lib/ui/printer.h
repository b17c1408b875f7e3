// Printer output: the printer's control codes (kept in the settings
// record), loaded from the printer configuration "VELKPFLT.INI" in the data
// directory, and sending codes and text to an open printer file or device.
#pragma once

#include <cstddef>

#include "ui/settings.h"

class File;

constexpr const char* kPrinterFilterFile = "VELKPFLT.INI";
// The configuration is read into a buffer of this size; a larger file is
// read only as far as the buffer holds (the rest is not seen).
constexpr size_t kPrinterFilterBufferSize = 32767;

// Loads the codes of the printer named in name (a NUL-terminated text in a
// buffer of name_size bytes; trailing blanks are removed, and REMAP may
// replace it) from its section of the configuration into g_settings. An
// empty name, a name with ".", or a missing file change nothing; a missing
// section gives the warning beep. The caller saves the settings to keep them.
void printer_filter_load(char* name, size_t name_size);

// Writes the 16 bytes of a code slot, one byte per write (the zero bytes
// after the code included). False when a write failed.
bool printer_send_code(PrinterCode code, File* printer);
// Writes a text's characters.
bool printer_send_text(const char* text, File* printer);
// Sends the RESET code; with no RESET code configured nothing is sent.
bool printer_reset(File* printer);
