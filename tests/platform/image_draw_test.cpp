// Drawing on numbered images, checked on pixels: lines with both end points,
// exact boxes, discs, clipping, text placement and image copies.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "platform/gui.h"
#include "platform/image.h"
#include "platform/qtbridge.h"

namespace {
using Pixels = std::set<std::pair<int, int>>;
constexpr int kImg = 1, kWhite = 0xFFFFFF, kBlue = 0xFF0000;

// Every pixel of image `img` that is not `background`.
Pixels Drawn(int img, int background = 0) {
  Pixels p;
  for (int y = 0; y < pf::ImageHeight(img); ++y)
    for (int x = 0; x < pf::ImageWidth(img); ++x)
      if (pf::Point(img, x, y) != background) p.insert({x, y});
  return p;
}

struct Bounds {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
};
Bounds BoundsOf(const Pixels& p) {
  Bounds b;
  for (auto [x, y] : p) {
    b.left = std::min(b.left, x), b.right = std::max(b.right, x);
    b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
  }
  return b;
}

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::test::ResetImages();
    ASSERT_TRUE(pf::CreateImage(kImg, 20, 20));
    ASSERT_TRUE(pf::StartDrawing(kImg));
  }
  void TearDown() override { pf::StopDrawing(); }
};

TEST_F(Drawing, LinesIncludeBothEndsAndOnePixelPerStepInEitherDirection) {
  struct Case {
    int x1, y1, x2, y2;
  } cases[] = {
      {2, 5, 12, 5},  {5, 2, 5, 15}, {3, 2, 6, 17},  {1, 1, 18, 7},
      {2, 18, 17, 3}, {9, 9, 9, 9},  {0, 19, 19, 0}, {4, 1, 7, 19},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2);
    pf::CreateImage(kImg, 20, 20);
    pf::StartDrawing(kImg);
    pf::LineXY(c.x1, c.y1, c.x2, c.y2, kWhite);
    const Pixels forward = Drawn(kImg);
    EXPECT_TRUE(forward.count({c.x1, c.y1}));
    EXPECT_TRUE(forward.count({c.x2, c.y2}));
    const int steps = std::max(std::abs(c.x2 - c.x1), std::abs(c.y2 - c.y1));
    EXPECT_EQ(forward.size(), size_t(steps + 1));  // no gaps, no doubled steps
    for (auto [x, y] : forward) {
      EXPECT_GE(x, std::min(c.x1, c.x2));
      EXPECT_LE(x, std::max(c.x1, c.x2));
      EXPECT_GE(y, std::min(c.y1, c.y2));
      EXPECT_LE(y, std::max(c.y1, c.y2));
    }

    pf::CreateImage(kImg, 20, 20);
    pf::StartDrawing(kImg);
    pf::LineXY(c.x2, c.y2, c.x1, c.y1, kWhite);
    EXPECT_EQ(Drawn(kImg), forward);
  }
}

TEST_F(Drawing, ClippedLinesKeepTheirPixelsAndNeverWriteOutside) {
  // The same line on a large image, shifted: the part inside the small image
  // must be the same pixels.
  struct Case {
    int x1, y1, x2, y2;
  } cases[] = {
      {-30, -10, 50, 30},
      {-7, 40, 25, -33},
      {10, -90, 13, 95},
      {-3, 4, 60, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2);
    pf::CreateImage(kImg, 20, 20);
    pf::StartDrawing(kImg);
    pf::LineXY(c.x1, c.y1, c.x2, c.y2, kWhite);
    const Pixels clipped = Drawn(kImg);
    pf::CreateImage(2, 300, 300);
    pf::StartDrawing(2);
    pf::LineXY(c.x1 + 100, c.y1 + 100, c.x2 + 100, c.y2 + 100, kWhite);
    Pixels expected;
    for (auto [x, y] : Drawn(2))
      if (x >= 100 && x < 120 && y >= 100 && y < 120) expected.insert({x - 100, y - 100});
    EXPECT_EQ(clipped, expected);
    EXPECT_FALSE(clipped.empty());
  }

  // Extreme coordinates: a horizontal line across all of int fills its row.
  pf::CreateImage(kImg, 20, 20);
  pf::StartDrawing(kImg);
  pf::LineXY(INT_MIN, 3, INT_MAX, 3, kWhite);
  pf::LineXY(INT_MAX, INT_MIN, INT_MIN, INT_MAX, kWhite);  // misses or crosses, never crashes
  pf::LineXY(INT_MAX, INT_MAX, INT_MAX, INT_MAX, kWhite);
  const Pixels p = Drawn(kImg);
  for (int x = 0; x < 20; ++x) EXPECT_TRUE(p.count({x, 3}));
}

