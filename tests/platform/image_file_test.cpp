// Image files: PNG, JPEG and JPEG 2000 decoded by content, broken and
// oversized files refused without crashing, PNG written back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/qtbridge.h"
#include "pngfile.h"
#include "workfolder.h"

namespace {
using yrmtest::Slurp;
using yrmtest::Spit;

using yrmtest::Be32;

std::string Chunk(const std::string& type, const std::string& body) { return yrmtest::PngChunk(type, body); }

// A PNG made byte by byte (uncompressed deflate), independent of our encoder:
// `rgb` holds width x height pixels, 3 bytes each.
std::string HandMadePng(uint32_t width, uint32_t height, const std::string& rgb) {
  std::string raw;
  for (uint32_t y = 0; y < height; ++y) raw += '\0' + rgb.substr(y * width * 3, width * 3);
  uint32_t a = 1, b = 0;
  for (unsigned char ch : raw) a = (a + ch) % 65521, b = (b + a) % 65521;
  const uint16_t len = uint16_t(raw.size());
  std::string z = "\x78\x01\x01";
  z += char(len & 0xFF), z += char(len >> 8), z += char(~len & 0xFF), z += char((~len >> 8) & 0xFF);
  z += raw + Be32((b << 16) | a);
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         Chunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00\x00", 5)) +
         Chunk("IDAT", z) + Chunk("IEND", "");
}

// 32 x 24 test card: four solid quadrants.
constexpr int kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;
void MakeCard(int img) {
  ASSERT_TRUE(pf::CreateImage(img, 32, 24));
  pf::StartDrawing(img);
  pf::Box(0, 0, 16, 12, kRed);
  pf::Box(16, 0, 16, 12, kGreen);
  pf::Box(0, 12, 16, 12, kBlue);
  pf::Box(16, 12, 16, 12, kWhite);
  pf::StopDrawing();
}

// 160 x 120 of fine stripes: most of its file is picture data, so cutting
// the file in half cuts into the pixels, not the headers.
void MakeBusy(int img) {
  ASSERT_TRUE(pf::CreateImage(img, 160, 120));
  pf::StartDrawing(img);
  for (int i = 0; i < 400; ++i) pf::LineXY(i % 160, 0, (i * 7) % 160, 119, i * 0x030507);
  pf::StopDrawing();
}

bool Near(int a, int b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

class ImageFiles : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetImages();
  }
};

TEST_F(ImageFiles, HandMadePngDecodesWithRedInTheLowByte) {
  Spit("card.png", HandMadePng(2, 2, std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x10\x20\x30", 12)));
  ASSERT_TRUE(pf::LoadImage(5, "card.png")) << pf::ImageError();
  EXPECT_EQ(pf::ImageWidth(5), 2);
  EXPECT_EQ(pf::ImageHeight(5), 2);
  EXPECT_EQ(pf::Point(5, 0, 0), kRed);
  EXPECT_EQ(pf::Point(5, 1, 0), kGreen);
  EXPECT_EQ(pf::Point(5, 0, 1), kBlue);
  EXPECT_EQ(pf::Point(5, 1, 1), 0x302010);
  EXPECT_EQ(pf::ImageError(), "");
}

TEST_F(ImageFiles, EveryFormatRoundTripsAndIsRecognisedByContent) {
  MakeCard(1);
  struct Case {
    const char* file;
    bool (*save)(const char*);
    int tolerance;
  } cases[] = {
      {"card.png", [](const char* f) { return pf::SavePng(1, f); }, 0},
      {"card.jpg", [](const char* f) { return pf::test::SaveJpeg(1, f, 95); }, 24},
      {"card.jp2", [](const char* f) { return pf::test::SaveJp2(1, f, false); }, 0},
      {"card.j2k", [](const char* f) { return pf::test::SaveJp2(1, f, true); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(c.save(c.file));
    // A misleading name changes nothing: the content decides.
    Spit("photo.dat", Slurp(c.file));
    ASSERT_TRUE(pf::LoadImage(2, "photo.dat")) << pf::ImageError();
    EXPECT_EQ(pf::ImageWidth(2), 32);
    EXPECT_EQ(pf::ImageHeight(2), 24);
    const int probes[][3] = {{4, 4, kRed}, {27, 4, kGreen}, {4, 19, kBlue}, {27, 19, kWhite}};
    for (auto& p : probes)
      EXPECT_TRUE(Near(pf::Point(2, p[0], p[1]), p[2], c.tolerance))
          << p[0] << "," << p[1] << " reads " << std::hex << pf::Point(2, p[0], p[1]);
  }
  // Paths written with "\" load too.
  ASSERT_TRUE(pf::SavePng(1, "sub.png"));
  pf::CreateDirectory("photos");
  Spit("photos/board.png", Slurp("sub.png"));
  EXPECT_TRUE(pf::LoadImage(3, "photos\\board.png"));
}

TEST_F(ImageFiles, MissingTruncatedAndCorruptFilesLeaveTheNumberEmpty) {
  MakeBusy(1);
  ASSERT_TRUE(pf::SavePng(1, "good.png"));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "good.jpg"));
  ASSERT_TRUE(pf::test::SaveJp2(1, "good.jp2", false));
  ASSERT_TRUE(pf::test::SaveJp2(1, "good.j2k", true));
  std::string png = Slurp("good.png"), jpg = Slurp("good.jpg"), jp2 = Slurp("good.jp2"),
              j2k = Slurp("good.j2k");
  std::string flipped = png;
  flipped[png.size() / 2] ^= 0x55;  // inside the compressed data: CRC mismatch
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"half png", png.substr(0, png.size() / 2)},
      {"png without its end", png.substr(0, png.size() - 12)},
      {"png with a bad checksum", flipped},
      {"half jpeg", jpg.substr(0, jpg.size() / 2)},
      {"jpeg header only", jpg.substr(0, 200)},
      {"half jp2", jp2.substr(0, jp2.size() / 2)},
      {"half j2k", j2k.substr(0, j2k.size() / 2)},
      {"j2k main header only", j2k.substr(0, 60)},
      {"png magic then junk", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, 'x')},
      {"jpeg magic then junk", std::string("\xFF\xD8\xFF", 3) + std::string(100, '\x07')},
      {"text", "this is not a picture"},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spit("broken", c.bytes);
    ASSERT_TRUE(pf::CopyImage(1, 7));
    EXPECT_FALSE(pf::LoadImage(7, "broken"));
    EXPECT_FALSE(pf::IsImage(7));
    EXPECT_NE(pf::ImageError().find("broken: "), std::string::npos) << pf::ImageError();
  }
  EXPECT_FALSE(pf::LoadImage(7, "no such file.png"));
  EXPECT_NE(pf::ImageError().find("cannot be read"), std::string::npos);
  EXPECT_TRUE(pf::LoadImage(7, "good.png"));  // and the service still works
}

