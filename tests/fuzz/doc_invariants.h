// What must hold for any bytes given to the document readers, shared by the
// seeded mutation test of the normal suite and the coverage-guided fuzzer.
// Each check returns an empty string when all is well, else what went wrong.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "docs/purchase.h"
#include "docs/workorder.h"
#include "fuzz/fuzz_support.h"

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

// Where two written documents first differ, with the text around it.
inline std::string first_difference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) at++;
  size_t from = at > 80 ? at - 80 : 0;
  return " at " + std::to_string(at) + ":\n" + a.substr(from, 160) + "\n--- becomes ---\n" +
         b.substr(from, 160);
}

// A written document as its values read back: the readers skip the blanks
// after a value line's "=", so a value that begins with a blank (a starting
// value such as " None") loses them on its first rewrite; and a day number
// before 01/01/1900 (the vehicle's starting original date, 0) is written as a
// date the readers do not take, so it reads back as none. Both are known
// properties of the format. Value lines are those in front of the parts.
inline std::string read_back_form(const std::string& doc) {
  std::string out;
  out.reserve(doc.size());
  size_t parts = doc.find("\r\n[Parts]\r\n");
  if (parts == std::string::npos) parts = doc.size();
  bool value = false;  // the line's "=" has been passed
  for (size_t i = 0; i < doc.size(); i++) {
    out.push_back(doc[i]);
    if (doc[i] == '\n') value = false;
    if (i >= parts || value || doc[i] != '=') continue;
    value = true;
    while (i + 1 < doc.size() && doc[i + 1] == ' ') i++;
    const char* v = doc.c_str() + i + 1;
    auto digits = [](const char* d, int n) {
      for (int k = 0; k < n; k++)
        if (d[k] < '0' || d[k] > '9') return false;
      return true;
    };
    if (doc.size() - i - 1 >= 12 && digits(v, 2) && v[2] == '/' && digits(v + 3, 2) &&
        v[5] == '/' && digits(v + 6, 4) && v[10] == '\r' && std::atoi(v + 6) < 1900) {
      i += 10;  // as the ten blanks of no date, which are left out too
    }
  }
  return out;
}

// A written purchase order with its part lines sorted as texts: each read
// puts lines of equal stock-number keys newest first, so every rewrite turns
// their order round (a known property of the order's reader).
inline std::string parts_sorted(const std::string& doc) {
  size_t from = doc.find("\r\n[Parts]\r\n");
  if (from == std::string::npos) return doc;
  from += 11;
  size_t to = doc.find("\r\n\r\n[", from);
  if (to == std::string::npos) return doc;
  std::vector<std::string> lines;
  for (size_t at = from; at <= to;) {
    size_t e = doc.find("\r\n", at);
    lines.push_back(doc.substr(at, e - at));
    at = e + 2;
  }
  std::sort(lines.begin(), lines.end());
  std::string out = doc.substr(0, from);
  for (const std::string& l : lines) out += l + "\r\n";
  return out + doc.substr(to + 2);
}

// Rereads a written document (as wo_parse or po_parse) and writes it again.
template <class Doc>
std::string reread(const std::string& written, int64_t (*parse)(const char*, size_t, Doc*, DocRead*),
                   void (*format)(const Doc&, std::string*), void (*release)(Doc*),
                   std::string* out) {
  Doc d;
  DocRead info;
  int64_t r = parse(written.data(), written.size(), &d, &info);
  std::string err;
  if (r != static_cast<int64_t>(written.size())) err = "rewritten document length differs";
  else if (!info.whole) err = "rewritten document is not read whole";
  format(d, out);
  release(&d);
  return err;
}

// What a document read whole is written into reads whole, gives back what
// was written (in its read-back form), and writing what it gives again
// changes nothing.
template <class Doc>
std::string check_rewrite(const std::string& first,
                          int64_t (*parse)(const char*, size_t, Doc*, DocRead*),
                          void (*format)(const Doc&, std::string*), void (*release)(Doc*),
                          std::string (*same)(const std::string&)) {
  std::string second, third;
  std::string err = reread(first, parse, format, release, &second);
  if (err.empty()) err = reread(second, parse, format, release, &third);
  if (!err.empty()) return err;
  if (second != first && same(read_back_form(second)) != same(read_back_form(first)))
    return "the rewritten document reads back differently" + first_difference(first, second);
  if (third != second && same(third) != same(second))
    return "writing what was read changes the document" + first_difference(second, third);
  return "";
}

inline std::string as_written(const std::string& doc) { return doc; }

// Workorder: the read steps forward; unless a "[" inside a line can be
// taken for a header, what was read is written into a document that keeps
// it (check_rewrite).
inline std::string check_workorder(const uint8_t* data, size_t size) {
  Workorder wo;
  std::string raw;
  DocRead info;
  info.raw = &raw;
  int64_t r = wo_parse(reinterpret_cast<const char*>(data), size, &wo, &info);
  std::string err = check_step(data, size, r, info, raw);
  if (!err.empty() || r == 0) {
    wo_free(&wo);
    return err;
  }
  std::string first;
  wo_format(wo, &first);
  wo_free(&wo);
  if (first.empty() || first.back() != '\0' || first.find('\0') != first.size() - 1)
    return "written document is not one NUL-ended text";
  if (stray_bracket(first)) return "";
  return check_rewrite<Workorder>(first, wo_parse, wo_format, wo_free, as_written);
}

// Purchase order: the same, but for the order of equal keys.
inline std::string check_purchase_order(const uint8_t* data, size_t size) {
  PurchaseOrder po;
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
  return check_rewrite<PurchaseOrder>(first, po_parse, po_format, po_free, parts_sorted);
}

// Reading the bytes from a file gives what parsing them in memory gives; a
// read that fails inside the document gives -1.
template <class Doc>
std::string check_file_read(const uint8_t* data, size_t size,
                            int64_t (*parse)(const char*, size_t, Doc*, DocRead*),
                            int64_t (*read)(File*, Doc*, DocRead*),
                            void (*format)(const Doc&, std::string*), void (*release)(Doc*)) {
  Doc a, b;
  DocRead ia, ib;
  int64_t ra = parse(reinterpret_cast<const char*>(data), size, &a, &ia);
  fuzz::PieceFile f;
  f.data.assign(data, data + size);
  int64_t rb = read(&f, &b, &ib);
  std::string fa, fb;
  if (ra > 0) format(a, &fa);
  if (rb > 0) format(b, &fb);
  if (ra > 0) release(&a);
  if (rb > 0) release(&b);
  if (ra != rb || ia.whole != ib.whole || ia.padding != ib.padding || fa != fb)
    return "reading from a file differs from reading in memory";
  if (size > 2048 && ra > 2048) {
    fuzz::PieceFile g;
    g.data.assign(data, data + size);
    g.fail_at = 1;
    int64_t rg = read(&g, &b, nullptr);
    if (rg > 0) release(&b);
    if (rg != -1) return "a failed read is not reported";
  }
  return "";
}

inline std::string check_file_reads(const uint8_t* data, size_t size) {
  std::string err = check_file_read<Workorder>(data, size, wo_parse, wo_read, wo_format, wo_free);
  if (err.empty()) err = check_file_read<PurchaseOrder>(data, size, po_parse, po_read, po_format, po_free);
  return err;
}

}  // namespace doc_fuzz