TEST_F(Drawing, BoxFillsExactlyItsPixelsAndClips) {
  struct Case {
    int x, y, w, h;
    Bounds b;
    size_t n;
  } cases[] = {
      {3, 4, 5, 2, {3, 4, 7, 5}, 10},
      {8, 8, -3, -2, {5, 6, 7, 7}, 6},  // negative sizes extend left and up
      {-5, -5, 8, 8, {0, 0, 2, 2}, 9},
      {18, 17, 10, 10, {18, 17, 19, 19}, 6},
      {-100, 0, 1000, 1, {0, 0, 19, 0}, 20},
      {5, 5, 1, 1, {5, 5, 5, 5}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "Box " << c.x << "," << c.y << " " << c.w << "x" << c.h);
    pf::CreateImage(kImg, 20, 20);
    pf::StartDrawing(kImg);
    pf::Box(c.x, c.y, c.w, c.h, kWhite);
    const Pixels p = Drawn(kImg);
    ASSERT_EQ(p.size(), c.n);
    const Bounds b = BoundsOf(p);
    EXPECT_EQ(b.left, c.b.left);
    EXPECT_EQ(b.top, c.b.top);
    EXPECT_EQ(b.right, c.b.right);
    EXPECT_EQ(b.bottom, c.b.bottom);
  }
  pf::CreateImage(kImg, 20, 20);
  pf::StartDrawing(kImg);
  pf::Box(0, 0, 0, 5, kWhite);
  pf::Box(INT_MAX, INT_MAX, INT_MAX, INT_MAX, kWhite);
  pf::Box(INT_MIN, INT_MIN, INT_MIN, INT_MIN, kWhite);
  pf::Plot(-1, 0, kWhite);
  pf::Plot(20, 19, kWhite);
  EXPECT_TRUE(Drawn(kImg).empty());
}

TEST_F(Drawing, BoxOutlineDrawsTheBorderOnly) {
  pf::BoxOutline(2, 3, 6, 4, kWhite);
  const Pixels p = Drawn(kImg);
  EXPECT_EQ(p.size(), 16u);  // 2 x 6 across + 2 x 2 down
  for (auto [x, y] : p) EXPECT_TRUE(x == 2 || x == 7 || y == 3 || y == 6) << x << "," << y;
  EXPECT_TRUE(p.count({2, 3}) && p.count({7, 6}));
  EXPECT_EQ(pf::Point(kImg, 4, 4), 0);
}

TEST_F(Drawing, CircleIsASymmetricDiscAndClips) {
  pf::Circle(10, 10, 5, kWhite);
  const Pixels p = Drawn(kImg);
  const Bounds b = BoundsOf(p);
  EXPECT_EQ(b.left, 5);
  EXPECT_EQ(b.right, 15);
  EXPECT_EQ(b.top, 5);
  EXPECT_EQ(b.bottom, 15);
  for (auto [x, y] : p) {
    const int dx = x - 10, dy = y - 10;
    EXPECT_LE(dx * dx + dy * dy, 30);
    EXPECT_TRUE(p.count({10 - dx, y}) && p.count({x, 10 - dy}) && p.count({10 + dy, 10 + dx}));
  }
  for (int x = 5; x <= 15; ++x) EXPECT_TRUE(p.count({x, 10}));  // filled
  EXPECT_FALSE(p.count({6, 6}));

  pf::CreateImage(kImg, 20, 20);
  pf::StartDrawing(kImg);
  pf::Circle(3, 4, 0, kWhite);
  EXPECT_EQ(Drawn(kImg), Pixels({{3, 4}}));
  pf::Circle(0, 0, 6, kWhite);
  pf::Circle(INT_MAX, INT_MIN, INT_MAX, kWhite);
  pf::Circle(10, 10, -1, kWhite);
  const Bounds clipped = BoundsOf(Drawn(kImg));
  EXPECT_EQ(clipped.left, 0);
  EXPECT_EQ(clipped.right, 6);
}

