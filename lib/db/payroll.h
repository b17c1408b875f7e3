// Employees ("VKEMPLOY.DAT", 199 bytes) and payroll entries ("VKPAYROL.DAT",
// 303 bytes), as far as the purge uses them: each employee heads a chain of
// payroll entries. The other bytes belong to the shop application and are
// carried unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kEmployeeRecordSize = 199;
constexpr size_t kPayrollEntrySize = 303;

constexpr size_t kEmployeePayrollHeadOffset = 195;
constexpr size_t kPayrollDateOffset = 0;
constexpr size_t kPayrollNextOffset = 299;

struct EmployeeRecord {
  uint8_t data[195];     // 0
  int32_t payroll_head;  // 195: first payroll entry, -1 for none
};

struct PayrollEntry {
  int32_t date;        // 0: day number
  uint8_t data[295];   // 4
  int32_t next;        // 299: next entry of the employee, -1 at the end
};

void employee_decode(const uint8_t* bytes, EmployeeRecord* r);
void employee_encode(const EmployeeRecord& r, uint8_t* bytes);
void payroll_decode(const uint8_t* bytes, PayrollEntry* r);
void payroll_encode(const PayrollEntry& r, uint8_t* bytes);
