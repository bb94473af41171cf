// The sample board of our own drawing: the size of its photo and the place of
// every component pin on it. The asset generator draws the photo from these
// numbers and the sample-plan tool places the plan's pins with them, so the
// two always agree.
#pragma once
#include <array>

namespace sampleboard {

constexpr const char* kPhotoFile = "testplans/images/sample_board.png";
constexpr const char* kPlanFile = "testplans/sample_board.qvt";
constexpr int kPhotoWidth = 1200;
constexpr int kPhotoHeight = 800;
constexpr float kComponentZoom = 3.0f;  // the view of each component's pins

struct Pin {
  int x, y;  // photo pixels
};
enum Kind { kHeader, kResistor, kCapacitor, kDiode, kDip };
struct Component {
  const char* name;
  Kind kind;
  int pins;
  std::array<Pin, 8> at;  // pins 1 to `pins`
};

// A 3-pin header, two resistors, a disc capacitor, a diode (pin 2 the
// cathode) and an 8-pin IC (pin 1 bottom left, counted anticlockwise seen
// from above).
constexpr std::array<Component, 6> kComponents = {{
    {"J1", kHeader, 3, {{{130, 330}, {130, 400}, {130, 470}}}},
    {"R1", kResistor, 2, {{{250, 190}, {430, 190}}}},
    {"R2", kResistor, 2, {{{770, 190}, {950, 190}}}},
    {"C1", kCapacitor, 2, {{{810, 430}, {870, 430}}}},
    {"D1", kDiode, 2, {{{250, 620}, {430, 620}}}},
    {"U1",
     kDip,
     8,
     {{{480, 480}, {540, 480}, {600, 480}, {660, 480}, {660, 300}, {600, 300}, {540, 300}, {480, 300}}}},
}};

}  // namespace sampleboard
