// Reading an old data file through a large window of its bytes in memory.
// The document reader goes back to the start of the next document after
// every document, and the chain walks jump from record to record all over
// the child file; through the file itself each step would cost system calls.
// A window as large as the whole file serves the chain walks from memory;
// a smaller one serves the documents read one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/env.h"

class ReadBuffer : public File {
 public:
  // Reads base (which stays owned by the caller) through a window of
  // window bytes; 0 asks for the whole file, or as much of it as memory
  // gives.
  ReadBuffer(File* base, size_t window);

  int64_t read(void* buf, size_t n) override;
  int64_t write(const void*, size_t) override { return -1; }  // old files are only read
  bool seek(int64_t offset) override;
  int64_t tell() override { return pos_; }
  int64_t size() override { return size_; }
  bool truncate_here() override { return false; }
  bool flush() override { return true; }
  LockResult lock(int64_t start, int64_t length) override { return base_->lock(start, length); }
  LockResult unlock(int64_t start, int64_t length) override {
    return base_->unlock(start, length);
  }

 private:
  // Loads the window at the position; false on a read error.
  bool fill();
  File* base_;
  std::unique_ptr<uint8_t[]> buf_;
  size_t window_ = 0;
  size_t len_ = 0;     // bytes of the window that hold file data
  bool whole_ = false; // the window holds the whole file from offset 0
  int64_t size_;
  int64_t start_ = 0;  // file offset of buf_[0]
  int64_t pos_ = 0;
};
