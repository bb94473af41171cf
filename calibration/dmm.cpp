#include "calibration/dmm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calibration/state.h"
#include "calibration/window.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/tcp.h"

namespace {
struct DmmRange {
  const char* text;
  const char* configure;
  const char* range;
};

const DmmRange kRanges[kDmmRanges] = {
    {"1000V", "CONFigure:VOLTage:DC", "VOLTage:DC:RANGe 1000V"},
    {"100V", "CONFigure:VOLTage:DC", "VOLTage:DC:RANGe 100V"},
    {"10V", "CONFigure:VOLTage:DC", "VOLTage:DC:RANGe 10V"},
    {"1V", "CONFigure:VOLTage:DC", "VOLTage:DC:RANGe 1V"},
    {"100mV", "CONFigure:VOLTage:DC", "VOLTage:DC:RANGe 100mV"},
    {"3A", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 3A"},
    {"1A", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 1A"},
    {"100mA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 100mA"},
    {"10mA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 10mA"},
    {"1mA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 1mA"},
    {"100uA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 100uA"},
    {"10uA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 10uA"},
    {"1uA", "CONFigure:CURRent:DC", "CURRent:DC:RANGe 1uA"},
};

constexpr int kSettleMs = 500;     // after configuring and after triggering
constexpr int kReplyWaitMs = 200;  // longest wait for the reply to arrive
constexpr int kReplyPollMs = 10;

// The meter closed the connection: let go of it, so that Connect can open
// a new one (the range is configured afresh then).
void DmmLost() {
  pf::TcpClose(dmmconnection);
  dmmconnection = 0;
  dmmlastrange.clear();
  pf::SetGadgetText(kDmmConnectButton, "Connect");
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
    return true;
  }
  pf::SetGadgetText(kDmmConnectButton, "Connect");
  CalibrationErrorBox("Can't connect with DMM over TCP");
  return false;
}

void YRM_DmmRead(const std::string& range) {
  if (dmmconnection == 0) {
    CalibrationErrorBox("DMM not connected");
    return;
  }
  for (const DmmRange& row : kRanges) {
    if (range == row.text && range != dmmlastrange) {
      dmmlastrange = range;
      pf::TcpSend(dmmconnection, std::string(row.configure) + "\n");
      pf::TcpSend(dmmconnection, std::string(row.range) + "\n");
      pf::Delay(kSettleMs);
    }
  }
  // A reply that came too late for the last reading must not pass for this one.
  while (pf::TcpDataWaiting(dmmconnection))
    if (pf::TcpReceive(dmmconnection, kDmmBufferBytes).empty()) return DmmLost();
  pf::TcpSend(dmmconnection, "READ?\n");
  pf::Delay(kSettleMs);
  const int64_t noted = pf::ElapsedMilliseconds();
  while (!pf::TcpDataWaiting(dmmconnection)) {
    if (pf::ElapsedMilliseconds() - noted > kReplyWaitMs) return;
    pf::Delay(kReplyPollMs);
  }
  if (dmmbuffer.size() < kDmmBufferBytes) dmmbuffer.assign(kDmmBufferBytes, 0);
  const std::string reply = pf::TcpReceive(dmmconnection, kDmmBufferBytes);
  if (reply.empty()) return DmmLost();
  std::copy(reply.begin(), reply.end(), dmmbuffer.begin());
  double value;
  if (ParseDmmReply(reply, value)) dmmvalue = value;
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

void YRM_DmmReadingAction(int k) {
  YRM_DmmRead(DmmRangeText(k));
  pf::SetGadgetText(kDmmResultField, DmmValueText(dmmvalue));
  pf::SetGadgetState(kDmmRangeCombo, k);
}
