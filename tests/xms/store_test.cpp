#include "xms/store.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "db/catalog.h"
#include "platform/env.h"
#include "xms_fixture.h"

namespace {

using Store = XmsTest;

int chain_length(const XmsBlock* b) {
  int n = 0;
  for (; b; b = b->next) ++n;
  return n;
}

TEST_F(Store, RequestSizesGiveTheirBlocks) {
  XmsBlock* s = XMS_alloc(500);
  EXPECT_EQ(chain_length(s), 1);
  EXPECT_EQ(s->size, 512000u);
  EXPECT_EQ(xms_total_kb, 500u);

  s = XMS_alloc(1500);
  ASSERT_EQ(chain_length(s), 2);
  EXPECT_EQ(s->size, kXmsBlockUnit);
  EXPECT_EQ(s->next->size, kXmsBlockUnit);
  EXPECT_EQ(xms_total_kb, 2048u);
  EXPECT_EQ(xms_capacity(s), 2u * kXmsBlockUnit);
  // The earlier store was released, the reserve given back: the blocks are
  // carved out of one allocation.
  EXPECT_EQ(xms_live_allocations(), 1);
}

TEST_F(Store, AllStopsWhenFreeMemoryReachesTheReserve) {
  // 4 MB reserve + 20 blocks leave exactly 4 MB: the twentieth block is the last.
  g_fake_free = (4 + 20 + 4) << 20;
  for (uint32_t request : {kXmsAll, 0xFFFFFFFFu}) {
    XmsBlock* s = XMS_alloc(request);
    EXPECT_EQ(chain_length(s), 20);
    EXPECT_EQ(xms_total_kb, 20480u);
  }
  // One byte more frees room for a twenty-first.
  g_fake_free = ((4 + 20 + 4) << 20) + 1;
  EXPECT_EQ(chain_length(XMS_alloc(kXmsAll)), 21);
  // Even with no memory to spare the first block is granted.
  g_fake_free = 0;
  EXPECT_EQ(chain_length(XMS_alloc(kXmsAll)), 1);
  EXPECT_EQ(xms_total_kb, 1024u);
}

TEST_F(Store, ZeroRequestFails) {
  EXPECT_EXIT(XMS_alloc(0), ::testing::ExitedWithCode(1), "XMS_alloc failed\\.\\.\\.");
}

// Grants the reserve and single blocks while the allowance lasts; refuses
// the one large allocation the store asks for first.
int g_allowed = 0;
void* limited_calloc(size_t n) {
  if (n > kXmsReserve) return nullptr;
  return g_allowed-- > 0 ? std::calloc(1, n) : nullptr;
}

void sized_free(void* memory, size_t) { std::free(memory); }

TEST_F(Store, RefusedAllocations) {
  xms_set_block_allocator(limited_calloc, sized_free);
  // Reserve refused, then first block refused.
  g_allowed = 0;
  EXPECT_EXIT(XMS_alloc(1024), ::testing::ExitedWithCode(1), "XMS_alloc failed");
  g_allowed = 1;
  EXPECT_EXIT(XMS_alloc(1024), ::testing::ExitedWithCode(1), "XMS_alloc failed");
  // Block by block, a refused block ends the chain with what was granted.
  g_allowed = 1 + 3;
  XmsBlock* s = XMS_alloc(kXmsAll);
  EXPECT_EQ(chain_length(s), 3);
  EXPECT_EQ(xms_total_kb, 3072u);
  EXPECT_EQ(xms_live_allocations(), 3);
  // Block by block the same rules hold as for one allocation.
  g_allowed = 1000;
  g_fake_free = (4 + 20 + 4) << 20;
  EXPECT_EQ(chain_length(XMS_alloc(kXmsAll)), 20);
  EXPECT_EQ(xms_total_kb, 20480u);
  g_allowed = 1000;
  EXPECT_EQ(chain_length(XMS_alloc(1500)), 2);
  xms_exit_handler();
  EXPECT_EQ(xms_live_allocations(), 0);
}

TEST_F(Store, BlocksAreZeroFilled) {
  XmsBlock* s = XMS_alloc(3072);
  std::vector<uint8_t> got(3 * kXmsBlockUnit, 0xAA);
  XMS_copy_down(s, 0, got.data(), got.size());
  EXPECT_EQ(std::vector<uint8_t>(got.size(), 0), got);
}

TEST_F(Store, CopyAcrossTheFirstBlockEndUsesTwoBlocks) {
  XmsBlock* s = XMS_alloc(2048);
  auto* first = static_cast<uint8_t*>(s->memory);
  auto* second = static_cast<uint8_t*>(s->next->memory);
  std::memset(first + kXmsBlockUnit - 64, 'A', 64);
  std::memset(second, 'B', 64);
  uint8_t got[128];
  XMS_copy_down(s, kXmsBlockUnit - 64, got, sizeof got);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 128), std::string(64, 'A') + std::string(64, 'B'));

  uint8_t put[128];
  std::memset(put, 'x', 64);
  std::memset(put + 64, 'y', 64);
  XMS_copy_up(s, put, kXmsBlockUnit - 64, sizeof put);
  EXPECT_EQ(first[kXmsBlockUnit - 1], 'x');
  EXPECT_EQ(second[0], 'y');
  EXPECT_EQ(second[63], 'y');
  EXPECT_EQ(second[64], 0);
}

