// Word pools the sample shop is made of: people, places, vehicles, parts,
// labor operations and vendors. Upper case, as the shop application keeps
// its data.
#pragma once

#include <cstddef>

struct WordList {
  const char* const* items;
  size_t count;
};

extern const WordList kLastNames;
extern const WordList kFirstNames;
extern const WordList kStreets;
extern const WordList kCities;
extern const WordList kSalespeople;

struct MakeModels {
  const char* make;
  const char* const* models;
  size_t count;
};
extern const MakeModels kMakes[];
extern const size_t kMakeCount;
extern const WordList kEngines;
extern const WordList kTransmissions;

// A part family: stock-number prefix, description stem and a typical cost
// in cents.
struct PartFamily {
  const char* prefix;
  const char* description;
  int cost;
};
extern const PartFamily kPartFamilies[];
extern const size_t kPartFamilyCount;
extern const WordList kPartBrands;

// A labor operation: code, description, hours in hundredths.
struct LaborOp {
  int code;
  const char* text;
  int hours;
};
extern const LaborOp kLaborOps[];
extern const size_t kLaborOpCount;

extern const WordList kSubletTexts;
extern const WordList kWasteTexts;
extern const WordList kVendors;
extern const WordList kNotes;
extern const WordList kVehicleComments;

// Names with letters of the DOS code page (bytes 0x80 and above).
extern const WordList kAccentedLastNames;
extern const WordList kAccentedWords;
