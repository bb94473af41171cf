#include "testing/boardview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bigphoto.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/navigation.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kScratch = 700, kPhoto = 0x404040;

struct Window {
  int left, top, right, bottom;
  bool operator==(const Window&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Window& w) {
  return o << "(" << w.left << ", " << w.top << ") to (" << w.right << ", " << w.bottom << ")";
}

class BoardViewTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::ResetImages();
    ForgetPcbPhoto();
    records = RecordTable(4, kPlanFields);
    Photo("board.png", 1000, 500, kPhoto);
  }
  static void Photo(const std::string& path, int w, int h, int colour) {
    pf::CreateImage(kScratch, w, h, colour);
    ASSERT_TRUE(pf::SavePng(kScratch, path));
  }
  static void Pin(int row, int x, int y, const char* result, const char* golden = "Yes",
                  const char* pin = "2") {
    records.SetFieldInt(row, kFieldPinX, x);
    records.SetFieldInt(row, kFieldPinY, y);
    records.SetField(row, kFieldResult, result);
    records.SetField(row, kFieldGolden, golden);
    records.SetField(row, kFieldPin, pin);
  }
  static int At(int x, int y) { return pf::Point(kImagePcbView, x, y); }
  static Window Published() { return {imagewindowleft, imagewindowtop, imagewindowright, imagewindowbottom}; }
};
}  // namespace

TEST_F(BoardViewTest, WindowIsASquarePushedInsideThePhoto) {
  struct Case {
    int cx, cy;
    float zoom;
    Window window;
  } cases[] = {
      {500, 250, 1, {0, 0, 1000, 500}},    // the whole photo
      {100, 100, 2, {0, 0, 500, 500}},     // 500 square pushed in from the top left
      {900, 400, 2, {500, 0, 1000, 500}},  // and from the right and bottom
      {500, 250, 4, {375, 125, 625, 375}},
      {500, 250, 0, {0, 0, 1000, 500}},  // zoom 0 is 0.01
      {500, 250, -3, {0, 0, 1000, 500}},
      {500, 250, 1000, {495, 245, 505, 255}},  // zoom 1000 is 100: a 10-pixel square
      {500, 250, 100, {495, 245, 505, 255}},
      {-5000, 99999, 8, {0, 375, 125, 500}},
  };
  for (const Case& c : cases) {
    YRM_DrawPcbView(200, 100, c.cx, c.cy, c.zoom, 0, 0, "board.png");
    EXPECT_EQ(Published(), c.window) << c.cx << "," << c.cy << " zoom " << c.zoom;
    EXPECT_EQ(pcbimagewidth, 1000);
    EXPECT_EQ(pcbimageheight, 500);
    EXPECT_EQ(pf::ImageWidth(kImagePcbView), 200);
    EXPECT_EQ(pf::ImageHeight(kImagePcbView), 100);
  }
  // Showing everything ignores the record's centre and zoom.
  pcbshowall = 1;
  YRM_DrawPcbView(200, 100, 100, 100, 8, 0, 0, "board.png");
  EXPECT_EQ(Published(), (Window{0, 0, 1000, 500}));
}

// Window (0, 0) to (500, 500) drawn at 250 x 250: two photo pixels per view pixel.
TEST_F(BoardViewTest, PinOnTheWindowEdgeIsDrawnOnePixelOutsideIsNot) {
  Pin(2, 500, 100, "Good");  // right edge: (250, 50), half outside the view
  Pin(3, 501, 300, "Good");  // one pixel outside: would be at (251, 150)
  Pin(4, 0, 400, "Bad");     // left edge
  YRM_DrawPcbView(250, 250, 100, 100, 2, -1000, -1000, "board.png");
  ASSERT_EQ(Published(), (Window{0, 0, 500, 500}));
  EXPECT_EQ(At(247, 50), colourgreen);
  EXPECT_EQ(At(244, 50), colourblack);  // the black rim, radius 6
  EXPECT_EQ(At(247, 150), kPhoto);
  EXPECT_EQ(At(2, 200), colourred);
}

