// A data file written front to back through one large memory buffer, so a
// database of millions of records costs a few hundred large writes. It is
// also a File, so the library's document writers (which seek to an offset,
// write a whole document and cut the file there) write straight into it;
// only the part not yet flushed can be written over.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/env.h"

class OutFile : public File {
 public:
  OutFile() = default;
  ~OutFile() override;
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  // Creates (or empties) dir + name. False when it cannot.
  bool create(const std::string& dir, const std::string& name);
  // Flushes and closes; false when any write failed on the way.
  bool finish();
  bool is_open() const { return fp_ != nullptr; }
  const std::string& path() const { return path_; }

  // Appends bytes at the end (the usual way of writing records).
  void append(const void* data, size_t n);
  // The offset the next appended byte gets.
  int64_t end() const { return base_ + static_cast<int64_t>(buf_.size()); }

  // File interface, for the document writers.
  int64_t read(void*, size_t) override { return -1; }
  int64_t write(const void* data, size_t n) override;
  bool seek(int64_t offset) override;
  int64_t tell() override { return pos_; }
  int64_t size() override { return end(); }
  bool truncate_here() override;
  bool flush() override;
  LockResult lock(int64_t, int64_t) override { return LockResult::not_supported; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::not_supported; }

 private:
  void spill();

  std::FILE* fp_ = nullptr;
  std::string path_;
  std::vector<uint8_t> buf_;  // bytes from base_ on, not yet written
  int64_t base_ = 0;          // file offset of buf_[0]
  int64_t pos_ = 0;           // position of the File interface
  bool failed_ = false;
};

// A File held wholly in memory: a document is written into it with the
// library's writer, possibly altered, and then appended to its real file.
class MemFile : public File {
 public:
  std::vector<uint8_t> bytes;

  int64_t read(void* buf, size_t n) override;
  int64_t write(const void* data, size_t n) override;
  bool seek(int64_t offset) override;
  int64_t tell() override { return pos_; }
  int64_t size() override { return static_cast<int64_t>(bytes.size()); }
  bool truncate_here() override;
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::not_supported; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::not_supported; }
  void clear() { bytes.clear(); pos_ = 0; }

 private:
  int64_t pos_ = 0;
};

// Writes a whole small file (an open document, the settings record) at once.
bool write_whole_file(const std::string& dir, const std::string& name, const void* data,
                      size_t n);