TEST_F(ImageFiles, ReloadingALargePictureGivesTheFileAsItIsNow) {
  // Large pictures are kept between loads; drawing on a loaded copy or
  // changing the file must never show through.
  ASSERT_TRUE(pf::CreateImage(1, 1000, 1000, kRed));
  ASSERT_TRUE(pf::SavePng(1, "board.png"));
  ASSERT_TRUE(pf::LoadImage(2, "board.png"));
  pf::StartDrawing(2);
  pf::Plot(5, 5, kWhite);
  pf::StopDrawing();
  ASSERT_TRUE(pf::LoadImage(3, "board.png"));
  EXPECT_EQ(pf::Point(3, 5, 5), kRed);
  EXPECT_EQ(pf::Point(2, 5, 5), kWhite);

  ASSERT_TRUE(pf::CreateImage(1, 1000, 1000, kBlue));  // same size, other content
  ASSERT_TRUE(pf::SavePng(1, "board.png"));
  ASSERT_TRUE(pf::LoadImage(3, "board.png"));
  EXPECT_EQ(pf::Point(3, 5, 5), kBlue);
}

// Rewrites a 32-bit big-endian value in place.
void Poke32(std::string& s, size_t at, uint32_t v) { s.replace(at, 4, Be32(v)); }

TEST_F(ImageFiles, AbsurdDimensionsAreRefusedBeforeDecoding) {
  MakeCard(1);
  ASSERT_TRUE(pf::SavePng(1, "card.png"));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "card.jpg"));
  ASSERT_TRUE(pf::test::SaveJp2(1, "card.j2k", true));

  std::string png = Slurp("card.png");  // IHDR data starts at 16, CRC at 29
  Poke32(png, 16, 100000);
  Poke32(png, 20, 100000);
  png.replace(29, 4, Be32(yrmtest::PngCrc(png.substr(12, 17))));

  std::string jpg = Slurp("card.jpg");  // SOF0: FF C0, length, precision, height, width
  const size_t sof = jpg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpg[sof + 5] = char(0xEA), jpg[sof + 6] = char(0x60);  // 60000 high
  jpg[sof + 7] = char(0xEA), jpg[sof + 8] = char(0x60);  // 60000 wide

  std::string j2k = Slurp("card.j2k");  // SIZ: FF 51, Lsiz, Rsiz, Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz
  const size_t siz = j2k.find("\xFF\x51");
  ASSERT_NE(siz, std::string::npos);
  for (size_t field : {6, 10, 22, 26}) Poke32(j2k, siz + field, 90000);

  for (auto& [name, bytes] :
       {std::pair<const char*, std::string&>{"png", png}, {"jpeg", jpg}, {"j2k", j2k}}) {
    SCOPED_TRACE(name);
    Spit("huge", bytes);
    EXPECT_FALSE(pf::LoadImage(3, "huge"));
    EXPECT_FALSE(pf::IsImage(3));
    EXPECT_NE(pf::ImageError().find("exceeds the limit"), std::string::npos) << pf::ImageError();
  }
}