TEST_F(Drawing, TextSitsBelowAndRightOfItsCornerOnATransparentBackground) {
  pf::CreateImage(kImg, 200, 60, kBlue);
  pf::StartDrawing(kImg);
  const std::string text = "Signature 42";
  const int w = pf::TextWidth(text), h = pf::TextHeight(text);
  ASSERT_GT(w, 20);
  ASSERT_GT(h, 5);
  EXPECT_GT(pf::TextWidth(text + text), w);
  pf::DrawText(10, 20, text, kWhite);
  const Pixels p = Drawn(kImg, kBlue);
  ASSERT_FALSE(p.empty());
  const Bounds b = BoundsOf(p);
  EXPECT_GE(b.left, 10);
  EXPECT_LT(b.right, 10 + w + 1);
  EXPECT_GE(b.top, 20);
  EXPECT_LT(b.bottom, 20 + h);
  EXPECT_LT(p.size(), size_t(w * h) / 2);  // the cells behind the glyphs stay blue

  // The opaque form fills the text's box.
  pf::CreateImage(kImg, 200, 60, kBlue);
  pf::StartDrawing(kImg);
  pf::DrawText(10, 20, text, 0, kWhite);
  EXPECT_EQ(pf::Point(kImg, 10, 20), kWhite);
  EXPECT_EQ(pf::Point(kImg, 10 + w - 1, 20 + h - 1), kWhite);
  EXPECT_EQ(pf::Point(kImg, 10 + w, 20), kBlue);
}

TEST_F(Drawing, TurnedTextOccupiesATallNarrowArea) {
  const std::string text = "+20uA label";
  struct Case {
    int angle;
    Bounds area;
  };
  pf::CreateImage(kImg, 100, 200);
  pf::StartDrawing(kImg);
  const int w = pf::TextWidth(text), h = pf::TextHeight(text);
  const Case cases[] = {
      {90, {50, 150 - w, 50 + h, 150}},  // reads bottom to top, up from the corner
      {270, {50 - h, 50, 50, 50 + w}},   // reads top to bottom, down from the corner
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    pf::CreateImage(kImg, 100, 200);
    pf::StartDrawing(kImg);
    pf::DrawRotatedText(50, c.angle == 90 ? 150 : 50, text, c.angle, kWhite);
    const Bounds b = BoundsOf(Drawn(kImg));
    EXPECT_GT(b.bottom - b.top, 3 * (b.right - b.left));
    EXPECT_GE(b.left, c.area.left - 1);
    EXPECT_LE(b.right, c.area.right + 1);
    EXPECT_GE(b.top, c.area.top - 1);
    EXPECT_LE(b.bottom, c.area.bottom + 1);
    EXPECT_GT(b.bottom - b.top, w * 3 / 4);
  }
}

