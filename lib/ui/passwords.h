// The shop's passwords ("VKPASSWD.DAT", 252 bytes: twelve slots of 21
// bytes, each a password of up to 20 characters, NUL-terminated and
// zero-filled; an empty slot means that area has no password), the prompt
// that asks for one and the "System Passwords" screen.
#pragma once

#include <cstddef>
#include <cstdint>

class File;

constexpr size_t kPasswordRecordSize = 252;
constexpr int kPasswordSlots = 12;
constexpr size_t kPasswordSlotSize = 21;
constexpr int kPasswordMaxLength = 20;

// Slots by area; slot 9 is not used (written as zeros).
enum PasswordSlot {
  PW_WORKORDER, PW_INVENTORY, PW_PURCHASE_ORDER, PW_CUSTOMER, PW_EMPLOYEE, PW_VENDOR,
  PW_REPORTING, PW_PAYROLL, PW_SYSTEM, PW_UNUSED, PW_PASSWORD, PW_EDIT_MENU,
};

struct PasswordRecord {
  char slot[kPasswordSlots][kPasswordSlotSize];
};

void passwords_decode(const uint8_t* bytes, PasswordRecord* p);
void passwords_encode(const PasswordRecord& p, uint8_t* bytes);

// The record in memory.
extern PasswordRecord g_passwords;

// Opens "VKPASSWD.DAT" in the data directory (created when missing), locks
// it with the settings region and reads the record; what the file does not
// hold reads as zeros. Returns the still-locked file.
File* passwords_load();
// Writes the record at offset 0, sets the end of the file there, flushes,
// unlocks and closes the file, then marks it hidden (owner-only).
void passwords_save(File* f);

// Asks for the password of an area ("Input the %s password then <ENTER> : ")
// and compares it with the slot as it is in the file now. Every key read is
// echoed as one "*"; Backspace and Delete take the last key back with its
// star, other cursor and function keys do nothing. Enter makes the one
// attempt: KEY_F10 for the right password, KEY_ESC with a warning beep for a
// wrong one. ESC gives up (KEY_ESC).
int password_prompt(const char* area, int slot);

// The "System Passwords" screen: guarded by the "Password Password" slot
// when it is set; edits slots 0 to 8, 10 and 11 and saves the file.
void passwords_screen();