TEST_F(ImageFiles, SavePngReportsMissingImagesAndUnwritablePaths) {
  MakeCard(1);
  EXPECT_FALSE(pf::SavePng(1, "no/such/folder/x.png"));
  EXPECT_NE(pf::ImageError().find("cannot be written"), std::string::npos);
  EXPECT_FALSE(pf::SavePng(42, "x.png"));
  EXPECT_FALSE(pf::FileExists("x.png"));
}

}  // namespace

// A photo path is outside data (a plan names it): a FIFO, a device, a folder
// or a file beyond 128 MB is refused at once, without reading it.
TEST_F(ImageFiles, OnlyRegularFilesOfBoundedSizeAreRead) {
  ASSERT_EQ(mkfifo("pipe.png", 0600), 0);
  std::filesystem::create_directory("folder.png");
  {
    std::ofstream big("big.png", std::ios::binary);
    big << std::string("\x89PNG\r\n\x1a\n", 8);
  }
  std::filesystem::resize_file("big.png", (128u << 20) + 1);  // sparse: costs no disk
  for (const char* path : {"pipe.png", "/dev/zero", "folder.png", "big.png"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(pf::LoadImage(7, path));
    EXPECT_FALSE(pf::IsImage(7));
    EXPECT_NE(pf::ImageError().find("cannot be read"), std::string::npos) << pf::ImageError();
  }
}

namespace {
// An all-black 20000 x 10000 PNG (1-bit grey) of a few kilobytes.
std::string BlackPng(uint32_t w, uint32_t h) {
  const QByteArray raw(int(h * (1 + (w + 7) / 8)), '\0');  // filter byte 0, black pixels
  const QByteArray z = qCompress(raw, 9).mid(4);           // a zlib stream
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         Chunk("IHDR", Be32(w) + Be32(h) + std::string("\x01\x00\x00\x00\x00", 5)) +
         Chunk("IDAT", std::string(z.constData(), size_t(z.size()))) + Chunk("IEND", "");
}

std::string Be16(int v) { return {char(v >> 8), char(v)}; }

// An interlaced 8-bit grey PNG, dark (0x20) above row h / 2 and light (0xE0)
// from it on.
std::string InterlacedPng(uint32_t w, uint32_t h) {
  return yrmtest::MakePng(w, h, {yrmtest::kPngGrey, 8, true, ""},
                          [h](uint32_t, uint32_t y) { return std::vector<int>{y < h / 2 ? 0x20 : 0xE0}; });
}

// A JPEG 2000 codestream of about a hundred bytes for a w x h grey picture in
// one tile, six resolution levels, every packet empty.
std::string EmptyJ2k(uint32_t w, uint32_t h) {
  std::string s = "\xFF\x4F";                                                     // SOC
  s += "\xFF\x51" + Be16(41) + Be16(0) + Be32(w) + Be32(h) + Be32(0) + Be32(0) +  // SIZ
       Be32(w) + Be32(h) + Be32(0) + Be32(0) + Be16(1) + std::string("\x07\x01\x01", 3);
  s += "\xFF\x52" + Be16(12) + std::string("\x00\x00\x00\x01\x00\x05\x04\x04\x00\x01", 10);  // COD
  s += "\xFF\x5C" + Be16(19) + std::string(1, '\x40') + std::string(16, '\x48');             // QCD
  const int packets = 6;
  s += "\xFF\x90" + Be16(10) + Be16(0) + Be32(12 + 2 + packets) + std::string("\x00\x01", 2);  // SOT
  s += "\xFF\x93" + std::string(packets, '\0');  // SOD, empty packets
  return s + "\xFF\xD9";                         // EOC
}
}  // namespace

// Tiny files that expand to huge pictures: refused before decoding when they
// are to be decoded whole; decoded reduced for a view that asks no more (the
// PNG row by row, never whole).
TEST_F(ImageFiles, TinyFilesOfHugePicturesAreRefusedOrDecodedReduced) {
  Spit("black.png", BlackPng(20000, 10000));
  Spit("grey.j2k", EmptyJ2k(20000, 10000));
  ASSERT_LT(Slurp("black.png").size(), 200'000u);
  ASSERT_LT(Slurp("grey.j2k").size(), 200u);
  auto any = [](int, int) { return 64; };
  for (const char* path : {"black.png", "grey.j2k"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(pf::LoadImage(7, path));
    EXPECT_FALSE(pf::IsImage(7));
    EXPECT_NE(pf::ImageError().find("exceeds the limit"), std::string::npos) << pf::ImageError();
  }
  ASSERT_TRUE(pf::LoadImageReduced(7, "black.png", any)) << pf::ImageError();
  EXPECT_EQ(pf::ImageWidth(7), 20000 / 64 + 1);
  EXPECT_EQ(pf::ImageFullWidth(7), 20000);
  EXPECT_EQ(pf::Point(7, 100, 100), 0);

  ASSERT_TRUE(pf::LoadImageReduced(7, "grey.j2k", any)) << pf::ImageError();
  EXPECT_EQ(pf::ImageFullWidth(7), 20000);
  EXPECT_EQ(pf::ImageFullHeight(7), 10000);
  EXPECT_EQ(pf::ImageWidth(7), 625);  // its five decompositions: 1/32
  EXPECT_EQ(pf::ImageHeight(7), 313);
  EXPECT_TRUE(Near(pf::Point(7, 300, 150), 0x808080, 2));
  // Asked for more than the limit allows, it comes at the finest level within.
  ASSERT_TRUE(pf::LoadImageReduced(8, "grey.j2k", [](int, int) { return 1; })) << pf::ImageError();
  EXPECT_EQ(pf::ImageWidth(8), 5000);
  EXPECT_EQ(pf::ImageHeight(8), 2500);
}

// A camera-sized JPEG beyond the decoded-picture limit: refused whole, and
// decoded at the finest reduction within the limit however fine a reduced
// load asks for it.
TEST_F(ImageFiles, PictureOverTheDecodeLimitDecodesAtTheFinestReductionWithin) {
  struct Size {
    int w, h, finest;
  } sizes[] = {{8165, 6124, 2}, {8000, 5000, 1}, {8001, 5000, 2}, {20000, 20000, 4}, {1, 1, 1}};
  for (const Size& s : sizes) EXPECT_EQ(pf::FinestImageReduction(s.w, s.h), s.finest) << s.w << " x " << s.h;

  ASSERT_TRUE(pf::test::WriteJpeg("camera.jpg", 8165, 6124, 80, [](int y, int* row) {
    for (int x = 0; x < 8165; ++x) row[x] = x < 4000 ? kRed : y < 3000 ? kGreen : kBlue;
  }));
  EXPECT_FALSE(pf::LoadImage(7, "camera.jpg"));
  EXPECT_NE(pf::ImageError().find("40 megapixels decoded"), std::string::npos) << pf::ImageError();
  for (int accepted : {1, 2}) {
    pf::test::ResetImages();
    ASSERT_TRUE(pf::LoadImageReduced(7, "camera.jpg", [=](int, int) { return accepted; }))
        << pf::ImageError();
    EXPECT_EQ(pf::ImageWidth(7), 4083);
    EXPECT_EQ(pf::ImageHeight(7), 3062);
    EXPECT_EQ(pf::ImageFullWidth(7), 8165);
    EXPECT_TRUE(Near(pf::Point(7, 1000, 1000), kRed, 12));
    EXPECT_TRUE(Near(pf::Point(7, 3000, 1000), kGreen, 12));
    EXPECT_TRUE(Near(pf::Point(7, 3000, 2000), kBlue, 12));
    // The picture kept serves the same request again.
    ASSERT_TRUE(pf::LoadImageReduced(8, "camera.jpg", [=](int, int) { return accepted; }));
    EXPECT_EQ(pf::ImageWidth(8), 4083);
  }
}

// Reduced decoding per format: the scale asked for (or the nearest the format
// offers below it), the full size known, the picture the same.
TEST_F(ImageFiles, ReducedDecodingKeepsThePictureAndItsFullSize) {
  ASSERT_TRUE(pf::CreateImage(1, 400, 300));
  pf::StartDrawing(1);
  pf::Box(0, 0, 200, 150, kRed);
  pf::Box(200, 0, 200, 150, kGreen);
  pf::Box(0, 150, 200, 150, kBlue);
  pf::Box(200, 150, 200, 150, kWhite);
  pf::StopDrawing();
  ASSERT_TRUE(pf::SavePng(1, "q.png"));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "q.jpg", 95));
  ASSERT_TRUE(pf::test::SaveJp2(1, "q.jp2", false));
  struct Case {
    const char* path;
    int accepted, width, height;
  } cases[] = {
      {"q.png", 4, 100, 75},  {"q.png", 3, 200, 150},  // any power of two
      {"q.png", 64, 7, 5},    {"q.jpg", 4, 100, 75},
      {"q.jpg", 3, 200, 150},  // the nearest power of two below
      {"q.jpg", 64, 50, 38},   // at most 1/8
      {"q.jp2", 4, 100, 75},  {"q.jp2", 1, 400, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " accepting " + std::to_string(c.accepted));
    pf::test::ResetImages();  // nothing kept from the case before
    int askedW = 0, askedH = 0;
    ASSERT_TRUE(pf::LoadImageReduced(7, c.path, [&](int w, int h) {
      askedW = w, askedH = h;
      return c.accepted;
    })) << pf::ImageError();
    EXPECT_EQ(askedW, 400);
    EXPECT_EQ(askedH, 300);
    EXPECT_EQ(pf::ImageWidth(7), c.width);
    EXPECT_EQ(pf::ImageHeight(7), c.height);
    EXPECT_EQ(pf::ImageFullWidth(7), 400);
    EXPECT_EQ(pf::ImageFullHeight(7), 300);
    const int w = c.width, h = c.height;
    EXPECT_TRUE(Near(pf::Point(7, w / 4, h / 4), kRed, 12));
    EXPECT_TRUE(Near(pf::Point(7, 3 * w / 4, h / 4), kGreen, 12));
    EXPECT_TRUE(Near(pf::Point(7, w / 4, 3 * h / 4), kBlue, 12));
    EXPECT_TRUE(Near(pf::Point(7, 3 * w / 4, 3 * h / 4), kWhite, 12));
    // A change to the picture makes its size its own.
    pf::ResizeImage(7, 10, 10);
    EXPECT_EQ(pf::ImageFullWidth(7), 10);
  }
}

// An interlaced PNG reduced: each half keeps its shade, the last band (one
// row) too.
TEST_F(ImageFiles, InterlacedPngDecodesReduced) {
  Spit("i.png", InterlacedPng(101, 65));
  constexpr int kDark = 0x202020, kLight = 0xE0E0E0;
  ASSERT_TRUE(pf::LoadImageReduced(7, "i.png", [](int, int) { return 1; })) << pf::ImageError();
  EXPECT_EQ(pf::ImageWidth(7), 101);
  EXPECT_EQ(pf::Point(7, 50, 31), kDark);
  EXPECT_EQ(pf::Point(7, 100, 64), kLight);
  ASSERT_TRUE(pf::LoadImageReduced(7, "i.png", [](int, int) { return 8; })) << pf::ImageError();
  ASSERT_EQ(pf::ImageWidth(7), 13);
  ASSERT_EQ(pf::ImageHeight(7), 9);
  EXPECT_EQ(pf::ImageFullHeight(7), 65);
  for (int x = 0; x < 13; ++x) {
    EXPECT_EQ(pf::Point(7, x, 0), kDark) << x;
    EXPECT_EQ(pf::Point(7, x, 7), kLight) << x;
    EXPECT_EQ(pf::Point(7, x, 8), kLight) << x;
  }
}

namespace {
// The picture loaded as `img`, alpha and all.
QImage Loaded(int img) {
  const QImage* q = pf::ImageObject(img);
  return q ? *q : QImage();
}

// Each pixel the rounded mean of its r x r box of `full` (clipped at the
// edges), channel by channel, alpha unweighted: what a reduced decode gives.
QImage AreaAverage(const QImage& full, int r) {
  QImage out((full.width() + r - 1) / r, (full.height() + r - 1) / r, full.format());
  for (int oy = 0; oy < out.height(); ++oy)
    for (int ox = 0; ox < out.width(); ++ox) {
      int sum[4] = {}, n = 0;
      for (int y = oy * r; y < std::min(full.height(), oy * r + r); ++y)
        for (int x = ox * r; x < std::min(full.width(), ox * r + r); ++x, ++n) {
          const QRgb c = full.pixel(x, y);
          sum[0] += qRed(c), sum[1] += qGreen(c), sum[2] += qBlue(c), sum[3] += qAlpha(c);
        }
      auto mean = [n](int s) { return (s + n / 2) / n; };
      out.setPixel(ox, oy, qRgba(mean(sum[0]), mean(sum[1]), mean(sum[2]), mean(sum[3])));
    }
  return out;
}

// "" when `got` is `want` pixel for pixel (alpha included), else the first
// difference.
std::string Difference(const QImage& got, const QImage& want) {
  if (got.size() != want.size() || got.hasAlphaChannel() != want.hasAlphaChannel())
    return "size or layout differs";
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x)
      if (got.pixel(x, y) != want.pixel(x, y)) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d) is %08X, not %08X", x, y, got.pixel(x, y),
                      want.pixel(x, y));
        return text;
      }
  return "";
}

