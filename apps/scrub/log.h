// The cleanup log "VELKSCRB.LOG" in the current directory: every entry opens
// the file for appending, writes one line and closes it again, so the log is
// complete up to the last entry whatever happens to the run.
#pragma once

constexpr const char* kScrubLogName = "VELKSCRB.LOG";

void scrub_log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Deletes the log of an earlier run.
void scrub_log_delete();
// One line on the console and the same line in the log (without the line
// ends it may begin with on the console).
void report(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
