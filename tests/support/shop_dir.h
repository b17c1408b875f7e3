// A scratch shop data directory for end-to-end tests: programs are copied
// into it (a program's data directory is its own directory), run there with
// their output captured, and the files they leave are read back.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
  int status = -1;     // exit status; -1 when the program did not exit normally
  int signal = 0;      // the signal that ended it, if one did
  std::string output;  // stdout and stderr together
};

class ShopDir {
 public:
  ShopDir();  // a new empty directory below the system's temporary directory
  ~ShopDir();
  ShopDir(const ShopDir&) = delete;
  ShopDir& operator=(const ShopDir&) = delete;

  // The directory, ending in '/'.
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }

  // Copies a program of the build (VELK_BIN_DIR) into the directory.
  void install(const std::string& program);
  // Runs a program installed here with the arguments; waits for it.
  RunResult run(const std::string& program, const std::vector<std::string>& args = {});
  // Starts it without waiting; its output goes to a file in the directory.
  pid_t start(const std::string& program, const std::vector<std::string>& args = {});
  // Waits for a started program.
  RunResult wait(pid_t pid);
  // Fills the directory with a generated sample database.
  void generate(uint64_t seed, double scale, bool clean = false);
  // Copies every file of another shop directory into this one.
  void copy_from(const ShopDir& other);

  bool exists(const std::string& name) const;
  std::vector<uint8_t> read(const std::string& name) const;
  void write(const std::string& name, const void* data, size_t n);
  void write(const std::string& name, const std::vector<uint8_t>& bytes) {
    write(name, bytes.data(), bytes.size());
  }
  void write(const std::string& name, const std::string& text) {
    write(name, text.data(), text.size());
  }
  // Names of the regular files, sorted.
  std::vector<std::string> files() const;

 private:
  std::string path_;
};

// Splits a file into records of a fixed size (a stray tail is dropped).
std::vector<std::vector<uint8_t>> split_records(const std::vector<uint8_t>& bytes, size_t size);