// A well-mixed sample in 0 .. (1 << bits) - 1 for pixel (x, y), sample k.
int Mixed(uint32_t x, uint32_t y, int k, int bits) {
  uint32_t v = x * 73856093u ^ y * 19349663u ^ uint32_t(k + 1) * 83492791u;
  v ^= v >> 13, v *= 0x5bd1e995u, v ^= v >> 15;
  return int(v & ((1u << bits) - 1));
}

// A palette of n entries, each colour mixed; with `alpha` a tRNS chunk too.
std::string Palette(int n, bool alpha) {
  std::string plte, trns;
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < 3; ++k) plte += char(Mixed(uint32_t(i), 999, k, 8));
    trns += char(Mixed(uint32_t(i), 777, 0, 8));
  }
  return yrmtest::PngChunk("PLTE", plte) + (alpha ? yrmtest::PngChunk("tRNS", trns) : "");
}
}  // namespace

// Every pixel of its own colour, every colour type and depth: an interlaced
// file decodes whole to the plain file's picture, and reduced, plain or
// interlaced, to the area average of that picture, edges included.
TEST_F(ImageFiles, PngDecodesReducedToTheAreaAverageInterlacedOrNot) {
  struct Case {
    const char* name;
    int colour, depth, samples;
    bool alpha;
    std::string chunks;
  } cases[] = {
      {"rgb 8", yrmtest::kPngRgb, 8, 3, false, ""},
      {"rgba 8", yrmtest::kPngRgba, 8, 4, true, ""},
      {"grey 8", yrmtest::kPngGrey, 8, 1, false, ""},
      {"grey and alpha 8", yrmtest::kPngGreyAlpha, 8, 2, true, ""},
      {"grey 2", yrmtest::kPngGrey, 2, 1, false, ""},
      {"palette 8", yrmtest::kPngPalette, 8, 1, false, Palette(256, false)},
      {"palette 4 with transparency", yrmtest::kPngPalette, 4, 1, true, Palette(16, true)},
      {"rgb 16", yrmtest::kPngRgb, 16, 3, false, ""},
      {"rgba 16", yrmtest::kPngRgba, 16, 4, true, ""},
  };
  // No side a multiple of 8, so every pass and box is clipped; and pictures
  // too narrow or too low for some passes to hold a pixel.
  const std::pair<uint32_t, uint32_t> sizes[] = {{45, 29}, {1, 1}, {1, 6}, {5, 1}};
  for (const Case& c : cases)
    for (auto [w, h] : sizes) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(w) + " x " + std::to_string(h));
      auto samples = [&c](uint32_t x, uint32_t y) {
        std::vector<int> s;
        for (int k = 0; k < c.samples; ++k) s.push_back(Mixed(x, y, k, c.depth));
        return s;
      };
      for (bool interlaced : {false, true})
        Spit(interlaced ? "i.png" : "p.png",
             yrmtest::MakePng(w, h, {c.colour, c.depth, interlaced, c.chunks}, samples));
      pf::test::ResetImages();
      ASSERT_TRUE(pf::LoadImage(1, "p.png")) << pf::ImageError();
      ASSERT_TRUE(pf::LoadImage(2, "i.png")) << pf::ImageError();
      const QImage full = Loaded(1);
      ASSERT_EQ(full.width(), int(w));
      EXPECT_EQ(full.hasAlphaChannel(), c.alpha);
      EXPECT_EQ(Difference(Loaded(2), full), "");
      for (int r : {2, 4, 8, 16, 32}) {
        for (const char* file : {"p.png", "i.png"}) {
          SCOPED_TRACE(std::string(file) + " at 1/" + std::to_string(r));
          ASSERT_TRUE(pf::LoadImageReduced(3, file, [r](int, int) { return r; })) << pf::ImageError();
          EXPECT_EQ(pf::ImageFullWidth(3), int(w));
          EXPECT_EQ(Difference(Loaded(3), AreaAverage(full, r)), "");
        }
      }
    }
}

