// Customer records ("VKCSTDAT.DAT", 317 bytes), customer index tags
// ("VKCSTTAG.DAT", 96 bytes) and vehicle records ("VKVEHICL.DAT", 397 bytes).
// The same customer and vehicle layouts form the customer and vehicle blocks
// of a workorder.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kCustomerRecordSize = 317;
constexpr size_t kCustomerTagSize = 96;
constexpr size_t kVehicleRecordSize = 397;

struct CustomerRecord {
  uint32_t CustomerNumber;  // 0: 0 or less (as signed) marks a deleted record
  char Lastname[21];        // 4
  char Firstname[21];       // 25
  char Spouse[21];          // 46
  char SpouseLastname[21];  // 67
  char Address[33];         // 88
  char City[21];            // 121
  char State[3];            // 142
  char Zip[11];             // 145
  char Phone1[15];          // 156
  char Phone2[15];          // 171
  char Phone2ext[6];        // 186
  char Phone3[15];          // 192
  int16_t setting;          // 207: 3 in a new record; not interpreted here
  int32_t date;             // 209: day number
  char TaxIDNumber[68];     // 213
  char Salesperson[32];     // 281
  int32_t vehicle_head;     // 313: offset of the first vehicle, -1 for none
};

struct CustomerTag {
  int32_t number;         // 0
  char name_key[32];      // 4
  char spouse_key[32];    // 36
  int32_t record_offset;  // 68
  char phone_key[24];     // 72
};

struct VehicleRecord {
  uint32_t owner;          // 0: owner's customer number
  int32_t second;          // 4: -1 in a new record; not interpreted here
  char Make[21];           // 8
  char Model[21];          // 29
  char Year[6];            // 50
  char Engine[13];         // 56
  char Transmission[13];   // 69
  char VIN[21];            // 82
  char LicenseNumber[11];  // 103
  char State[3];           // 114
  char VComment1[65];      // 117
  char VComment2[65];      // 182
  char VComment3[65];      // 247
  char VComment4[65];      // 312
  int32_t Mileage;         // 377
  int32_t Date;            // 381
  int32_t OrigMileage;     // 385
  int32_t OrigDate;        // 389
  int32_t next;            // 393: offset of the owner's next vehicle, -1 at the end
};

void customer_decode(const uint8_t* bytes, CustomerRecord* r);
void customer_encode(const CustomerRecord& r, uint8_t* bytes);
void customer_tag_decode(const uint8_t* bytes, CustomerTag* t);
void customer_tag_encode(const CustomerTag& t, uint8_t* bytes);
void vehicle_decode(const uint8_t* bytes, VehicleRecord* r);
void vehicle_encode(const VehicleRecord& r, uint8_t* bytes);

// Name key: last name without trailing blanks, ",", first name, trailing
// blanks of the whole removed, at most 31 characters; written NUL-filled into
// a 32-byte key.
void make_name_key(const char* last, size_t last_width, const char* first, size_t first_width,
                   char key[32]);
// Builds the index tag of a customer record found at a byte offset: number,
// name key, spouse name key, offset and phone key (Phone1, or Phone2 when
// Phone1 is empty).
void customer_make_tag(const CustomerRecord& r, int32_t offset, CustomerTag* t);

// New-record starting values (settings city and state, today).
void customer_init(CustomerRecord* r);
void vehicle_init(VehicleRecord* r);
