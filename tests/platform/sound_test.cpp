// Sounds: WAV files load under numbers, broken ones are refused, plays are
// counted and never block or fail, with or without a playback device.
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "forked.h"
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
  const bool device = pf::InitSound();  // false on a machine without sound
  EXPECT_EQ(pf::InitSound(), device);
  yrmtest::Spit("sounds/testgood.wav", Wav(200));
  ASSERT_TRUE(pf::LoadSound(895, "sounds/testgood.wav"));
  EXPECT_TRUE(pf::IsSound(895));
  pf::PlaySound(895);
  pf::PlaySound(895);  // a replay while the first still sounds
  EXPECT_EQ(pf::test::PlayCount(895), 2);
  pf::PlaySound(896);  // not loaded: nothing
  EXPECT_EQ(pf::test::PlayCount(896), 0);
  EXPECT_TRUE(pf::LoadSound(894, "sounds\\testgood.wav"));
  pf::test::ResetSounds();
  EXPECT_FALSE(pf::IsSound(895));
  EXPECT_EQ(pf::test::PlayCount(895), 0);
}

TEST_F(Sounds, MissingOrUndecodableFilesLeaveTheNumberEmpty) {
  yrmtest::Spit("ok.wav", Wav(50));
  const std::string wav = Wav(50);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
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

// A 38-byte file that held the loader for ever (found by fuzzing: a format
// chunk of a huge size), and a format chunk larger than any format. Both are
// refused, in a child that must end, so that a hang fails the test instead of
// stopping the suite.
TEST_F(Sounds, HostileChunkSizesAreRefusedWithoutHanging) {
  const std::string wav = Wav(50);
  const std::string cases[] = {
      std::string("RIFF\x03\0\0\0WAVEfmt \x10\x02\0\xf8\x85\xf8\x4e\xf9\x0a"
                  "fmt \x10\x02\0\0\0\0\0\x01",
                  38),
      "RIFF" + Le(1000, 4) + "WAVEfmt " + Le(528, 4) + std::string(528, '\x01') + wav.substr(36),
  };
  for (const std::string& bytes : cases) {
    yrmtest::Spit("hostile.wav", bytes);
    const int status = yrmtest::RunInChild(
        [] {
          const bool refused = !pf::LoadSound(892, "hostile.wav") && !pf::IsSound(892);
          std::_Exit(refused ? 0 : 1);
        },
        60);
    EXPECT_EQ(status, 0) << bytes.size() << " bytes";
  }
  // A file with chunks before and after its samples still loads.
  yrmtest::Spit("chunks.wav", wav.substr(0, 12) + "LIST" + Le(3, 4) + "abc" + std::string(1, '\0') +
                                  wav.substr(12) + "junk" + Le(2, 4) + "zz");
  EXPECT_TRUE(pf::LoadSound(891, "chunks.wav"));
}

}  // namespace