// The fault that showed first on board photos: 1-pixel black lines on the
// even rows of white. Reduced, every row holds half of each, none is white;
// a file cut short is refused.
TEST_F(ImageFiles, InterlacedPngReducedKeepsLinesOnEvenRows) {
  Spit("lines.png", yrmtest::MakePng(240, 176, {yrmtest::kPngRgb, 8, true, ""}, [](uint32_t, uint32_t y) {
         const int v = y % 2 ? 255 : 0;
         return std::vector<int>{v, v, v};
       }));
  for (int r : {2, 4, 8}) {
    SCOPED_TRACE(r);
    ASSERT_TRUE(pf::LoadImageReduced(7, "lines.png", [r](int, int) { return r; })) << pf::ImageError();
    ASSERT_EQ(pf::ImageHeight(7), 176 / r);
    for (int y = 0; y < 176 / r; ++y)
      for (int x : {0, 240 / r / 2, 240 / r - 1}) ASSERT_EQ(pf::Point(7, x, y), 0x808080) << x << "," << y;
  }
  // Cut short within the passes: refused, the number left empty.
  const std::string whole = Slurp("lines.png");
  Spit("cut.png", whole.substr(0, whole.size() / 2));
  for (int r : {2, 4}) {
    EXPECT_FALSE(pf::LoadImageReduced(7, "cut.png", [r](int, int) { return r; }));
    EXPECT_FALSE(pf::IsImage(7));
    EXPECT_EQ(pf::ImageError().rfind("cut.png: ", 0), 0u) << pf::ImageError();
  }
}

