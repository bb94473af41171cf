// Every operator message as the operator reads it, to the letter: the table
// the code shows them from, and the box each one gives.
#include "shell/messages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/requester.h"
#include "workfolder.h"

namespace {
struct Expected {
  MessageId id;
  const char* text;
};
const Expected kExpected[] = {
    {kMsgUpdateOffer, "Info #0001 "},
    {kMsgColoursNotFound, "Error #0003 settings/colours.txt Not found, using Default colour scheme"},
    {kMsgNoUsb,
     "Info #0004 No USB. USB instrument port not detected, please check USB connection and/or powersupply "
     "for instrument."},
    {kMsgDriverFailedToOpen, "Error #0005 FTD2XX.DLL failed to open."},
    {kMsgSettingsNotRenamed, "Error #0009 'YRM_settings.txt' error whilst trying to rename 'tmp.txt' to "},
    {kMsgCaptureNotConnected,
     "Info #0054 Instrument not connected, cannot capture signature - no YRM connected"},
    {kMsgCannotCreateMenu, "Error #0055 cannot create menu"},
    {kMsgCalibrateNoUsb, "Info #0056 No USB detected - Please connect to device and retry"},
    {kMsgCalibrationWontStart, "Error #0057 ADC CALIBRATE window won't start"},
    {kMsgDescriptorIncorrect, "Error #0059 USB descriptor incorrect."},
    {kMsgDescriptorOtherModel,
     "Error #0060 USB descriptor incorrect, make sure you have the correct instrument selected."},
    {kMsgUsbServiceNotStarted,
     "Warning #0061 USB service unable to start - please check instrument is connected via USB."},
    {kMsgUsbServiceNotRunning, "Error #0062 USB service not running - so unable to shutdown device properly"},
    {kMsgAdvancedModeOnly, "Info #0063 This function is only available in Advanced mode."},
    {kMsgFileCannotBeCreated, "Error #0064 File cannot be created"},
    {kMsgCannotOpenPlan, "Error #0065 Cannot open .qvt file"},
    {kMsgMainWindowWontStart, "Error #0066 main window won't start"},
    {kMsgColoursWindowWontStart, "Error #00xx 'Display Colours' window won't start"},
    {kMsgEditWindowWontStart, "Error #xxxx Edit Image window won't start"},
    {kMsgPcbImageNotLoaded, "Error #xxxx Can't load the PCB image: "},
    {kMsgLogNotWritable, "Warning #xxxx cannot write to log.txt"},
    {kMsgCalNotRead,
     "Error #0067 The calibration could not be read from the instrument - YRM_cal.txt is unchanged and no "
     "calibration is in use (no test signal): connect again to read the instrument's own"},
    {kMsgCalIncomplete,
     "Error #0068 The instrument holds no complete calibration (%1) - YRM_cal.txt is unchanged and no "
     "calibration is in use (no test signal): calibrate the instrument and store it to restore its own"},
    {kMsgCalValueMissing, "Error #0069 Calibration not stored: no value for %1 - calibrate that level first"},
    {kMsgCalFileNotWritten,
     "Error #0070 YRM_cal.txt cannot be written (disk full or folder read-only) - the calibration was not "
     "stored, the instrument keeps its own"},
    {kMsgCalFileNotReadBack,
     "Error #0071 %1 cannot be read back - the calibration was not stored, the instrument keeps its own"},
    {kMsgCalFileIncomplete,
     "Error #0072 %1 holds no complete calibration (%2) - it was not stored in the instrument"},
    {kMsgCalStoreFailed,
     "Error #0073 Storing the calibration in the instrument failed at EEPROM word %1 - the calibration was "
     "not stored, the instrument keeps its own"},
    {kMsgCalStoreTorn,
     "Error #0074 Storing the calibration in the instrument failed at EEPROM word %1 - the instrument now "
     "holds no valid calibration: store again"},
    {kMsgDcBiasNotCalibrated,
     "Info #0075 The DC generator needs its DC-bias calibration and stays Off (HiZ) until then: calibrate "
     "the DCBIAS DAC at +10V and -10V in the calibration window (Utilities, Calibrate, Calibrate DAC/ADC) "
     "and store the values"},
};
}  // namespace

TEST(OperatorMessages, EveryTextToTheLetter) {
  ASSERT_EQ(std::size(kExpected), static_cast<size_t>(kMessageCount)) << "a message without its text here";
  std::set<int> seen;
  for (const Expected& e : kExpected) {
    EXPECT_TRUE(seen.insert(e.id).second) << e.text;
    EXPECT_EQ(MessageText(e.id), e.text);
  }
  EXPECT_EQ(MessageTitle(kMsgUpdateOffer), "Info #0001");
  EXPECT_EQ(MessageText(kMsgSettingsNotRenamed, "YRM_settings.txt"),
            "Error #0009 'YRM_settings.txt' error whilst trying to rename 'tmp.txt' to YRM_settings.txt");
  // Details in their places, in order.
  EXPECT_EQ(
      MessageText(kMsgCalFileIncomplete, {"YRM_cal.txt", "no calibration text"}),
      "Error #0072 YRM_cal.txt holds no complete calibration (no calibration text) - it was not stored in "
      "the instrument");
  // A detail is never read as a place itself.
  EXPECT_EQ(MessageText(kMsgCalFileIncomplete, {"a%2b", "why"}),
            "Error #0072 a%2b holds no complete calibration (why) - it was not stored in the instrument");
}

// Each code names one message, so a log line or a box points at one place.
// Only the description's own placeholder "xxxx" stands for several.
TEST(OperatorMessages, NoTwoShareACode) {
  const std::set<int> sharingPlaceholder = {kMsgEditWindowWontStart, kMsgPcbImageNotLoaded,
                                            kMsgLogNotWritable};
  std::map<std::string, int> owner;
  for (int id = 0; id < kMessageCount; ++id) {
    const std::string code = kOperatorMessages[id].code;
    if (code == "xxxx") {
      EXPECT_TRUE(sharingPlaceholder.count(id))
          << MessageText(static_cast<MessageId>(id)) << ": give it a code";
      continue;
    }
    auto [it, added] = owner.emplace(code, id);
    EXPECT_TRUE(added) << "#" << code << " of both \"" << MessageText(static_cast<MessageId>(it->second))
                       << "\" and \"" << MessageText(static_cast<MessageId>(id)) << "\"";
  }
}

// The box of a message by its number: title, text with its detail, icon of
// its class; and the log line holds the whole message.
using OperatorMessageBox = yrmtest::WorkFolder;
TEST_F(OperatorMessageBox, ShownByNumberWithDetail) {
  pf::test::ClearAsked();
  YRM_ShowMessage(kMsgPcbImageNotLoaded, "testplans/images/board.jpg");
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  const auto& box = pf::test::AskedRequesters()[0];
  EXPECT_EQ(box.title, "Error #xxxx");
  EXPECT_EQ(box.text, "Can't load the PCB image: testplans/images/board.jpg");
  EXPECT_EQ(box.flags, pf::kRequesterError);
  EXPECT_NE(yrmtest::Slurp("log.txt").find(
                "] Error #xxxx Can't load the PCB image: testplans/images/board.jpg\r\n"),
            std::string::npos);
}
