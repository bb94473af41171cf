#include "testing/compare.h"

#include <cmath>

#include "testing/records.h"
#include "testing/state.h"

namespace {
constexpr double kRightAngle = 1.5707963267948966;
constexpr float kNoLength = 1e-9f;

float distance(float ax, float ay, float bx, float by) {
  const float dx = ax - bx, dy = ay - by;
  const float d = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
  return d == 0.0f ? kNoLength : d;
}

// The angle opposite side c of a triangle with sides a, b, c; NaN when
// rounding puts the cosine outside -1 to 1. Held in single precision, so a
// right angle compares as greater than pi/2.
float angle(float a, float b, float c) {
  const float cosine = (a * a + b * b - c * c) / (2.0f * a * b);
  return static_cast<float>(std::acos(static_cast<double>(cosine)));
}
}  // namespace

int YRM_PointNearSegment(float ax, float ay, float bx, float by, float tolerance, float px, float py) {
  const float dA = distance(px, py, ax, ay);
  const float dB = distance(px, py, bx, by);
  const float L = distance(ax, ay, bx, by);
  if (dA <= tolerance || dB <= tolerance) return 1;
  const float atB = angle(dB, L, dA);
  if (std::isnan(atB) || atB > kRightAngle) return -1;  // beyond B
  const float atA = angle(dA, L, dB);
  if (std::isnan(atA) || atA > kRightAngle) return -1;  // beyond A
  const float atP = angle(dA, dB, L);
  if (std::isnan(atP)) return -1;
  const float area = dA * dB * static_cast<float>(std::sin(static_cast<double>(atP))) / 2.0f;
  const float height = 2.0f * area / L;
  return height <= tolerance ? 1 : -1;
}

int YRM_SignatureFits(float tolerance, int count) {
  for (int i = 1; i <= count; ++i) {
    const int next = i == count ? 1 : i + 1;
    bool counted = false;
    for (int j = 1; j <= count && !counted; ++j)
      counted = YRM_PointNearSegment(goldennormv[i], goldennormi[i], goldennormv[next], goldennormi[next],
                                     tolerance, livenormv[j], livenormi[j]) == 1;
    if (!counted) return -1;
  }
  return 1;
}

void YRM_GoldenVsLiveDifference() {
  const int row = currentrecord;
  Signature v{}, i{};
  const int n = ReadSignatureBlock(row, kGoldenBase, v, i);
  const float vg = static_cast<float>(records.FieldInt(row, kGoldenBase + kBlockVoltage)) / 1000.0f;
  int ohms = records.FieldInt(row, kGoldenBase + kBlockResistance);
  if (ohms == 0) ohms = 10000;
  const float ig = vg / static_cast<float>(ohms);
  const float kv = 100.0f / vg;
  const float ki = 100.0f / ig;
  if (!std::isfinite(kv) || !std::isfinite(ki)) {
    // No peak voltage: no scale to compare on.
    goldennormv.fill(0.0f);
    goldennormi.fill(0.0f);
    livenormv.fill(0.0f);
    livenormi.fill(0.0f);
    goldenlivediff = n == 0 ? 10.0f / 65536.0f : kLargestDifference;
    return;
  }
  for (int k = 1; k <= n; ++k) {
    goldennormv[k] = v[k] * kv;
    goldennormi[k] = i[k] * ki;
    livenormv[k] = tracex[k] * kv;
    livenormi[k] = tracey[k] * ki;
  }
  float tol = 10.0f, step = 10.0f;
  for (int pass = 0; pass < 16; ++pass) {
    const int fits = YRM_SignatureFits(tol, n);
    step /= 2.0f;
    tol = fits == 1 ? tol - step : tol + step;
  }
  goldenlivediff = tol;
}
