// A data directory of its own per test, an in-memory console and the
// built-in settings; plus helpers to run a second process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/env.h"

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string path(const std::string& name) const { return dir_ + name; }
  void write_file(const std::string& name, const std::vector<uint8_t>& bytes);
  void write_file(const std::string& name, const std::string& text);
  std::vector<uint8_t> read_file(const std::string& name) const;
  bool exists(const std::string& name) const;

  std::string dir_;  // ends in '/'
  MemoryConsole con_;
  Console* old_console_ = nullptr;
};

// A console whose keyboard is a plain queue that stays empty (not ended)
// once used up, and whose idle really waits: for waits that another process
// ends.
class WaitConsole : public MemoryConsole {
 public:
  std::vector<int> keys;
  size_t next = 0;
  bool key_ready() override { return next < keys.size(); }
  int read_key() override { return next < keys.size() ? keys[next++] : KEY_ESC; }
  void flush_keys() override { next = keys.size(); }
  void idle(int ms) override;
};

// A file in memory, with faults on request: reads fail from a given offset
// on, writes stop after a given number of bytes (a full disk).
class MemFile : public File {
 public:
  std::vector<uint8_t> data;
  int64_t pos = 0;
  int64_t fail_reads_from = -1;  // -1: reads never fail
  int64_t write_room = -1;       // -1: no limit
  int64_t read(void* buf, size_t n) override;
  int64_t write(const void* buf, size_t n) override;
  bool seek(int64_t o) override { pos = o; return o >= 0; }
  int64_t tell() override { return pos; }
  int64_t size() override { return static_cast<int64_t>(data.size()); }
  bool truncate_here() override { data.resize(static_cast<size_t>(pos)); return true; }
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::ok; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::ok; }
};

// A second process: runs body in a child and returns a handle to talk to it.
// The child writes one byte to say it is ready, then waits for the parent's
// byte (or end of the pipe) before it exits.
struct Helper {
  int pid = -1;
  int to_child = -1;    // the parent writes here to let the child go on
  int from_child = -1;  // the child writes here when it is ready
  void wait_ready();
  void release();      // lets the child end
  int wait_exit();     // exit status
};
Helper start_helper(const std::function<void(int ready_fd, int go_fd)>& body);

// In a child: takes a byte-range lock as another program would (its own
// descriptor, no exclusive open).
int raw_lock(const std::string& path, int64_t start, int64_t length);

// Bytes 0, 1, 2, ... of a given length (a pattern that shows any shift).
std::vector<uint8_t> pattern(size_t n, uint8_t seed = 1);
