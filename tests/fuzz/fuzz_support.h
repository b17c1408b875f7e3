// What the fuzz targets share: taking values off the front of an input, a
// file in memory that reads in uneven pieces and fails a chosen read, and a
// console that turns the fatal read error into an exception the target
// catches (the library would end the process there).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/env.h"

namespace fuzz {

// Reports a broken property and stops the run, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz property broken: %s\n", what.c_str());
  std::abort();
}

// The message is a plain text, so that a check in a loop costs no string.
inline void expect(bool ok, const char* what) {
  if (!ok) fail(what);
}

// The input, read from the front: small numbers first, the rest as bytes.
struct Input {
  const uint8_t* p;
  size_t n;
  uint8_t byte() {
    if (n == 0) return 0;
    n--;
    return *p++;
  }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v = v << 8 | byte();
    return v;
  }
  std::vector<uint8_t> rest() {
    std::vector<uint8_t> v(p, p + n);
    p += n;
    n = 0;
    return v;
  }
};

// The fatal read error of the record layer, seen on the console.
struct ReadFatal {};

// A console that throws ReadFatal where the program would end after "File
// read error (bad media)...".
class FatalConsole : public MemoryConsole {
 public:
  void put_text(std::string_view text) override {
    MemoryConsole::put_text(text);
    if (text.find("File read error") != std::string_view::npos) throw ReadFatal{};
  }
};

// A file in memory whose reads return uneven pieces (the piece sizes cycle
// through `pieces`, 0 meaning all that was asked) and whose read call number
// `fail_at` fails (-1: none).
class PieceFile : public File {
 public:
  std::vector<uint8_t> data;
  std::vector<size_t> pieces;
  int64_t fail_at = -1;
  int64_t reads = 0;
  bool failed = false;  // a read has failed

  int64_t read(void* buf, size_t n) override {
    if (reads++ == fail_at) {
      failed = true;
      return -1;
    }
    if (pos >= static_cast<int64_t>(data.size())) return 0;
    size_t piece = pieces.empty() ? 0 : pieces[static_cast<size_t>(reads) % pieces.size()];
    size_t left = data.size() - static_cast<size_t>(pos);
    size_t k = std::min({n, left, piece ? piece : n});
    std::memcpy(buf, data.data() + pos, k);
    pos += static_cast<int64_t>(k);
    return static_cast<int64_t>(k);
  }
  int64_t write(const void* buf, size_t n) override {
    size_t end = static_cast<size_t>(pos) + n;
    if (end > data.size()) data.resize(end, 0);
    std::memcpy(data.data() + pos, buf, n);
    pos = static_cast<int64_t>(end);
    return static_cast<int64_t>(n);
  }
  bool seek(int64_t o) override {
    pos = o;
    return o >= 0;
  }
  int64_t tell() override { return pos; }
  int64_t size() override { return static_cast<int64_t>(data.size()); }
  bool truncate_here() override {
    data.resize(static_cast<size_t>(pos));
    return true;
  }
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::ok; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::ok; }

 private:
  int64_t pos = 0;
};

// Sets the piece sizes and the failing read from the input's front.
inline void shape_reads(Input& in, PieceFile* f) {
  int count = in.byte() % 4;
  for (int i = 0; i < count; i++) f->pieces.push_back(in.byte() % 97);
  uint8_t fail = in.byte();
  f->fail_at = fail < 200 ? -1 : fail - 200;
}

}  // namespace fuzz
