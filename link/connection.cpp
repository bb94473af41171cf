#include "link/connection.h"

#include <algorithm>
#include <string>

#include "link/caldata.h"
#include "link/d2xx.h"
#include "link/device.h"
#include "link/frameformat.h"
#include "link/frames.h"
#include "link/identify.h"
#include "link/params.h"
#include "link/state.h"
#include "platform/clock.h"
#include "shell/messages.h"
#include "shell/state.h"
#include "testing/state.h"

namespace {
// Identification texts, one character per EEPROM word.
constexpr int kMakerFirstWord = 81, kMakerLength = 14;
constexpr int kProductFirstWord = 95, kProductLength = 25;
constexpr int kHeaderLastWord = 128;

// A reply comes after the request has crossed the line and its samples are
// taken (up to 100 ms: 6400 samples at 64000 a second at 10 Hz and 20 Hz),
// then takes its own line time; a few ms more for the scheduler: 1 + 100 +
// 21 + 3 = 125 ms after its request at the latest.
constexpr int kLongestSamplingMs = 100;
constexpr int kReplySlackMs = 3;
constexpr int kReplyMs =
    LineMsCeil(kOutFrameBytes) + kLongestSamplingMs + LineMsCeil(kFrameBytes) + kReplySlackMs;

// Reads and drops every byte waiting, so that frames start on a boundary.
void FlushReceiveQueue() {
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return;
  // A reply still crossing the line would be cut in two and every later
  // frame misaligned: let it arrive first (no new request goes out meanwhile).
  // A good frame read once the reply could be complete was that reply,
  // whole; junk, or a frame read sooner (an earlier reply), proves nothing.
  const bool replyRead = lastgoodread >= lastrequest + kRequestReplyLineMs;
  const int64_t wait = lastrequest + kReplyMs - pf::ElapsedMilliseconds();
  if (!replyRead && wait > 0) pf::Delay(static_cast<int>(std::min<int64_t>(wait, kReplyMs)));
  ftrxbytes = 0;
  d2xx::GetStatus(fthandle, &ftrxbytes, &fttxbytes, &fteventdword);
  uint32_t n = ftrxbytes;
  while (n > 0) {
    uint32_t piece = std::min<uint32_t>(n, static_cast<uint32_t>(rxbuffer.size()));
    d2xx::Read(fthandle, rxbuffer.data(), piece, &ftbytesread);
    n -= piece;
  }
}

void StopConnection(bool quietWhenClosed) {
  YRM_WriteLog("YRM_StopConnection()");
  if (usbopen == 1) {
    YRM_CloseUsbPort();
    traceredraw = 1;
  } else if (!quietWhenClosed) {
    YRM_ShowMessage(kMsgUsbServiceNotRunning);
  }
}
}  // namespace

// The watchdog's stop, on the poll thread: when the GUI closed the link in
// the meantime there is nothing to report (and no message box may be shown
// from this thread).
void StopConnectionByWatchdog() { StopConnection(true); }

void YRM_ReadEepromHeader() {
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return;
  for (int w = 0; w <= kHeaderLastWord; ++w) {
    eeword = 0;
    d2xx::ReadEE(fthandle, static_cast<uint32_t>(w), &eeword);
    eepromwords[w] = eeword;
  }
}

void YRM_StartConnection() {
  YRM_WriteLog("YRM_StartConnection()");
  samplingms = 0;  // whatever the instrument still holds is not known yet
  YRM_OpenUsbPort(kLinkBaud);
  if (usbopen != 1) {
    YRM_ShowMessage(kMsgUsbServiceNotStarted);
    return;
  }
  YRM_ReadEepromHeader();
  std::string maker = EepromText(kMakerFirstWord, kMakerLength);
  std::string product = EepromText(kProductFirstWord, kProductLength);
  if (!MakerFits(maker)) {
    YRM_ShowMessage(kMsgDescriptorIncorrect);
    YRM_StopConnection();
    return;
  }
  if (!ProductFitsModel(product, activeinstrument)) {
    YRM_ShowMessage(kMsgDescriptorOtherModel);
    YRM_StopConnection();
    return;
  }
  paramblock[1] |= 0x2;
  YRM_WriteRegisters(1, 1);
  pf::Delay(50);
  FlushReceiveQueue();
  pf::Delay(50);
  YRM_LoadCalibration();
  voltage = 400;
  YRM_SendInstrumentParams();
  pf::Delay(250);
  voltage = 200;
  YRM_SendInstrumentParams();
  pf::Delay(250);
  paramspending = 1;
}

void YRM_StopConnection() { StopConnection(false); }
