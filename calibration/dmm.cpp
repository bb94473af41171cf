#include "calibration/dmm.h"

#include <cstdio>

#include "calibration/state.h"
#include "calibration/window.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/tcp.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace {
struct DmmRange {
  const char* text;
  const char* function;  // commands: "CONFigure:" + function, function + ":RANGe " + text
};

const DmmRange kRanges[kDmmRanges] = {
    {"1000V", "VOLTage:DC"}, {"100V", "VOLTage:DC"}, {"10V", "VOLTage:DC"},   {"1V", "VOLTage:DC"},
    {"100mV", "VOLTage:DC"}, {"3A", "CURRent:DC"},   {"1A", "CURRent:DC"},    {"100mA", "CURRent:DC"},
    {"10mA", "CURRent:DC"},  {"1mA", "CURRent:DC"},  {"100uA", "CURRent:DC"}, {"10uA", "CURRent:DC"},
    {"1uA", "CURRent:DC"},
};

constexpr int kSettleMs = 500;     // after configuring and after triggering
constexpr int kReplyWaitMs = 200;  // longest wait for the reply to arrive
constexpr int kReplyPollMs = 10;

// The meter closed the connection: let go of it, so that Connect can open
// a new one (the range is configured afresh then). No reading came.
bool DmmLost() {
  pf::TcpClose(dmmconnection);
  dmmconnection = 0;
  dmmlastrange.clear();
  pf::SetGadgetText(kDmmConnectButton, "Connect");
  return false;
}

// The next opening of the window proposes the meter that answered.
void RememberDmmAddress(const std::string& address) {
  YRM_GetKeyValue(kSettingsFile, kKeyDmmAddress);
  if (keyvalue == address) return;
  if (keyvalue.empty())
    YRM_ReadSettingString(address, kKeyDmmAddress);  // appends the key
  else
    YRM_WriteSetting(kSettingsFile, kKeyDmmAddress, address);
}
}  // namespace

std::string DmmRangeText(int k) { return k >= 0 && k < kDmmRanges ? kRanges[k].text : ""; }

bool YRM_DmmConnect(const std::string& address) {
  if (dmmconnection != 0) return true;
  pf::SetGadgetText(kDmmConnectButton, "Connecting...");
  int handle = pf::TcpConnect(address, kDmmPort, kDmmConnectTimeoutMs);
  if (handle > 0) {
    dmmconnection = handle;
    pf::SetGadgetText(kDmmConnectButton, "Connected");
    RememberDmmAddress(address);
    return true;
  }
  pf::SetGadgetText(kDmmConnectButton, "Connect");
  CalibrationErrorBox("Can't connect with DMM over TCP");
  return false;
}

bool YRM_DmmRead(const std::string& range) {
  if (dmmconnection == 0) {
    CalibrationErrorBox("DMM not connected");
    return false;
  }
  for (const DmmRange& row : kRanges) {
    if (range == row.text && range != dmmlastrange) {
      dmmlastrange = range;
      pf::TcpSend(dmmconnection, std::string("CONFigure:") + row.function + "\n");
      pf::TcpSend(dmmconnection, std::string(row.function) + ":RANGe " + row.text + "\n");
      pf::Delay(kSettleMs);
    }
  }
  // A reply that came too late for the last reading must not pass for this
  // one. A peer that keeps sending is drained only up to the bound; what it
  // sent beyond it would be taken for this reply, so the reading gives none.
  const int64_t draining = pf::ElapsedMilliseconds();
  int drained = 0;
  bool flooded = false;
  while (pf::TcpDataWaiting(dmmconnection)) {
    if (drained >= kDmmDrainBytes || pf::ElapsedMilliseconds() - draining > kDmmDrainMs) {
      flooded = true;
      break;
    }
    const std::string stale = pf::TcpReceive(dmmconnection, kDmmDrainBytes - drained);
    if (stale.empty()) return DmmLost();
    drained += static_cast<int>(stale.size());
  }
  pf::TcpSend(dmmconnection, "READ?\n");
  pf::Delay(kSettleMs);
  if (flooded) return false;
  const int64_t noted = pf::ElapsedMilliseconds();
  while (!pf::TcpDataWaiting(dmmconnection)) {
    if (pf::ElapsedMilliseconds() - noted > kReplyWaitMs) return false;
    pf::Delay(kReplyPollMs);
  }
  const std::string reply = pf::TcpReceive(dmmconnection, kDmmBufferBytes);
  if (reply.empty()) return DmmLost();
  double value;
  if (!ParseDmmReply(reply, value)) return false;
  dmmvalue = value;
  return true;
}

std::string DmmValueText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10f", value);
  std::string s = text;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

bool YRM_DmmReadingAction(int k) {
  const bool read = YRM_DmmRead(DmmRangeText(k));
  pf::SetGadgetText(kDmmResultField, DmmValueText(dmmvalue));
  pf::SetGadgetState(kDmmRangeCombo, k);
  return read;
}
