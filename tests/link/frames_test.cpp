// Register write and request frames: bytes on the wire, bursts and pacing.
#include <gtest/gtest.h>

#include "linkfixture.h"

using linktest::Hex;

namespace {

struct WriteCase {
  int reg;
  int64_t value;
  const char* wire;  // whole frame, or bytes 2 to 5 when 11 characters long
};

TEST(WriteFrame, NegativeValuesAreNotSentInTwosComplement) {
  const WriteCase cases[] = {
      {6, 1000, "80 06 00 00 03 E8 D9 43"},
      {3, -1, "80 03 00 00 00 FF D6 57"},
      {3, -27015, "80 03 00 00 97 79 6C D1"},
      {3, -255, "00 00 00 01"},
      {3, -256, "00 00 FF 00"},
      {3, -70000, "00 FF EF 90"},
      {3, 4294967295LL, "FF FF FF FF"},
  };
  for (const WriteCase& c : cases) {
    uint8_t f[8];
    BuildWriteFrame(c.reg, c.value, f);
    std::string wire = c.wire;
    EXPECT_EQ(wire.size() == 11 ? Hex(f + 2, 4) : Hex(f, 8), wire) << c.value;
  }
}

TEST(RequestFrame, RegisterZero) {
  uint8_t f[8];
  BuildRequestFrame(0, f);
  EXPECT_EQ(Hex(f, 8), "00 00 00 00 00 00 55 55");
}

// A frame with every point distinct and the checksum its words give; the
// decoder must take all 64 points (the last one included) as signed sums.
TEST(DataFrame, DecodesEveryPointAndRefusesABadChecksum) {
  std::vector<uint8_t> f = linktest::HandFrame(3100, 3, -5, -70000);

  DataFrame d{};
  ASSERT_TRUE(DecodeDataFrame(f.data(), d));
  EXPECT_EQ(d.usbRail, 3100);
  EXPECT_EQ(d.status, 3);
  EXPECT_EQ(d.adc0[0], -5);
  EXPECT_EQ(d.adc0[63], 58);
  EXPECT_EQ(d.adc1[0], -70000);
  EXPECT_EQ(d.adc1[63], -70063);

  f[300] ^= 0x01;
  DataFrame untouched{};
  EXPECT_FALSE(DecodeDataFrame(f.data(), untouched));
  EXPECT_EQ(untouched.usbRail, 0);
  EXPECT_NE(FrameChecksum(f.data()), CarriedChecksum(f.data()));
}

TEST(LineTime, FollowsFrameSizeAndBaud) {
  EXPECT_EQ(LineMsFloor(kFrameBytes), 20);  // 20.8 ms at 250000 baud
  EXPECT_EQ(LineMsCeil(kFrameBytes), 21);
  EXPECT_EQ(LineMsCeil(kOutFrameBytes), 1);
  EXPECT_EQ(LineMsFloor(kFrameBytes, 9600), 541);
}

class Frames : public linktest::LinkTest {};

TEST_F(Frames, BurstGoesOutInOneTransferAndTheInstrumentTakesIt) {
  Open();
  for (int r = 0; r < 6; ++r) paramblock[r] = 100 * r + 1;
  paramblock[3] = -27015;
  long long before = simctl::TransferCount();
  delays.clear();
  YRM_WriteRegisters(0, 6);
  auto sent = simctl::Transfers(before);
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].bytes.size(), 48u);
  EXPECT_EQ(Hex(sent[0].bytes.data() + 24, 8), "80 03 00 00 97 79 6C D1");
  EXPECT_EQ(Delays(), std::vector<int>{25});
  EXPECT_EQ(simctl::Counter("badframes"), 0);
  EXPECT_EQ(simctl::Register(5), 501);
  EXPECT_EQ(simctl::Register(3), 0x9779);  // as the instrument receives it
}

TEST_F(Frames, BurstWhileUnconnectedOnlyWaits) {
  YRM_WriteRegisters(0, 6);
  EXPECT_EQ(Delays(), std::vector<int>{25});
  EXPECT_EQ(simctl::TransferCount(), 0);
}

TEST_F(Frames, OversizedBurstStaysInsideTheBuffers) {
  Open();
  YRM_WriteRegisters(65530, 100);  // past the parameter block's end
  auto sent = simctl::Transfers();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes.size(), 7u * 8u);
}

TEST_F(Frames, OneRequestPer250Milliseconds) {
  int64_t now = 10000;
  pf::test::SetElapsed([&] { return now; });
  Open();
  long long before = simctl::TransferCount();
  const int64_t times[] = {10000, 10001, 10249, 10250, 10251, 10499, 10500};
  for (int64_t t : times) {
    now = t;
    YRM_PollInstrument(250);
  }
  auto sent = simctl::Transfers(before);
  ASSERT_EQ(sent.size(), 3u);
  for (auto& t : sent) EXPECT_EQ(Hex(t.bytes), "00 00 00 00 00 00 55 55");
  EXPECT_EQ(lastrequest, 10500);
}

}  // namespace
