#include "docs/codes.h"

#include "ui/settings.h"

namespace {

const char* const kType[] = {"REPAIR  ", "SALES   ", "ESTIMATE", "WARRANTY", ""};
const char* const kStatus[] = {"OPEN   ", "CLOSED ", "PAID   ", "VOID   ", "ON ACCT", ""};
const char* const kPricing[] = {"COST     ", "WHOLESALE", "RESALE   ", "RETAIL   ", ""};
const char* const kPayment[] = {"  None  ", "Visa/MC ", "Cash    ", "Check   ", "Amer Ex ",
                                "Discover", "Other   ", "NSF     ", "Split   ", ""};
// The purge program's own spelling of payment word 0.
const char* const kPruneNone = " None   ";

const char* const* table(CodeTable t) {
  switch (t) {
    case CT_TYPE: return kType;
    case CT_STATUS: return kStatus;
    case CT_PRICING: return kPricing;
    case CT_PAYMENT: return kPayment;
  }
  return kType;
}

inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

int code_count(CodeTable t) {
  switch (t) {
    case CT_TYPE: return 4;
    case CT_STATUS: return 5;
    case CT_PRICING: return 4;
    case CT_PAYMENT: return 9;
  }
  return 0;
}

const char* code_word(CodeTable t, int index) {
  if (index < 0 || index >= code_count(t)) return "";
  if (t == CT_PAYMENT && index == 0 && g_program == ProgramKind::prune) return kPruneNone;
  return table(t)[index];
}

int code_match(CodeTable t, const char* value, size_t length) {
  const char* const* words = table(t);
  for (int i = 0; i < code_count(t); i++) {
    const char* w = words[i];
    size_t k = 0;
    // The word's terminating NUL never equals a value character, so a value
    // longer than the word does not match it.
    while (k < length && w[k] != 0 && lower(w[k]) == lower(value[k])) k++;
    if (k == length) return i;
  }
  return -1;
}
