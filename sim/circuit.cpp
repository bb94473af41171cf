#include "sim/circuit.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>

namespace sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kVt = 0.025852;  // thermal voltage at 300 K

// Shockley diode with the exponent kept finite (linear beyond it).
double Diode(double v, double is, double n, double* slope) {
  double x = v / (n * kVt);
  constexpr double kMaxX = 60;
  if (x > kMaxX) {
    double e = std::exp(kMaxX);
    *slope = is * e / (n * kVt);
    return is * (e * (1 + (x - kMaxX)) - 1);
  }
  double e = std::exp(x);
  *slope = is * e / (n * kVt);
  return is * (e - 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}
}  // namespace

bool ParseValue(const std::string& text, double& value) {
  const char* s = text.c_str();
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s || !std::isfinite(v)) return false;
  switch (*end) {
    case 'p':
      v *= 1e-12;
      break;
    case 'n':
      v *= 1e-9;
      break;
    case 'u':
      v *= 1e-6;
      break;
    case 'm':
      v *= 1e-3;
      break;
    case 'k':
    case 'K':
      v *= 1e3;
      break;
    case 'M':
      v *= 1e6;
      break;
    default:
      break;
  }
  value = v;
  return true;
}

bool ParseComponent(const std::string& text, Component& out, std::string& error) {
  Component c;
  c.text = Trim(text);
  std::stringstream parts(c.text);
  std::string part;
  while (std::getline(parts, part, '|')) {
    std::istringstream words(Trim(part));
    std::string kind, valueText;
    words >> kind >> valueText;
    kind = Lower(kind);
    double value = 0;
    bool hasValue = !valueText.empty() && ParseValue(valueText, value);
    if (kind == "open" || kind.empty()) {
    } else if (kind == "short") {
      c.conductance += 1e3;  // 1 milliohm
    } else if (kind == "resistor" || kind == "r") {
      if (!hasValue || value <= 0) {
        error = "resistor needs a value in ohms";
        return false;
      }
      c.conductance += 1 / value;
    } else if (kind == "capacitor" || kind == "c") {
      if (!hasValue || value < 0) {
        error = "capacitor needs a value in farads";
        return false;
      }
      c.capacitance += value;
    } else if (kind == "diode") {
      ++c.diodes;
    } else if (kind == "rdiode") {
      ++c.rdiodes;
    } else if (kind == "led") {
      ++c.leds;
    } else if (kind == "zener") {
      if (!hasValue || value <= 0) {
        error = "zener needs its voltage";
        return false;
      }
      c.zeners.push_back(value);
    } else {
      error = "unknown component '" + kind + "'";
      return false;
    }
  }
  out = c;
  return true;
}

double StaticCurrent(const Component& c, double v, double* slope) {
  double i = c.conductance * v, g = c.conductance, s = 0;
  if (c.diodes) {
    i += c.diodes * Diode(v, 2.5e-9, 1.75, &s);
    g += c.diodes * s;
  }
  if (c.rdiodes) {
    i -= c.rdiodes * Diode(-v, 2.5e-9, 1.75, &s);
    g += c.rdiodes * s;
  }
  if (c.leds) {
    i += c.leds * Diode(v, 1e-18, 2.0, &s);
    g += c.leds * s;
  }
  for (double vz : c.zeners) {
    i -= Diode(-v, 2.5e-9, 1.75, &s);  // forward, pin negative
    g += s;
    // Breakdown: 1 mA at +Vz, sharp.
    double x = (v - vz) / kVt, x0 = -vz / kVt;
    double e = x > 60 ? std::exp(60.0) * (1 + x - 60) : std::exp(x);
    double ds = x > 60 ? 1e-3 * std::exp(60.0) / kVt : 1e-3 * e / kVt;
    i += 1e-3 * (e - std::exp(x0));
    g += ds;
  }
  *slope = g;
  return i;
}

namespace {
// Solves g(v) = 0 for an increasing g: Newton's steps kept inside a bracket.
template <typename G>
double SolveIncreasing(G g, double guess) {
  double lo = guess - 1, hi = guess + 1, d;
  while (g(lo, &d) > 0 && lo > -100) lo -= 2 * (hi - lo);
  while (g(hi, &d) < 0 && hi < 100) hi += 2 * (hi - lo);
  double v = std::clamp(guess, lo, hi);
  for (int k = 0; k < 100; ++k) {
    double slope;
    double r = g(v, &slope);
    if (r > 0)
      hi = v;
    else
      lo = v;
    if (std::fabs(r) < 1e-15 || hi - lo < 1e-12) break;
    double next = slope > 0 ? v - r / slope : 0.5 * (lo + hi);
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    v = next;
  }
  return v;
}
}  // namespace

std::vector<double> SteadyState(const Component& c, const Drive& d, int m) {
  const double rs = std::max(d.sourceOhms, 1e-3);
  auto gen = [&](double phase) { return d.offset + d.peak * std::sin(2 * kPi * phase); };
  // Memoryless: each phase on its own.
  auto staticPin = [&](double vg, double guess) {
    return SolveIncreasing(
        [&](double v, double* s) {
          double gs;
          double r = StaticCurrent(c, v, &gs) - (vg - v) / rs;
          *s = gs + 1 / rs;
          return r;
        },
        guess);
  };
  std::vector<double> pin(std::max(m, 1));
  if (d.hz <= 0 || c.capacitance <= 0 || m <= 1) {
    double guess = 0;
    for (size_t k = 0; k < pin.size(); ++k)
      guess = pin[k] = staticPin(gen(d.hz > 0 ? double(k) / pin.size() : 0), guess);
    return pin;
  }

  // With a capacitor: march through periods until the period repeats. The
  // start is the steady state of the linear part, so an RC settles at once.
  const double period = 1 / d.hz, h = period / m;
  const double w = 2 * kPi * d.hz;
  std::complex<double> yc(c.conductance, w * c.capacitance);
  // Im(peak e^{jwt} / (1 + Rs Y)) at t = 0, plus the level.
  const std::complex<double> a = d.peak / (1.0 + rs * yc);
  double v = d.offset / (1 + rs * c.conductance) + a.imag();
  // Second-order backward differences: stable however stiff the diodes make
  // it, and at least 1024 steps a period for accuracy.
  const int sub = std::max(1, static_cast<int>(std::ceil(1024.0 / m)));
  const double hs = h / sub;
  double older = v;
  bool first = true;
  for (int periodCount = 0; periodCount < 200; ++periodCount) {
    double start = v;
    for (int k = 0; k < m; ++k) {
      pin[k] = v;
      for (int j = 1; j <= sub; ++j) {
        const double vg = gen((k + double(j) / sub) / m);
        const double a0 = first ? 1.0 : 1.5, a1 = first ? 1.0 : 2.0, a2 = first ? 0.0 : 0.5;
        const double now = v, before = older;
        double next = SolveIncreasing(
            [&](double x, double* s) {
              double gs;
              double ic = (vg - x) / rs - StaticCurrent(c, x, &gs);
              *s = c.capacitance * a0 / hs + 1 / rs + gs;
              return c.capacitance * (a0 * x - a1 * now + a2 * before) / hs - ic;
            },
            now);
        older = now;
        v = next;
        first = false;
      }
    }
    if (std::fabs(v - start) < 1e-7) break;
  }
  return pin;
}

}  // namespace sim
