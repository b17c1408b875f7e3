#include "crash/traced_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && defined(__linux__)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#define VELK_CAN_TRACE 1
#endif

#ifdef VELK_CAN_TRACE

namespace {

// The calls that can change what the data directory holds. Flushes are left
// out: a killed process loses nothing that a flush would have kept.
const long kChangingCalls[] = {
    SYS_write,    SYS_pwrite64,  SYS_writev,    SYS_pwritev,  SYS_pwritev2, SYS_ftruncate,
    SYS_truncate, SYS_rename,    SYS_renameat,  SYS_renameat2, SYS_unlink,  SYS_unlinkat,
    SYS_rmdir,    SYS_mkdir,     SYS_mkdirat,   SYS_open,     SYS_openat,   SYS_creat,
    SYS_link,     SYS_linkat,    SYS_fallocate, SYS_copy_file_range, SYS_sendfile};

// Stops the process at each of those calls (for the tracer to look at) and
// lets every other call through untouched.
bool install_filter() {
  std::vector<sock_filter> code;
  code.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
  code.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0));
  code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  code.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
  for (long nr : kChangingCalls) {
    code.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(nr), 0, 1));
    code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRACE));
  }
  code.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  sock_fprog prog{static_cast<unsigned short>(code.size()), code.data()};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

// Whether a stopped call changes files: writes to the console (descriptors
// 0 to 2) and opens that neither create nor truncate do not.
bool changes_files(const user_regs_struct& r) {
  long nr = static_cast<long>(r.orig_rax);
  switch (nr) {
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_pwritev2:
      return static_cast<long>(r.rdi) > 2;
    case SYS_open:
      return (r.rsi & (O_CREAT | O_TRUNC)) != 0;
    case SYS_openat:
      return (r.rdx & (O_CREAT | O_TRUNC)) != 0;
    default:
      return true;
  }
}

// A text argument of a stopped call, read from the process's memory.
std::string text_arg(pid_t pid, unsigned long long addr) {
  std::string s;
  while (s.size() < 4096) {
    errno = 0;
    long word = ptrace(PTRACE_PEEKDATA, pid, reinterpret_cast<void*>(addr + s.size()), nullptr);
    if (errno != 0) break;
    const char* bytes = reinterpret_cast<const char*>(&word);
    for (size_t i = 0; i < sizeof word; i++) {
      if (bytes[i] == '\0') return s;
      s += bytes[i];
    }
  }
  return s;
}

std::string fd_name(pid_t pid, unsigned long long fd) {
  char link[64], target[4096];
  std::snprintf(link, sizeof link, "/proc/%d/fd/%llu", static_cast<int>(pid), fd);
  ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : "fd " + std::to_string(fd);
}

// What a stopped call does, for the messages of a test that failed there.
std::string describe(pid_t pid, const user_regs_struct& r) {
  switch (static_cast<long>(r.orig_rax)) {
    case SYS_write: case SYS_pwrite64: case SYS_writev: case SYS_pwritev: case SYS_pwritev2:
      return "write to " + fd_name(pid, r.rdi);
    case SYS_ftruncate: return "truncate " + fd_name(pid, r.rdi);
    case SYS_fallocate: return "allocate " + fd_name(pid, r.rdi);
    case SYS_open: case SYS_creat: return "create " + text_arg(pid, r.rdi);
    case SYS_openat: return "create " + text_arg(pid, r.rsi);
    case SYS_unlink: case SYS_rmdir: return "remove " + text_arg(pid, r.rdi);
    case SYS_unlinkat: return "remove " + text_arg(pid, r.rsi);
    case SYS_rename: return "rename " + text_arg(pid, r.rdi) + " to " + text_arg(pid, r.rsi);
    case SYS_renameat: case SYS_renameat2:
      return "rename " + text_arg(pid, r.rsi) + " to " + text_arg(pid, r.r10);
    case SYS_mkdir: return "make directory " + text_arg(pid, r.rdi);
    case SYS_mkdirat: return "make directory " + text_arg(pid, r.rsi);
    default: return "system call " + std::to_string(r.orig_rax);
  }
}

