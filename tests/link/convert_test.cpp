// Sample conversion into volts and amperes, push buttons and the USB rail.
#include "link/convert.h"

#include <gtest/gtest.h>

#include <cmath>

#include "linkfixture.h"

namespace {

class SampleConversion : public linktest::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    // ADC1: -32000 counts at -10 V, 32000 at +10 V; ADC0 the same.
    adc0gain = adc1gain = 20.0f / 64000;
    adc0offset = adc1offset = 0;
  }
  void Fill(int32_t a0, int32_t a1) {
    for (int i = 1; i <= 64; ++i) {
      adc0samples[i] = a0;
      adc1samples[i] = a1;
    }
  }
};

TEST_F(SampleConversion, SumsAreAveragedThenScaled) {
  struct Case {
    int spp, cycles;
    int32_t sum0, sum1;
    int ohms;
    float v, i;
  } cases[] = {
      {1, 80, 80 * 3200, 80 * 3200, 1000, 1.0f, 0.0f},       // 1000 Hz: divided by 80
      {100, 1, 100 * 3200, 100 * 6400, 1000, 2.0f, 0.001f},  // 10 Hz: by 100; 1 V across 1 kohm
      {20, 4, 80 * 32000, 80 * 32000, 50, 10.0f, 0.0f},      // a full-scale count is +10 V
      {20, 4, -80 * 32000, 0, 50, 0.0f, 0.2f},
  };
  for (const Case& c : cases) {
    samplesperpoint = c.spp;
    cyclesperframe = c.cycles;
    sourceohms = c.ohms;
    Fill(c.sum0, c.sum1);
    YRM_ConvertSamples();
    EXPECT_FLOAT_EQ(livev[1], c.v) << c.spp;
    EXPECT_FLOAT_EQ(livev[64], c.v);
    EXPECT_NEAR(livei[1], c.i, 1e-7) << c.spp;
  }
}

TEST_F(SampleConversion, NoCalibrationOrNoResistanceGivesZero) {
  Fill(1000, 2000);
  sourceohms = 0;
  YRM_ConvertSamples();
  EXPECT_EQ(livei[5], 0.0f);
  adc0gain = adc1gain = 0;
  sourceohms = 100;
  YRM_ConvertSamples();
  EXPECT_EQ(livev[5], 0.0f);
  EXPECT_EQ(livei[5], 0.0f);
}

TEST_F(SampleConversion, ButtonHeldRaisesOneEventPerPress) {
  MakeRibbonControls();
  const int frames[] = {1, 1, 1, 1, 1, 0, 1, 2};
  std::vector<int> events;
  for (int status : frames) {
    instrumentstatus = status;
    YRM_ConvertSamples();
    YRM_UpdateButtonIndicators();
    events.push_back(buttonaevent * 10 + buttonbevent);
    buttonaevent = buttonbevent = 0;  // the main step takes the action
  }
  EXPECT_EQ(events, (std::vector<int>{10, 0, 0, 0, 0, 0, 10, 1}));
  EXPECT_EQ(buttonbshown, 842);
  EXPECT_EQ(buttonashown, 839);
}

TEST_F(SampleConversion, ButtonWithoutIndicatorRaisesNothing) {
  instrumentstatus = 3;
  YRM_ConvertSamples();
  YRM_UpdateButtonIndicators();
  EXPECT_EQ(buttonaevent, 0);
  EXPECT_EQ(buttonbevent, 0);
}

TEST_F(SampleConversion, UsbRailMovesOnlyByMoreThanTenMillivolts) {
  MakeRibbonControls();
  usbrailraw = 3102;
  YRM_ConvertSamples();
  EXPECT_NEAR(TakenUsbRailVolts(), 5.0008f, 1e-4);
  usbrailshown = 5.0f;
  struct Step {
    float volts, shown;
    const char* text;
  } steps[] = {
      {5.005f, 5.0f, "USB rail: 5.00V"},
      {4.995f, 5.0f, "USB rail: 5.00V"},
      {5.012f, 5.012f, "USB rail: 5.01V"},
  };
  for (const Step& s : steps) {
    takenusbrailraw = static_cast<int>(std::lround(s.volts / kUsbRailVoltsPerCount));
    ShowUsbRail();
    EXPECT_NEAR(usbrailshown, s.shown, 0.001f) << s.volts;
    EXPECT_EQ(pf::GetGadgetText(253), s.text);
  }
}

}  // namespace
