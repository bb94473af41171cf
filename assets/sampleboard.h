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
  // What the simulated instrument shows at each pin of a good board, in the
  // simulator's words: the pins one track joins show alike.
  std::array<const char*, 8> good;
};

// A 3-pin header, two resistors, a disc capacitor, a diode (pin 2 the
// cathode) and an 8-pin IC (pin 1 bottom left, counted anticlockwise seen
// from above).
constexpr std::array<Component, 6> kComponents = {{
    {"J1", kHeader, 3, {{{130, 330}, {130, 400}, {130, 470}}}, {{"resistor 2.2k", "led | rdiode", "diode"}}},
    {"R1", kResistor, 2, {{{250, 190}, {430, 190}}}, {{"resistor 2.2k", "diode | rdiode"}}},
    {"R2",
     kResistor,
     2,
     {{{770, 190}, {950, 190}}},
     {{"zener 3.3 | resistor 10k", "resistor 10k | capacitor 100n"}}},
    {"C1", kCapacitor, 2, {{{810, 430}, {870, 430}}}, {{"short", "resistor 10k | capacitor 100n"}}},
    {"D1", kDiode, 2, {{{250, 620}, {430, 620}}}, {{"diode", "rdiode"}}},
    {"U1",
     kDip,
     8,
     {{{480, 480}, {540, 480}, {600, 480}, {660, 480}, {660, 300}, {600, 300}, {540, 300}, {480, 300}}},
     {{"rdiode", "led | rdiode", "diode | rdiode | capacitor 1u", "short", "zener 3.3 | resistor 10k",
       "zener 3.3", "resistor 4.7k | diode", "diode | rdiode"}}},
}};

// The faulty board the probe script plays: one pin of the IC shows a
// damaged output instead of its zener.
constexpr const char* kFaultyComponent = "U1";
constexpr int kFaultyPin = 6;
constexpr const char* kFaultyShows = "resistor 220";

// The test settings of every pin: 5 V peak, 1 kohm, 50 Hz.
constexpr int kMillivolts = 5000, kOhms = 1000, kHertz = 50;

// The probe script beside the plan (sim.txt lines): open for the lead-in,
// then each pin for kPinMs with the probe lifted for kLiftMs in between.
// kPinMs is well above the default stable-signature delay (10 frames at 4 a
// second).
constexpr const char* kProbeFile = "testplans/sample_board_probe.txt";
constexpr int kLeadInMs = 8000, kPinMs = 4000, kLiftMs = 1000;

}  // namespace sampleboard
