// How far the live signature lies from the current record's golden one, in
// percent of the golden signature's full scale.
#pragma once

// Scales both curves, finds the smallest tolerance at which every segment of
// the closed golden curve has a live point near it, and leaves it in
// goldenlivediff.
void YRM_GoldenVsLiveDifference();
// 1 when every segment of the scaled golden curve has a scaled live point
// within tolerance (percent), else -1.
int YRM_SignatureFits(float tolerance, int count);
// 1 when P lies within tolerance of the segment from A to B, else -1.
int YRM_PointNearSegment(float ax, float ay, float bx, float by, float tolerance, float px, float py);

// The largest result of the bisection, given when the golden block has no
// usable scale (no peak voltage), so the pin is judged Bad.
constexpr float kLargestDifference = 19.999847412109375f;
