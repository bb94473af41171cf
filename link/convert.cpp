#include "link/convert.h"

#include <algorithm>
#include <cstdio>

#include "link/state.h"
#include "platform/gui.h"
#include "shell/resources.h"
#include "shell/ribbon.h"
#include "testing/state.h"

namespace {

// The indicator's picture remembers the button: an event only on up -> down.
void UpdateButton(int held, int indicator, int upImage, int downImage, int& shown, int& event) {
  if (!pf::IsGadget(indicator)) return;
  if (held) {
    if (shown != downImage) {
      pf::SetGadgetImage(indicator, downImage);
      shown = downImage;
      event = 1;
    }
  } else if (shown != upImage) {
    pf::SetGadgetImage(indicator, upImage);
    shown = upImage;
  }
}
}  // namespace

void YRM_ConvertSamples() {
  int points = std::clamp(pointcount, 0, 128);
  int32_t a0[129], a1[129];
  {
    std::lock_guard<std::mutex> g(linklock);  // one conversion sees one frame
    std::copy(adc0samples.begin(), adc0samples.begin() + points + 1, a0);
    std::copy(adc1samples.begin(), adc1samples.begin() + points + 1, a1);
    takenusbrailraw = usbrailraw;
    takeninstrumentstatus = instrumentstatus;
  }
  int dn = samplesperpoint * cyclesperframe;
  float d = static_cast<float>(dn > 0 ? dn : 1);
  for (int i = 1; i <= points; ++i) {
    float a = static_cast<float>(a0[i]) / d;
    float b = static_cast<float>(a1[i]) / d;
    a = (a + adc0offset) * adc0gain;
    b = (b + adc1offset) * adc1gain;
    livev[i] = b;
    // No setting gives 0 ohms; a current of 0 beats a division by zero.
    livei[i] = sourceohms != 0 ? (b - a) / static_cast<float>(sourceohms) : 0.0f;
  }
}

void YRM_UpdateButtonIndicators() {
  UpdateButton(takeninstrumentstatus & 1, kButtonAImage, kImageButtonAGrey, kImageButtonAYellow, buttonashown,
               buttonaevent);
  UpdateButton(takeninstrumentstatus & 2, kButtonBImage, kImageButtonBGrey, kImageButtonBYellow, buttonbshown,
               buttonbevent);
}

float TakenUsbRailVolts() {
  return static_cast<float>(static_cast<uint16_t>(takenusbrailraw)) * kUsbRailVoltsPerCount;
}

void ShowUsbRail() {
  usbrail = TakenUsbRailVolts();
  if (usbrail > usbrailshown + 0.01f || usbrail < usbrailshown - 0.01f) usbrailshown = usbrail;
  if (pf::IsGadget(kUsbStatusText)) {
    char text[48];
    std::snprintf(text, sizeof text, "USB rail: %.2fV", static_cast<double>(usbrailshown));
    pf::SetGadgetText(kUsbStatusText, text);
  }
}
