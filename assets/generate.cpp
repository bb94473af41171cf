// Makes the program's pictures, sounds and colour-scheme file into a working
// folder template: yrm_assets <folder>. Everything is drawn here; nothing is
// copied from elsewhere.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/sampleboard.h"
#include "platform/files.h"
#include "platform/image.h"

namespace {
constexpr int kCanvas = 1;
constexpr int kFont = 1;
const double kPi = 3.14159265358979323846;

std::string folder;
bool failed = false;

int Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// Blends two colours: t = 0 gives a, 1 gives b.
int Mix(int a, int b, double t) {
  auto part = [&](int shift) {
    const int pa = (a >> shift) & 0xFF, pb = (b >> shift) & 0xFF;
    return int(std::lround(pa + (pb - pa) * t)) << shift;
  };
  return part(0) | part(8) | part(16);
}

void Save(const std::string& name) {
  const std::string path = folder + "/" + name;
  if (!pf::SavePng(kCanvas, path)) {
    std::fprintf(stderr, "yrm_assets: %s\n", pf::ImageError().c_str());
    failed = true;
  }
}

// Bold text centred in the box (x, y, w, h), at the largest size up to
// `points` that fits.
void CentredText(const std::string& text, int x, int y, int w, int h, int points, int colour) {
  for (int size = points; size >= 6; --size) {
    pf::LoadFont(kFont, "Arial Bold", size);
    pf::DrawingFont(kFont);
    if ((pf::TextWidth(text) <= w - 4 && pf::TextHeight(text) <= h + 2) || size == 6) break;
  }
  pf::DrawText(x + (w - pf::TextWidth(text)) / 2, y + (h - pf::TextHeight(text)) / 2, text, colour);
}

// A flat button face: light top edge, shaded body, dark one-pixel border.
void Face(int w, int h, int colour) {
  pf::CreateImage(kCanvas, w, h, colour);
  pf::StartDrawing(kCanvas);
  for (int y = 0; y < h; ++y) {
    const double t = double(y) / (h - 1);
    pf::Box(0, y, w, 1, t < 0.5 ? Mix(colour, 0xFFFFFF, 0.25 * (0.5 - t)) : Mix(colour, 0, 0.3 * (t - 0.5)));
  }
  pf::LineXY(1, 1, w - 2, 1, Mix(colour, 0xFFFFFF, 0.45));
  pf::BoxOutline(0, 0, w, h, Mix(colour, 0, 0.55));
}

void Button(const std::string& name, int w, int h, int colour, const std::string& text, int textColour,
            int points = 10) {
  Face(w, h, colour);
  CentredText(text, 0, 0, w, h, points, textColour);
  pf::StopDrawing();
  Save(name);
}

// 23 x 23 result icons with a symbol drawn in thick strokes.
enum Symbol { kTick, kCross, kDash, kRing, kQuestion, kNone };

void Thick(int x1, int y1, int x2, int y2, int colour) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx == 0 || dy == 0) pf::LineXY(x1 + dx, y1 + dy, x2 + dx, y2 + dy, colour);
}

void Icon(const std::string& name, int colour, Symbol symbol, int ink) {
  if (symbol == kNone) {
    pf::CreateImage(kCanvas, 23, 23, colour);
    pf::StartDrawing(kCanvas);
  } else {
    Face(23, 23, colour);
  }
  switch (symbol) {
    case kTick:
      Thick(5, 12, 9, 16, ink);
      Thick(9, 16, 17, 6, ink);
      break;
    case kCross:
      Thick(6, 6, 16, 16, ink);
      Thick(16, 6, 6, 16, ink);
      break;
    case kDash:
      pf::Box(5, 10, 13, 3, ink);
      break;
    case kRing:
      pf::CircleOutline(11, 11, 6, ink);
      pf::CircleOutline(11, 11, 5, ink);
      break;
    case kQuestion:
      CentredText("?", 0, 0, 23, 23, 14, ink);
      break;
    case kNone:
      break;
  }
  pf::StopDrawing();
  Save(name);
}

void NoImage() {
  const int w = 640, h = 480, back = Rgb(64, 68, 72), line = Rgb(96, 102, 108);
  pf::CreateImage(kCanvas, w, h, back);
  pf::StartDrawing(kCanvas);
  pf::BoxOutline(20, 20, w - 40, h - 40, line);
  pf::LineXY(20, 20, w - 21, h - 21, line);
  pf::LineXY(w - 21, 20, 20, h - 21, line);
  pf::Box(w / 2 - 150, h / 2 - 40, 300, 80, back);
  pf::BoxOutline(w / 2 - 150, h / 2 - 40, 300, 80, line);
  CentredText("No image", w / 2 - 150, h / 2 - 40, 300, 80, 32, Rgb(220, 224, 228));
  pf::StopDrawing();
  Save("graphics/noimage.png");
}

