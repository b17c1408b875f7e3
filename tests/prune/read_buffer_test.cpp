// Reading an old file through a window: every read is whole unless the file
// ends, wherever the window's edges fall.
#include <memory>

#include "prune_fixture.h"
#include "read_buffer.h"

namespace {

TEST(ReadBufferTest, ReadsAcrossWindowEdgesAreWhole) {
  ShopDir dir;
  std::string bytes;
  for (int i = 0; i < 5000; i++) bytes += static_cast<char>('A' + i % 26);
  dir.write("F.DAT", bytes);
  std::unique_ptr<File> f(env()->open_exclusive(dir.file("F.DAT")));
  for (size_t window : {size_t{0}, size_t{1000}, size_t{7}}) {
    ReadBuffer r(f.get(), window);
    EXPECT_EQ(r.size(), 5000);
    for (int64_t at : {0, 995, 1999, 4990, 3}) {
      ASSERT_TRUE(r.seek(at));
      char buf[2048];
      int64_t want = std::min<int64_t>(2048, 5000 - at);
      ASSERT_EQ(r.read(buf, sizeof buf), want) << window << " at " << at;
      EXPECT_EQ(std::string(buf, static_cast<size_t>(want)), bytes.substr(static_cast<size_t>(at), static_cast<size_t>(want)));
      EXPECT_EQ(r.tell(), at + want);
    }
    EXPECT_EQ(r.read(nullptr, 0), 0);
    r.seek(6000);
    char c;
    EXPECT_EQ(r.read(&c, 1), 0);
  }
}

}  // namespace
