// What must hold for any bytes given to the document readers, shared by the
// seeded mutation test of the normal suite and the coverage-guided fuzzer.
// Each check returns an empty string when all is well, else what went wrong.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "docs/purchase.h"
#include "docs/workorder.h"

namespace doc_fuzz {

// The result steps over exactly the padding, the text and its NUL, and the
// report agrees with the bytes.
inline std::string check_step(const uint8_t* data, size_t size, int64_t r, const DocRead& info,
                              const std::string& raw) {
  size_t k = 0;
  while (k < size && data[k] == 0) k++;
  if (k == size) return r == 0 ? "" : "result not 0 for padding only";
  if (r <= 0) return "result does not step forward";
  const char* text = reinterpret_cast<const char*>(data) + k;
  size_t len = strnlen(text, size - k);
  if (r != static_cast<int64_t>(k + len + 1)) return "result is not padding + text + 1";
  if (info.padding != static_cast<int64_t>(k) || info.text_length != static_cast<int64_t>(len))
    return "report disagrees with the bytes";
  if (info.terminated != (len < size - k)) return "terminated flag wrong";
  if (raw != std::string(text, len + (info.terminated ? 1 : 0))) return "raw bytes wrong";
  return "";
}

// True when a "[" stands anywhere but at the start of a line: the readers
// may take it for a section header (a known property of the format), so a
// rewrite of such a document need not read back the same.
inline bool stray_bracket(const std::string& doc) {
  for (size_t i = 1; i < doc.size(); i++)
    if (doc[i] == '[' && doc[i - 1] != '\n') return true;
  return false;
}

// Workorder: the read steps forward; unless a "[" inside a line can be
// taken for a header, what was read is written and read again whole, and
// rewriting settles: writing what was read from a rewrite gives the same
// bytes.
inline std::string check_workorder(const uint8_t* data, size_t size) {
  Workorder wo, again;
  std::string raw;
  DocRead info;
  info.raw = &raw;
  int64_t r = wo_parse(reinterpret_cast<const char*>(data), size, &wo, &info);
  std::string err = check_step(data, size, r, info, raw);
  if (!err.empty() || r == 0) {
    wo_free(&wo);
    return err;
  }
  std::string first, second, third;
  wo_format(wo, &first);
  wo_free(&wo);
  if (first.empty() || first.back() != '\0' || first.find('\0') != first.size() - 1)
    return "written document is not one NUL-ended text";
  if (stray_bracket(first)) return "";
  // The first rewrite may still change values (leading spaces of a value
  // are not read back); from then on a rewrite is the same.
  for (std::string* out : {&second, &third}) {
    const std::string& in = out == &second ? first : second;
    DocRead info2;
    int64_t r2 = wo_parse(in.data(), in.size(), &again, &info2);
    if (r2 != static_cast<int64_t>(in.size())) err = "rewritten document length differs";
    else if (!info2.whole) err = "rewritten document is not read whole";
    wo_format(again, out);
    wo_free(&again);
    if (!err.empty()) return err;
  }
  if (third != second) {
    size_t at = 0;
    while (at < second.size() && at < third.size() && second[at] == third[at]) at++;
    size_t from = at > 80 ? at - 80 : 0;
    err = "writing what was read changes the document at " + std::to_string(at) + ":\n" +
          second.substr(from, 160) + "\n--- becomes ---\n" + third.substr(from, 160);
  }
  return err;
}

// Purchase order: the read steps forward and (with the same exception) what
// was read is written and read again whole.
inline std::string check_purchase_order(const uint8_t* data, size_t size) {
  PurchaseOrder po, again;
  std::string raw;
  DocRead info;
  info.raw = &raw;
  int64_t r = po_parse(reinterpret_cast<const char*>(data), size, &po, &info);
  std::string err = check_step(data, size, r, info, raw);
  if (!err.empty() || r == 0) {
    po_free(&po);
    return err;
  }
  std::string first;
  po_format(po, &first);
  po_free(&po);
  if (stray_bracket(first)) return "";
  DocRead info2;
  int64_t r2 = po_parse(first.data(), first.size(), &again, &info2);
  if (r2 != static_cast<int64_t>(first.size())) err = "rewritten order length differs";
  else if (!info2.whole) err = "rewritten order is not read whole";
  po_free(&again);
  return err;
}

}  // namespace doc_fuzz
