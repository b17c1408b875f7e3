// The run marker's text form and its check of the files a pass left.
#include "db/catalog.h"
#include "prune_fixture.h"
#include "run_marker.h"

namespace {

TEST(RunMarkerTest, TextRoundTripsAndDamagedTextIsRefused) {
  RunMarker m;
  m.params = "I1 C0 U700000 R-1 P-1 W-1 O-1";
  m.done.push_back({"inventory", {{"VKINVENT.DAT", 688, 0x0123456789abcdefull},
                                  {"VKINVTAG.DAT", 256, 7}}});
  m.done.push_back({"usage", {{"VKINVENT.DAT", 688, 1}, {"VKUSEHST.DAT", 0, 0xffffffffffffffffull}}});
  std::string text = marker_text(m);
  RunMarker back;
  ASSERT_TRUE(marker_parse(text, &back));
  EXPECT_EQ(back.params, m.params);
  ASSERT_EQ(back.done.size(), 2u);
  EXPECT_EQ(back.done[1].pass, "usage");
  EXPECT_EQ(back.done[0].files, m.done[0].files);
  // Cut anywhere, the text is not a marker.
  for (size_t n = 0; n < text.size(); n++) EXPECT_FALSE(marker_parse(text.substr(0, n), &back)) << n;
  EXPECT_TRUE(back.params.empty());
}

TEST(RunMarkerTest, APassCountsAsDoneOnlyWhileItsFilesAreAsItLeftThem) {
  ShopDir dir;
  set_data_dir(dir.path());
  dir.write("VKINVENT.NEW", std::string(688, 'x'));
  dir.write("VKINVTAG.NEW", std::string(128, 'y'));
  RunMarker m;
  m.params = "p";
  marker_add(&m, "inventory", {"VKINVENT.DAT", "VKINVTAG.DAT"});
  // The replacements are put in place.
  dir.write("VKINVENT.DAT", std::string(688, 'x'));
  dir.write("VKINVTAG.DAT", std::string(128, 'y'));
  EXPECT_TRUE(marker_done(m, "inventory"));
  EXPECT_FALSE(marker_done(m, "usage"));
  // The shop application marked an item deleted in place since: same size,
  // other contents.
  dir.write("VKINVENT.DAT", std::string(687, 'x') + "y");
  EXPECT_FALSE(marker_done(m, "inventory"));
  set_data_dir("./");
}

}  // namespace
