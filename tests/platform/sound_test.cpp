// Sounds: WAV files load under numbers, broken ones are refused, plays are
// counted and never block or fail, with or without a playback device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/sound.h"
#include "workfolder.h"

namespace {
std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
  return s;
}

// 16-bit PCM mono WAV of `ms` milliseconds of a 440 Hz tone.
std::string Wav(int ms) {
  std::string data;
  const int n = 22050 * ms / 1000;
  for (int i = 0; i < n; ++i) data += Le(uint16_t(int16_t(8000 * std::sin(i * 0.125))), 2);
  return "RIFF" + Le(36 + uint32_t(data.size()), 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) +
         Le(22050, 4) + Le(44100, 4) + Le(2, 2) + Le(16, 2) + "data" + Le(uint32_t(data.size()), 4) + data;
}

class Sounds : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetSounds();
  }
};

TEST_F(Sounds, LoadedSoundsPlayInTheBackgroundAndAreCounted) {
  const bool device = pf::InitSound();   // false on a machine without sound
  EXPECT_EQ(pf::InitSound(), device);
  yrmtest::Spit("sounds/testgood.wav", Wav(200));
  ASSERT_TRUE(pf::LoadSound(895, "sounds/testgood.wav"));
  EXPECT_TRUE(pf::IsSound(895));
  pf::PlaySound(895);
  pf::PlaySound(895);   // a replay while the first still sounds
  EXPECT_EQ(pf::test::PlayCount(895), 2);
  pf::PlaySound(896);   // not loaded: nothing
  EXPECT_EQ(pf::test::PlayCount(896), 0);
  EXPECT_TRUE(pf::LoadSound(894, "sounds\\testgood.wav"));
  pf::test::ResetSounds();
  EXPECT_FALSE(pf::IsSound(895));
  EXPECT_EQ(pf::test::PlayCount(895), 0);
}

TEST_F(Sounds, MissingOrUndecodableFilesLeaveTheNumberEmpty) {
  yrmtest::Spit("ok.wav", Wav(50));
  const std::string wav = Wav(50);
  struct Case { const char* name; std::string bytes; } cases[] = {
      {"text", "not a sound at all"},
      {"empty", ""},
      {"header only", wav.substr(0, 44)},
      {"cut inside the header", wav.substr(0, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(pf::LoadSound(893, "ok.wav"));
    yrmtest::Spit("bad.wav", c.bytes);
    EXPECT_FALSE(pf::LoadSound(893, "bad.wav"));
    EXPECT_FALSE(pf::IsSound(893));
    pf::PlaySound(893);
    EXPECT_EQ(pf::test::PlayCount(893), 0);
  }
  EXPECT_FALSE(pf::LoadSound(893, "sounds/missing.wav"));
}

}  // namespace
