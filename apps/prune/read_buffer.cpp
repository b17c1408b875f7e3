#include "read_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The window of a sequential reader, and the most a whole-file window takes.
constexpr size_t kSmallWindow = 1u << 20;
constexpr int64_t kLargestWhole = int64_t{1} << 31;

}  // namespace

ReadBuffer::ReadBuffer(File* base, size_t window) : base_(base), size_(base->size()) {
  if (size_ < 0) size_ = 0;
  if (window == 0 && size_ > 0 && size_ <= kLargestWhole) {
    buf_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size_)]);
    if (buf_) {
      window_ = static_cast<size_t>(size_);
      whole_ = true;
      return;
    }
  }
  // A file too large for memory is walked through the small window.
  window_ = window == 0 ? kSmallWindow : window;
  buf_.reset(new (std::nothrow) uint8_t[window_]);
  if (!buf_) window_ = 0;  // every read then goes to the file itself
}

bool ReadBuffer::seek(int64_t offset) {
  if (offset < 0) return false;
  pos_ = offset;
  return true;
}

bool ReadBuffer::fill() {
  start_ = whole_ ? 0 : pos_;
  len_ = 0;
  if (!base_->seek(start_)) return false;
  while (len_ < window_) {
    int64_t n = base_->read(buf_.get() + len_, window_ - len_);
    if (n < 0) return false;
    if (n == 0) break;
    len_ += static_cast<size_t>(n);
  }
  return true;
}

int64_t ReadBuffer::read(void* out, size_t n) {
  if (window_ == 0) {
    if (!base_->seek(pos_)) return -1;
    int64_t got = base_->read(out, n);
    if (got > 0) pos_ += got;
    return got;
  }
  // Like a read of the file itself, the read is whole unless the file ends:
  // a read that crosses the end of the window goes on in the next one.
  uint8_t* to = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < n && pos_ < size_) {
    if (pos_ < start_ || pos_ >= start_ + static_cast<int64_t>(len_)) {
      if (!fill()) return -1;
      if (pos_ >= start_ + static_cast<int64_t>(len_)) break;
    }
    size_t at = static_cast<size_t>(pos_ - start_);
    size_t count = std::min(n - done, len_ - at);
    std::memcpy(to + done, buf_.get() + at, count);
    done += count;
    pos_ += static_cast<int64_t>(count);
  }
  return static_cast<int64_t>(done);
}
