#include "link/params.h"

#include <algorithm>
#include <cmath>

#include "link/frames.h"
#include "link/state.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "testing/state.h"

namespace {
// Nearest integer, a half to the even neighbour.
int64_t Rounded(double x) {
  if (!std::isfinite(x)) return 0;
  return static_cast<int64_t>(std::nearbyint(std::clamp(x, -9.0e18, 9.0e18)));
}

struct FrequencyRow {
  int hz, points, samples, cycles;
};
constexpr FrequencyRow kFrequencies[] = {
    {10, 64, 100, 1}, {20, 64, 50, 2},  {50, 64, 20, 4},   {100, 64, 10, 8},
    {200, 64, 5, 16}, {500, 64, 2, 40}, {1000, 64, 1, 80},
};

struct ResistanceRow {
  int ohms;
  float* nominal;
};
}  // namespace

void YRM_SendInstrumentParams() {
  if (usbopen != 1) return;
  int64_t* reg = paramblock.data();
  reg[1] &= ~int64_t{0x4 | 0x8};

  int64_t v = Rounded(voltage);
  for (int i = 0; i < kCalVoltageCount; ++i) {
    if (kCalVoltages[i] != v) continue;
    reg[4] = amplitudecode[i];
    reg[5] = zerocode[i];
    if (v <= 1000)
      reg[1] &= ~int64_t{0x20};  // low range
    else
      reg[1] |= 0x20;  // 10 V range
  }
  reg[6] = v;

  int64_t r = Rounded(resistance);
  const ResistanceRow rows[] = {
      {50, &resistance50},   {100, &resistance100}, {200, &resistance200}, {500, &resistance500},
      {1000, &resistance1k}, {2000, &resistance2k}, {5000, &resistance5k}, {10000, &resistance10k},
  };
  // Only a resistance the model has takes its calibrated value.
  const std::span<const int> fitted = ActiveModel().resistances;
  for (const ResistanceRow& row : rows)
    if (row.ohms == r && std::ranges::find(fitted, row.ohms) != fitted.end())
      sourceohms = static_cast<int>(Rounded(*row.nominal));
  reg[8] = r;

  int64_t f = Rounded(frequency);
  for (const FrequencyRow& row : kFrequencies) {
    if (row.hz != f) continue;
    pointcount = row.points;
    samplesperpoint = row.samples;
    cyclesperframe = row.cycles;
  }

  // Without its DC-bias codes the DC generator's levels are unknown (code 0
  // is beyond -10 V): it stays off, high impedance, whatever mode is chosen.
  const bool dcUnplaced = ActiveModel().dcGenerator && !dcbiascalibrated;
  reg[20] = Rounded(dclevelset * dcbiasscale + dcbiaszero);
  reg[21] = Rounded(dcbiaszero);
  reg[22] = dcUnplaced ? 0 : dcmodeset;
  reg[23] = 5;
  reg[10] = pointcount;
  reg[11] = samplesperpoint;
  reg[12] = cyclesperframe;
  reg[14] = f;
  reg[16] = scansigset;
  reg[17] = scancomset;

  // The burst of registers 7-15 tells the poll thread the new sampling time.
  YRM_WriteRegisters(30, 2);
  YRM_WriteRegisters(0, 6);
  YRM_WriteRegisters(6, 1);
  YRM_WriteRegisters(7, 9);
  YRM_WriteRegisters(16, 8);

  // Told once when a mode that drives the generator is refused, after the
  // instrument has the generator off; Off (HiZ) arms it again.
  if (dcmodeset == 0) {
    dcbiastold = false;
  } else if (dcUnplaced && !dcbiastold) {
    dcbiastold = true;
    YRM_ShowMessage(kMsgDcBiasNotCalibrated);
  }
}