// A JPEG 2000 picture asked for a part decodes that part, widened to whole
// pixels of its reduction, and says which part it holds; asked for none it
// is whole.
TEST_F(ImageFiles, Jp2DecodesThePartAskedFor) {
  ASSERT_TRUE(pf::CreateImage(1, 400, 300));
  pf::StartDrawing(1);
  pf::Box(0, 0, 200, 150, kRed);
  pf::Box(200, 0, 200, 150, kGreen);
  pf::Box(0, 150, 200, 150, kBlue);
  pf::Box(200, 150, 200, 150, kWhite);
  pf::StopDrawing();
  ASSERT_TRUE(pf::test::SaveJp2(1, "q.jp2", false));
  struct Case {
    int accepted;
    pf::ImageArea asked, part;
    int width, height;
  } cases[] = {
      {1, {150, 101, 260, 200}, {150, 101, 260, 200}, 110, 99},
      {2, {151, 101, 259, 199}, {150, 100, 260, 200}, 55, 50},
      {4, {0, 0, 400, 300}, {0, 0, 400, 300}, 100, 75},  // the whole: no part
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.accepted);
    pf::test::ResetImages();
    ASSERT_TRUE(pf::LoadImageReduced(
        7, "q.jp2", [&](int, int) { return c.accepted; }, [&](int, int) { return c.asked; }))
        << pf::ImageError();
    const pf::ImageArea part = pf::ImagePart(7);
    EXPECT_EQ(part.left, c.part.left);
    EXPECT_EQ(part.top, c.part.top);
    EXPECT_EQ(part.right, c.part.right);
    EXPECT_EQ(part.bottom, c.part.bottom);
    ASSERT_EQ(pf::ImageWidth(7), c.width);
    ASSERT_EQ(pf::ImageHeight(7), c.height);
    EXPECT_EQ(pf::ImageFullWidth(7), 400);
    // Corners of the part: the quadrants under them.
    EXPECT_TRUE(Near(pf::Point(7, 1, 1), c.part.left < 200 && c.part.top < 150 ? kRed : kGreen, 12));
    EXPECT_TRUE(Near(pf::Point(7, c.width - 2, c.height - 2), kWhite, 12));
  }
  ASSERT_TRUE(pf::LoadImageReduced(7, "q.jp2", [](int, int) { return 1; }));
  EXPECT_EQ(pf::ImageWidth(7), 400);
  EXPECT_EQ(pf::ImagePart(7).right, 400);
}