TEST_F(Drawing, FontsChangeTheTextMetrics) {
  const std::string text = "Vpk=400mV, Z=1kohms, f=50Hz";
  ASSERT_TRUE(pf::LoadFont(7, "Arial", 10));
  ASSERT_TRUE(pf::LoadFont(8, "Arial", 20));
  ASSERT_TRUE(pf::LoadFont(9, "Arial Bold", 10));
  pf::DrawingFont(7);
  const int small = pf::TextWidth(text), smallHeight = pf::TextHeight(text);
  pf::DrawingFont(8);
  EXPECT_GT(pf::TextWidth(text), small * 3 / 2);
  EXPECT_GT(pf::TextHeight(text), smallHeight * 3 / 2);
  pf::DrawingFont(9);
  EXPECT_GT(pf::TextWidth(text), small);
  pf::DrawingFont(8);
  pf::StartDrawing(kImg);  // a new drawing starts with the default font again
  pf::DrawingFont(-1);
  const int byDefault = pf::TextWidth(text);
  pf::DrawingFont(8);
  pf::StartDrawing(kImg);
  EXPECT_EQ(pf::TextWidth(text), byDefault);
}

TEST(Fonts, FaceNamesCarryTheStyleAndArialResolvesToAMetricTwin) {
  pf::test::ResetImages();
  EXPECT_TRUE(pf::LoadFont(976, "Arial Italic", 10));
  EXPECT_TRUE(pf::LoadFont(978, "Arial", 11));
  EXPECT_TRUE(pf::IsFont(976));
  EXPECT_EQ(pf::test::FontFamily(976), "Liberation Sans");
  EXPECT_EQ(pf::test::FontFamily(978), "Liberation Sans");
  EXPECT_FALSE(pf::LoadFont(1, "", 10));
  EXPECT_FALSE(pf::LoadFont(1, "Bold", 10));
  EXPECT_FALSE(pf::LoadFont(1, "Arial", 0));
  EXPECT_FALSE(pf::IsFont(1));
  pf::SetDefaultGuiFont();
  pf::test::ResetImages();
  EXPECT_FALSE(pf::IsFont(976));
}

TEST_F(Drawing, CopiesAreIndependentAndGrabsAndStretchesLandExactly) {
  pf::Box(0, 0, 10, 20, kWhite);  // left half white, right half black
  ASSERT_TRUE(pf::CopyImage(kImg, 2));
  pf::Plot(1, 1, kBlue);  // drawing on the source leaves the copy alone
  EXPECT_EQ(pf::Point(2, 1, 1), kWhite);
  EXPECT_FALSE(pf::CopyImage(99, 2));
  EXPECT_EQ(pf::ImageWidth(2), 20);

  ASSERT_TRUE(pf::GrabImage(kImg, 3, 8, 5, 6, 4));
  EXPECT_EQ(pf::ImageWidth(3), 6);
  EXPECT_EQ(pf::ImageHeight(3), 4);
  EXPECT_EQ(pf::Point(3, 1, 0), kWhite);  // x 9
  EXPECT_EQ(pf::Point(3, 2, 0), 0);       // x 10
  pf::StartDrawing(3);                    // the piece and its source stay apart
  pf::Plot(0, 0, kBlue);
  pf::StartDrawing(kImg);
  pf::Plot(9, 5, kBlue);
  EXPECT_EQ(pf::Point(kImg, 8, 5), kWhite);
  EXPECT_EQ(pf::Point(3, 1, 0), kWhite);
  EXPECT_EQ(pf::Point(3, 0, 0), kBlue);
  pf::FreeImage(kImg);  // the piece outlives its source
  EXPECT_EQ(pf::Point(3, 1, 1), kWhite);
  pf::CopyImage(2, kImg);
  pf::StartDrawing(kImg);
  ASSERT_TRUE(pf::GrabImage(kImg, 3, 15, 15, 10, 10));  // partly outside reads black
  EXPECT_EQ(pf::Point(3, 9, 9), 0);
  EXPECT_FALSE(pf::GrabImage(kImg, 3, 0, 0, 0, 5));
  ASSERT_TRUE(pf::GrabImage(kImg, kImg, 5, 0, 10, 20));  // onto itself
  EXPECT_EQ(pf::ImageWidth(kImg), 10);
  EXPECT_EQ(pf::Point(kImg, 4, 0), kWhite);
  EXPECT_EQ(pf::Point(kImg, 5, 0), 0);

  // Smooth stretch: the edge between white and black turns grey.
  pf::CreateImage(4, 2, 1);
  pf::StartDrawing(4);
  pf::Plot(0, 0, kWhite);
  ASSERT_TRUE(pf::ResizeImage(4, 40, 3));
  EXPECT_EQ(pf::ImageWidth(4), 40);
  EXPECT_EQ(pf::ImageHeight(4), 3);
  const int middle = pf::Point(4, 20, 1) & 0xFF;
  EXPECT_GT(middle, 20);
  EXPECT_LT(middle, 235);
  EXPECT_FALSE(pf::ResizeImage(4, 0, 3));
  EXPECT_FALSE(pf::ResizeImage(4, 100000, 3));

  // Blits land where told and clip.
  pf::CreateImage(5, 30, 30, kBlue);
  pf::CreateImage(6, 2, 2, kWhite);
  pf::StartDrawing(5);
  pf::DrawImage(6, 28, -1);
  pf::DrawImageStretched(6, 10, 10, 5, 7);
  const Pixels p = Drawn(5, kBlue);
  EXPECT_EQ(p.size(), 2u + 35u);
  EXPECT_TRUE(p.count({28, 0}) && p.count({29, 0}) && p.count({14, 16}));
}

