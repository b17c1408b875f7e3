// The Env in use: the system's own unless a test installed another.
#include "platform/env.h"

// Defined by the platform's implementation (env_posix.cpp here).
Env* env_system();

static Env* g_env = nullptr;

Env* env() { return g_env ? g_env : env_system(); }

Env* env_set(Env* e) {
  Env* old = env();
  g_env = e;
  return old;
}

Env* env_default() { return env_system(); }

// An Env of a test that leaves these out has the system's own.
OpenFailure Env::open_failure() { return env_system()->open_failure(); }

DirLock* Env::lock_dir(const std::string& dir, LockResult* result) {
  return env_system()->lock_dir(dir, result);
}
