#include "xms/table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "platform/env.h"
#include "xms_fixture.h"

namespace {

constexpr int kStock = kTableStockEntry;
constexpr int kNumber = kTableNumberEntry;

using Entry = std::vector<uint8_t>;

Entry stock_entry(const std::string& stock, uint8_t fill = 0) {
  Entry e(kStock, fill);
  std::memset(e.data(), 0, 21);
  std::memcpy(e.data(), stock.data(), std::min<size_t>(stock.size(), 21));
  return e;
}

Entry number_entry(int32_t number, uint8_t fill = 0) {
  Entry e(kNumber, fill);
  le_put_i32(e.data(), number);
  return e;
}

std::string stock_of(const uint8_t* entry) {
  return std::string(reinterpret_cast<const char*>(entry), strnlen(reinterpret_cast<const char*>(entry), 21));
}

// The inventory order written out plainly: ddd?ddd... is keyed by the text
// from position 4, a blank, and the first three characters.
std::string oracle_key(const uint8_t* entry) {
  std::string s = stock_of(entry);
  auto digit = [&](size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
  if (digit(0) && digit(1) && digit(2) && s.size() > 3 && !digit(3) && digit(4) && digit(5) &&
      digit(6) && !digit(7))
    return s.substr(4) + " " + s.substr(0, 3);
  return s;
}

int oracle_compare(bool stock, const uint8_t* a, const uint8_t* b) {
  if (stock) {
    int c = oracle_key(a).compare(oracle_key(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  int32_t x = le_get_i32(a), y = le_get_i32(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// A table as a plain sorted array: binary search, then shift the tail.
struct ModelTable {
  bool stock;
  int size;
  std::vector<uint8_t> bytes;
  int count = 0;

  uint8_t* at(int i) { return bytes.data() + static_cast<size_t>(i) * size; }
  void insert(const Entry& e) {
    if (stock && e[0] == 0) return;
    int lo = 0, hi = count - 1;
    while (hi >= lo) {
      int mid = (lo + hi) / 2;
      int c = oracle_compare(stock, e.data(), at(mid));
      if (c == 0) return;
      if (c < 0)
        hi = mid - 1;
      else
        lo = mid + 1;
    }
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(lo) * size, e.begin(), e.end());
    ++count;
  }
  int64_t search(Entry& key) {
    if (key[0] == 0) return -1;
    int lo = 0, hi = count - 1;
    while (hi >= lo) {
      int mid = (lo + hi) / 2;
      int c = oracle_compare(true, key.data(), at(mid));
      if (c == 0) {
        std::memcpy(key.data(), at(mid), size);
        return static_cast<int64_t>(mid) * size;
      }
      if (c < 0)
        hi = mid - 1;
      else
        lo = mid + 1;
    }
    return -1;
  }
};

std::vector<uint8_t> store_bytes(XmsBlock* s, uint64_t offset, uint64_t n) {
  std::vector<uint8_t> b(n);
  if (n) XMS_copy_down(s, offset, b.data(), n);
  return b;
}

class Table : public XmsTest {
 protected:
  void SetUp() override {
    XmsTest::SetUp();
    char tmpl[] = "/tmp/velk-xms-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override {
    for (File* f : files_) delete f;
    std::string cmd = "rm -rf " + dir_;
    (void)std::system(cmd.c_str());
    XmsTest::TearDown();
  }
  File* open(const std::string& name) {
    File* f = env()->open_exclusive(dir_ + name);
    files_.push_back(f);
    return f;
  }
  void random_work(bool stock, unsigned seed);
  std::string dir_;
  std::vector<File*> files_;
};

TEST_F(Table, EmptyTable) {
  XmsBlock* s = XMS_alloc(1024);
  Entry key = stock_entry("ABC");
  EXPECT_EQ(table_search_stock(s, key.data(), 0), -1);
  TableInsert how;
  EXPECT_EQ(table_insert_stock(s, key.data(), 0, kStock, &how), 1);
  EXPECT_EQ(how, TableInsert::added);
  EXPECT_EQ(store_bytes(s, 0, kStock), key);
  Entry probe = stock_entry("ABC", 0);
  EXPECT_EQ(table_search_stock(s, probe.data(), 1), 0);
  Entry empty = stock_entry("");
  EXPECT_EQ(table_search_stock(s, empty.data(), 1), -1);
}

TEST_F(Table, StockKeyOrderAndRefusals) {
  XmsBlock* s = XMS_alloc(1024);
  int n = 0;
  TableInsert how;
  for (const char* stock : {"abc", "ABCD", "123-456", "ABC", "456 12", "999"})
    n = table_insert_stock(s, stock_entry(stock, 1).data(), n, kStock, &how);
  ASSERT_EQ(n, 6);
  // Same key as 123-456 ("456 123"): refused, the first one kept.
  for (const char* same : {"123/456", "123 456", "123-456"}) {
    EXPECT_EQ(table_insert_stock(s, stock_entry(same, 2).data(), n, kStock, &how), n);
    EXPECT_EQ(how, TableInsert::duplicate);
  }
  EXPECT_EQ(table_insert_stock(s, stock_entry("").data(), n, kStock, &how), n);
  EXPECT_EQ(how, TableInsert::empty_key);

  std::vector<std::string> order;
  auto bytes = store_bytes(s, 0, n * kStock);
  for (int i = 0; i < n; ++i) order.push_back(stock_of(&bytes[i * kStock]));
  EXPECT_EQ(order, (std::vector<std::string>{"456 12", "123-456", "999", "ABC", "ABCD", "abc"}));

  // A search by a form of equal key finds the stored entry and hands it over.
  Entry key = stock_entry("123/456");
  EXPECT_EQ(table_search_stock(s, key.data(), n), 1 * kStock);
  EXPECT_EQ(stock_of(key.data()), "123-456");
  EXPECT_EQ(key[100], 1);
}

TEST_F(Table, NumbersAscendSigned) {
  XmsBlock* s = XMS_alloc(2048);
  int n = 0;
  for (int32_t v : {5, -3, 2147483647, 0, -2147483647 - 1, 5})
    n = table_insert_number(s, number_entry(v).data(), n);
  ASSERT_EQ(n, 5);
  auto bytes = store_bytes(s, 0, n * kNumber);
  std::vector<int32_t> got;
  for (int i = 0; i < n; ++i) got.push_back(le_get_i32(&bytes[i * kNumber]));
  EXPECT_EQ(got, (std::vector<int32_t>{-2147483647 - 1, -3, 0, 5, 2147483647}));
}

TEST_F(Table, InsertAtTheFrontMovesEveryEntryUp) {
  XmsBlock* s = XMS_alloc(1024);
  int n = 0;
  for (int i = 0; i < 1000; ++i) {
    char stock[16];
    std::snprintf(stock, sizeof stock, "S%05d", i);
    n = table_insert_stock(s, stock_entry(stock, static_cast<uint8_t>(i)).data(), n);
  }
  auto before = store_bytes(s, 0, 1000 * kStock);
  EXPECT_EQ(table_insert_stock(s, stock_entry("A", 0xEE).data(), n), 1001);
  auto after = store_bytes(s, 0, 1001 * kStock);
  EXPECT_EQ(stock_of(after.data()), "A");
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin() + kStock));
}

TEST_F(Table, CapacityRule) {
  XmsBlock* s = XMS_alloc(1024);
  ASSERT_EQ(xms_total_kb, 1024u);
  int n = 0;
  for (int i = 0; i < 7926; ++i) {
    char stock[16];
    std::snprintf(stock, sizeof stock, "P%07d", (i * 7919) % 7926);
    ASSERT_EQ(table_insert_stock(s, stock_entry(stock).data(), n), n + 1) << i;
    ++n;
  }
  EXPECT_TRUE(table_is_full(7926, kStock));
  EXPECT_FALSE(table_is_full(7925, kStock));
  TableInsert how;
  // Refused before anything else is looked at, duplicates and empty keys too.
  EXPECT_EQ(table_insert_stock(s, stock_entry("ZZZ").data(), n, kStock, &how), 7926);
  EXPECT_EQ(how, TableInsert::full);
  EXPECT_EQ(table_insert_stock(s, stock_entry("").data(), n, kStock, &how), 7926);
  EXPECT_EQ(how, TableInsert::full);
  EXPECT_NE(con_.row_text(25).find("XMS is full... Free more memory or delete some stock..."),
            std::string::npos);
  EXPECT_EQ(con_.warning_beeps(), 2);
  // The table is whole and in order.
  auto bytes = store_bytes(s, 0, n * kStock);
  for (int i = 0; i < n; ++i) {
    char stock[16];
    std::snprintf(stock, sizeof stock, "P%07d", i);
    ASSERT_EQ(stock_of(&bytes[i * kStock]), stock);
  }

  // 512-byte slots: 512 x (1974 + 10) + 32768 = 1048576 is refused.
  n = 0;
  for (int i = 0; i < 1974; ++i) n = table_insert_number(s, number_entry(1974 - i).data(), n);
  ASSERT_EQ(n, 1974);
  EXPECT_EQ(table_insert_number(s, number_entry(-5).data(), n, kNumber, &how), 1974);
  EXPECT_EQ(how, TableInsert::full);
  EXPECT_NE(con_.row_text(25).find("XMS is full... Free more XMS memory..."), std::string::npos);
}

TEST_F(Table, SaveAndLoad) {
  XmsBlock* s = XMS_alloc(1024);
  int n = 0;
  for (const char* stock : {"C", "A", "B"}) n = table_insert_stock(s, stock_entry(stock, 'x').data(), n);
  File* f = open("VKINVTAG.DAT");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> junk(5000, 'j');
  f->write(junk.data(), junk.size());
  ASSERT_TRUE(table_save(s, f, n, kStock));
  ASSERT_EQ(f->size(), 384);
  auto saved = store_bytes(s, 0, 384);
  std::vector<uint8_t> file(384);
  f->seek(0);
  ASSERT_EQ(f->read(file.data(), 384), 384);
  EXPECT_EQ(file, saved);
  EXPECT_EQ(stock_of(file.data()), "A");

  s = XMS_alloc(1024);  // a fresh store
  int plain_before = con_.plain_beeps();
  EXPECT_EQ(table_load(s, f, kStock), 3);
  EXPECT_EQ(con_.plain_beeps(), plain_before + 1);
  EXPECT_EQ(store_bytes(s, 0, 384), saved);
  Entry key = stock_entry("B");
  EXPECT_EQ(table_search_stock(s, key.data(), 3), kStock);
  // The loaded table goes on growing in order.
  EXPECT_EQ(table_insert_stock(s, stock_entry("AA").data(), 3), 4);
  EXPECT_EQ(stock_of(store_bytes(s, kStock, kStock).data()), "AA");

  // An empty file is an empty table; a short tail is no entry.
  File* e = open("EMPTY.DAT");
  EXPECT_EQ(table_load(s, e, kStock), 0);
  e->write(junk.data(), 200);
  EXPECT_EQ(table_load(s, e, kStock), 1);
  ASSERT_TRUE(table_save(s, e, 0, kStock));
  EXPECT_EQ(e->size(), 0);
}

// A file that fails every read and write.
class BrokenFile : public File {
 public:
  int64_t read(void*, size_t) override { return -1; }
  int64_t write(const void*, size_t n) override { return static_cast<int64_t>(n / 2); }
  bool seek(int64_t) override { return true; }
  int64_t tell() override { return 0; }
  int64_t size() override { return 0; }
  bool truncate_here() override { return true; }
  bool flush() override { return true; }
  LockResult lock(int64_t, int64_t) override { return LockResult::ok; }
  LockResult unlock(int64_t, int64_t) override { return LockResult::ok; }
};

TEST_F(Table, FileFailures) {
  XmsBlock* s = XMS_alloc(1024);
  int n = table_insert_stock(s, stock_entry("A").data(), 0);
  BrokenFile broken;
  EXPECT_FALSE(table_save(s, &broken, n, kStock));
  EXPECT_NE(con_.row_text(25).find("File write error (bad media / disk full)..."), std::string::npos);
  EXPECT_EXIT(table_load(s, &broken, kStock), ::testing::ExitedWithCode(1),
              "File read error \\(bad media\\)\\.\\.\\.");
}

// Random work on a table, through every way in (inserts, searches, reads and
// writes of the store by the caller, saves and loads, new tables), checked
// byte for byte against the plain sorted array.
void Table::random_work(bool stock, unsigned seed) {
  XmsBlock* s = XMS_alloc(8192);
  int size = stock ? kStock : kNumber;
  ModelTable model{stock, size, {}};
  std::mt19937 rng(seed);
  auto random_entry = [&]() {
    uint8_t fill = static_cast<uint8_t>(rng());
    if (!stock) return number_entry(static_cast<int32_t>(rng() % 4000) - 2000, fill);
    char text[24];
    auto r = [&](unsigned m) { return static_cast<unsigned>(rng() % m); };
    switch (r(4)) {
      case 0:  // the swapped ddd?ddd form, often colliding
        std::snprintf(text, sizeof text, "%03u%c%03u%s", r(20), "-/ x"[r(4)], r(20),
                      r(3) ? "" : "A");
        break;
      case 1:
        std::snprintf(text, sizeof text, "%c%c%u", static_cast<char>('A' + r(3)), "aA "[r(3)], r(300));
        break;
      case 2:
        std::snprintf(text, sizeof text, "%u", r(2000));
        break;
      default:
        std::snprintf(text, sizeof text, "%.*s", static_cast<int>(r(4)), "\xE9Zz");
    }
    return stock_entry(text, fill);
  };
  auto check_all = [&]() {
    ASSERT_EQ(store_bytes(s, 0, static_cast<uint64_t>(model.count) * size), model.bytes);
  };
  for (int step = 0; step < 6000; ++step) {
    unsigned what = rng() % 1000;
    if (what < 700) {
      Entry e = random_entry();
      int n = stock ? table_insert_stock(s, e.data(), model.count, size)
                    : table_insert_number(s, e.data(), model.count, size);
      model.insert(e);
      ASSERT_EQ(n, model.count) << step;
    } else if (what < 850 && stock) {
      Entry key = stock_entry(stock_of(random_entry().data()));
      if (model.count > 0 && rng() % 2) key = stock_entry(stock_of(model.at(rng() % model.count)));
      Entry want = key;
      int64_t got = table_search_stock(s, key.data(), model.count, size);
      ASSERT_EQ(got, model.search(want)) << step;
      ASSERT_EQ(key, want);
    } else if (what < 900 && model.count > 0) {
      int i = static_cast<int>(rng() % model.count);
      ASSERT_EQ(store_bytes(s, static_cast<uint64_t>(i) * size, size),
                Entry(model.at(i), model.at(i) + size));
    } else if (what < 910 && model.count > 0) {
      // The caller rewrites an entry in place, at times with another key.
      int i = static_cast<int>(rng() % model.count);
      Entry e = rng() % 2 ? random_entry() : Entry(model.at(i), model.at(i) + size);
      e[size - 1] ^= 0x5A;
      XMS_copy_up(s, e.data(), static_cast<uint64_t>(i) * size, size);
      std::memcpy(model.at(i), e.data(), size);
    } else if (what < 915) {
      File* f = open("T" + std::to_string(step) + ".DAT");
      ASSERT_TRUE(table_save(s, f, model.count, size));
      ASSERT_EQ(f->size(), static_cast<int64_t>(model.count) * size);
      if (rng() % 2) {
        std::vector<uint8_t> zero(static_cast<size_t>(model.count) * size, 0);
        if (!zero.empty()) XMS_copy_up(s, zero.data(), 0, zero.size());
        ASSERT_EQ(table_load(s, f, size), model.count);
      }
    } else if (what < 918) {
      check_all();
    } else if (what < 920) {
      model.bytes.clear();
      model.count = 0;
    }
  }
  check_all();
}

// Tables big enough for the index to merge its recent keys many times,
// built in random order with searches in between, against an ordered map.
TEST_F(Table, LargeTablesInAnyOrder) {
  XmsBlock* s = XMS_alloc(16384);
  std::mt19937 rng(11);
  std::map<std::string, Entry> stock_model;
  int n = 0;
  for (int step = 0; step < 40000; ++step) {
    char text[24];
    unsigned v = rng() % 60000;
    if (v % 3 == 0)
      std::snprintf(text, sizeof text, "%03u-%03u", v % 1000, v / 1000);
    else
      std::snprintf(text, sizeof text, "K%u", v);
    Entry e = stock_entry(text, static_cast<uint8_t>(step));
    std::string key = oracle_key(e.data());
    bool fresh = stock_model.emplace(key, e).second;
    int before = n;
    n = table_insert_stock(s, e.data(), n);
    ASSERT_EQ(n, before + (fresh ? 1 : 0)) << step;
    if (step % 23 == 0) {
      std::snprintf(text, sizeof text, "K%u", static_cast<unsigned>(rng() % 60000));
      Entry probe = stock_entry(text);
      auto it = stock_model.find(oracle_key(probe.data()));
      int64_t want = it == stock_model.end() ? -1 : std::distance(stock_model.begin(), it) * kStock;
      ASSERT_EQ(table_search_stock(s, probe.data(), n), want) << step;
      if (want >= 0) {
        ASSERT_EQ(probe, it->second);
      }
    }
  }
  auto bytes = store_bytes(s, 0, static_cast<uint64_t>(n) * kStock);
  int i = 0;
  for (const auto& [key, entry] : stock_model)
    ASSERT_TRUE(std::equal(entry.begin(), entry.end(), bytes.begin() + (i++) * kStock)) << key;

  std::map<int32_t, Entry> number_model;
  n = 0;
  for (int step = 0; step < 30000; ++step) {
    Entry e = number_entry(static_cast<int32_t>(rng() % 50000) - 25000, static_cast<uint8_t>(step));
    bool fresh = number_model.emplace(le_get_i32(e.data()), e).second;
    int before = n;
    n = table_insert_number(s, e.data(), n);
    ASSERT_EQ(n, before + (fresh ? 1 : 0)) << step;
    if (step % 7000 == 0) {
      // The caller reads one slot now and then, as the index writers do.
      auto it = number_model.begin();
      std::advance(it, static_cast<long>(rng() % number_model.size()));
      uint64_t at = static_cast<uint64_t>(std::distance(number_model.begin(), it)) * kNumber;
      ASSERT_EQ(store_bytes(s, at, kNumber), it->second);
    }
  }
  bytes = store_bytes(s, 0, static_cast<uint64_t>(n) * kNumber);
  i = 0;
  for (const auto& [number, entry] : number_model)
    ASSERT_TRUE(std::equal(entry.begin(), entry.end(), bytes.begin() + (i++) * kNumber)) << number;
}

TEST_F(Table, StockTableMatchesAPlainSortedArray) {
  for (unsigned seed : {1u, 2u, 3u}) random_work(true, seed);
}

TEST_F(Table, NumberTableMatchesAPlainSortedArray) {
  for (unsigned seed : {4u, 5u}) random_work(false, seed);
}

}  // namespace
