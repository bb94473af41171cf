// The component under the probe and its response to the generator: the
// voltage at the pin over one signal period, in the periodic steady state.
#pragma once
#include <string>
#include <vector>

namespace sim {

// Elements in parallel between the pin and the common lead.
struct Component {
  double conductance = 0;      // resistors (and a short), siemens
  double capacitance = 0;      // farads
  int diodes = 0;              // anode at the pin
  int rdiodes = 0;             // cathode at the pin
  int leds = 0;                // anode at the pin, about 1.8 V forward
  std::vector<double> zeners;  // cathode at the pin: breakdown at +Vz, forward at -0.6 V
  std::string text;            // as given, for caching
};

// Parses "resistor 1k | capacitor 100n", "diode", "zener 5.1", "open", "short"...
// False (with a reason) when a word is unknown or a value is missing.
bool ParseComponent(const std::string& text, Component& out, std::string& error);

// Current into the static (memoryless) elements at pin voltage v, and its slope.
double StaticCurrent(const Component& c, double v, double* slope);

// The generator: offset + peak * sin(2 pi phase).
struct Drive {
  double offset = 0, peak = 0;
  double hz = 0;  // 0: a steady level
  double sourceOhms = 1000;
};

// Pin voltage at m equally spaced phases of one period (m = 1 for a level).
std::vector<double> SteadyState(const Component& c, const Drive& d, int m);

// Parses a number with an optional suffix p n u m k M (and trailing unit letters).
bool ParseValue(const std::string& text, double& value);

}  // namespace sim
