// The command line of velktally: parsed in-process for the run parameters,
// and through the real program for its texts, exit statuses and files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline.h"
#include "platform/console.h"
#include "tally/tally_fixture.h"
#include "ui/dates.h"

namespace {

const std::string kUsage =
    "\r\nUsage:\r\n"
    "VELKTALLY   <-- rebuilds entire usage list...\r\n"
    "VELKTALLY /REBUILD  <-- adds parts from Workorders to Inventory\r\n"
    "VELKTALLY /DELETE   <-- deletes VKINVENT.DAT and VKINVTAG.DAT and then rebuilds from "
    "Workorders\r\n"
    "VELKTALLY /TDATE=<mm/dd/yyyy   <-- trims entire list before TDATE\r\n"
    "VELKTALLY /TRIM-\"<stock number>\"   <-- truncates stock number's usage\r\n"
    "VELKTALLY /TDATE=<mm/dd/yyyy /TRIM=\"<stock number>\"   <-- trims stock numbers's usage and "
    "rebuilds rest\r\n"
    "Multiple /TRIM= parameters are supported.\r\n";

struct Parsed {
  CommandLine result;
  TallyOptions options;
  std::string output;
};

Parsed parse(std::vector<std::string> args) {
  MemoryConsole con;
  Console* old = console_set(&con);
  args.insert(args.begin(), "velktally");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  Parsed p;
  p.result = tally_parse_command_line(static_cast<int>(argv.size()), argv.data(), &p.options);
  p.output = con.transcript();
  console_set(old);
  return p;
}

TEST(TallyCommandLine, OptionsSetTheRunParameters) {
  Parsed p = parse({});
  EXPECT_EQ(p.result, CommandLine::run);
  EXPECT_FALSE(p.options.recover_missing_parts);
  EXPECT_EQ(p.options.trim_date, -1);
  EXPECT_EQ(p.options.trim_count, 0);

  // Lower case is recognised; stock numbers keep their case; arguments are
  // examined from the last, so B is stored before A; a trailing quote goes.
  p = parse({"/tdate=01/05/1998", "/trim=", "abc-1", "-TRIM=", "B\"", "-rebuild"});
  EXPECT_EQ(p.result, CommandLine::run);
  EXPECT_EQ(p.options.trim_date, parse_date("01/05/1998"));
  ASSERT_EQ(p.options.trim_count, 2);
  EXPECT_EQ(p.options.trim_stock_numbers, (std::vector<std::string>{"B", "abc-1"}));
  EXPECT_TRUE(p.options.recover_missing_parts);
  EXPECT_FALSE(p.options.delete_inventory);
  EXPECT_EQ(p.output, "-rebuild\r\nB\"\r\n-TRIM=\r\nabc-1\r\n/trim=\r\n/tdate=01/05/1998\r\n");

  // A stock number ends at its first quote; plain words are ignored.
  p = parse({"/TRIM=", "X1\"tail", "plain"});
  EXPECT_EQ(p.options.trim_stock_numbers, (std::vector<std::string>{"X1"}));

  p = parse({"/Delete"});
  EXPECT_TRUE(p.options.recover_missing_parts);
  EXPECT_TRUE(p.options.delete_inventory);

  today_set(731000);
  p = parse({"/TDATE=*"});
  EXPECT_EQ(p.options.trim_date, 731000);
}

TEST(TallyCommandLine, RefusalsStopWithTheirMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"/TDATE=01/01/1998", "/TDATE=02/01/1998"}, "Too many TDATEs...\r\n"},
      {{"/TDATE=13/45/1998"}, "\r\nBad TDATE...\r\n"},
      {{"/TDATE=1/5/1998"}, "\r\nBad TDATE...\r\n"},
      {{"/TRIM=ABC"}, "\r\nTRIM= needs quotes around stock numbers...\r\n"},
      {{"/TRIM="}, "\r\nBad TRIM= parameter...\r\n"},
      {{"/TRIM=", "/REBUILD"}, "\r\nBad TRIM= parameter...\r\n"},
      {{"/TRIM=", "-x"}, "\r\nUnknown option -x...\r\n"},
      {{"/TRIM=", std::string(256, 'S')},
       "\r\nTRIM= stock number too long (255 characters at most)...\r\n"},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.result, CommandLine::stop) << c.message;
    EXPECT_NE(p.output.find(c.message + kUsage), std::string::npos) << p.output;
  }
  // 255 characters are still a stock number.
  Parsed p = parse({"/TRIM=", std::string(255, 'S')});
  EXPECT_EQ(p.result, CommandLine::run);

  std::vector<std::string> args;
  for (int i = 0; i < 64; ++i) {
    args.push_back("/TRIM=");
    args.push_back("S" + std::to_string(i));
  }
  p = parse(args);
  EXPECT_EQ(p.result, CommandLine::run);
  EXPECT_EQ(p.options.trim_count, 64);
  args.push_back("/TRIM=");
  args.push_back("ONE-TOO-MANY");
  p = parse(args);
  EXPECT_EQ(p.result, CommandLine::stop);
  EXPECT_NE(p.output.find("\r\nToo many TRIM= parameters (64 at most)...\r\n" + kUsage),
            std::string::npos);
}