TEST(Images, CreateRefusesEmptyAndAbsurdSizesAndDrawingNeedsAnImage) {
  pf::test::ResetImages();
  EXPECT_FALSE(pf::CreateImage(1, 0, 10));
  EXPECT_FALSE(pf::CreateImage(1, -5, 10));
  EXPECT_FALSE(pf::CreateImage(1, 20001, 10));
  EXPECT_FALSE(pf::CreateImage(1, 20000, 20000));  // 400 megapixels
  EXPECT_FALSE(pf::IsImage(1));
  EXPECT_FALSE(pf::StartDrawing(1));
  pf::LineXY(0, 0, 5, 5, kWhite);  // no drawing image: nothing happens
  ASSERT_TRUE(pf::CreateImage(1, 3, 2, 0x123456));
  EXPECT_EQ(pf::Point(1, 2, 1), 0x123456);
  EXPECT_EQ(pf::Point(1, 3, 1), -1);
  pf::FreeImage(1);
  EXPECT_FALSE(pf::IsImage(1));
  EXPECT_EQ(pf::ImageWidth(1), 0);
}

}  // namespace

// A copy drawn on and then copied back onto from its source is the source
// again, pixel for pixel, whatever was drawn and whatever changed the source
// or the copy meanwhile; a third image sharing the copy keeps its picture.
TEST(ImageCopies, CopyingBackOntoADrawnCopyGivesTheSourceExactly) {
  pf::test::ResetImages();
  constexpr int kSrc = 10, kCopy = 11, kOther = 12, kStamp = 13;
  ASSERT_TRUE(pf::CreateImage(kSrc, 120, 80));
  ASSERT_TRUE(pf::CreateImage(kStamp, 9, 7, 0x00FF00));
  auto paint = [](int img, int seed) {
    pf::StartDrawing(img);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x) pf::Plot(x, y, (x * 7 + y * 13 + seed) * 0x10101 & 0xFFFFFF);
    pf::StopDrawing();
  };
  auto same = [](int a, int b) {
    int differ = 0;
    for (int y = 0; y < pf::ImageHeight(a); ++y)
      for (int x = 0; x < pf::ImageWidth(a); ++x) differ += pf::Point(a, x, y) != pf::Point(b, x, y);
    return differ;
  };
  paint(kSrc, 0);
  const std::function<void()> draws[] = {
      [] { pf::Plot(3, 4, kWhite); },
      [] { pf::LineXY(-50, 10, 500, 70, kWhite); },
      [] { pf::Box(100, 60, 40, 40, kBlue); },
      [] { pf::Circle(60, 40, 9, kWhite); },
      [] { pf::DrawText(5, 50, "Stable, Count: 7", kWhite); },
      [] { pf::DrawText(70, -3, "Count: 12", 0, kWhite); },
      [] { pf::DrawRotatedText(30, 10, "+20uA", 270, kWhite); },
      [] { pf::DrawImage(kStamp, 115, 75); },
      [] { pf::DrawImageStretched(kStamp, 20, 20, 30, 3); },
  };
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  for (int round = 0; round < 3; ++round)
    for (size_t k = 0; k < std::size(draws); ++k) {
      SCOPED_TRACE("round " + std::to_string(round) + ", drawing " + std::to_string(k));
      pf::StartDrawing(kCopy);
      draws[k]();
      if (k % 2) draws[(k + 3) % std::size(draws)]();
      pf::StopDrawing();
      ASSERT_GT(same(kSrc, kCopy), 0);
      ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
      EXPECT_EQ(same(kSrc, kCopy), 0);
    }
  // Drawing still in progress when the copy is made is counted too.
  pf::StartDrawing(kCopy);
  pf::Box(0, 0, 5, 5, kBlue);
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  pf::StopDrawing();
  EXPECT_EQ(same(kSrc, kCopy), 0);
  // The source drawn on, or replaced: the copy follows it whole.
  pf::StartDrawing(kCopy);
  pf::Plot(1, 1, kWhite);
  pf::StopDrawing();
  paint(kSrc, 5);
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  EXPECT_EQ(same(kSrc, kCopy), 0);
  ASSERT_TRUE(pf::CreateImage(kSrc, 120, 80, 0x123456));
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  EXPECT_EQ(same(kSrc, kCopy), 0);
  // Shared with a third image: that one keeps what it was given.
  paint(kSrc, 9);
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  pf::StartDrawing(kCopy);
  pf::Box(10, 10, 20, 20, kWhite);
  pf::StopDrawing();
  ASSERT_TRUE(pf::CopyImage(kCopy, kOther));
  ASSERT_TRUE(pf::CopyImage(kSrc, kCopy));
  EXPECT_EQ(same(kSrc, kCopy), 0);
  EXPECT_EQ(pf::Point(kOther, 15, 15), kWhite);
}

