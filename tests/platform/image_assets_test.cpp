// The generated working-folder template: every picture loaded at start-up
// exists at its size and is not blank, the sounds decode, and the colour
// scheme file names a scheme.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/sound.h"

namespace {
// The build's template folder: from YRM_BUILD_DIR, else beside the folder
// of this test program (<build>/tests/).
std::string TemplateDir() {
  const char* build = std::getenv("YRM_BUILD_DIR");
  return (build && *build ? std::string(build) : pf::ProgramDirectory() + "/..") + "/work-template/";
}

TEST(Assets, EveryStartUpPictureExistsAtItsSize) {
  const std::string dir = TemplateDir();
  ASSERT_TRUE(pf::IsDirectory(dir)) << dir << " missing: build the yrm_assets_files target";
  struct Picture {
    int number;
    const char* file;
    int w, h;
  } pictures[] = {
      {837, "graphics/button_connected.png", 70, 23},
      {838, "graphics/button_no-connect.png", 70, 23},
      {839, "graphics/buttonA_grey.png", 70, 23},
      {840, "graphics/buttonA_yellow.png", 70, 23},
      {841, "graphics/buttonB_grey.png", 70, 23},
      {842, "graphics/buttonB_yellow.png", 70, 23},
      {846, "graphics/good_72x23.png", 72, 23},
      {847, "graphics/good_grey_72x23.png", 72, 23},
      {848, "graphics/bad_72x23.png", 72, 23},
      {849, "graphics/bad_grey_72x23.png", 72, 23},
      {850, "graphics/nosig_72x23_pink.png", 72, 23},
      {851, "graphics/notest_72x23.png", 72, 23},
      {852, "graphics/questionmark_72x23_yellow.png", 72, 23},
      {853, "graphics/good_23x23.png", 23, 23},
      {854, "graphics/bad_23x23.png", 23, 23},
      {855, "graphics/nosig_23x23_pink.png", 23, 23},
      {856, "graphics/notest_23x23.png", 23, 23},
      {857, "graphics/questionmark_23x23_yellow.png", 23, 23},
      {858, "graphics/block_23x23_black.png", 23, 23},
      {859, "graphics/singlecapture_green.png", 72, 23},
      {860, "graphics/singlecapture_grey.png", 72, 23},
      {861, "graphics/autocapture_yellow.png", 140, 23},
      {862, "graphics/captureinprogress_green.png", 140, 23},
      {863, "graphics/autotest_yellow.png", 140, 23},
      {864, "graphics/testinprogress_green.png", 140, 23},
      {950, "graphics/noimage.png", 640, 480},
  };
  pf::test::ResetImages();
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.file);
    ASSERT_TRUE(pf::LoadImage(p.number, dir + p.file)) << pf::ImageError();
    EXPECT_EQ(pf::ImageWidth(p.number), p.w);
    EXPECT_EQ(pf::ImageHeight(p.number), p.h);
    std::set<int> colours;
    for (int y = 0; y < p.h; y += 1)
      for (int x = 0; x < p.w; x += 1) colours.insert(pf::Point(p.number, x, y));
    EXPECT_GE(colours.size(), p.number == 858 ? 1u : 3u);  // drawn on, not a blank
  }
  EXPECT_EQ(pf::Point(858, 11, 11), 0);  // the black block
}

TEST(Assets, SoundsDecodeAndTheColourSchemeIsNamed) {
  const std::string dir = TemplateDir();
  pf::test::ResetSounds();
  int number = 893;
  for (const char* file : {"sounds/capturesignature.wav", "sounds/capturecomplete.wav", "sounds/testgood.wav",
                           "sounds/testbad.wav"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(pf::LoadSound(number++, dir + file));
    const int64_t bytes = pf::FileSize(dir + file);
    EXPECT_GT(bytes, 44 + 22050 * 2 / 10);  // a tenth of a second at least
    EXPECT_LT(bytes, 44 + 22050 * 2);       // shorter than a second
  }
  std::vector<std::string> lines;
  ASSERT_TRUE(pf::ReadLines(dir + "settings/colours.txt", lines));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "scheme1");
}

}  // namespace