TEST_F(BoardViewTest, PinSymbolsByResultAndGoldenFlag) {
  struct Case {
    const char *result, *golden, *pin;
    int colour;
    bool square;
  } cases[] = {
      {"Good", "Yes", "2", colourgreen, false},      {"Bad", "Yes", "2", colourred, false},
      {"Untested", "Yes", "2", colouryellow, false}, {"NoTest", "Yes", "2", colourgrey, false},
      {"Other", "Yes", "2", colourblack, false},  // only the black shape
      {"Good", "", "2", colourpink, false},       // no golden signature: pink, whatever the result
      {"Good", "Yes", "1", colourgreen, true},    // pin 1 is a square
      {"Bad", "No", "1", colourpink, true},
  };
  for (const Case& c : cases) {
    Pin(2, 250, 125, c.result, c.golden, c.pin);  // shown at (50, 25)
    YRM_DrawPcbView(200, 100, 500, 250, 1, -1000, -1000, "board.png");
    SCOPED_TRACE(std::string(c.result) + "/" + c.golden + "/" + c.pin);
    EXPECT_EQ(At(50, 25), c.colour);
    EXPECT_EQ(At(50, 25 - 5), c.colour);
    EXPECT_EQ(At(50, 25 - 6), colourblack);
    EXPECT_EQ(At(50, 25 - 7), kPhoto);
    // The corners tell a square from a disc.
    EXPECT_EQ(At(50 - 5, 25 - 5), c.square ? c.colour : kPhoto);
    EXPECT_EQ(At(50 - 6, 25 - 6), c.square ? colourblack : kPhoto);
    EXPECT_EQ(At(50 + 6, 25 + 6), kPhoto);  // 12 x 12 from (sx - 6, sy - 6)
  }
  // A row being deleted shows nothing.
  records.SetField(2, kFieldNumber, "delete");
  YRM_DrawPcbView(200, 100, 500, 250, 1, -1000, -1000, "board.png");
  EXPECT_EQ(At(50, 25), kPhoto);
}

// Pins on one place are drawn in row order: the last disc shows over the
// discs before it, and a square before it still shows its corners; a row
// being deleted leaves the one beneath it on top.
TEST_F(BoardViewTest, PinsOnOnePlaceShowTheLastOnTop) {
  records = RecordTable(6, kPlanFields);
  Pin(2, 250, 125, "Good");  // shown at (50, 25)
  Pin(3, 250, 125, "Bad");
  Pin(4, 750, 375, "Bad", "Yes", "1");  // shown at (150, 75)
  Pin(5, 750, 375, "Good");
  YRM_DrawPcbView(200, 100, 500, 250, 1, -1000, -1000, "board.png");
  EXPECT_EQ(At(50, 25), colourred);
  EXPECT_EQ(At(150, 75), colourgreen);
  EXPECT_EQ(At(150 - 5, 75 - 5), colourred);  // the square's corner
  records.SetField(3, kFieldNumber, "delete");
  records.SetField(5, kFieldNumber, "delete");
  YRM_DrawPcbView(200, 100, 500, 250, 1, -1000, -1000, "board.png");
  EXPECT_EQ(At(50, 25), colourgreen);
  EXPECT_EQ(At(150, 75), colourred);
  records.SetField(3, kFieldNumber, "3");
  records.SetField(5, kFieldNumber, "5");
  Pin(5, 250, 125, "Untested");  // moved onto the other place
  YRM_DrawPcbView(200, 100, 500, 250, 1, -1000, -1000, "board.png");
  EXPECT_EQ(At(50, 25), colouryellow);
  EXPECT_EQ(At(150, 75), colourred);
}

TEST_F(BoardViewTest, CursorCrosshairs) {
  // Whole photo at 200 x 100: cursor (500, 250) maps to (100, 50).
  YRM_DrawPcbView(200, 100, 500, 250, 1, 500, 250, "board.png");
  EXPECT_EQ(At(0, 50), colourwhite);
  EXPECT_EQ(At(100, 99), colourwhite);
  EXPECT_EQ(At(10, 49), kPhoto);  // "1 line": no black lines
  pcbcrosshairtype = "3 line";
  YRM_DrawPcbView(200, 100, 500, 250, 1, 500, 250, "board.png");
  EXPECT_EQ(At(10, 49), colourblack);
  EXPECT_EQ(At(10, 51), colourblack);
  EXPECT_EQ(At(99, 10), colourblack);
  EXPECT_EQ(At(10, 50), colourwhite);
  // A cursor outside the window draws no crosshair at all.
  YRM_DrawPcbView(200, 100, 600, 300, 4, 900, 250, "board.png");  // window 475..725
  for (int x = 0; x < 200; ++x)
    for (int y = 0; y < 100; ++y) ASSERT_EQ(At(x, y), kPhoto) << x << "," << y;
}

