// The payroll pass: payroll entries dated before the cut-off go. The
// employees, with their new chain heads, go into the employee file's
// replacement, swapped in together with the new payroll file. It shows no
// status line and no progress mark.
#include <cstdio>
#include <string>

#include "chain_rebuild.h"
#include "db/bytes.h"
#include "db/payroll.h"
#include "db/recfile.h"
#include "out_file.h"
#include "pass_files.h"
#include "read_buffer.h"
#include "prune.h"

PassEnd payroll_pass(PruneRun* run, int32_t cutoff) {
  const std::vector<std::string> names = {kEmployeeFile, kPayrollFile};
  PassFiles files;
  File* employees = pass_open(&files, kEmployeeFile, lock_employees);
  File* payroll = pass_open(&files, kPayrollFile, lock_payroll);
  OutFile employees_out, payroll_out;
  out_begin(&employees_out, pass_open_new(&files, kEmployeeFile, nullptr));
  out_begin(&payroll_out, pass_open_new(&files, kPayrollFile, nullptr));

  ReadBuffer payroll_read(payroll, 0);
  ChainWalk walk;
  chain_setup(&walk, &payroll_read, kPayrollEntrySize, kPayrollNextOffset, kPayrollFile);
  RecordScan scan;
  scan_begin(&scan, employees, kEmployeeRecordSize, kEmployeeFile);
  uint8_t rec[kEmployeeRecordSize];
  int64_t offset = 0;
  bool ok = true;
  while (ok && scan_next(&scan, rec, &offset)) {
    int32_t head = le_get_i32(rec + kEmployeePayrollHeadOffset);
    if (head != -1) {
      char parent[48];
      std::snprintf(parent, sizeof parent, "employee at %lld", static_cast<long long>(offset));
      ok = chain_rebuild(&walk, &payroll_out, &head, parent, [cutoff](uint8_t* entry) {
        return le_get_i32(entry + kPayrollDateOffset) >= cutoff;
      }, false);
      le_put_i32(rec + kEmployeePayrollHeadOffset, head);
    }
    ok = ok && out_append(&employees_out, rec, sizeof rec) >= 0;
  }
  if (ok && scan.stray > 0) {
    ok = out_flush(&employees_out) && scan_copy_stray(&scan, employees_out.file);
    employees_out.size += scan.stray;
  }
  ok = ok && out_finish(&payroll_out) && out_finish(&employees_out);
  if (!ok) return pass_fail(run, &files, names, kWriteErrorText);
  pass_close(&files);
  if (!pass_swap(run, "payroll", names)) return pass_fail(run, &files, names, kWriteErrorText);
  return PassEnd::done;
}
