// The customers and vehicles pass on hand-made customer and vehicle files.
#include <cstring>

#include "db/bytes.h"
#include "prune_fixture.h"

namespace {

class CustomerPassTest : public PassTest {
 protected:
  std::vector<uint8_t> customers;
  ChainImage vehicles{{}, kVehicleRecordSize, 393};

  void add_customer(CustomerRecord c, const std::vector<VehicleRecord>& cars) {
    std::vector<std::vector<uint8_t>> children;
    for (const VehicleRecord& v : cars) children.push_back(encode_vehicle(v));
    c.vehicle_head = vehicles.add_chain(children);
    std::vector<uint8_t> b(kCustomerRecordSize);
    customer_encode(c, b.data());
    customers.insert(customers.end(), b.begin(), b.end());
  }
  void write() {
    dir.write("VKCSTDAT.DAT", customers);
    dir.write("VKVEHICL.DAT", vehicles.bytes);
    dir.write("VKCSTTAG.DAT", std::string(96 * 7, 'x'));  // an old index, thrown away
  }
  std::vector<VehicleRecord> cars_of(const CustomerRecord& c) {
    std::vector<VehicleRecord> out;
    for (const auto& b : walk_chain(dir.read("VKVEHICL.DAT"), c.vehicle_head, 397, 393)) {
      out.emplace_back();
      vehicle_decode(b.data(), &out.back());
    }
    return out;
  }
};

TEST_F(CustomerPassTest, BrokenCustomersGoWithTheirVehiclesAndTheIndexFollowsTheFile) {
  CustomerRecord zoe = make_customer(7, "ZIMMER  ", "ZOE ");
  field_set(zoe.Spouse, sizeof zoe.Spouse, "ADAM");
  field_set(zoe.SpouseLastname, sizeof zoe.SpouseLastname, "ZIMMER");
  field_set(zoe.Phone2, sizeof zoe.Phone2, "555-0102");
  add_customer(zoe, {make_vehicle("FORD", "F150", "1999", "VIN-A"),
                     make_vehicle("", "", "", "VIN-EMPTY"),
                     make_vehicle("", "", "2001", "VIN-C")});
  add_customer(make_customer(0, "ZERO", "NUMBER"), {make_vehicle("GMC", "X", "1990", "VIN-Z")});
  add_customer(make_customer(static_cast<uint32_t>(-5), "NEG", "NUMBER"),
               {make_vehicle("GMC", "Y", "1991", "VIN-N")});
  add_customer(make_customer(9, "", ""), {make_vehicle("GMC", "Z", "1992", "VIN-E")});
  add_customer(make_customer(8, "", "ONLYFIRST"), {});
  CustomerRecord abe = make_customer(3, "ADAMS", "ABE");
  field_set(abe.Phone1, sizeof abe.Phone1, "555-0101");
  add_customer(abe, {make_vehicle("DODGE", "", "", "VIN-D")});
  write();

  ASSERT_EQ(customer_pass(&run), PassEnd::done);

  std::vector<CustomerRecord> kept = read_customers(dir);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].CustomerNumber, 7u);
  EXPECT_EQ(kept[1].CustomerNumber, 8u);
  EXPECT_EQ(kept[2].CustomerNumber, 3u);

  // Vehicles: the empty one goes, the kept ones come out in reverse order
  // with their owner's number; vehicles of dropped customers are gone.
  std::vector<VehicleRecord> cars = cars_of(kept[0]);
  ASSERT_EQ(cars.size(), 2u);
  EXPECT_STREQ(cars[0].VIN, "VIN-A");
  EXPECT_STREQ(cars[1].VIN, "VIN-C");
  EXPECT_EQ(cars[0].owner, 7u);
  EXPECT_TRUE(cars_of(kept[1]).empty());
  ASSERT_EQ(cars_of(kept[2]).size(), 1u);
  EXPECT_EQ(dir.read("VKVEHICL.DAT").size(), 3 * kVehicleRecordSize);

  // The index lists the customers in file order, with name, spouse and
  // phone keys and the new offsets.
  std::vector<CustomerTag> tags = read_customer_tags(dir);
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].number, 7);
  EXPECT_STREQ(tags[0].name_key, "ZIMMER,ZOE");
  EXPECT_STREQ(tags[0].spouse_key, "ZIMMER,ADAM");
  EXPECT_STREQ(tags[0].phone_key, "555-0102");
  EXPECT_EQ(tags[0].record_offset, 0);
  EXPECT_EQ(tags[1].number, 8);
  EXPECT_EQ(tags[1].record_offset, 317);
  EXPECT_EQ(tags[2].number, 3);
  EXPECT_STREQ(tags[2].phone_key, "555-0101");
  EXPECT_EQ(tags[2].record_offset, 634);
  expect_consistent(dir);
}

TEST_F(CustomerPassTest, LoopingOrDanglingVehicleChainEndsAndIsNamed) {
  add_customer(make_customer(1, "LOOP", "LARRY"),
               {make_vehicle("A", "", "", "V1"), make_vehicle("B", "", "", "V2")});
  // The oldest vehicle points back at the newest: a loop.
  le_put_i32(vehicles.bytes.data() + 393, 397);
  CustomerRecord dangling = make_customer(2, "DANGLE", "DAN");
  add_customer(dangling, {});
  le_put_i32(customers.data() + 317 + 313, 397 * 40);  // past the end of the file
  write();

  ASSERT_EQ(customer_pass(&run), PassEnd::done);
  std::vector<CustomerRecord> kept = read_customers(dir);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(cars_of(kept[0]).size(), 2u);
  EXPECT_EQ(kept[1].vehicle_head, -1);
  EXPECT_NE(con.transcript().find("customer 1"), std::string::npos);
  EXPECT_NE(con.transcript().find("customer 2"), std::string::npos);
}

}  // namespace