TEST_F(BoardViewTest, NoPhotoShowsThePlaceholderAtZoomOne) {
  std::filesystem::create_directory("graphics");
  Photo(kNoImageFile, 640, 480, 0x123456);
  YRM_DrawPcbView(100, 100, 2000, 0, 5, 0, 0, "");
  // A 640 square round (2000, 0), pushed inside: at most the picture itself.
  EXPECT_EQ(Published(), (Window{0, 0, 640, 480}));
  EXPECT_EQ(pcbimagewidth, 640);
}

TEST_F(BoardViewTest, UnreadablePhotoKeepsTheWindowAndShowsABluePanel) {
  YRM_DrawPcbView(200, 100, 500, 250, 4, 0, 0, "board.png");
  const Window before = Published();
  yrmtest::Spit("broken.png", "\x89PNG\r\n\x1a\nnot really");
  for (const char* file : {"broken.png", "missing.jpg"}) {
    YRM_DrawPcbView(200, 100, 500, 250, 1, 0, 0, file);
    EXPECT_EQ(Published(), before) << file;
    EXPECT_EQ(pcbimagewidth, 1000);
    EXPECT_EQ(At(100, 50), colourblue) << file;
  }
}

// The decoded photo is kept while the file's path, size and time are
// unchanged, and read again as soon as any of them changes.
TEST_F(BoardViewTest, PhotoIsDecodedAgainOnlyWhenItsFileChanges) {
  namespace fs = std::filesystem;
  YRM_DrawPcbView(200, 100, 500, 250, 1, 0, 0, "board.png");
  ASSERT_EQ(At(100, 50), kPhoto);
  // Same size and time, different bytes: the kept photo is used.
  const auto stamp = fs::last_write_time("board.png");
  std::string bytes = yrmtest::Slurp("board.png");
  for (size_t k = 20; k < bytes.size(); ++k) bytes[k] = 'x';
  yrmtest::Spit("board.png", bytes);
  fs::last_write_time("board.png", stamp);
  YRM_DrawPcbView(200, 100, 500, 250, 1, 0, 0, "board.png");
  EXPECT_EQ(At(100, 50), kPhoto);
  // A new time: read again (now broken).
  fs::last_write_time("board.png", stamp + std::chrono::seconds(1));
  YRM_DrawPcbView(200, 100, 500, 250, 1, 0, 0, "board.png");
  EXPECT_EQ(At(100, 50), colourblue);
  // A new photo under the same name.
  Photo("board.png", 1000, 500, 0x0000AA);
  YRM_DrawPcbView(200, 100, 500, 250, 1, 0, 0, "board.png");
  EXPECT_EQ(At(100, 50), 0x0000AA);
}

// A large photo is decoded only as finely as the window on show needs, and
// finer when a closer view asks for it. The view differs from one cut out of
// the full photo only by the resampling: a fraction of a level on average.
TEST_F(BoardViewTest, PhotoIsDecodedAtTheScaleTheViewNeeds) {
  constexpr int kFull = 701, kCut = 702;
  pf::CreateImage(kScratch, 1600, 1200, 0);
  pf::StartDrawing(kScratch);
  for (int y = 0; y < 1200; y += 8)
    for (int x = 0; x < 1600; x += 8)
      pf::Box(x, y, 8, 8, (x * 255 / 1600) | (y * 255 / 1200) << 8 | ((x + y) % 97) << 16);
  for (int k = 0; k < 60; ++k) pf::Circle(37 * k % 1600, 53 * k % 1200, 20 + k % 30, 0xFFFFFF * (k % 2));
  pf::StopDrawing();
  ASSERT_TRUE(pf::test::SaveJpeg(kScratch, "board.jpg", 95));
  // The full decode, kept as a PNG: the platform's last large picture must
  // not be the JPEG's, or it would serve the view.
  ASSERT_TRUE(pf::LoadImage(kFull, "board.jpg"));
  ASSERT_TRUE(pf::SavePng(kFull, "full.png"));
  pf::test::ResetImages();
  ASSERT_TRUE(pf::LoadImage(kFull, "full.png"));
  for (int row = 1; row <= records.Rows(); ++row) records.SetFieldInt(row, kFieldPinX, -100);

  struct Case {
    float zoom;
    int heldWidth;  // width of the photo decoded for the view
  } cases[] = {
      {1, 400},   // 1600 x 1200 into 200 x 200: a quarter is still enough
      {4, 800},   // a 400-pixel window: half
      {8, 1600},  // a 200-pixel window: every pixel
      {1, 1600},  // back to the whole photo: the finer one held serves
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("zoom " + std::to_string(c.zoom));
    YRM_DrawPcbView(200, 200, 700, 500, c.zoom, -1000, -1000, "board.jpg");
    EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), c.heldWidth);
    EXPECT_EQ(pcbimagewidth, 1600);
    EXPECT_EQ(pcbimageheight, 1200);
    // The same window cut out of the full photo and stretched.
    pf::GrabImage(kFull, kCut, imagewindowleft, imagewindowtop, imagewindowright - imagewindowleft,
                  imagewindowbottom - imagewindowtop);
    pf::ResizeImage(kCut, 200, 200);
    double sum = 0;
    int worst = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        for (int shift = 0; shift < 24; shift += 8) {
          const int d = std::abs((At(x, y) >> shift & 0xFF) - (pf::Point(kCut, x, y) >> shift & 0xFF));
          sum += d;
          worst = std::max(worst, d);
        }
    const double mean = sum / (200.0 * 200 * 3);
    if (c.heldWidth == 1600) {
      EXPECT_EQ(worst, 0);
    }
    EXPECT_LT(mean, 3.0) << "worst " << worst;
    std::printf("zoom %.0f: held %d wide, mean difference %.2f, worst %d\n", c.zoom, c.heldWidth, mean,
                worst);
  }
}