// Copies and moves of any length and overlap, across any number of blocks,
// against a plain byte array doing the same.
TEST_F(Store, CopiesAndMovesMatchAFlatArray) {
  XmsBlock* s = XMS_alloc(700);  // one odd-sized block first...
  ASSERT_EQ(chain_length(s), 1);
  s = XMS_alloc(5 * 1024);       // ...then five 1 MB blocks
  uint64_t capacity = xms_capacity(s);
  std::vector<uint8_t> model(capacity, 0);
  std::mt19937_64 rng(7);
  std::vector<uint8_t> buf;
  auto pick_range = [&](uint64_t& offset, uint64_t& count) {
    count = rng() % 3 == 0 ? rng() % (3 * kXmsBlockUnit) : rng() % 300;
    offset = rng() % (capacity - count);
    if (rng() % 4 == 0) offset = (rng() % 5 + 1) * kXmsBlockUnit - rng() % 200;  // near a boundary
    if (offset + count > capacity) offset = capacity - count;
  };
  for (int round = 0; round < 300; ++round) {
    uint64_t offset, count;
    pick_range(offset, count);
    int op = static_cast<int>(rng() % 3);
    if (op == 0) {
      buf.resize(count);
      for (auto& b : buf) b = static_cast<uint8_t>(rng());
      XMS_copy_up(s, buf.data(), offset, count);
      std::copy(buf.begin(), buf.end(), model.begin() + offset);
    } else if (op == 1) {
      buf.assign(count, 0);
      XMS_copy_down(s, offset, buf.data(), count);
      ASSERT_TRUE(std::equal(buf.begin(), buf.end(), model.begin() + offset)) << round;
    } else {
      // A destination close to the source, so that the ranges often overlap.
      int64_t shift = static_cast<int64_t>(rng() % 4096) - 2048;
      if (rng() % 3 == 0) shift = static_cast<int64_t>(rng() % capacity) - static_cast<int64_t>(offset);
      int64_t to = static_cast<int64_t>(offset) + shift;
      if (to < 0) to = 0;
      if (static_cast<uint64_t>(to) + count > capacity) to = static_cast<int64_t>(capacity - count);
      XMS_move(s, offset, static_cast<uint64_t>(to), count);
      std::memmove(model.data() + to, model.data() + offset, count);
    }
  }
  buf.assign(capacity, 0);
  XMS_copy_down(s, 0, buf.data(), capacity);
  EXPECT_TRUE(buf == model);
}

TEST_F(Store, RangesBeyondTheStoreEnd) {
  XmsBlock* s = XMS_alloc(2048);
  uint8_t b[16] = {};
  uint64_t cap = xms_capacity(s);
  EXPECT_EXIT(XMS_copy_up(s, b, cap, 1), ::testing::ExitedWithCode(1),
              "\r\nXMS_copy_up failed\\.\\.\\.\\(Beyond XMS allocation\\)\r\n");
  EXPECT_EXIT(XMS_copy_down(s, cap - 8, b, 16), ::testing::ExitedWithCode(1),
              "XMS_copy_down failed\\.\\.\\.\\(Beyond XMS allocation\\)");
  EXPECT_EXIT(XMS_move(s, 0, cap - 8, 16), ::testing::ExitedWithCode(1),
              "XMS_move failed\\.\\.\\.\\(Beyond XMS allocation\\)");
  EXPECT_EXIT(XMS_copy_down(nullptr, 0, b, 1), ::testing::ExitedWithCode(1),
              "XMS_copy_down failed");
  EXPECT_EXIT(xms_copy(s, 3, b, 0, 0, 1), ::testing::ExitedWithCode(1),
              "\r\nBad XMS function\\.\\.\\.\r\n");
  // The last byte itself is inside.
  XMS_copy_up(s, b, cap - 1, 1);
}

// The swap file's name is deleted in the data directory, not in the folder
// the program was started from.
TEST_F(Store, ExitHandlerFreesEverythingAndDeletesTheSwapFileName) {
  char data[] = "/tmp/velk_xms_XXXXXX", started[] = "/tmp/velk_xms_XXXXXX";
  ASSERT_TRUE(mkdtemp(data) && mkdtemp(started));
  Env* e = env();
  std::string old_dir = data_dir(), old_cwd = e->current_dir();
  set_data_dir(std::string(data) + "/");
  ASSERT_EQ(chdir(started), 0);
  for (const char* d : {data, started}) delete e->open_exclusive(std::string(d) + "/UDFILE.DAT");
  XMS_alloc(4096);
  EXPECT_GT(xms_live_allocations(), 0);
  xms_exit_handler();
  EXPECT_EQ(xms_live_allocations(), 0);
  EXPECT_EQ(xms_store(), nullptr);
  EXPECT_EQ(xms_total_kb, 0u);
  EXPECT_FALSE(e->exists(std::string(data) + "/UDFILE.DAT"));
  EXPECT_TRUE(e->exists(std::string(started) + "/UDFILE.DAT"));
  xms_exit_handler();  // nothing left, no file: still fine
  set_data_dir(old_dir);
  EXPECT_EQ(chdir(old_cwd.c_str()), 0);
  std::system(("rm -rf " + std::string(data) + " " + started).c_str());
}

// After a fatal exit the registered handler has run: checked by a hook
// registered before it, which therefore runs after it.
void report_after_exit() {
  std::fprintf(stderr, "live=%d udfile=%d\n", xms_live_allocations(),
               env()->exists(data_path("UDFILE.DAT")) ? 1 : 0);
}

TEST_F(Store, FatalExitRunsTheHandler) {
  EXPECT_EXIT(
      {
        std::atexit(report_after_exit);
        std::atexit(xms_exit_handler);
        delete env()->open_exclusive(data_path("UDFILE.DAT"));
        XmsBlock* s = XMS_alloc(2048);
        uint8_t b = 0;
        XMS_copy_up(s, &b, xms_capacity(s), 1);
      },
      ::testing::ExitedWithCode(1), "live=0 udfile=0");
}

}  // namespace
