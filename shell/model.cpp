#include "shell/model.h"

#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/menu.h"
#include "shell/models.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"

void YRM_SelectInstrument() {
  const int item = pf::EventMenu();
  for (const InstrumentModel& m : InstrumentModels()) {
    if (!m.menuItem || m.menuItem != item) continue;
    // The next start then makes an update check for the new model.
    YRM_WriteSetting(kSettingsFile, kKeyDateOfLastUpdateCheck, "01/01/2021");
    YRM_WriteSetting(kSettingsFile, kKeyActiveInstrument, m.name);
    selectedinstrument = m.name;
    YRM_CheckInstrumentMenu();
    pf::MessageRequester("Info", "Change will take effect when you restart YRM", pf::kRequesterInfo);
    return;
  }
}

void YRM_CheckInstrumentMenu() {
  if (!pf::IsMenu(kMainMenu)) return;
  for (const InstrumentModel& m : InstrumentModels())
    if (m.menuItem) pf::SetMenuItemState(kMainMenu, m.menuItem, selectedinstrument == m.name);
}
