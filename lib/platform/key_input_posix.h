// Keys read from a file descriptor (a raw terminal or piped standard input)
// through the KeyDecoder; shared by the terminal and the plain console.
#pragma once

#include <cstdint>

#include "platform/key_decoder.h"

class FdKeyInput {
 public:
  explicit FdKeyInput(int fd) : fd_(fd) {}
  // Does not wait. At the end of the input a key (ESC) is always ready.
  bool key_ready();
  // Waits for a key; at the end of the input returns KEY_ESC and sets ended.
  int read_key();
  // Forgets keys typed ahead on a terminal. Piped input is a script of keys
  // typed one after another, so nothing of it is thrown away.
  void flush();
  bool ended() const { return ended_; }
  // Waits up to ms for input to arrive (returns early when it does).
  void wait(int ms);
  // Called when a signal interrupts a wait for input (the terminal console
  // takes the terminal back there after the program was continued).
  void on_interrupt(void (*hook)(void*), void* context) {
    interrupt_hook_ = hook;
    interrupt_context_ = context;
  }

 private:
  void interrupted() {
    if (interrupt_hook_) interrupt_hook_(interrupt_context_);
  }
  bool fill(int timeout_ms);  // reads what is there; false at the end
  int fd_;
  KeyDecoder decoder_;
  int ready_ = -1;
  bool eof_ = false;
  bool ended_ = false;
  void (*interrupt_hook_)(void*) = nullptr;
  void* interrupt_context_ = nullptr;
};

int64_t posix_monotonic_ms();
