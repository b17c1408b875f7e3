// Fixed-record scans over any file: uneven reads, stray tails, records
// written back during the scan, and read errors. Every whole record comes
// back once at its offset, the tail is never a record and is copied as it
// is, and a failed read always ends in the fatal message, never in an early
// end of the file.
#include "db/recfile.h"
#include "fuzz_support.h"
#include "ui/settings.h"

namespace {

// Record sizes of the data files, and small ones that make many records.
const size_t kSizes[] = {76, 84, 344, 317, 397, 1, 2, 3, 7, 16};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  settings_defaults(ProgramKind::scrub);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const size_t rs = kSizes[in.byte() % (sizeof kSizes / sizeof kSizes[0])];
  const uint8_t mode = in.byte();
  const bool write_back = mode & 1;
  // Now and then a long file, that needs several buffer fills.
  const int repeat = (mode >> 1) % 16 == 0 ? 48 : 1 + (mode >> 1) % 3;
  fuzz::PieceFile f;
  fuzz::shape_reads(in, &f);
  std::vector<uint8_t> body = in.rest();
  for (int i = 0; i < repeat; i++) f.data.insert(f.data.end(), body.begin(), body.end());
  const std::vector<uint8_t> original = f.data;
  const size_t whole = original.size() / rs;

  fuzz::FatalConsole con;
  Console* old = console_set(&con);
  RecordScan s;
  scan_begin(&s, &f, rs, "VKUSEHST.DAT");
  std::vector<uint8_t> rec(rs);
  size_t n = 0;
  bool fatal = false;
  try {
    int64_t at = -1;
    while (scan_next(&s, rec.data(), &at)) {
      fuzz::expect(at == static_cast<int64_t>(n * rs), "record offset");
      fuzz::expect(std::memcmp(rec.data(), original.data() + at, rs) == 0, "record bytes");
      if (write_back) {
        rec[0] ^= 0x5a;
        fuzz::expect(rec_write_at(&f, at, rec.data(), rs), "write back");
      }
      n++;
    }
  } catch (fuzz::ReadFatal&) {
    fatal = true;
  }
  console_set(old);
  fuzz::expect(!fatal || f.failed, "fatal without a failed read");
  fuzz::expect(fatal || !f.failed, "a failed read taken for the end");
  if (fatal) return 0;

  f.fail_at = -1;
  fuzz::expect(n == whole, "whole records");
  const size_t tail = original.size() - whole * rs;
  fuzz::expect(s.stray == static_cast<int64_t>(tail), "stray count");
  fuzz::expect((con.transcript().find("stray bytes") != std::string::npos) == (tail > 0), "stray message");
  for (size_t i = 0; i < original.size(); i++) {
    uint8_t want = original[i] ^ (write_back && i < whole * rs && i % rs == 0 ? 0x5a : 0);
    fuzz::expect(f.data[i] == want, "file after the scan");
  }

  // The tail goes along unchanged into a copy; appends land on a record
  // boundary past it, and only whole records read back.
  fuzz::PieceFile out;
  out.data = {0xAA};
  fuzz::expect(scan_copy_stray(&s, &out), "copy of the tail");
  fuzz::expect(out.data.size() == 1 + tail &&
                   std::equal(out.data.begin() + 1, out.data.end(), original.end() - tail),
               "tail copied as it is");
  const int64_t end = rec_end(&f, rs);
  fuzz::expect(end % static_cast<int64_t>(rs) == 0 && end >= static_cast<int64_t>(original.size()) &&
                   end < static_cast<int64_t>(original.size() + rs),
               "append offset");
  int32_t at = -1;
  if (end <= INT32_MAX) {
    fuzz::expect(rec_append(&f, rec.data(), rs, &at) && at == end, "append");
    fuzz::expect(std::equal(original.begin() + whole * rs, original.end(), f.data.begin() + whole * rs),
                 "the tail stays");
  }
  for (int64_t o : {int64_t{0}, end - static_cast<int64_t>(rs), end, end + 1}) {
    if (o < 0) continue;
    bool got = rec_read_at(&f, o, rec.data(), rs);
    fuzz::expect(got == (o >= 0 && o + static_cast<int64_t>(rs) <= f.size()), "read at an offset");
  }
  return 0;
}
