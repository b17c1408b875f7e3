// Runs a program under a tracer that counts the system calls that can change
// files (writes to files, truncations, renames, removals, new directories,
// opens for writing, flushes) and can kill the program with SIGKILL just
// before the k-th of them takes effect. The same program on the same files
// makes the same calls in the same order, so "killed at call k" names one
// point of a run again and again, in a plain or a sanitized build alike.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TracedRun {
  int status = -1;        // exit status; -1 when the program did not exit
  int signal = 0;         // the signal that ended it (SIGKILL when killed)
  int64_t changes = 0;    // file-changing calls seen (the one killed at included)
  bool killed = false;    // stopped by the tracer at the requested call
  std::string killed_call;  // the call it was killed (or held) at, e.g. "unlink W0000012.DKT"
  // The changes that removed an open document file ("W*.DKT", "I*.DKT" of
  // the data directory), by their count among the changes (from 1).
  std::vector<int64_t> document_removals;
  std::string output;     // stdout and stderr
  std::string error;      // set when the tracer itself failed
};

// True when this machine lets a test trace its child with a system-call
// filter (x86-64 Linux, ptrace allowed); otherwise *why says what is missing.
bool tracing_available(std::string* why);

// Runs dir + program with the arguments from dir, the input bytes on its
// standard input (closed after them). kill_at 0 lets it run to its end;
// kill_at k kills it at the k-th file-changing call, before that call runs.
// With at_call given it is not killed there but held stopped, before the
// call runs, while at_call runs (another program tried beside it, say); then
// it goes on to its end.
TracedRun traced_run(const std::string& dir, const std::string& program,
                     const std::vector<std::string>& args, const std::string& input,
                     int64_t kill_at, const std::function<void()>& at_call = {});
