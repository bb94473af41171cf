#include "link/device.h"

#include <string>

#include "link/d2xx.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/driverlib.h"
#include "shell/messages.h"

void YRM_OpenUsbPort(int baud) {
  std::string message;
  {
    std::lock_guard<std::mutex> g(linklock);
    if (!pf::OpenLibrary(kDriverLibrary, "ftd2xx")) {
      usbopen = 0;
      message = MessageText(kMsgDriverFailedToOpen);
    } else {
      d2xx::CreateDeviceInfoList(&ftdevicecount);
      d2xx::SetVIDPID(0x0403, 0x6015);
      d2xx::CreateDeviceInfoList(&ftdevicecount);  // now with that vendor and product
      d2xx::GetDeviceInfoDetail(0, &ftflags, &fttype, &ftid, &ftlocid, ftserial, ftdescription, &fthandleout);
      if (d2xx::Open(0, &fthandleout) != 0) {
        message = MessageText(kMsgNoUsb);
      } else {
        fthandle = fthandleout;
        d2xx::SetBaudRate(fthandle, static_cast<uint32_t>(baud));
        d2xx::SetDataCharacteristics(fthandle, 8, 0, 0);
        d2xx::SetFlowControl(fthandle, 0, 0, 0);
        d2xx::SetUSBParameters(fthandle, 32768, 32768);
        // The watchdog counts from the opening; set before usbopen so that the
        // poll thread never sees the link open with an old time.
        lastgoodframe = pf::ElapsedMilliseconds();
        usbopen = 1;
      }
    }
  }
  if (usbopen == 1) WakePollThread();
  // Shown outside the lock: a message box must not hold up the poll thread.
  if (!message.empty()) YRM_ShowMessage(message);
}

void YRM_CloseUsbPort() {
  std::lock_guard<std::mutex> g(linklock);
  // Checked under the lock: the GUI and the watchdog may both stop the link,
  // and the handle must be closed once only.
  if (usbopen == 1) {
    d2xx::Close(fthandle);
    fthandle = nullptr;
  }
  usbopen = 0;
}
