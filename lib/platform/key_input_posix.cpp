#include "platform/key_input_posix.h"

#include <errno.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "platform/console.h"

int64_t posix_monotonic_ms() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits up to timeout_ms (-1: without limit) for bytes and feeds what came.
// Returns false once the input has ended.
bool FdKeyInput::fill(int timeout_ms) {
  if (eof_) return false;
  struct pollfd p{fd_, POLLIN, 0};
  int r = poll(&p, 1, timeout_ms);
  if (r < 0) {
    if (errno != EINTR) return false;
    interrupted();
    return true;
  }
  if (r == 0) return true;
  unsigned char buf[256];
  ssize_t n = ::read(fd_, buf, sizeof buf);
  if (n < 0 && errno == EINTR) {
    interrupted();
    return true;
  }
  if (n < 0 && errno == EAGAIN) return true;
  if (n <= 0) {
    eof_ = true;
    decoder_.end_of_input();
    return false;
  }
  decoder_.feed(buf, static_cast<size_t>(n), posix_monotonic_ms());
  return true;
}

bool FdKeyInput::key_ready() {
  if (ready_ >= 0 || ended_) return true;
  fill(0);
  ready_ = decoder_.next(posix_monotonic_ms());
  if (ready_ >= 0) return true;
  return eof_ && !decoder_.pending();
}

int FdKeyInput::read_key() {
  for (;;) {
    if (ready_ >= 0) {
      int k = ready_;
      ready_ = -1;
      return k;
    }
    ready_ = decoder_.next(posix_monotonic_ms());
    if (ready_ >= 0) continue;
    if (eof_ && !decoder_.pending()) {
      ended_ = true;
      return KEY_ESC;
    }
    fill(decoder_.pending() ? decoder_.wait_ms(posix_monotonic_ms()) : -1);
  }
}

void FdKeyInput::flush() {
  if (!isatty(fd_)) return;
  tcflush(fd_, TCIFLUSH);
  ready_ = -1;
  decoder_ = KeyDecoder();
}

void FdKeyInput::wait(int ms) {
  if (ms <= 0) return;
  if (ready_ >= 0 || eof_ || decoder_.pending()) {
    // A key is there already, or input has ended: pause without polling the
    // descriptor (which would report ready at once and spin).
    struct timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
    return;
  }
  struct pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, ms) < 0 && errno == EINTR) interrupted();
}