// A picture kept from a reduced decode never stands in for a finer one.
TEST_F(ImageFiles, KeptPictureServesOnlyWhenItIsFineEnough) {
  ASSERT_TRUE(pf::CreateImage(1, 1600, 1200, kGreen));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "big.jpg"));
  ASSERT_TRUE(pf::LoadImageReduced(2, "big.jpg", [](int, int) { return 8; }));
  EXPECT_EQ(pf::ImageWidth(2), 200);
  ASSERT_TRUE(pf::LoadImage(3, "big.jpg"));
  EXPECT_EQ(pf::ImageWidth(3), 1600);
  EXPECT_EQ(pf::ImageFullWidth(3), 1600);
  ASSERT_TRUE(pf::LoadImageReduced(4, "big.jpg", [](int, int) { return 2; }));
  EXPECT_EQ(pf::ImageWidth(4), 1600);  // the full one kept serves
  EXPECT_EQ(pf::ImageFullWidth(4), 1600);
}

// The size from the header alone, for every format; a header beyond the
// first megabyte (long metadata segments) is still found; what LoadImage
// would refuse before decoding is refused with its message.
TEST_F(ImageFiles, SizeIsReadFromTheHeaderAlone) {
  MakeCard(1);
  ASSERT_TRUE(pf::SavePng(1, "card.png"));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "card.jpg"));
  ASSERT_TRUE(pf::test::SaveJp2(1, "card.jp2", false));
  ASSERT_TRUE(pf::test::SaveJp2(1, "card.j2k", true));
  std::string jpg = Slurp("card.jpg");
  std::string comments;
  for (int k = 0; k < 20; ++k) comments += "\xFF\xFE\xFF\xF0" + std::string(0xFFF0 - 2, char('a' + k));
  Spit("late.jpg", jpg.substr(0, 2) + comments + jpg.substr(2));
  ASSERT_GT(std::filesystem::file_size("late.jpg"), 1u << 20);
  for (const char* file : {"card.png", "card.jpg", "card.jp2", "card.j2k", "late.jpg"}) {
    SCOPED_TRACE(file);
    int w = 0, h = 0;
    ASSERT_TRUE(pf::ReadImageSize(file, w, h)) << pf::ImageError();
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 24);
  }
  ASSERT_TRUE(pf::LoadImage(2, "late.jpg")) << pf::ImageError();
  Spit("text.png", "hello");
  int w = 7, h = 7;
  EXPECT_FALSE(pf::ReadImageSize("text.png", w, h));
  EXPECT_EQ(pf::ImageError(), "text.png: not a PNG, JPEG or JPEG 2000 file");
  EXPECT_FALSE(pf::ReadImageSize("missing.png", w, h));
  // Beyond the 128 MB LoadImage reads (a sparse file): refused as LoadImage refuses it.
  std::filesystem::copy_file("card.png", "huge.png");
  std::filesystem::resize_file("huge.png", (128u << 20) + 1);
  EXPECT_FALSE(pf::ReadImageSize("huge.png", w, h));
  EXPECT_EQ(pf::ImageError(), "huge.png: cannot be read");
  EXPECT_EQ(w, 7);
}