// A text drawn or measured again costs the toolkit no layout and no drawing
// until the fonts change, and a status line whose count changes every frame
// soon costs it nothing either; what is drawn is what the toolkit's painter
// draws, in the default font and in the main window's.
TEST(ImageText, TextsAreLaidOutAndDrawnByTheToolkitOnceAndAsItsPainterDoes) {
  pf::test::ResetImages();
  constexpr int kA = 20, kB = 21, kArial = 5;
  ASSERT_TRUE(pf::LoadFont(kArial, "Arial", 8));
  const std::string text = "Stable, Count: 12, Prev: 0.37%, Threshold: 1.50%";
  ASSERT_TRUE(pf::CreateImage(kA, 300, 40, 0x402010));
  ASSERT_TRUE(pf::CreateImage(kB, 300, 40, 0x402010));
  for (const int font : {-1, kArial}) {
    SCOPED_TRACE("font " + std::to_string(font));
    pf::StartDrawing(kA);
    pf::DrawingFont(font);
    const int w = pf::TextWidth(text);
    pf::DrawText(10, 10, text, kWhite);
    int before = pf::test::TextLayouts();
    for (int k = 0; k < 5; ++k) {
      pf::DrawText(10, 10, text, kWhite);
      EXPECT_EQ(pf::TextWidth(text), w);
    }
    EXPECT_EQ(pf::test::TextLayouts(), before);

    // The kept text against the painter's own drawing (the turned-text path
    // at no turn), on the same background.
    for (const std::string& t : {text, std::string("AVATAR To Ty, iiii: 0.5%")}) {
      ASSERT_TRUE(pf::CreateImage(kA, 300, 40, 0x402010));
      ASSERT_TRUE(pf::CreateImage(kB, 300, 40, 0x402010));
      pf::StartDrawing(kA);
      pf::DrawingFont(font);
      pf::DrawText(10, 10, t, 0x30C0F0);
      pf::StartDrawing(kB);
      pf::DrawingFont(font);
      pf::DrawRotatedText(10, 10, t, 0, 0x30C0F0);
      pf::StopDrawing();
      int worst = 0, inked = 0;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) {
          const int a = pf::Point(kA, x, y), b = pf::Point(kB, x, y);
          inked += a != 0x402010;
          for (int shift = 0; shift < 24; shift += 8)
            worst = std::max(worst, std::abs((a >> shift & 0xFF) - (b >> shift & 0xFF)));
        }
      EXPECT_GT(inked, pf::TextWidth(t)) << t;
      EXPECT_LE(worst, 2) << t;
    }
  }
  // The status line as live, in the main window's font: once its glyphs have
  // been met, new counts cost the toolkit nothing.
  pf::StartDrawing(kA);
  pf::DrawingFont(kArial);
  auto line = [](int n) { return "Stable, Count: " + std::to_string(n) + ", Prev: 0.37%, Threshold: 1.50%"; };
  for (int n = 0; n < 300; ++n) pf::DrawText(10, 10, line(n), kWhite);
  const int before = pf::test::TextLayouts();
  for (int n = 300; n < 400; ++n) pf::DrawText(10, 10, line(n), kWhite);
  EXPECT_LE(pf::test::TextLayouts() - before, 2);
  // A font loaded meanwhile: laid out anew.
  const int loaded = pf::test::TextLayouts();
  ASSERT_TRUE(pf::LoadFont(6, "Arial", 10));
  pf::DrawingFont(kArial);
  pf::DrawText(10, 10, text, kWhite);
  EXPECT_GT(pf::test::TextLayouts(), loaded);
  pf::StopDrawing();
}

