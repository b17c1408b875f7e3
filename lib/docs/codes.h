// The code tables shared by the job documents and their displays: workorder
// type, status, pricing level and payment method. Each word carries its
// trailing blanks; all words of one table have the same width.
#pragma once

#include <cstddef>

enum CodeTable { CT_TYPE, CT_STATUS, CT_PRICING, CT_PAYMENT };

// Workorder status values (also used by purchase orders).
enum { WO_OPEN = 0, WO_CLOSED = 1, WO_PAID = 2, WO_VOID = 3, WO_ON_ACCT = 4 };
// Workorder type values.
enum { WO_REPAIR = 0, WO_SALES = 1, WO_ESTIMATE = 2, WO_WARRANTY = 3 };
// Pricing levels.
enum { PRICE_COST = 0, PRICE_WHOLESALE = 1, PRICE_RESALE = 2, PRICE_RETAIL = 3 };
// Payment methods; only PAY_SPLIT gives the ten split entries a meaning.
enum { PAY_NONE = 0, PAY_SPLIT = 8 };

// Number of words in a table (4, 5, 4, 9).
int code_count(CodeTable t);
// The word at an index, with its blanks. Payment word 0 is "  None  ", or
// " None   " in the purge program. An index outside the table gives "" (the
// empty word that closes every table).
const char* code_word(CodeTable t, int index);
// Matching of a document value: the first word that equals the value over
// the value's length, without regard to letter case, gives the index; -1
// when none does. An empty value therefore matches index 0, and a value that
// begins a word ("OP") matches that word.
int code_match(CodeTable t, const char* value, size_t length);
