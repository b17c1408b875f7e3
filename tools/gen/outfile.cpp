#include "outfile.h"

#include <algorithm>
#include <cstring>

namespace {
// Bytes kept in memory before they go to the disk in one write.
constexpr size_t kSpillSize = 8u << 20;
}  // namespace

OutFile::~OutFile() {
  if (fp_) std::fclose(fp_);
}

bool OutFile::create(const std::string& dir, const std::string& name) {
  path_ = dir + name;
  fp_ = std::fopen(path_.c_str(), "wb");
  buf_.clear();
  buf_.reserve(kSpillSize + 65536);
  base_ = pos_ = 0;
  failed_ = fp_ == nullptr;
  return fp_ != nullptr;
}

void OutFile::spill() {
  if (buf_.empty()) return;
  if (fp_ && std::fwrite(buf_.data(), 1, buf_.size(), fp_) != buf_.size()) failed_ = true;
  base_ += static_cast<int64_t>(buf_.size());
  buf_.clear();
}

bool OutFile::finish() {
  if (!fp_) return false;
  spill();
  if (std::fclose(fp_) != 0) failed_ = true;
  fp_ = nullptr;
  return !failed_;
}

void OutFile::append(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
  pos_ = end();
  if (buf_.size() >= kSpillSize) spill();
}

int64_t OutFile::write(const void* data, size_t n) {
  if (pos_ < base_) return -1;  // already on the disk: not written over
  size_t at = static_cast<size_t>(pos_ - base_);
  if (at + n > buf_.size()) buf_.resize(at + n);
  std::memcpy(buf_.data() + at, data, n);
  pos_ += static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

bool OutFile::seek(int64_t offset) {
  if (offset < base_ || offset > end()) return false;
  pos_ = offset;
  return true;
}

bool OutFile::truncate_here() {
  if (pos_ < base_) return false;
  buf_.resize(static_cast<size_t>(pos_ - base_));
  if (buf_.size() >= kSpillSize) spill();
  return true;
}

bool OutFile::flush() {
  spill();
  return fp_ && std::fflush(fp_) == 0 && !failed_;
}

int64_t MemFile::read(void* buf, size_t n) {
  if (pos_ >= size()) return 0;
  size_t k = std::min(n, static_cast<size_t>(size() - pos_));
  std::memcpy(buf, bytes.data() + pos_, k);
  pos_ += static_cast<int64_t>(k);
  return static_cast<int64_t>(k);
}

int64_t MemFile::write(const void* data, size_t n) {
  size_t at = static_cast<size_t>(pos_);
  if (at + n > bytes.size()) bytes.resize(at + n);
  std::memcpy(bytes.data() + at, data, n);
  pos_ += static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

bool MemFile::seek(int64_t offset) {
  if (offset < 0) return false;
  pos_ = offset;
  return true;
}

bool MemFile::truncate_here() {
  bytes.resize(static_cast<size_t>(pos_));
  return true;
}

bool write_whole_file(const std::string& dir, const std::string& name, const void* data,
                      size_t n) {
  std::string path = dir + name;
  std::FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return false;
  bool ok = std::fwrite(data, 1, n, fp) == n;
  if (std::fclose(fp) != 0) ok = false;
  return ok;
}
