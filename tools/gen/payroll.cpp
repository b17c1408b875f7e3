// Employees "VKEMPLOY.DAT" and their weekly payroll entries "VKPAYROL.DAT",
// chained per employee from the newest entry back. Only the chain links and
// the entry dates are the system's; the rest of both records belongs to the
// shop application, and the generator only puts a number, a name and the
// week's hours and pay there so that records can be told apart.
#include <cstring>
#include <string>
#include <vector>

#include "db/bytes.h"
#include "db/payroll.h"
#include "gen.h"
#include "words.h"

void gen_payroll(Gen& g) {
  Rng r(g.opt.seed * 0xA24BAED4963EE407ull + 7);
  OutFile emp, pay;
  gen_create(g, emp, "VKEMPLOY.DAT");
  gen_create(g, pay, "VKPAYROL.DAT");

  struct Worker {
    EmployeeRecord rec;
    int32_t hired, left;
    int32_t rate;  // cents per hour
  };
  std::vector<Worker> staff(static_cast<size_t>(g.size.employees));
  int32_t span = g.last_day - g.first_day;
  int32_t number = 1;
  for (Worker& w : staff) {
    std::memset(&w.rec, 0, sizeof w.rec);
    w.rec.payroll_head = -1;
    le_put_i32(w.rec.data, number++);
    std::string last = kLastNames.items[r.below(static_cast<uint32_t>(kLastNames.count))];
    std::string first = kFirstNames.items[r.below(static_cast<uint32_t>(kFirstNames.count))];
    field_set(reinterpret_cast<char*>(w.rec.data + 4), 21, last.c_str());
    field_set(reinterpret_cast<char*>(w.rec.data + 25), 21, first.c_str());
    w.hired = g.first_day + (r.chance(600) ? 0 : r.range(0, span * 3 / 4));
    w.left = r.chance(250) ? w.hired + r.range(60, span / 2) : g.last_day + 1;
    w.rate = r.range(1600, 3800);
  }
  g.next_employee = number;

  // Weekly pay days, each paying everyone then on staff.
  uint8_t buf[kPayrollEntrySize];
  for (int32_t day = g.first_day + 4; day <= g.last_day && g.stats.payroll < g.size.payroll; day += 7) {
    for (size_t i = 0; i < staff.size() && g.stats.payroll < g.size.payroll; i++) {
      Worker& w = staff[i];
      if (day < w.hired || day >= w.left) continue;
      PayrollEntry e;
      std::memset(&e, 0, sizeof e);
      e.date = day;
      int32_t hours = r.range(2400, 4800);  // hundredths
      le_put_i32(e.data, static_cast<int32_t>(i + 1));
      le_put_i32(e.data + 4, hours);
      le_put_i32(e.data + 8, static_cast<int32_t>(static_cast<int64_t>(hours) * w.rate / 100));
      e.next = w.rec.payroll_head;
      w.rec.payroll_head = static_cast<int32_t>(pay.end());
      payroll_encode(e, buf);
      pay.append(buf, sizeof buf);
      g.stats.payroll++;
    }
  }
  uint8_t ebuf[kEmployeeRecordSize];
  for (const Worker& w : staff) {
    employee_encode(w.rec, ebuf);
    emp.append(ebuf, sizeof ebuf);
    g.stats.employees++;
  }
  gen_finish(emp);
  gen_finish(pay);
}
