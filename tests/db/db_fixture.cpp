#include "db_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "db/catalog.h"
#include "ui/dates.h"
#include "ui/settings.h"

void DbTest::SetUp() {
  char tmpl[] = "/tmp/velkdb-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir_ = std::string(tmpl) + "/";
  set_data_dir(dir_);
  old_console_ = console_set(&con_);
  settings_defaults(ProgramKind::tally);
  today_set(729770);
}

void DbTest::TearDown() {
  console_set(old_console_);
  std::filesystem::remove_all(dir_);
  set_data_dir("");
}

void DbTest::write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void DbTest::write_file(const std::string& name, const std::string& text) {
  write_file(name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> DbTest::read_file(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool DbTest::exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

int64_t MemFile::read(void* buf, size_t n) {
  if (fail_reads_from >= 0 && pos + static_cast<int64_t>(n) > fail_reads_from) return -1;
  int64_t left = size() - pos;
  if (left <= 0) return 0;
  size_t k = std::min(n, static_cast<size_t>(left));
  std::memcpy(buf, data.data() + pos, k);
  pos += static_cast<int64_t>(k);
  return static_cast<int64_t>(k);
}

int64_t MemFile::write(const void* buf, size_t n) {
  size_t k = n;
  if (write_room >= 0 && static_cast<int64_t>(k) > write_room) k = static_cast<size_t>(write_room);
  if (write_room >= 0) write_room -= static_cast<int64_t>(k);
  size_t end = static_cast<size_t>(pos) + k;
  if (data.size() < end) data.resize(end, 0);
  std::memcpy(data.data() + pos, buf, k);
  pos += static_cast<int64_t>(k);
  return static_cast<int64_t>(k);
}

void WaitConsole::idle(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

void Helper::wait_ready() {
  char c;
  ASSERT_EQ(::read(from_child, &c, 1), 1);
}

void Helper::release() {
  if (to_child >= 0) {
    char c = 'g';
    (void)!::write(to_child, &c, 1);
    ::close(to_child);
    to_child = -1;
  }
}

int Helper::wait_exit() {
  release();
  int status = 0;
  waitpid(pid, &status, 0);
  ::close(from_child);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Helper start_helper(const std::function<void(int ready_fd, int go_fd)>& body) {
  int up[2], down[2];
  Helper h;
  signal(SIGPIPE, SIG_IGN);  // a helper that ended already just misses the parent's byte
  if (pipe(up) != 0 || pipe(down) != 0) return h;
  h.pid = fork();
  if (h.pid == 0) {
    ::close(up[0]);
    ::close(down[1]);
    body(up[1], down[0]);
    _exit(0);
  }
  ::close(up[1]);
  ::close(down[0]);
  h.from_child = up[0];
  h.to_child = down[1];
  return h;
}

int raw_lock(const std::string& path, int64_t start, int64_t length) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  struct flock fl{};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  if (fcntl(fd, F_OFD_SETLK, &fl) != 0) return -1;
  return fd;
}

std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}
