#include "match.h"

#include <cstring>

#include "db/bytes.h"
#include "docs/workorder.h"
#include "log.h"
#include "platform/env.h"
#include "scrub.h"
#include "ui/screen.h"
#include "vehicles.h"

CustomerTable* g_customer_table = nullptr;
CustomerRecord g_customer;
int32_t g_matched_position = -1;

namespace {

// A text field of the customer block as a NUL-terminated text.
struct Text {
  char s[24];
  template <size_t N>
  explicit Text(const char (&field)[N]) {
    static_assert(N < sizeof s);
    size_t n = field_strlen(field, N);
    std::memcpy(s, field, n);
    s[n] = 0;
  }
};

// Which rule accepted the entry found by number, or none.
enum class NumberRule { none, name, phone, lastname, firstname, spouse };

NumberRule accept_by_number(const CustomerTag& t, const char* key, const Text& last,
                            const Text& first, const Text& phone1, const Text& phone2) {
  char name_key[33] = {}, spouse_key[33] = {}, phone_key[25] = {};
  std::memcpy(name_key, t.name_key, sizeof t.name_key);
  std::memcpy(spouse_key, t.spouse_key, sizeof t.spouse_key);
  std::memcpy(phone_key, t.phone_key, sizeof t.phone_key);
  if (std::strcmp(name_key, key) == 0) return NumberRule::name;
  if (phone_key[0] && (std::strcmp(phone_key, phone1.s) == 0 || std::strcmp(phone_key, phone2.s) == 0))
    return NumberRule::phone;
  if (last.s[0] && std::strstr(name_key, last.s)) return NumberRule::lastname;
  if (first.s[0] && std::strstr(name_key, first.s)) return NumberRule::firstname;
  if (spouse_key[0] && first.s[0] && std::strstr(spouse_key, first.s)) return NumberRule::spouse;
  return NumberRule::none;
}

// Loads the accepted customer record into the shared buffer.
int load_customer(int32_t position) {
  if (!customer_read(position, &g_customer)) {
    beep_plain();
    return 0;
  }
  g_matched_position = position;
  return 1;
}

}  // namespace

int match_customer_block(uint32_t wo_number, const CustomerRecord& block) {
  const long wo = static_cast<int32_t>(wo_number);
  const long cust = static_cast<int32_t>(block.CustomerNumber);
  char key[32];
  make_name_key(block.Lastname, sizeof block.Lastname, block.Firstname, sizeof block.Firstname, key);
  const Text last(block.Lastname), first(block.Firstname);
  const Text phone1(block.Phone1), phone2(block.Phone2);

  CustomerTag t{};
  t.number = static_cast<int32_t>(block.CustomerNumber);
  // A number of 0 or less names no customer: it goes straight to the
  // searches (the lookup would otherwise pick a bucket below the table).
  int32_t pos = t.number > 0 ? customer_table_find_number(g_customer_table, &t) : -1;
  if (pos < 0) {
    if (g_opt.verbose) scrub_log("%07ld (Cust=%07ld) %-40s not matched by number\r\n", wo, cust, key);
  } else {
    char found_key[33] = {};
    std::memcpy(found_key, t.name_key, sizeof t.name_key);
    switch (accept_by_number(t, key, last, first, phone1, phone2)) {
      case NumberRule::name:
        if (g_opt.verbose)
          scrub_log("%07ld (Cust=%07ld) %-40s Name matches customer number\r\n", wo, cust, key);
        return load_customer(pos);
      case NumberRule::phone:
        if (g_opt.verbose) {
          char phone_key[25] = {};
          std::memcpy(phone_key, t.phone_key, sizeof t.phone_key);
          scrub_log("%07ld (Cust=%07ld) %-40s matched by phone [%s,%s - %s] %s %s\r\n", wo, cust, key,
                    phone_key, phone1.s, phone2.s, last.s, first.s);
        }
        return load_customer(pos);
      case NumberRule::lastname:
        if (g_opt.verbose)
          scrub_log("%07ld (Cust=%07ld) %-40s matched by lastname [%s,%s %s]\r\n", wo, cust, key, last.s,
                    first.s, found_key);
        return load_customer(pos);
      case NumberRule::firstname:
        if (g_opt.verbose)
          scrub_log("%07ld (Cust=%07ld) %-40s matched by firstname [%s,%s %s]\r\n", wo, cust, key,
                    last.s, first.s, found_key);
        return load_customer(pos);
      case NumberRule::spouse:
        if (g_opt.verbose)
          scrub_log("%07ld (Cust=%07ld) %-40s matched by spousename\r\n", wo, cust, key);
        return load_customer(pos);
      case NumberRule::none:
        break;
    }
  }

  CustomerTag probe{};
  std::memcpy(probe.name_key, key, sizeof probe.name_key);
  const char* phone = phone1.s[0] ? phone1.s : phone2.s;
  std::memcpy(probe.phone_key, phone, std::strlen(phone));
  pos = customer_table_find_name(g_customer_table, probe);
  if (pos >= 0) {
    if (g_opt.verbose) scrub_log("%07ld (Cust=%07ld) %-40s matched by name lookup [%s]\r\n", wo, cust, key, key);
    return load_customer(pos);
  }
  pos = customer_table_find_phone(g_customer_table, &probe);
  if (pos >= 0) {
    if (g_opt.verbose) {
      char found_key[33] = {};
      std::memcpy(found_key, probe.name_key, sizeof probe.name_key);
      scrub_log("%07ld (Cust=%07ld) %-40s matched by phone lookup [%s -- %s]\r\n", wo, cust, key, phone,
                found_key);
    }
    return load_customer(pos);
  }
  beep_plain();
  con_printf("Customer %ld %s not matchable...\r\n", cust, key);
  scrub_log("Customer %ld %s not matchable...\r\n", cust, key);
  return 0;
}

bool match_workorder(Workorder* wo, bool link) {
  if (!match_customer_block(wo->WorkorderNumber, wo->customer)) return false;
  int32_t position = g_matched_position;
  if (g_opt.replace_customer) wo->customer = g_customer;
  if (link && g_opt.vehicles) link_vehicle(*wo, position);
  return true;
}
