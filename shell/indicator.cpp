#include "shell/indicator.h"

#include "link/state.h"
#include "platform/gui.h"
#include "shell/menu.h"
#include "shell/resources.h"
#include "shell/ribbon.h"
#include "shell/state.h"

void YRM_ShowUsbStatus() {
  const int open = usbopen;  // read once: the poll thread's watchdog may clear it
  if (open == usbshown) return;
  usbshown = open;
  const bool connected = open == 1;
  if (pf::IsGadget(kConnectionImage))
    pf::SetGadgetImage(kConnectionImage, connected ? kImageConnected : kImageNoConnect);
  if (pf::IsMenu(kMainMenu)) {
    pf::SetMenuItemState(kMainMenu, kItemConnect, connected);
    pf::SetMenuItemState(kMainMenu, kItemDisconnect, !connected);
  }
  if (!connected && pf::IsGadget(kUsbStatusText)) pf::SetGadgetText(kUsbStatusText, " USB disconnected");
}
