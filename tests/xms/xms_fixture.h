// Shared set-up of the store and table tests: an in-memory console that also
// echoes its text to stderr (so death tests can match the messages a dying
// program shows), a fixed free-memory figure, and a store released after
// each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "xms/store.h"

class EchoConsole : public MemoryConsole {
 public:
  void put_text(std::string_view text) override {
    MemoryConsole::put_text(text);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  }
};

// The free physical memory the tests pretend the machine has.
inline uint64_t g_fake_free = 0;
inline uint64_t fake_free_memory() { return g_fake_free; }

class XmsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    old_console_ = console_set(&con_);
    g_fake_free = 64ull << 20;
    xms_set_memory_source(fake_free_memory);
  }
  void TearDown() override {
    xms_exit_handler();
    xms_set_memory_source(nullptr);
    xms_set_block_allocator(nullptr, nullptr);
    console_set(old_console_);
  }
  EchoConsole con_;
  Console* old_console_ = nullptr;
};