// A control showing a picture that is copied back and drawn on frame after
// frame repaints only what changed, and what reaches the window is the
// picture, pixel for pixel, at every frame: nothing of an earlier frame stays.
TEST(ImageCopies, AControlShowsEveryFrameOfAPictureDrawnInPart) {
  pf::InitGui();
  pf::test::ResetGui();
  pf::test::ResetImages();
  constexpr int kWin = 1, kView = 6, kBack = 50, kShown = 51;
  ASSERT_TRUE(pf::OpenWindow(kWin, 0, 0, 360, 260, "frames", 0));
  ASSERT_TRUE(pf::CreateImage(kBack, 300, 200, 0x204020));
  pf::StartDrawing(kBack);
  for (int x = 0; x < 300; x += 10) pf::LineXY(x, 0, x, 199, 0x406040);
  pf::StopDrawing();
  ASSERT_TRUE(pf::CopyImage(kBack, kShown));
  ASSERT_TRUE(pf::ImageGadget(kView, 20, 30, 300, 200, kShown));
  auto settle = [] {
    for (int k = 0; k < 5; ++k) pf::WaitWindowEvent(1);
  };
  settle();
  for (int frame = 0; frame < 8; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    ASSERT_TRUE(pf::CopyImage(kBack, kShown));
    pf::StartDrawing(kShown);
    const int a = 20 + frame * 31 % 250, b = 190 - frame * 23 % 180;
    pf::LineXY(a, 5, 299 - a, 195, kWhite);
    pf::LineXY(0, b, 299, 200 - b, kBlue);
    pf::DrawText(150, 170, "Count: " + std::to_string(frame * 997), kWhite);
    pf::StopDrawing();
    pf::SetGadgetImage(kView, kShown);
    settle();
    QWidget* top = pf::CurrentQtWindow();
    ASSERT_NE(top, nullptr);
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(top->winId()).toImage();
    int differ = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) {
        const QRgb c = shot.pixel(pf::GadgetX(kView) + x, pf::GadgetY(kView) + y);
        differ += (qRed(c) | qGreen(c) << 8 | qBlue(c) << 16) != pf::Point(kShown, x, y);
      }
    EXPECT_EQ(differ, 0);
  }
  pf::test::ResetGui();
}
