#include "followups.h"

#include <cstring>

#include "db/dbfile.h"
#include "db/record_io.h"
#include "docs/workorder.h"
#include "scrub_files.h"
#include "ui/dates.h"

namespace {

constexpr const char* kFollowups = "VKFOLLOW.DAT";

File* g_file = nullptr;
int32_t g_position = 0;     // advances by one record for every candidate
int64_t g_write_end = 0;    // end of what was written in this run

}  // namespace

bool has_followup(const LaborLine& line) {
  return line.followup_mileage > 0 || line.followup_second > 0 || line.followup_date > 0;
}

void make_followup(const Workorder& wo, const LaborLine& line, int32_t position, FollowupRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->active = 1;
  r->customer_number = static_cast<int32_t>(wo.customer.CustomerNumber);
  field_copy(r->VIN, sizeof r->VIN, wo.vehicle.VIN, sizeof wo.vehicle.VIN);
  field_copy(r->LicenseNumber, sizeof r->LicenseNumber, wo.vehicle.LicenseNumber,
             sizeof wo.vehicle.LicenseNumber);
  r->date = wo.totals.DateOpen > 0 ? wo.totals.DateOpen : today();
  r->workorder_number = static_cast<int32_t>(wo.WorkorderNumber);
  r->due_date = line.followup_date;
  r->due_mileage = static_cast<int32_t>(static_cast<uint32_t>(wo.vehicle.Mileage) +
                                        static_cast<uint32_t>(line.followup_mileage));
  field_set(r->text, sizeof r->text, line.text);  // cut to fit with its NUL
  r->code = static_cast<int32_t>(line.code);
  r->hours = line.hours;
  r->rate = line.rate;
  r->amount = line.amount;
  r->position = position;
}

void followups_open() {
  g_file = new_file_open(kFollowups);
  g_position = 0;
  g_write_end = 0;
}

void followups_add(const Workorder& wo) {
  for (const LaborLine* line = wo.labor; line; line = line->next) {
    if (!has_followup(*line)) continue;
    FollowupRecord r;
    make_followup(wo, *line, g_position, &r);
    g_position += static_cast<int32_t>(kFollowupRecordSize);
    // Reminders due more than a month ago are not kept.
    if (r.due_date > today() - 31) {
      uint8_t bytes[kFollowupRecordSize];
      followup_encode(r, bytes);
      file_write_at(g_file, g_write_end, bytes, sizeof bytes, "VKFOLLOW.NEW");
      g_write_end += static_cast<int64_t>(kFollowupRecordSize);
    }
  }
}

void followups_finish() {
  file_finish(g_file, g_write_end, false, "VKFOLLOW.NEW");
  g_file = nullptr;
  swap_in({kFollowups});
}