// ---- the sample board's photo ---------------------------------------------------
// A small through-hole board seen from above, drawn from the pin places of
// sampleboard.h so that the sample plan's pins sit on its pads.
namespace sb = sampleboard;

const sb::Component& Part(const char* name) {
  for (const sb::Component& c : sb::kComponents)
    if (std::string(c.name) == name) return c;
  std::abort();
}

// A copper track along horizontal and vertical legs through the points.
void Track(const std::vector<sb::Pin>& points, int colour) {
  constexpr int half = 5;
  for (size_t k = 1; k < points.size(); ++k) {
    const sb::Pin a = points[k - 1], b = points[k];
    const int x = std::min(a.x, b.x) - half, y = std::min(a.y, b.y) - half;
    pf::Box(x, y, std::abs(a.x - b.x) + 2 * half + 1, std::abs(a.y - b.y) + 2 * half + 1, colour);
  }
}

void Label(int x, int y, const std::string& text, int points, int colour) {
  pf::LoadFont(kFont, "Arial Bold", points);
  pf::DrawingFont(kFont);
  pf::DrawText(x - pf::TextWidth(text) / 2, y - pf::TextHeight(text) / 2, text, colour);
}

// An axial body between the two pins of `c`, with its leads and bands.
void Axial(const sb::Component& c, int body, const std::vector<std::pair<int, int>>& bands, int lead) {
  const sb::Pin a = c.at[0], b = c.at[1];
  Thick(a.x, a.y, b.x, b.y, lead);
  const int x = a.x + 36, w = b.x - a.x - 72, h = 34;
  pf::Box(x, a.y - h / 2, w, h, body);
  pf::Box(x, a.y - h / 2, w, 6, Mix(body, 0xFFFFFF, 0.3));
  pf::BoxOutline(x, a.y - h / 2, w, h, Mix(body, 0, 0.4));
  for (auto [at, colour] : bands) pf::Box(x + at, a.y - h / 2, 9, h, colour);
}