// A JPEG 2000 photo is decoded over the part of it the view needs, with a
// margin that serves a pan nearby; a view outside it decodes another part,
// the whole photo the whole. What shows is the photo's own pixels.
TEST_F(BoardViewTest, Jp2PhotoIsDecodedOverThePartTheViewNeeds) {
  constexpr int kFull = 701, kCut = 702;
  pf::CreateImage(kFull, 1600, 1200, 0);
  pf::StartDrawing(kFull);
  for (int y = 0; y < 1200; y += 8)
    for (int x = 0; x < 1600; x += 8)
      pf::Box(x, y, 8, 8, (x * 255 / 1600) | (y * 255 / 1200) << 8 | ((x + y) % 97) << 16);
  pf::StopDrawing();
  ASSERT_TRUE(pf::test::SaveJp2(kFull, "board.jp2", false));  // lossless
  for (int row = 1; row <= records.Rows(); ++row) records.SetFieldInt(row, kFieldPinX, -100);
  struct Case {
    int cx, cy;
    float zoom;
    pf::ImageArea part;  // of the photo held
    int heldWidth;
  } cases[] = {
      {700, 500, 8, {550, 350, 850, 650}, 300},    // a 200-pixel window and a quarter again round it
      {740, 520, 8, {550, 350, 850, 650}, 300},    // a pan within it: the same
      {1000, 500, 8, {850, 350, 1150, 650}, 300},  // beyond it: another part
      {700, 500, 1, {0, 0, 1600, 1200}, 400},      // the whole photo, a quarter of its pixels
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("centre " + std::to_string(c.cx) + " zoom " + std::to_string(c.zoom));
    YRM_DrawPcbView(200, 200, c.cx, c.cy, c.zoom, -1000, -1000, "board.jp2");
    const pf::ImageArea part = pf::ImagePart(kImagePcbPhoto);
    EXPECT_EQ(Window({part.left, part.top, part.right, part.bottom}),
              Window({c.part.left, c.part.top, c.part.right, c.part.bottom}));
    EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), c.heldWidth);
    EXPECT_EQ(pcbimagewidth, 1600);
    pf::GrabImage(kFull, kCut, imagewindowleft, imagewindowtop, imagewindowright - imagewindowleft,
                  imagewindowbottom - imagewindowtop);
    pf::ResizeImage(kCut, 200, 200);
    int worst = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        for (int shift = 0; shift < 24; shift += 8)
          worst =
              std::max(worst, std::abs((At(x, y) >> shift & 0xFF) - (pf::Point(kCut, x, y) >> shift & 0xFF)));
    EXPECT_LE(worst, c.zoom == 1 ? 64 : 0);
  }
}

namespace {
// A photo file over a megabyte: random pixels do not compress.
void LargePhoto(const std::string& path, int w, int h, unsigned seed) {
  pf::CreateImage(kScratch, w, h, 0);
  pf::StartDrawing(kScratch);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      pf::Plot(x, y, int(seed >> 8) & 0xFFFFFF);
    }
  pf::StopDrawing();
  ASSERT_TRUE(pf::SavePng(kScratch, path));
  ASSERT_GT(std::filesystem::file_size(path), 1u << 20);
}
}  // namespace

