// Live signatures of the simulated components, through the whole link:
// connection, parameter send, request, frame reading and conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "link/connection.h"
#include "link/convert.h"
#include "link/params.h"
#include "linkfixture.h"

namespace {

class LiveSignature : public linktest::LinkTest {
 protected:
  // Connects with `sim` and takes one signature at the given settings.
  void Take(const std::string& sim, float mv, float ohms, float hz) {
    Configure(sim);
    if (usbopen != 1) {
      activeinstrument = "YRM-C";
      Configure("model=YRM-C");
      YRM_StartConnection();
      ASSERT_EQ(usbopen, 1);
    }
    voltage = mv;
    resistance = ohms;
    frequency = hz;
    YRM_SendInstrumentParams();
    ASSERT_TRUE(Frame());
    YRM_ConvertSamples();
  }
  float MaxV() { return *std::max_element(livev.begin() + 1, livev.begin() + 65); }
  float MinV() { return *std::min_element(livev.begin() + 1, livev.begin() + 65); }
  float MaxI() { return *std::max_element(livei.begin() + 1, livei.begin() + 65); }
};

// The current is that flowing back from the pin into the source, so a
// resistor's line falls: I = -V / R.
TEST_F(LiveSignature, ResistorLiesOnItsLineWithinOnePercent) {
  Take("component=resistor 1k", 1000, 1000, 50);
  const float fullScale = 1.0f / 1000;  // short-circuit current
  for (int i = 1; i <= 64; ++i) {
    EXPECT_NEAR(livei[i], -livev[i] / 1000, 0.01f * fullScale) << i;
  }
  EXPECT_NEAR(MaxV(), 0.5f, 0.005f);  // half of 1 V across 1 kohm + 1 kohm
  EXPECT_NEAR(MinV(), -0.5f, 0.005f);
}

// Every voltage setting of the models with the most and the fewest source
// resistances, 15 V and 20 V included: the open-circuit peak is the setting,
// and a resistor equal to the source resistance halves it.
TEST_F(LiveSignature, EveryVoltageSettingGivesItsPeak) {
  const float settings[] = {200, 400, 600, 800, 1000, 2000, 3000, 4000, 5000, 10000, 15000, 20000};
  for (const char* model : {"YRM-A", "YRM-C"}) {
    if (usbopen == 1) YRM_CloseUsbPort();
    activeinstrument = model;
    Configure(std::string("model=") + model);
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    for (float mv : settings) {
      for (const char* component : {"open", "resistor 1k"}) {
        SCOPED_TRACE(std::string(model) + " " + std::to_string(int(mv)) + " mV, " + component);
        const float due = mv / 1000 / (std::string(component) == "open" ? 1 : 2);
        Take(std::string("component=") + component, mv, 1000, 50);
        EXPECT_NEAR(MaxV(), due, 0.03f * due);
        EXPECT_NEAR(MinV(), -due, 0.03f * due);
      }
    }
  }
}

TEST_F(LiveSignature, ComponentsShowTheirShapes) {
  struct Case {
    const char* component;
    float mv, ohms, hz;
    float maxV, minV, tolerance;
  } cases[] = {
      {"open", 1000, 1000, 50, 1.0f, -1.0f, 0.01f},
      {"short", 1000, 1000, 50, 0.0f, 0.0f, 0.005f},
      {"diode", 2000, 1000, 100, 0.62f, -2.0f, 0.08f},
      {"zener 5.1", 10000, 1000, 50, 5.1f, -0.62f, 0.15f},
      {"capacitor 1u", 1000, 1000, 50, 0.954f, -0.954f, 0.01f},  // 1 / |1 + jwRC|
      {"resistor 1k | capacitor 1u", 1000, 1000, 1000, 0.152f, -0.152f, 0.005f},
      {"diode | rdiode", 5000, 1000, 20, 0.65f, -0.65f, 0.08f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.component);
    Take(std::string("component=") + c.component, c.mv, c.ohms, c.hz);
    EXPECT_NEAR(MaxV(), c.maxV, c.tolerance);
    EXPECT_NEAR(MinV(), c.minV, c.tolerance);
  }
}

// A capacitor's current is a quarter period ahead of its voltage: the
// signature is an ellipse, V and I uncorrelated; a resistor's are not.
TEST_F(LiveSignature, CapacitorGivesAnEllipse) {
  auto correlation = [] {
    double vi = 0, vv = 0, ii = 0;
    for (int i = 1; i <= 64; ++i) {
      vi += double(livev[i]) * livei[i];
      vv += double(livev[i]) * livev[i];
      ii += double(livei[i]) * livei[i];
    }
    return vi / std::sqrt(vv * ii);
  };
  Take("component=capacitor 1u", 1000, 1000, 50);
  EXPECT_NEAR(correlation(), 0.0, 0.03);
  EXPECT_NEAR(MaxI(), 1.0f / 3336, 3e-6);  // 1 V / |1 kohm - j 3183 ohm|
  Take("component=resistor 2k", 1000, 1000, 50);
  EXPECT_NEAR(correlation(), -1.0, 0.001);
}

// The scanner's channels exist on YRM-D and YRM-D2 only: elsewhere the Sig
// channel register leaves the probe under test.
TEST_F(LiveSignature, ScannerChannelChoosesTheComponentOnScannerModelsOnly) {
  const std::pair<const char*, bool> models[] = {
      {"YRM-A", false}, {"YRM-AP", false}, {"YRM-C", false}, {"YRM-D", true}, {"YRM-D2", true}};
  for (auto [model, scanner] : models) {
    SCOPED_TRACE(model);
    if (usbopen == 1) YRM_CloseUsbPort();
    activeinstrument = model;
    Configure(std::string("model=") + model);
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    scansigset = 0;
    Take("channel3=short\ncomponent=open", 1000, 1000, 50);
    EXPECT_NEAR(MaxV(), 1.0f, 0.01f);
    scansigset = 3;
    Take("", 1000, 1000, 50);
    EXPECT_NEAR(MaxV(), scanner ? 0.0f : 1.0f, 0.01f);
  }
}

TEST_F(LiveSignature, ProbeScriptChoosesTheComponent) {
  Take("probe=0 resistor 1k; 200 open", 1000, 1000, 50);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  ASSERT_TRUE(Frame());
  YRM_ConvertSamples();
  EXPECT_NEAR(MaxV(), 1.0f, 0.01f);  // lifted after 200 ms
}

TEST_F(LiveSignature, CalibrationOutputReadsTheCalibratedLevels) {
  Take("", 1000, 1000, 100);
  // An ideal DAC: the factory codes then give the levels exactly.
  Configure("dacgain=0\ndacoffset=0");
  // The calibration window's set-output registers with the factory codes.
  struct Case {
    int reg1;
    int64_t code;
    float volts;
  } cases[] = {
      {0x30, 28945, 10.0f},  {0x30, -27015, -10.0f}, {0x10, 29550, 1.0f},
      {0x10, -27575, -1.0f}, {0x10, 1110, 0.0f},
  };
  for (const Case& c : cases) {
    paramblock[1] = c.reg1;
    paramblock[3] = c.code;
    YRM_WriteRegisters(0, 32);
    ASSERT_TRUE(Frame());
    YRM_ConvertSamples();
    EXPECT_NEAR(livev[10], c.volts, 0.005f) << c.code;
    EXPECT_NEAR(simctl::Output(0), c.volts, 1e-6) << c.code;
  }
}

}  // namespace
