#include "shell/menucommands.h"

#include <string>

#include "calibration/window.h"
#include "link/connection.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/colourswindow.h"
#include "shell/menu.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "testing/capture.h"
#include "testing/navigation.h"
#include "testing/planfiles.h"
#include "testing/runstates.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {

const char* const kAboutText =
    "Quenlar Analog Signature Analyser control program\n\n"
    "Copyright (c) 2019-2025 Quenlar. All rights reserved.";
const char* const kSupportText =
    "Web: https://www.quenlar.example\n"
    "Support: support@quenlar.example";

// An option item: the global takes the item's value, the key is written and
// the window refreshed. Returns false when the item belongs to no option.
bool chooseOption(int item) {
  for (const MenuOptionGroup& group : MenuOptionGroups())
    for (const MenuOption& o : group.options) {
      if (o.item != item) continue;
      *group.global = o.value;
      YRM_WriteSetting(kSettingsFile, group.key, o.value);
      YRM_RefreshMainWindow();
      if (group.redraw) fullredraw = 1;
      return true;
    }
  return false;
}

void flip(int& flag, const char* key) {
  flag = flag == 0 ? 1 : 0;
  YRM_WriteSetting(kSettingsFile, key, std::to_string(flag));
  YRM_RefreshMainWindow();
}

void collapseTrees() {
  if (pf::IsGadget(kTestTree)) pf::ClearGadgetItems(kTestTree);
  if (pf::IsGadget(kBadTree)) pf::ClearGadgetItems(kBadTree);
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}

}  // namespace

void YRM_MenuEvent() {
  const int item = pf::EventMenu();
  if (chooseOption(item)) return;
  if (item >= kItemRecentFirst && item <= kItemRecentLast) {
    // Items 555 to 562 in slot order; a copy, as opening moves the slots.
    const std::string plan = RecentPlan(item - kItemRecentFirst + 1);
    YRM_OpenTestPlan(plan);
    return;
  }
  switch (item) {
    case kItemNew:
      YRM_NewTestPlan();
      break;
    case kItemOpen:
      YRM_OpenTestPlanDialog();
      break;
    case kItemSave:
      YRM_SaveTestPlanDialog();
      break;
    case kItemConnect:
      YRM_StartConnection();
      break;
    case kItemDisconnect:
      YRM_StopConnection();
      break;
    case kItemAllowOverwrite:
      flip(allowsignatureoverwrite, kKeyAllowSignatureOverwrite);
      break;
    case kItemDailyCheck:
      flip(checkwebsiteforupdate, kKeyCheckWebsiteForUpdate);
      break;
    case kItemCollapseTree:
      collapseTrees();
      break;
    case kItemAbout:
      pf::MessageRequester("About", kAboutText, pf::kRequesterOk | pf::kRequesterInfo);
      break;
    case kItemSupport:
      pf::MessageRequester("Support", kSupportText, pf::kRequesterOk | pf::kRequesterInfo);
      break;
    case kShortcutPreviousRecord:
      YRM_ShowPreviousRecord();
      break;
    case kShortcutNextRecord:
      YRM_ShowNextRecord();
      break;
    case kShortcutPreviousComponent:
      YRM_PreviousComponent();
      break;
    case kShortcutNextComponent:
      YRM_NextComponent();
      break;
    case kShortcutFirstRecord:
      YRM_FirstRecord();
      break;
    case kShortcutLastRecord:
      YRM_LastRecord();
      break;
    case kShortcutGood:
      YRM_CaptureGood();
      break;
    case kShortcutBad:
      YRM_CaptureBad();
      break;
    case kShortcutResetResults:
      YRM_ResetAllResults();
      break;
    case kShortcutAutoRun:
      YRM_ToggleAutoRun();
      break;
    case kItemCalibrate:
      YRM_CalibrationWindow();
      break;
    case kItemDisplayColours:
      YRM_DisplayColoursWindow();
      break;
    default:
      // The model items belong to the model selection.
      break;
  }
}