// The main window's view of a large new photo does not wait for it: the
// pins come first on a dark panel, the window and size published are the
// photo's, and once decoded (the arrival flag set, once) the view is exactly
// what the waiting view draws.
TEST_F(BoardViewTest, MainViewShowsPinsUntilALargePhotoArrives) {
  LargePhoto("large.png", 800, 600, 1);
  Pin(2, 400, 300, "Good");
  YRM_DrawPcbView(200, 200, 400, 300, 2, 400, 300, "large.png");
  const int expected = kScratch + 1;
  pf::CopyImage(kImagePcbView, expected);
  const Window window = Published();
  ForgetPcbPhoto();
  pf::FreeImage(kImagePcbView);

  DrawMainPcbView(200, 200, 400, 300, 2, 400, 300, "large.png");
  EXPECT_EQ(Published(), window);
  EXPECT_EQ(pcbimagewidth, 800);
  EXPECT_EQ(pcbimageheight, 600);
  EXPECT_EQ(At(10, 150), colourdarkgrey);
  EXPECT_EQ(At(100, 100), pf::Point(expected, 100, 100));  // the pin, on the crosshair
  pf::test::WaitImageLoads();
  EXPECT_TRUE(PcbPhotoArrived());
  EXPECT_TRUE(TakePcbPhotoArrival());
  EXPECT_FALSE(TakePcbPhotoArrival());
  DrawMainPcbView(200, 200, 400, 300, 2, 400, 300, "large.png");
  for (int y = 0; y < 200; y += 7)
    for (int x = 0; x < 200; x += 7) ASSERT_EQ(At(x, y), pf::Point(expected, x, y)) << x << "," << y;
  // Held now: no further load.
  DrawMainPcbView(200, 200, 400, 300, 2, 400, 300, "large.png");
  pf::test::WaitImageLoads();
  EXPECT_FALSE(PcbPhotoArrived());
}

// A closer view of the photo held shows it coarser until the finer decode
// comes; a large photo that fails to decode shows the blue panel and is not
// tried again until its file changes.
TEST_F(BoardViewTest, MainViewKeepsTheCoarserPhotoAndGivesUpOnABrokenOne) {
  LargePhoto("large.png", 1600, 1200, 2);
  ASSERT_TRUE(pf::LoadImage(kScratch, "large.png"));
  ASSERT_TRUE(pf::test::SaveJpeg(kScratch, "large.jpg", 95));
  ASSERT_GT(std::filesystem::file_size("large.jpg"), 1u << 20);
  DrawMainPcbView(100, 100, 800, 600, 1, -1000, -1000, "large.jpg");
  pf::test::WaitImageLoads();
  ASSERT_TRUE(TakePcbPhotoArrival());
  DrawMainPcbView(100, 100, 800, 600, 1, -1000, -1000, "large.jpg");
  EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), 200);  // an eighth serves the whole photo in 100 pixels
  DrawMainPcbView(100, 100, 800, 600, 8, -1000, -1000, "large.jpg");
  EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), 200);  // still the eighth, stretched
  EXPECT_NE(At(50, 50), colourdarkgrey);
  pf::test::WaitImageLoads();
  ASSERT_TRUE(TakePcbPhotoArrival());
  DrawMainPcbView(100, 100, 800, 600, 8, -1000, -1000, "large.jpg");
  EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), 800);  // a 200-pixel window in 100: a half

  std::string bytes = yrmtest::Slurp("large.png");
  for (size_t k = bytes.size() / 2; k < bytes.size(); ++k) bytes[k] = 'x';
  yrmtest::Spit("broken.png", bytes);
  DrawMainPcbView(100, 100, 800, 600, 1, -1000, -1000, "broken.png");
  EXPECT_EQ(At(50, 50), colourdarkgrey);
  pf::test::WaitImageLoads();
  ASSERT_TRUE(TakePcbPhotoArrival());
  DrawMainPcbView(100, 100, 800, 600, 1, -1000, -1000, "broken.png");
  EXPECT_EQ(At(50, 50), colourblue);
  DrawMainPcbView(100, 100, 800, 600, 1, -1000, -1000, "broken.png");
  pf::test::WaitImageLoads();
  EXPECT_FALSE(PcbPhotoArrived());
  EXPECT_EQ(At(50, 50), colourblue);
}