// The program itself: usage text byte for byte, exit status 0, and no file
// touched, wherever it was started from.
TEST(TallyProgram, UsageAndRefusalsChangeNoFile) {
  TallyDir shop;
  shop.write("VKINVENT.DAT", encode_items({make_item("A1")}));
  shop.write("VKINVTAG.DAT", std::string(128, 'T'));
  const std::vector<std::string> before = shop.names();

  TallyRun r = shop.run({"/?"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "/?\r\n" + kUsage);
  r = shop.run({"/REBUILD", "-?"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "-?\r\n" + kUsage);
  // The usual help switches ask for the same, /DELETE or not.
  for (const char* help : {"--help", "-h", "--HELP"}) {
    r = shop.run({"/DELETE", help});
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_EQ(r.output, std::string(help) + "\r\n" + kUsage);
  }

  // /DELETE is read first of all here, and the refusal comes after it.
  r = shop.run({"/TRIM=", "/DELETE"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "/DELETE\r\n/TRIM=\r\n\r\nBad TRIM= parameter...\r\n" + kUsage);
  r = shop.run({"/DELETE", "/TDATE=00/15/1998"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "/TDATE=00/15/1998\r\n\r\nBad TDATE...\r\n" + kUsage);
  // A word typed wrong runs nothing, /DELETE beside it included.
  r = shop.run({"/DELETE", "/REBUID"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "/REBUID\r\n\r\nUnknown option /REBUID...\r\n" + kUsage);

  EXPECT_EQ(shop.names(), before);
  EXPECT_EQ(shop.read("VKINVTAG.DAT"), std::string(128, 'T'));
  EXPECT_EQ(shop.read("VKINVENT.DAT"), encode_items({make_item("A1")}));
}

TEST(TallyProgram, DeleteActsInTheDataDirectoryOnly) {
  TallyDir shop, elsewhere;
  shop.write("VKINVENT.DAT", encode_items({make_item("OLD-1"), make_item("OLD-2")}));
  shop.write("VKINVTAG.DAT", std::string(256, 'T'));
  elsewhere.write("VKINVENT.DAT", "keep me");
  elsewhere.write("VKINVTAG.DAT", "keep me too");
  write_stored_workorders(shop, {{101, 729800, "DOE", "JANE", {{"NEW-1"}}}});

  TallyRun r = shop.run({"/DELETE"}, elsewhere.path());
  EXPECT_EQ(r.status, 10) << r.output;
  EXPECT_EQ(elsewhere.read("VKINVENT.DAT"), "keep me");
  EXPECT_EQ(elsewhere.read("VKINVTAG.DAT"), "keep me too");
  // The old inventory is gone; the part of the workorder came back.
  std::vector<InventoryRecord> items = decode_items(shop.read("VKINVENT.DAT"));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_STREQ(items[0].stock_number, "NEW-1");
  EXPECT_STREQ(items[0].code_a, "RECOVERED");
  EXPECT_EQ(decode_tags(shop.read("VKINVTAG.DAT")).size(), 1u);
}

}  // namespace