// Whether a stopped call removes an open document file: a name ending in
// ".DKT" outside the folder of saved copies.
bool removes_document(pid_t pid, const user_regs_struct& r) {
  std::string path;
  switch (static_cast<long>(r.orig_rax)) {
    case SYS_unlink: path = text_arg(pid, r.rdi); break;
    case SYS_unlinkat: path = text_arg(pid, r.rsi); break;
    default: return false;
  }
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".DKT") == 0 &&
         path.find("DELETED") == std::string::npos;
}

std::string read_all(FILE* f) {
  std::string out;
  std::rewind(f);
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  return out;
}

}  // namespace

TracedRun traced_run(const std::string& dir, const std::string& program,
                     const std::vector<std::string>& args, const std::string& input,
                     int64_t kill_at, const std::function<void()>& at_call) {
  TracedRun run;
  std::string exe = dir + program;
  std::vector<char*> argv{const_cast<char*>(exe.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The sanitizer's leak check at exit would trace the process itself, which
  // a traced process cannot allow; leaks are the other tests' business.
  std::string asan = "detect_leaks=0";
  if (const char* old = std::getenv("ASAN_OPTIONS")) asan = std::string(old) + ":" + asan;

  FILE* out = std::tmpfile();
  int in[2];
  if (!out || pipe(in) != 0) {
    run.error = "no output file or input pipe";
    if (out) std::fclose(out);
    return run;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(fileno(out), 1);
    dup2(fileno(out), 2);
    close(in[0]);
    close(in[1]);
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    if (chdir(dir.c_str()) != 0) _exit(126);
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(125);
    raise(SIGSTOP);  // the tracer sets its options here
    if (!install_filter()) _exit(124);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  if (pid < 0) {
    close(in[1]);
    std::fclose(out);
    run.error = "fork failed";
    return run;
  }
  // The input is small (a few keys): it fits the pipe.
  if (!input.empty() && write(in[1], input.data(), input.size()) != (ssize_t)input.size())
    run.error = "input not written";
  close(in[1]);

  int st = 0;
  if (waitpid(pid, &st, 0) != pid || !WIFSTOPPED(st)) {
    run.error = "the child did not stop for the tracer";
  } else {
    ptrace(PTRACE_SETOPTIONS, pid, nullptr,
           PTRACE_O_TRACESECCOMP | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    for (;;) {
      if (waitpid(pid, &st, 0) != pid) {
        run.error = "waitpid failed";
        kill(pid, SIGKILL);
        waitpid(pid, &st, 0);
        break;
      }
      if (WIFEXITED(st)) {
        run.status = WEXITSTATUS(st);
        break;
      }
      if (WIFSIGNALED(st)) {
        run.signal = WTERMSIG(st);
        break;
      }
      int event = st >> 16;
      long deliver = 0;
      if (event == PTRACE_EVENT_SECCOMP) {
        user_regs_struct regs{};
        ptrace(PTRACE_GETREGS, pid, nullptr, &regs);
        if (changes_files(regs) && ++run.changes == kill_at) {
          run.killed_call = describe(pid, regs);
          if (at_call) {
            at_call();  // the program waits in the stop until it is let go on
          } else {
            run.killed = true;
            kill(pid, SIGKILL);  // it dies before the call runs
            continue;
          }
        }
        if (changes_files(regs) && removes_document(pid, regs))
          run.document_removals.push_back(run.changes);
      } else if (event == 0 && WSTOPSIG(st) != SIGTRAP) {
        deliver = WSTOPSIG(st);  // a signal of the program's own
      }
      ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(deliver));
    }
  }
  if (run.status == 124 || run.status == 125) run.error = "the call filter or tracing was refused";
  run.output = read_all(out);
  std::fclose(out);
  return run;
}

bool tracing_available(std::string* why) {
  TracedRun r = traced_run("/bin/", "true", {}, "", 0);
  if (r.status == 0 && r.error.empty()) return true;
  *why = "tracing a child is not allowed here: " +
         (r.error.empty() ? "exit status " + std::to_string(r.status) : r.error);
  return false;
}

#else

TracedRun traced_run(const std::string&, const std::string&, const std::vector<std::string>&,
                     const std::string&, int64_t, const std::function<void()>&) {
  TracedRun run;
  run.error = "tracing needs x86-64 Linux";
  return run;
}

bool tracing_available(std::string* why) {
  *why = "the kill points are counted by tracing system calls, which this test does on "
         "x86-64 Linux only";
  return false;
}

#endif
