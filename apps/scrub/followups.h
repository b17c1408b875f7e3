// Follow-up reminders: one record per labor line with follow-up data of an
// accepted workorder, written from the start of "VKFOLLOW.NEW" in the order
// they are produced and swapped in for "VKFOLLOW.DAT" at the end of the
// cleaning pass, so that a stopped run never leaves old reminders behind new
// ones.
#pragma once

#include <cstdint>

#include "db/worktags.h"

struct Workorder;
struct LaborLine;

void followups_open();
// Adds the follow-ups of one workorder.
void followups_add(const Workorder& wo);
// Cuts the new file after the last record, closes it and swaps it in.
void followups_finish();

// The record of one labor line; position is the follow-up position it takes.
void make_followup(const Workorder& wo, const LaborLine& line, int32_t position, FollowupRecord* r);
// True when a labor line carries follow-up data.
bool has_followup(const LaborLine& line);