// A camera-sized photo, over the decoded-picture limit at full size, shows at
// every zoom in both windows: where a zoom would need it whole it is decoded
// at the finest reduction within the limit and stretched. The pin and the
// photo's own pixels are on show, never the blue panel.
TEST_F(BoardViewTest, PhotoOverTheDecodeLimitShowsAtEveryZoom) {
  using namespace yrmtest;
  ASSERT_TRUE(WriteBigPhoto("big.jpg"));
  const int cx = kBigPhotoWidth / 2, cy = kBigPhotoHeight / 2;
  Pin(2, cx, cy, "Good");
  for (const bool mainwindow : {false, true}) {
    ForgetPcbPhoto();
    pf::test::ResetImages();
    for (int zoom = 1; zoom <= 10; ++zoom) {
      SCOPED_TRACE((mainwindow ? "main window, zoom " : "editor, zoom ") + std::to_string(zoom));
      if (mainwindow) {
        // Decoded on the loading thread: drawn again once it has come.
        DrawMainPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.jpg");
        pf::test::WaitImageLoads();
        if (TakePcbPhotoArrival()) DrawMainPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.jpg");
      } else {
        YRM_DrawPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.jpg");
      }
      ASSERT_TRUE(pf::IsImage(kImagePcbPhoto)) << pf::ImageError();
      EXPECT_EQ(pcbimagewidth, kBigPhotoWidth);
      EXPECT_EQ(pcbimageheight, kBigPhotoHeight);
      // From zoom 4 on the view needs more than half the photo's pixels.
      EXPECT_EQ(pf::ImageWidth(kImagePcbPhoto), zoom >= 4 ? 4083 : zoom >= 2 ? 2042 : 1021);
      EXPECT_EQ(At(320, 320), colourgreen);
      int checked = 0;
      EXPECT_EQ(CompareWithBigPhoto(kImagePcbView, imagewindowleft, imagewindowtop, imagewindowright,
                                    imagewindowbottom, checked),
                "");
      EXPECT_GT(checked, 1000);
    }
  }
}

// A 48-megapixel PNG, over the decoded-picture limit whole, shows at every
// zoom of both windows (decoded reduced as its rows stream in), never the
// blue panel; and a click on the main window's view picks the pin under it.
TEST_F(BoardViewTest, PngOverTheDecodeLimitShowsAtEveryZoom) {
  using namespace yrmtest;
  ASSERT_TRUE(WriteBigPng("big.png"));
  const int cx = kBigPngWidth / 2, cy = kBigPngHeight / 2;
  Pin(2, cx, cy, "Good");
  pf::test::ResetGui();
  pf::InitGui();
  ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 800, 700, "t", 0));
  pf::ImageGadget(kBoardView, 20, 30, 640, 640, kImagePcbView);
  for (const bool mainwindow : {true, false}) {
    ForgetPcbPhoto();
    pf::test::ResetImages();
    for (int zoom = 1; zoom <= (mainwindow ? 10 : 25); ++zoom) {
      SCOPED_TRACE((mainwindow ? "main window, zoom " : "editor, zoom ") + std::to_string(zoom));
      if (mainwindow) {
        DrawMainPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.png");
        pf::test::WaitImageLoads();
        if (TakePcbPhotoArrival()) DrawMainPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.png");
      } else {
        YRM_DrawPcbView(640, 640, cx, cy, float(zoom), -1000, -1000, "big.png");
      }
      ASSERT_TRUE(pf::IsImage(kImagePcbPhoto)) << pf::ImageError();
      EXPECT_EQ(imagewindowshown, 1);
      EXPECT_EQ(pcbimagewidth, kBigPngWidth);
      EXPECT_EQ(pcbimageheight, kBigPngHeight);
      EXPECT_EQ(At(320, 320), colourgreen);
      int checked = 0;
      EXPECT_EQ(CompareWithBigPhoto(kImagePcbView, imagewindowleft, imagewindowtop, imagewindowright,
                                    imagewindowbottom, checked),
                "");
      EXPECT_GT(checked, 1000);
      // The pin at (3800, 3200): at zoom 1 the whole photo spans the view,
      // at zoom 10 an 800-pixel square round the centre.
      if (mainwindow && (zoom == 1 || zoom == 10)) {
        Pin(3, 3800, 3200, "Bad");  // after the drawing, which it would cover
        currentrecord = 1;
        pf::test::SetMouse(kMainWindow, 20 + (zoom == 1 ? 304 : 160), 30 + (zoom == 1 ? 341 : 480));
        YRM_SelectRecordAtClick();
        EXPECT_EQ(currentrecord, 3);
        records.SetField(3, kFieldPinX, "");
        records.SetField(3, kFieldPinY, "");
      }
    }
  }
  pf::test::ResetGui();
}