void SampleBoardPhoto() {
  const int bench = Rgb(52, 56, 62), board = Rgb(22, 104, 54), copper = Rgb(40, 138, 72);
  const int tin = Rgb(206, 204, 192), hole = Rgb(70, 72, 66), silk = Rgb(236, 236, 228);
  const int lead = Rgb(180, 182, 184), black = Rgb(30, 30, 32);
  pf::CreateImage(kCanvas, sb::kPhotoWidth, sb::kPhotoHeight, bench);
  pf::StartDrawing(kCanvas);
  // The board, a little lighter towards the top, with four mounting holes.
  const int bx = 40, by = 40, bw = sb::kPhotoWidth - 80, bh = sb::kPhotoHeight - 80;
  for (int y = 0; y < bh; ++y)
    pf::Box(bx, by + y, bw, 1, Mix(Mix(board, 0xFFFFFF, 0.08), board, double(y) / bh));
  pf::BoxOutline(bx, by, bw, bh, Mix(board, 0, 0.45));
  for (const sb::Pin h : {sb::Pin{75, 75}, sb::Pin{1125, 75}, sb::Pin{75, 725}, sb::Pin{1125, 725}}) {
    pf::Circle(h.x, h.y, 18, tin);
    pf::Circle(h.x, h.y, 11, bench);
  }

  // Tracks between the pads.
  const auto& j1 = Part("J1").at;
  const auto& r1 = Part("R1").at;
  const auto& r2 = Part("R2").at;
  const auto& c1 = Part("C1").at;
  const auto& d1 = Part("D1").at;
  const auto& u1 = Part("U1").at;
  Track({j1[0], {190, j1[0].y}, {190, r1[0].y}, r1[0]}, copper);
  Track({r1[1], {u1[7].x, r1[1].y}, u1[7]}, copper);
  Track({u1[4], {u1[4].x, r2[0].y}, r2[0]}, copper);
  Track({r2[1], {r2[1].x, c1[1].y}, c1[1]}, copper);
  Track({c1[0], {720, c1[0].y}, {720, u1[3].y}, u1[3]}, copper);
  Track({u1[0], {u1[0].x, d1[1].y}, d1[1]}, copper);
  Track({d1[0], {j1[2].x, d1[0].y}, j1[2]}, copper);
  // Round the outside of the header and under the diode, crossing nothing.
  Track({j1[1], {80, j1[1].y}, {80, 680}, {u1[1].x, 680}, u1[1]}, copper);

  // Pads: square for pin 1 of the header and the IC, round elsewhere.
  for (const sb::Component& c : sb::kComponents)
    for (int k = 0; k < c.pins; ++k) {
      const sb::Pin p = c.at[k];
      if (k == 0 && (c.kind == sb::kHeader || c.kind == sb::kDip))
        pf::Box(p.x - 13, p.y - 13, 27, 27, tin);
      else
        pf::Circle(p.x, p.y, 14, tin);
      pf::Circle(p.x, p.y, 5, hole);
    }

  // Header: a black strip with square gold posts.
  pf::Box(j1[0].x - 30, j1[0].y - 34, 61, j1[2].y - j1[0].y + 69, black);
  for (int k = 0; k < 3; ++k) pf::Box(j1[k].x - 8, j1[k].y - 8, 17, 17, Rgb(214, 178, 64));
  // Resistors (1 k and 10 k in colour bands) and the diode with its cathode band.
  const int brown = Rgb(110, 62, 30), gold = Rgb(200, 164, 60);
  Axial(Part("R1"), Rgb(214, 190, 140), {{12, brown}, {30, black}, {48, Rgb(200, 40, 30)}, {86, gold}}, lead);
  Axial(Part("R2"), Rgb(214, 190, 140), {{12, brown}, {30, black}, {48, Rgb(230, 120, 30)}, {86, gold}},
        lead);
  Axial(Part("D1"), black, {{84, Rgb(190, 190, 196)}}, lead);
  // Disc capacitor standing above its pads.
  Thick(c1[0].x, c1[0].y, c1[0].x + 12, c1[0].y - 40, lead);
  Thick(c1[1].x, c1[1].y, c1[1].x - 12, c1[1].y - 40, lead);
  pf::Circle((c1[0].x + c1[1].x) / 2, c1[0].y - 58, 34, Rgb(196, 120, 40));
  pf::Circle((c1[0].x + c1[1].x) / 2 - 8, c1[0].y - 66, 14, Rgb(220, 150, 70));
  Label((c1[0].x + c1[1].x) / 2, c1[0].y - 58, "104", 10, Rgb(60, 30, 10));
  // The IC: leads, body, notch and pin-1 dot.
  for (int k = 0; k < 8; ++k) {
    const sb::Pin p = u1[k];
    pf::Box(p.x - 8, k < 4 ? p.y - 30 : p.y + 6, 17, 25, lead);
  }
  const int icx = u1[0].x - 28, icy = u1[7].y + 28, icw = u1[3].x - u1[0].x + 57,
            ich = u1[0].y - u1[7].y - 56;
  pf::Box(icx, icy, icw, ich, black);
  pf::Box(icx, icy, icw, 5, Rgb(62, 62, 66));
  for (int dy = -14; dy <= 14; ++dy)  // the notch: a half disc at the left end
    pf::Box(icx, icy + ich / 2 + dy, int(std::lround(std::sqrt(196.0 - dy * dy))), 1, Rgb(58, 58, 62));
  pf::Circle(icx + 22, icy + ich - 20, 6, Rgb(80, 80, 86));
  Label(icx + icw / 2, icy + ich / 2, "QV-08", 16, Rgb(170, 170, 176));

  // Silkscreen: names, pin 1 marks and the board's own title.
  Label(j1[0].x - 2, j1[0].y - 60, "J1", 16, silk);
  Label(j1[0].x - 50, j1[0].y, "1", 11, silk);
  Label((r1[0].x + r1[1].x) / 2, r1[0].y - 42, "R1", 16, silk);
  Label((r2[0].x + r2[1].x) / 2, r2[0].y - 42, "R2", 16, silk);
  Label(c1[1].x + 60, c1[1].y - 58, "C1", 16, silk);
  Label((d1[0].x + d1[1].x) / 2, d1[0].y + 44, "D1", 16, silk);
  Label(icx - 40, icy + ich / 2, "U1", 16, silk);
  Label(u1[0].x, u1[0].y + 36, "1", 11, silk);
  Label(960, 690, "SAMPLE BOARD  rev A", 14, silk);
  pf::StopDrawing();
  Save(sb::kPhotoFile);
}

// ---- sounds: 16-bit PCM mono WAV ---------------------------------------------
constexpr int kRate = 22050;

struct Note {
  double hz;  // 0: silence
  double seconds;
};

