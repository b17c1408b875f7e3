// Vehicle links of the vehicle rebuild: each matched workorder's vehicle is
// found in, or added to, its customer's vehicle chain.
#pragma once

#include <cstdint>

#include "db/customer.h"

struct Workorder;

// Links the vehicle of a workorder whose customer was matched: g_customer
// holds the customer record found at customer_position.
void link_vehicle(const Workorder& wo, int32_t customer_position);

// The vehicle record built from a workorder for owner: its vehicle block,
// mileage and date (DateOpen), original mileage and date the same.
void make_vehicle(const Workorder& wo, uint32_t owner, VehicleRecord* v);
// A stored vehicle brought up to date from a newer one (only when the new
// date is later): every field but its link, its VIN and licence when the new
// ones are empty, and the original mileage and date, which keep the smaller.
void vehicle_update(VehicleRecord* stored, const VehicleRecord& v);
