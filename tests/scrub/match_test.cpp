// Customer matching: the lookup table's searches, the acceptance rules of a
// number match, the name and phone searches and the log lines they leave.
#include <cstring>
#include <random>

#include "customer_scan.h"
#include "customer_table.h"
#include "db/bytes.h"
#include "log.h"
#include "match.h"
#include "scrub.h"
#include "scrub_fixture.h"

namespace {

CustomerTag tag_of(int32_t number, const char* last, const char* first, const char* phone = "",
                   const char* spouse_last = "", const char* spouse = "", int32_t offset = 0) {
  CustomerTag t;
  customer_make_tag(make_customer(number, last, first, phone, "", spouse_last, spouse), offset, &t);
  return t;
}

TEST(CustomerNameKey, SplitsTokensAsTheNameTestReadsThem) {
  struct Case {
    const char* key;
    const char* last;
    const char* first;
  } cases[] = {
      {"SMITH,JOHN", "SMITH", "JOHN"},
      {",", "", ""},
      {",JOHN", "JOHN", ""},           // an empty last name: JOHN becomes the last name
      {"SMITH,  JOHN Q", "SMITH", "JOHN Q"},
      {",,SMITH,,JOHN,X", "SMITH", "JOHN"},
      {" SMITH", " SMITH", ""},        // leading blanks of the last name stay
  };
  for (const Case& c : cases) {
    char key[32] = {}, last[32], first[32];
    std::strcpy(key, c.key);
    customer_split_name_key(key, last, first);
    EXPECT_STREQ(last, c.last) << c.key;
    EXPECT_STREQ(first, c.first) << c.key;
  }
}

TEST(CustomerNameKey, FirstNameIsLookedForFromTheComma) {
  EXPECT_TRUE(customer_name_key_passes("KLEEMAN,ANN", "LEE", ""));
  EXPECT_TRUE(customer_name_key_passes("KLEEMAN,ANN", "LEE", "AN"));
  // ANN stands in the last name only: the part from the comma lacks it.
  EXPECT_FALSE(customer_name_key_passes("ANNSON,BOB", "ANNSON", "ANN"));
  EXPECT_TRUE(customer_name_key_passes("ANNSON", "ANNSON", "ANN"));  // no comma: whole key
  EXPECT_FALSE(customer_name_key_passes("smith,john", "SMITH", ""));  // case counts
  EXPECT_TRUE(customer_name_key_passes(",", "", ""));
}

TEST(CustomerTable, NumberLookupFindsTheEntryAddedLast) {
  CustomerTable* t = customer_table_create();
  ASSERT_TRUE(t);
  ASSERT_TRUE(customer_table_add(t, tag_of(7, "FIRST", "A", "", "", "", 0)));
  ASSERT_TRUE(customer_table_add(t, tag_of(7 + 511, "OTHER", "B", "", "", "", 317)));
  ASSERT_TRUE(customer_table_add(t, tag_of(7, "SECOND", "C", "", "", "", 634)));
  CustomerTag probe{};
  probe.number = 7;
  EXPECT_EQ(customer_table_find_number(t, &probe), 634);
  EXPECT_STREQ(probe.name_key, "SECOND,C");
  probe = {};
  probe.number = 8;
  EXPECT_EQ(customer_table_find_number(t, &probe), -1);
  for (int32_t n : {0, -5, -511}) {
    probe = {};
    probe.number = n;
    EXPECT_EQ(customer_table_find_number(t, &probe), -1);
  }
  customer_table_free(t);
}

TEST(CustomerTable, SearchesScanBucketsInOrderEachFromItsHead) {
  CustomerTable* t = customer_table_create();
  // Bucket order, not file order: 600 lands in bucket 89, 20 in bucket 20.
  customer_table_add(t, tag_of(600, "KLEEMAN", "ANN", "555-0001", "", "", 0));
  customer_table_add(t, tag_of(20, "LEE", "BOB", "", "", "", 317));
  customer_table_add(t, tag_of(531, "LEEDS", "ANN", "555-0001", "", "", 634));  // bucket 20, head
  CustomerTag probe{};
  std::strcpy(probe.name_key, "LEE");
  EXPECT_EQ(customer_table_find_name(t, probe), 634);
  std::strcpy(probe.name_key, "LEE,AN");
  EXPECT_EQ(customer_table_find_name(t, probe), 634);
  std::strcpy(probe.name_key, "LEE,BOB");
  EXPECT_EQ(customer_table_find_name(t, probe), 317);
  std::strcpy(probe.name_key, "NOBODY,X");
  EXPECT_EQ(customer_table_find_name(t, probe), -1);

  std::strcpy(probe.phone_key, "555-0001");
  EXPECT_EQ(customer_table_find_phone(t, &probe), 634);
  EXPECT_STREQ(probe.name_key, "LEEDS,ANN");  // the found entry is copied over the probe
  CustomerTag empty{};
  EXPECT_EQ(customer_table_find_phone(t, &empty), 317);  // first entry without a phone
  CustomerTag none{};
  std::strcpy(none.phone_key, "555-0001 ");
  EXPECT_EQ(customer_table_find_phone(t, &none), -1);
  customer_table_free(t);
}

TEST(CustomerTable, SpouseKeyPassesTheNameTestToo) {
  CustomerTable* t = customer_table_create();
  customer_table_add(t, tag_of(1, "ADAMS", "TOM", "", "BAKER", "SUE", 0));
  customer_table_add(t, tag_of(2, "BAKER", "SUE", "", "", "", 317));
  CustomerTag probe{};
  std::strcpy(probe.name_key, "BAKER,SUE");
  EXPECT_EQ(customer_table_find_name(t, probe), 0);
  customer_table_free(t);
}

// The indexed name and phone searches against a plain scan over random
// customers drawn from a small alphabet, so that most names collide.
TEST(CustomerTable, IndexedSearchesGiveTheFirstMatchOfAPlainScan) {
  std::mt19937 rng(12345);
  auto word = [&](int max) {
    std::string s;
    int n = static_cast<int>(rng() % (max + 1));
    for (int i = 0; i < n; i++) s += "ABN ,"[rng() % 5];
    return s;
  };
  std::vector<CustomerTag> tags;
  CustomerTable* t = customer_table_create();
  for (int i = 0; i < 3000; i++) {
    std::string phone = std::to_string(rng() % 50);
    if (rng() % 7 == 0) phone.clear();
    CustomerTag tag = tag_of(static_cast<int32_t>(rng() % 4000 + 1), word(8).c_str(), word(8).c_str(),
                             phone.c_str(), word(5).c_str(), word(5).c_str(), i * 317);
    tags.push_back(tag);
    ASSERT_TRUE(customer_table_add(t, tag));
  }
  std::vector<const CustomerTag*> scan;
  for (int b = 0; b < kCustomerBuckets; b++)
    for (const CustomerNode* n = t->buckets[b]; n; n = n->next) scan.push_back(n->tag);
  for (int i = 0; i < 2000; i++) {
    CustomerTag probe{};
    std::string key = word(12);
    std::strncpy(probe.name_key, key.c_str(), 31);
    std::string phone = rng() % 5 ? std::to_string(rng() % 60) : "";
    std::strncpy(probe.phone_key, phone.c_str(), 23);
    char last[32], first[32];
    customer_split_name_key(probe.name_key, last, first);
    int32_t want_name = -1, want_phone = -1;
    for (const CustomerTag* c : scan)
      if (customer_name_key_passes(c->name_key, last, first) ||
          customer_name_key_passes(c->spouse_key, last, first)) {
        want_name = c->record_offset;
        break;
      }
    for (const CustomerTag* c : scan)
      if (std::strcmp(c->phone_key, probe.phone_key) == 0) {
        want_phone = c->record_offset;
        break;
      }
    ASSERT_EQ(customer_table_find_name(t, probe), want_name) << "[" << probe.name_key << "]";
    CustomerTag by_number{};
    by_number.number = static_cast<int32_t>(rng() % 4100);
    int32_t want_number = -1;
    for (const CustomerNode* n = t->buckets[by_number.number % kCustomerBuckets]; n && by_number.number > 0;
         n = n->next)
      if (n->tag->number == by_number.number) {
        want_number = n->tag->record_offset;
        break;
      }
    ASSERT_EQ(customer_table_find_number(t, &by_number), want_number) << by_number.number;
    ASSERT_EQ(customer_table_find_phone(t, &probe), want_phone) << "[" << phone << "]";
  }
  customer_table_free(t);
}

class MatchTest : public ScrubDirTest {
 protected:
  void SetUp() override {
    ScrubDirTest::SetUp();
    g_opt = ScrubOptions{};
    g_opt.verbose = true;
  }
  void TearDown() override {
    customer_files_close();
    customer_table_free(g_customer_table);
    g_customer_table = nullptr;
    ScrubDirTest::TearDown();
  }
  void scan(const std::vector<CustomerRecord>& customers) {
    write_file("VKCSTDAT.DAT", encode_customers(customers));
    customer_scan();
  }
  int match(uint32_t wo, const CustomerRecord& block) { return match_customer_block(wo, block); }
  std::string log() { return read_file(kScrubLogName); }
};

TEST_F(MatchTest, NumberMatchRulesInOrderWithTheirLogLines) {
  scan({make_customer(100, "SMITH", "JOHN", "555-0100", "", "SMITH", "MARY"),
        make_customer(200, "DOE", "JANE", "", "555-0200")});
  EXPECT_EQ(match(123, make_customer(100, "SMITH", "JOHN")), 1);
  EXPECT_EQ(match(124, make_customer(100, "JONES", "BOB", "", "555-0100")), 1);
  EXPECT_EQ(match(125, make_customer(100, "SMI", "X")), 1);
  EXPECT_EQ(match(126, make_customer(100, "BROWN", "JOH")), 1);
  EXPECT_EQ(match(127, make_customer(100, "BROWN", "MARY")), 1);
  EXPECT_EQ(log(),
            "0000123 (Cust=0000100) SMITH,JOHN                               Name matches customer number\r\n"
            "0000124 (Cust=0000100) JONES,BOB                                matched by phone [555-0100, - 555-0100] JONES BOB\r\n"
            "0000125 (Cust=0000100) SMI,X                                    matched by lastname [SMI,X SMITH,JOHN]\r\n"
            "0000126 (Cust=0000100) BROWN,JOH                                matched by firstname [BROWN,JOH SMITH,JOHN]\r\n"
            "0000127 (Cust=0000100) BROWN,MARY                               matched by spousename\r\n");
  EXPECT_EQ(g_matched_position, 0);
  EXPECT_STREQ(g_customer.Lastname, "SMITH");
}

TEST_F(MatchTest, FoundNumberWithoutAnAgreeingFieldFallsToTheSearches) {
  scan({make_customer(100, "SMITH", "JOHN", "555-0100"), make_customer(200, "DOE", "JANE", "", "555-0200")});
  // Number 100 belongs to SMITH, but nothing of DOE agrees with it.
  EXPECT_EQ(match(5, make_customer(100, "DOE", "JANE")), 1);
  EXPECT_EQ(g_matched_position, 317);
  EXPECT_STREQ(g_customer.Firstname, "JANE");
  // Unknown number and unknown name, but a phone that a customer has.
  EXPECT_EQ(match(6, make_customer(999, "ZED", "ZOE", "", "555-0200")), 1);
  EXPECT_EQ(g_matched_position, 317);
  EXPECT_EQ(log(),
            "0000005 (Cust=0000100) DOE,JANE                                 matched by name lookup [DOE,JANE]\r\n"
            "0000006 (Cust=0000999) ZED,ZOE                                  not matched by number\r\n"
            "0000006 (Cust=0000999) ZED,ZOE                                  matched by phone lookup [555-0200 -- DOE,JANE]\r\n");
}

TEST_F(MatchTest, NotMatchableIsLoggedAndShownEvenWithoutVerbose) {
  g_opt.verbose = false;
  scan({make_customer(100, "SMITH", "JOHN", "555-0100")});
  EXPECT_EQ(match(1, make_customer(100, "SMITH", "JOHN")), 1);
  g_matched_position = -7;
  EXPECT_EQ(match(2, make_customer(5, "ZED", "ZOE", "555-9999")), 0);
  EXPECT_EQ(g_matched_position, -7);
  EXPECT_EQ(log(), "Customer 5 ZED,ZOE not matchable...\r\n");
  EXPECT_NE(con_.transcript().find("Customer 5 ZED,ZOE not matchable...\r\n"), std::string::npos);
}

TEST_F(MatchTest, LaterRecordWithTheSameNumberWinsAndDeletedRecordsAreSkipped) {
  scan({make_customer(100, "SMITH", "JOHN"), make_customer(0, "GONE", "X"),
        make_customer(-3, "GONE", "Y"), make_customer(100, "SMITH", "JOHN")});
  EXPECT_EQ(match(1, make_customer(100, "SMITH", "JOHN")), 1);
  EXPECT_EQ(g_matched_position, 3 * 317);
  EXPECT_EQ(match(2, make_customer(0, "GONE", "X", "555")), 0);
  // The index holds the live customers in file order.
  std::string tags = read_file("VKCSTTAG.DAT");
  ASSERT_EQ(tags.size(), 2 * kCustomerTagSize);
  CustomerTag t;
  customer_tag_decode(reinterpret_cast<const uint8_t*>(tags.data()) + kCustomerTagSize, &t);
  EXPECT_EQ(t.record_offset, 3 * 317);
  EXPECT_STREQ(t.name_key, "SMITH,JOHN");
}

TEST_F(MatchTest, NumberZeroOrLessGoesStraightToTheSearches) {
  scan({make_customer(510, "ABEL", "AL"), make_customer(1, "ZULU", "ZED")});
  EXPECT_EQ(match(9, make_customer(static_cast<int32_t>(-1), "ZULU", "ZED")), 1);
  EXPECT_EQ(g_matched_position, 317);
  // Empty names and an unknown number: the first entry in bucket order has
  // every key containing the empty last name.
  EXPECT_EQ(match(10, make_customer(77, "", "")), 1);
  EXPECT_EQ(g_matched_position, 317);  // bucket 1 comes before bucket 510
  EXPECT_NE(log().find("0000010 (Cust=0000077) ,                                        matched by name lookup [,]\r\n"),
            std::string::npos);
}

TEST_F(MatchTest, VehicleRebuildResetsChainHeadsInTheCustomerCopy) {
  g_opt.vehicles = true;
  scan({make_customer(100, "SMITH", "JOHN"), make_customer(0, "GONE", "X")});
  customer_files_close();
  std::string copy = read_file("VKCSTDAT.NEW");
  ASSERT_EQ(copy.size(), 2 * kCustomerRecordSize);
  for (int i = 0; i < 2; i++) {
    CustomerRecord r;
    customer_decode(reinterpret_cast<const uint8_t*>(copy.data()) + i * kCustomerRecordSize, &r);
    EXPECT_EQ(r.vehicle_head, -1);
  }
  // Without the rebuild the customer file is left as it was.
  CustomerRecord r;
  customer_decode(reinterpret_cast<const uint8_t*>(read_file("VKCSTDAT.DAT").data()), &r);
  EXPECT_EQ(r.vehicle_head, 1234);
}

}  // namespace