// The loading thread gives what LoadImageReduced gives; the newest request
// supersedes an older one not yet taken, and a failure comes with its reason.
TEST_F(ImageFiles, LoadingThreadGivesTheNewestPictureAsked) {
  ASSERT_TRUE(pf::CreateImage(1, 1600, 1200, kGreen));
  ASSERT_TRUE(pf::test::SaveJpeg(1, "green.jpg"));
  ASSERT_TRUE(pf::CreateImage(1, 800, 600, kBlue));
  ASSERT_TRUE(pf::SavePng(1, "blue.png"));
  std::atomic<int> ready{0};
  std::atomic<bool> superseded{false};
  EXPECT_EQ(pf::TakeImageLoad(5), pf::kLoadNone);

  // The first load, if the thread gets to it at all, cannot finish before
  // the second is asked for, however the two threads are scheduled.
  pf::StartImageLoad(
      "green.jpg",
      [&](int, int) {
        while (!superseded) std::this_thread::yield();
        return 4;
      },
      [&] { ++ready; });
  pf::StartImageLoad("blue.png", nullptr, [&] { ++ready; });
  superseded = true;
  pf::test::WaitImageLoads();
  EXPECT_EQ(ready, 1);  // only the newest reports
  ASSERT_EQ(pf::TakeImageLoad(5), pf::kLoadDone);
  EXPECT_EQ(pf::ImageWidth(5), 800);
  EXPECT_TRUE(Near(pf::Point(5, 10, 10), kBlue, 0));
  EXPECT_EQ(pf::TakeImageLoad(5), pf::kLoadNone);
  EXPECT_TRUE(pf::IsImage(5));

  pf::StartImageLoad(
      "green.jpg", [](int, int) { return 4; }, nullptr);
  pf::test::WaitImageLoads();
  ASSERT_EQ(pf::TakeImageLoad(5), pf::kLoadDone);
  EXPECT_EQ(pf::ImageWidth(5), 400);
  EXPECT_EQ(pf::ImageFullWidth(5), 1600);
  EXPECT_TRUE(Near(pf::Point(5, 10, 10), kGreen, 8));

  Spit("broken.png", "\x89PNG\r\n\x1a\nnot really");
  pf::StartImageLoad("broken.png", nullptr, nullptr);
  pf::test::WaitImageLoads();
  EXPECT_EQ(pf::TakeImageLoad(5), pf::kLoadFailed);
  EXPECT_FALSE(pf::IsImage(5));
  EXPECT_EQ(pf::ImageError().rfind("broken.png: ", 0), 0u) << pf::ImageError();
}
