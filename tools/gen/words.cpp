#include "words.h"

#define WORDS(name, ...)                                   \
  namespace {                                              \
  const char* const name##_items[] = {__VA_ARGS__};        \
  }                                                        \
  const WordList name = {name##_items, sizeof(name##_items) / sizeof(name##_items[0])};

WORDS(kLastNames, "SMITH", "JOHNSON", "WILLIAMS", "BROWN", "JONES", "MILLER", "DAVIS", "GARCIA",
      "RODRIGUEZ", "WILSON", "MARTINEZ", "ANDERSON", "TAYLOR", "THOMAS", "HERNANDEZ", "MOORE",
      "MARTIN", "JACKSON", "THOMPSON", "WHITE", "LOPEZ", "LEE", "GONZALEZ", "HARRIS", "CLARK",
      "LEWIS", "ROBINSON", "WALKER", "PEREZ", "HALL", "YOUNG", "ALLEN", "SANCHEZ", "WRIGHT",
      "KING", "SCOTT", "GREEN", "BAKER", "ADAMS", "NELSON", "HILL", "RAMIREZ", "CAMPBELL",
      "MITCHELL", "ROBERTS", "CARTER", "PHILLIPS", "EVANS", "TURNER", "TORRES", "PARKER",
      "COLLINS", "EDWARDS", "STEWART", "FLORES", "MORRIS", "NGUYEN", "MURPHY", "RIVERA", "COOK",
      "ROGERS", "MORGAN", "PETERSON", "COOPER", "REED", "BAILEY", "BELL", "GOMEZ", "KELLY",
      "HOWARD", "WARD", "COX", "DIAZ", "RICHARDSON", "WOOD", "WATSON", "BROOKS", "BENNETT",
      "GRAY", "JAMES", "REYES", "CRUZ", "HUGHES", "PRICE", "MYERS", "LONG", "FOSTER", "SANDERS",
      "ROSS", "MORALES", "POWELL", "SULLIVAN", "RUSSELL", "ORTIZ", "JENKINS", "GUTIERREZ",
      "PERRY", "BUTLER", "BARNES", "FISHER", "HENDERSON", "COLEMAN", "SIMMONS", "PATTERSON",
      "JORDAN", "REYNOLDS", "HAMILTON", "GRAHAM", "KIM", "WALLACE", "VANDERHOOGSTRATEN",
      "MACALLISTER-JONES", "O'BRIEN", "ST. CLAIR", "DE LA CRUZ")
WORDS(kFirstNames, "JAMES", "MARY", "JOHN", "PATRICIA", "ROBERT", "JENNIFER", "MICHAEL", "LINDA",
      "WILLIAM", "ELIZABETH", "DAVID", "BARBARA", "RICHARD", "SUSAN", "JOSEPH", "JESSICA",
      "THOMAS", "SARAH", "CHARLES", "KAREN", "CHRISTOPHER", "NANCY", "DANIEL", "LISA", "MATTHEW",
      "BETTY", "ANTHONY", "MARGARET", "MARK", "SANDRA", "DONALD", "ASHLEY", "STEVEN", "KIMBERLY",
      "PAUL", "EMILY", "ANDREW", "DONNA", "JOSHUA", "MICHELLE", "KENNETH", "DOROTHY", "KEVIN",
      "CAROL", "BRIAN", "AMANDA", "GEORGE", "MELISSA", "EDWARD", "DEBORAH", "RONALD", "STEPHANIE",
      "TIMOTHY", "REBECCA", "JASON", "SHARON", "JEFFREY", "LAURA", "RYAN", "CYNTHIA", "JACOB",
      "KATHLEEN", "GARY", "AMY", "NICHOLAS", "SHIRLEY", "ERIC", "ANGELA", "JONATHAN", "HELEN",
      "STEPHEN", "ANNA", "LARRY", "BRENDA", "JUSTIN", "PAMELA", "SCOTT", "NICOLE", "BRANDON",
      "EMMA", "BENJAMIN", "SAMANTHA", "SAMUEL", "KATHERINE", "FRANK", "CHRISTINE", "GREGORY",
      "DEBRA", "RAYMOND", "RACHEL", "ALEXANDER", "CATHERINE", "PATRICK", "CAROLYN", "JACK",
      "JANET", "DENNIS", "RUTH", "JERRY", "MARIA", "MAXIMILIANALEXANDER")
WORDS(kStreets, "MAIN ST", "OAK AVE", "MAPLE DR", "CEDAR LN", "PINE ST", "ELM ST",
      "WASHINGTON BLVD", "LAKE RD", "HILL ST", "PARK AVE", "MILL RD", "CHURCH ST", "RIVER RD",
      "SPRING ST", "RIDGE RD", "HIGHLAND AVE", "COUNTY ROAD 12", "STATE ROUTE 9", "CHERRY LN",
      "WALNUT ST", "SUNSET BLVD", "FOREST DR", "MEADOW LN", "CENTER ST", "NORTH AVE",
      "OLD TOWNSHIP LINE ROAD APT 14B")
WORDS(kCities, "MILLBROOK", "SPRINGFIELD", "FAIRVIEW", "RIVERSIDE", "GREENVILLE", "BRISTOL",
      "CLINTON", "FRANKLIN", "GEORGETOWN", "SALEM", "MADISON", "ASHLAND", "DOVER", "OXFORD",
      "MILTON", "NEWPORT", "LEBANON", "CHESTER", "WINCHESTER", "BURLINGTON")
WORDS(kSalespeople, "DAVE", "MARCY", "TOM K", "RICK", "SHERRY", "ED")

namespace {
const char* const kFordModels[] = {"F150", "RANGER", "TAURUS", "EXPLORER", "ESCAPE", "FOCUS",
                                   "MUSTANG", "E350 VAN"};
const char* const kChevModels[] = {"SILVERADO", "MALIBU", "IMPALA", "TAHOE", "S10", "CAVALIER",
                                   "EQUINOX", "CAMARO"};
const char* const kToyotaModels[] = {"CAMRY", "COROLLA", "TACOMA", "RAV4", "SIENNA",
                                     "HIGHLANDER", "4RUNNER"};
const char* const kHondaModels[] = {"ACCORD", "CIVIC", "CR-V", "ODYSSEY", "PILOT"};
const char* const kDodgeModels[] = {"RAM 1500", "CARAVAN", "DAKOTA", "NEON", "DURANGO"};
const char* const kNissanModels[] = {"ALTIMA", "SENTRA", "MAXIMA", "FRONTIER", "PATHFINDER"};
const char* const kGmcModels[] = {"SIERRA", "JIMMY", "SAFARI", "YUKON"};
const char* const kJeepModels[] = {"CHEROKEE", "WRANGLER", "GRAND CHEROKEE", "LIBERTY"};
const char* const kVwModels[] = {"JETTA", "GOLF", "PASSAT", "BEETLE"};
const char* const kSubaruModels[] = {"OUTBACK", "FORESTER", "LEGACY", "IMPREZA"};
}  // namespace

#define MAKE(name, models) {name, models, sizeof(models) / sizeof(models[0])}
const MakeModels kMakes[] = {
    MAKE("FORD", kFordModels),     MAKE("CHEVROLET", kChevModels), MAKE("TOYOTA", kToyotaModels),
    MAKE("HONDA", kHondaModels),   MAKE("DODGE", kDodgeModels),    MAKE("NISSAN", kNissanModels),
    MAKE("GMC", kGmcModels),       MAKE("JEEP", kJeepModels),      MAKE("VOLKSWAGEN", kVwModels),
    MAKE("SUBARU", kSubaruModels),
};
const size_t kMakeCount = sizeof(kMakes) / sizeof(kMakes[0]);

WORDS(kEngines, "2.0L I4", "2.4L I4", "3.0L V6", "3.5L V6", "4.3L V6", "5.0L V8", "5.3L V8",
      "5.7L V8", "1.8L I4", "6.7L DIESEL")
WORDS(kTransmissions, "AUTO", "5 SPD MANUAL", "4 SPD AUTO", "CVT", "6 SPD AUTO")

const PartFamily kPartFamilies[] = {
    {"FL", "OIL FILTER", 575},          {"AF", "AIR FILTER", 1240},
    {"CF", "CABIN AIR FILTER", 1480},   {"FF", "FUEL FILTER", 1890},
    {"SP", "SPARK PLUG", 395},          {"BP", "BRAKE PADS FRONT", 3450},
    {"BR", "BRAKE PADS REAR", 3125},    {"RT", "BRAKE ROTOR", 4890},
    {"BS", "BRAKE SHOES", 2875},        {"WB", "WIPER BLADE", 890},
    {"BT", "BATTERY", 8950},            {"AL", "ALTERNATOR REMAN", 14500},
    {"ST", "STARTER REMAN", 11200},     {"WP", "WATER PUMP", 5600},
    {"TS", "THERMOSTAT", 1450},         {"RH", "RADIATOR HOSE", 1890},
    {"SB", "SERPENTINE BELT", 2340},    {"TB", "TIMING BELT KIT", 12900},
    {"OS", "OXYGEN SENSOR", 4780},      {"IC", "IGNITION COIL", 5230},
    {"SH", "SHOCK ABSORBER", 3960},     {"SR", "STRUT ASSEMBLY", 9870},
    {"TR", "TIE ROD END", 2650},        {"BJ", "BALL JOINT", 3120},
    {"WH", "WHEEL BEARING HUB", 8840},  {"CV", "CV AXLE REMAN", 7650},
    {"EX", "EXHAUST PIPE", 6420},       {"MF", "MUFFLER", 7980},
    {"CT", "CATALYTIC CONVERTER", 24500}, {"HL", "HEADLAMP BULB", 1150},
    {"MO", "MOTOR OIL QT 5W30", 420},   {"AT", "ATF QUART", 560},
    {"CL", "COOLANT GALLON", 1390},     {"BF", "BRAKE FLUID", 690},
    {"GK", "VALVE COVER GASKET", 2140}, {"TI", "TIRE ALL SEASON", 8900},
};
const size_t kPartFamilyCount = sizeof(kPartFamilies) / sizeof(kPartFamilies[0]);

WORDS(kPartBrands, "", " - STD", " - PREMIUM", " - OE", " - ECON", " - HD")

const LaborOp kLaborOps[] = {
    {10, "LUBE, OIL AND FILTER", 50},
    {20, "ROTATE TIRES", 40},
    {30, "REPLACE FRONT BRAKE PADS", 150},
    {31, "REPLACE REAR BRAKE PADS", 150},
    {32, "MACHINE ROTORS", 100},
    {40, "REPLACE BATTERY\tTEST CHARGING SYSTEM", 30},
    {50, "REPLACE ALTERNATOR", 180},
    {60, "REPLACE WATER PUMP\tREFILL COOLANT\tCHECK FOR LEAKS", 320},
    {70, "REPLACE TIMING BELT", 450},
    {80, "DIAGNOSE CHECK ENGINE LIGHT", 100},
    {90, "FRONT END ALIGNMENT", 120},
    {100, "REPLACE STRUTS FRONT PAIR", 280},
    {110, "TUNE UP - SPARK PLUGS", 120},
    {120, "STATE INSPECTION", 50},
    {130, "REPLACE EXHAUST\tHANGERS AND CLAMPS", 150},
    {140, "MOUNT AND BALANCE 4 TIRES", 100},
    {150, "COOLING SYSTEM FLUSH", 90},
    {160, "TRANSMISSION SERVICE", 130},
    {170, "A/C RECHARGE AND LEAK TEST", 110},
    {180, "ELECTRICAL DIAGNOSIS", 150},
};
const size_t kLaborOpCount = sizeof(kLaborOps) / sizeof(kLaborOps[0]);

WORDS(kSubletTexts, "MACHINE SHOP - HEADS", "TOWING", "GLASS REPLACEMENT", "TRANSMISSION REBUILD",
      "ALIGNMENT (OUTSIDE)", "RADIATOR SHOP", "UPHOLSTERY REPAIR")
WORDS(kWasteTexts, "SHOP SUPPLIES", "TIRE DISPOSAL FEE", "OIL DISPOSAL", "HAZMAT FEE")
WORDS(kVendors, "NAPA AUTO PARTS #4411", "CARQUEST OF MILLBROOK", "WORLDPAC", "TIRE RACK",
      "ADVANCE AUTO COMMERCIAL", "ACME PARTS WAREHOUSE", "RIVERSIDE BATTERY SUPPLY",
      "MIDWEST BRAKE & CLUTCH", "FILTER KING DISTRIBUTING", "PREMIUM LUBRICANTS INC")
WORDS(kNotes, "CUSTOMER WAITING", "CALL WHEN DONE", "KEYS IN DROP BOX", "CHECK FOR RECALLS",
      "CUSTOMER SUPPLIED PARTS", "NEXT SERVICE DUE IN 3000 MILES", "RIDE TO WORK 8AM",
      "CUSTOMER DECLINED REAR BRAKES", "WARRANTY CLAIM FILED")
WORDS(kVehicleComments, "CHECK ENGINE LIGHT ON", "NOISE FROM FRONT END", "LEAKS OIL",
      "HARD START WHEN COLD", "PULLS LEFT", "A/C BLOWS WARM", "")

// Code page 437: 0x81 u-umlaut, 0x82 e-acute, 0x94 o-umlaut, 0x99 O-umlaut, 0xA4 n-tilde,
// 0xA5 N-tilde, 0x8E A-umlaut, 0x9A U-umlaut.
WORDS(kAccentedLastNames, "M\x9ALLER", "PE\xA5" "A", "M\x99LLER", "J\x8EGER", "NU\xA5" "EZ",
      "CR\x90PEAU")
WORDS(kAccentedWords, "D\x90POSE", "B\x99SCH", "M\x9ALLER", "SE\xA5" "AL", "CAF\x90")
