#include "support/shop_dir.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

const char kOutputFile[] = ".run-output";

std::vector<char*> argv_of(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

ShopDir::ShopDir() {
  std::string tmpl = (fs::temp_directory_path() / "velk-shop-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(buf.data()) + "/";
}

ShopDir::~ShopDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void ShopDir::install(const std::string& program) {
  fs::copy_file(std::string(VELK_BIN_DIR) + "/" + program, path_ + program,
                fs::copy_options::overwrite_existing);
}

pid_t ShopDir::start(const std::string& program, const std::vector<std::string>& args) {
  std::string exe = path_ + program;
  std::string out = path_ + kOutputFile;
  std::vector<char*> argv = argv_of(exe, args);
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int null_in = open("/dev/null", O_RDONLY);
    if (fd < 0 || null_in < 0) _exit(127);
    dup2(null_in, 0);
    dup2(fd, 1);
    dup2(fd, 2);
    if (chdir(path_.c_str()) != 0) _exit(127);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

RunResult ShopDir::wait(pid_t pid) {
  RunResult r;
  int st = 0;
  if (waitpid(pid, &st, 0) == pid) {
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    if (WIFSIGNALED(st)) r.signal = WTERMSIG(st);
  }
  std::vector<uint8_t> out = read(kOutputFile);
  r.output.assign(out.begin(), out.end());
  std::error_code ec;
  fs::remove(path_ + kOutputFile, ec);
  return r;
}

RunResult ShopDir::run(const std::string& program, const std::vector<std::string>& args) {
  return wait(start(program, args));
}

void ShopDir::generate(uint64_t seed, double scale, bool clean) {
  std::string cmd = std::string(VELK_BIN_DIR) + "/velkgen '" + path_ + "' --quiet --seed " +
                    std::to_string(seed) + " --scale " + std::to_string(scale) +
                    (clean ? " --clean" : "");
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("velkgen failed: " + cmd);
}

void ShopDir::copy_from(const ShopDir& other) {
  for (const std::string& name : other.files())
    fs::copy_file(other.path_ + name, path_ + name, fs::copy_options::overwrite_existing);
}

bool ShopDir::exists(const std::string& name) const { return fs::exists(path_ + name); }

std::vector<uint8_t> ShopDir::read(const std::string& name) const {
  std::ifstream in(path_ + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ShopDir::write(const std::string& name, const void* data, size_t n) {
  std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
  if (!out) throw std::runtime_error("cannot write " + path_ + name);
}

std::vector<std::string> ShopDir::files() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(path_))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::vector<uint8_t>> split_records(const std::vector<uint8_t>& bytes, size_t size) {
  std::vector<std::vector<uint8_t>> out;
  for (size_t at = 0; at + size <= bytes.size(); at += size)
    out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  return out;
}
