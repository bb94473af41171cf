// The numbered operator messages: one row each, with the name the code uses,
// the class ("Info", "Warning" or "Error"), the four-character code and the
// text. A message's full text is "Class #code text", plus the detail its
// caller appends (a file name). Adding a message is adding its row.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "shell/log.h"

// clang-format off
#define YRM_OPERATOR_MESSAGES(X)                                                                        \
  X(UpdateOffer,            "Info",    "0001", "")  /* box title only; its text is the version offer */ \
  X(ColoursNotFound,        "Error",   "0003", "settings/colours.txt Not found, using Default colour scheme") \
  X(NoUsb,                  "Info",    "0004", "No USB. USB instrument port not detected, please check USB connection and/or powersupply for instrument.") \
  X(DriverFailedToOpen,     "Error",   "0005", "FTD2XX.DLL failed to open.")                          \
  X(SettingsNotRenamed,     "Error",   "0009", "'YRM_settings.txt' error whilst trying to rename 'tmp.txt' to ") \
  X(CaptureNotConnected,    "Info",    "0054", "Instrument not connected, cannot capture signature - no YRM connected") \
  X(CannotCreateMenu,       "Error",   "0055", "cannot create menu")                                  \
  X(CalibrateNoUsb,         "Info",    "0056", "No USB detected - Please connect to device and retry") \
  X(CalibrationWontStart,   "Error",   "0057", "ADC CALIBRATE window won't start")                    \
  X(DescriptorIncorrect,    "Error",   "0059", "USB descriptor incorrect.")                           \
  X(DescriptorOtherModel,   "Error",   "0060", "USB descriptor incorrect, make sure you have the correct instrument selected.") \
  X(UsbServiceNotStarted,   "Warning", "0061", "USB service unable to start - please check instrument is connected via USB.") \
  X(UsbServiceNotRunning,   "Error",   "0062", "USB service not running - so unable to shutdown device properly") \
  X(AdvancedModeOnly,       "Info",    "0063", "This function is only available in Advanced mode.")   \
  X(FileCannotBeCreated,    "Error",   "0064", "File cannot be created")                              \
  X(CannotOpenPlan,         "Error",   "0065", "Cannot open .qvt file")                               \
  X(MainWindowWontStart,    "Error",   "0066", "main window won't start")                             \
  X(ColoursWindowWontStart, "Error",   "00xx", "'Display Colours' window won't start")                \
  X(EditWindowWontStart,    "Error",   "xxxx", "Edit Image window won't start")                       \
  X(PcbImageNotLoaded,      "Error",   "xxxx", "Can't load the PCB image: ")                          \
  X(LogNotWritable,         "Warning", "xxxx", "cannot write to log.txt")  /* box only, never logged */ \
  X(CalNotRead,             "Error",   "0067", "The calibration could not be read from the instrument - YRM_cal.txt is unchanged and no calibration is in use (no test signal): connect again to read the instrument's own") \
  X(CalIncomplete,          "Error",   "0068", "The instrument holds no complete calibration (%1) - YRM_cal.txt is unchanged and no calibration is in use (no test signal): calibrate the instrument and store it to restore its own") \
  X(CalValueMissing,        "Error",   "0069", "Calibration not stored: no value for %1 - calibrate that level first") \
  X(CalFileNotWritten,      "Error",   "0070", "YRM_cal.txt cannot be written (disk full or folder read-only) - the calibration was not stored, the instrument keeps its own") \
  X(CalFileNotReadBack,     "Error",   "0071", "%1 cannot be read back - the calibration was not stored, the instrument keeps its own") \
  X(CalFileIncomplete,      "Error",   "0072", "%1 holds no complete calibration (%2) - it was not stored in the instrument") \
  X(CalStoreFailed,         "Error",   "0073", "Storing the calibration in the instrument failed at EEPROM word %1 - the calibration was not stored, the instrument keeps its own") \
  X(CalStoreTorn,           "Error",   "0074", "Storing the calibration in the instrument failed at EEPROM word %1 - the instrument now holds no valid calibration: store again") \
  X(DcBiasNotCalibrated,    "Info",    "0075", "The DC generator needs its DC-bias calibration and stays Off (HiZ) until then: calibrate the DCBIAS DAC at +10V and -10V in the calibration window (Utilities, Calibrate, Calibrate DAC/ADC) and store the values")
// clang-format on

enum MessageId {
#define YRM_MESSAGE_ID(name, kind, code, text) kMsg##name,
  YRM_OPERATOR_MESSAGES(YRM_MESSAGE_ID)
#undef YRM_MESSAGE_ID
      kMessageCount
};

struct OperatorMessage {
  const char* kind;  // "Info", "Warning" or "Error"
  const char* code;  // four digits, "00xx" or "xxxx"
  const char* text;
};

inline constexpr OperatorMessage kOperatorMessages[kMessageCount] = {
#define YRM_MESSAGE_ROW(name, kind, code, text) {kind, code, text},
    YRM_OPERATOR_MESSAGES(YRM_MESSAGE_ROW)
#undef YRM_MESSAGE_ROW
};

// "Error #0064": the title of the message's box.
inline std::string MessageTitle(MessageId id) {
  const OperatorMessage& m = kOperatorMessages[id];
  return std::string(m.kind) + " #" + m.code;
}

// "Error #0064 File cannot be created", then `detail`. A text with places
// "%1", "%2" takes the details there instead, in order.
inline std::string MessageText(MessageId id, std::initializer_list<std::string> details) {
  const std::string_view text = kOperatorMessages[id].text;
  std::string out = MessageTitle(id) + " ";
  std::vector<bool> placed(details.size());
  // One pass over the text: a detail holding "%2" is never taken for a place.
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t k = i + 1 < text.size() ? size_t(text[i + 1] - '1') : details.size();
    if (text[i] == '%' && k < details.size()) {
      out += details.begin()[k];
      placed[k] = true;
      ++i;
    } else {
      out += text[i];
    }
  }
  for (size_t k = 0; k < details.size(); ++k)
    if (!placed[k]) out += details.begin()[k];
  return out;
}
inline std::string MessageText(MessageId id, const std::string& detail = {}) {
  return detail.empty() ? MessageText(id, std::initializer_list<std::string>{}) : MessageText(id, {detail});
}

// Logs and shows the message (see YRM_ShowMessage of a text).
inline void YRM_ShowMessage(MessageId id, std::initializer_list<std::string> details) {
  YRM_ShowMessage(MessageText(id, details));
}
inline void YRM_ShowMessage(MessageId id, const std::string& detail = {}) {
  YRM_ShowMessage(MessageText(id, detail));
}
