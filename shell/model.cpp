#include "shell/model.h"

#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace {
struct ModelItem {
  int item;
  const char* model;
};
constexpr ModelItem kModelItems[] = {
    {kItemModelA, "YRM-A"}, {kItemModelAP, "YRM-AP"}, {kItemModelC, "YRM-C"}, {kItemModelD, "YRM-D"}};
}  // namespace

void YRM_SelectInstrument() {
  const int item = pf::EventMenu();
  for (const ModelItem& m : kModelItems) {
    if (m.item != item) continue;
    // The next start then makes an update check for the new model.
    YRM_WriteSetting("YRM_settings.txt", "DateOfLastUpdateCheck", "01/01/2021");
    YRM_WriteSetting("YRM_settings.txt", "ActiveInstrument", m.model);
    selectedinstrument = m.model;
    YRM_CheckInstrumentMenu();
    pf::MessageRequester("Info", "Change will take effect when you restart YRM", pf::kRequesterInfo);
    return;
  }
}

void YRM_CheckInstrumentMenu() {
  if (!pf::IsMenu(kMainMenu)) return;
  for (const ModelItem& m : kModelItems) pf::SetMenuItemState(kMainMenu, m.item, selectedinstrument == m.model);
}