void Put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// Notes in sequence, each with a soft start and end so nothing clicks; a bit
// of the third harmonic (`edge`) makes a note harsher.
void Wav(const std::string& name, const std::vector<Note>& notes, double edge = 0.0) {
  std::vector<int16_t> samples;
  for (const Note& n : notes) {
    const int count = int(n.seconds * kRate), fade = kRate / 200;
    for (int i = 0; i < count; ++i) {
      double v = 0;
      if (n.hz > 0) {
        const double t = double(i) / kRate;
        v = std::sin(2 * kPi * n.hz * t) + edge * std::sin(2 * kPi * 3 * n.hz * t);
        v *= 0.45 / (1 + edge) * std::min({1.0, double(i) / fade, double(count - 1 - i) / fade});
      }
      samples.push_back(int16_t(std::lround(v * 32767)));
    }
  }
  const uint32_t bytes = uint32_t(samples.size() * 2);
  std::string out = "RIFF";
  Put(out, 36 + bytes, 4);
  out += "WAVEfmt ";
  Put(out, 16, 4);
  Put(out, 1, 2);  // PCM
  Put(out, 1, 2);  // mono
  Put(out, kRate, 4);
  Put(out, kRate * 2, 4);  // bytes per second
  Put(out, 2, 2);          // bytes per frame
  Put(out, 16, 2);         // bits per sample
  out += "data";
  Put(out, bytes, 4);
  for (int16_t s : samples) Put(out, uint16_t(s), 2);
  if (!pf::ReplaceFile(folder + "/" + name, out)) {
    std::fprintf(stderr, "yrm_assets: cannot write %s\n", name.c_str());
    failed = true;
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yrm_assets <template folder>\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  folder = argv[1];
  std::error_code ec;
  for (const char* sub : {"graphics", "sounds", "settings", "testplans/images"})
    std::filesystem::create_directories(folder + "/" + sub, ec);

  const int black = 0, white = Rgb(255, 255, 255);
  const int green = Rgb(40, 190, 70), grey = Rgb(150, 154, 158), greyInk = Rgb(88, 92, 96);
  const int red = Rgb(210, 44, 40), pink = Rgb(255, 182, 200), yellow = Rgb(250, 214, 20);
  const int slate = Rgb(115, 124, 112);

  // Connection indicator and the instrument's two push buttons.
  Button("graphics/button_connected.png", 70, 23, green, "CONNECTED", black, 9);
  Button("graphics/button_no-connect.png", 70, 23, red, "NO CONNECT", white, 9);
  Button("graphics/buttonA_grey.png", 70, 23, grey, "A", greyInk, 13);
  Button("graphics/buttonA_yellow.png", 70, 23, yellow, "A", black, 13);
  Button("graphics/buttonB_grey.png", 70, 23, grey, "B", greyInk, 13);
  Button("graphics/buttonB_yellow.png", 70, 23, yellow, "B", black, 13);

  // Judging buttons and status pictures.
  Button("graphics/good_72x23.png", 72, 23, green, "GOOD", black);
  Button("graphics/good_grey_72x23.png", 72, 23, grey, "GOOD", greyInk);
  Button("graphics/bad_72x23.png", 72, 23, red, "BAD", white);
  Button("graphics/bad_grey_72x23.png", 72, 23, grey, "BAD", greyInk);
  Button("graphics/nosig_72x23_pink.png", 72, 23, pink, "NO SIG", black);
  Button("graphics/notest_72x23.png", 72, 23, slate, "NO TEST", white);
  Button("graphics/questionmark_72x23_yellow.png", 72, 23, yellow, "?", black, 14);

  // Result icons of the trees and mini-scopes.
  Icon("graphics/good_23x23.png", green, kTick, black);
  Icon("graphics/bad_23x23.png", red, kCross, white);
  Icon("graphics/nosig_23x23_pink.png", pink, kRing, black);
  Icon("graphics/notest_23x23.png", slate, kDash, white);
  Icon("graphics/questionmark_23x23_yellow.png", yellow, kQuestion, black);
  Icon("graphics/block_23x23_black.png", black, kNone, black);

  // Capture and automatic-run controls (the capture picture shares the
  // 72 x 23 judging control with GOOD).
  Button("graphics/singlecapture_green.png", 72, 23, green, "CAPTURE", black);
  Button("graphics/singlecapture_grey.png", 72, 23, grey, "CAPTURE", greyInk);
  Button("graphics/autocapture_yellow.png", 140, 23, yellow, "AUTO CAPTURE", black);
  Button("graphics/captureinprogress_green.png", 140, 23, green, "CAPTURING...", black);
  Button("graphics/autotest_yellow.png", 140, 23, yellow, "AUTO TEST", black);
  Button("graphics/testinprogress_green.png", 140, 23, green, "TESTING...", black);

  NoImage();
  SampleBoardPhoto();

  // Four short, distinct sounds.
  Wav("sounds/capturesignature.wav", {{880, 0.07}, {0, 0.03}, {1320, 0.09}});
  Wav("sounds/capturecomplete.wav", {{523, 0.12}, {659, 0.12}, {784, 0.12}, {1047, 0.22}});
  Wav("sounds/testgood.wav", {{1175, 0.09}, {1568, 0.16}});
  Wav("sounds/testbad.wav", {{196, 0.18}, {0, 0.04}, {185, 0.26}}, 0.5);

  if (!pf::ReplaceFile(folder + "/settings/colours.txt", "scheme1\r\n")) failed = true;
  return failed ? 1 : 0;
}
