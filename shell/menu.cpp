#include "shell/menu.h"

#include "platform/gui.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "shell/settingkeys.h"
#include "shell/state.h"
#include "shell/views.h"
#include "testing/thresholds.h"

namespace {
struct Shortcut {
  char letter;
  int item;
};
// In the order they are added.
constexpr Shortcut kShortcuts[] = {
    {'W', kShortcutPreviousRecord}, {'X', kShortcutNextRecord},  {'Y', kShortcutPreviousComponent},
    {'Z', kShortcutNextComponent},  {'B', kShortcutFirstRecord}, {'E', kShortcutLastRecord},
    {'R', kShortcutResetResults},   {'J', kShortcutGood},        {'K', kShortcutBad},
    {'L', kShortcutAutoRun}};

// The Views items, one a display view, with the names they store.
std::vector<MenuOption> viewOptions() {
  std::vector<MenuOption> options;
  for (const DisplayView& v : DisplayViews()) options.push_back({v.item, v.name});
  return options;
}

// Items first, first + 1, ... of a threshold setting, with the texts they store.
std::vector<MenuOption> thresholdOptions(int first, std::span<const ThresholdOption> options) {
  std::vector<MenuOption> items;
  for (const ThresholdOption& o : options) items.push_back({first++, o.value});
  return items;
}

void thresholdItems(int first, std::span<const ThresholdOption> options) {
  for (const ThresholdOption& o : options) pf::MenuItem(first++, o.label);
}

void items(int first, std::initializer_list<const char*> labels) {
  int item = first;
  for (const char* label : labels) pf::MenuItem(item++, label);
}
}  // namespace

const std::vector<MenuOptionGroup>& MenuOptionGroups() {
  static const std::vector<MenuOptionGroup> groups = {
      {&scope1graticulemode,
       kKeyScope1GraticuleMode,
       true,
       {{kItemGraticuleOn, "On"}, {kItemGraticuleOff, "Off"}}},
      {&scope1crosshairmode,
       kKeyScope1CrosshairMode,
       true,
       {{kItemCrosshairOn, "On"}, {kItemCrosshairClassic, "Classic"}, {kItemCrosshairOff, "Off"}}},
      {&scopexcrosshairmode,
       kKeyScopeXCrosshairMode,
       true,
       {{kItemMiniCrosshairOn, "On"}, {kItemMiniCrosshairOff, "Off"}}},
      {&pcbcrosshairtype,
       kKeyPcbCrosshairType,
       true,
       {{kItemPcbCrosshair1, "1 line"}, {kItemPcbCrosshair3, "3 line"}}},
      {&opencircuitdetectthreshold, kKeyOpenCircuitDetectThreshold, false,
       thresholdOptions(kItemOpenCircuitFirst, kOpenCircuitOptions)},
      {&stablesignaturedetectthreshold, kKeyStableSignatureDetectThreshold, false,
       thresholdOptions(kItemStableThresholdFirst, kStableThresholdOptions)},
      {&stablesignaturedelay, kKeySignatureCaptureDelay, false,
       thresholdOptions(kItemStableDelayFirst, kStableDelayOptions)},
      {&goldenvslivethreshold, kKeyGoldenVsLiveThreshold, false,
       thresholdOptions(kItemGoldenVsLiveFirst, kGoldenVsLiveOptions)},
      {&mode, kKeyMode, false, {{kItemCompact, "Basic"}, {kItemAdvanced, "Advanced"}}},
      {&displayview, kKeyDisplayView, false, viewOptions()},
  };
  return groups;
}

const MenuOptionGroup& ModeOptions() { return MenuOptionGroups()[MenuOptionGroups().size() - 2]; }
const MenuOptionGroup& ViewOptions() { return MenuOptionGroups().back(); }

void YRM_CreateMainMenu() {
  if (!pf::CreateMenu(kMainMenu, kMainWindow)) {
    YRM_ShowMessage(kMsgCannotCreateMenu);
    quit = 1;
    return;
  }
  pf::MenuTitle("File");
  pf::MenuItem(kItemNew, "New");
  pf::MenuItem(kItemOpen, "Open");
  pf::MenuItem(kItemSave, "Save");
  pf::MenuBar();
  pf::OpenSubMenu("Open Recent");
  items(kItemRecentFirst,
        {"testplans/demo_A.qvt", "testplans/demo_B.qvt", "testplans/demo_C.qvt", "testplans/demo_D.qvt",
         "testplans/demo_E.qvt", "testplans/demo_F.qvt", "testplans/demo_G.qvt", "testplans/demo_H.qvt"});
  pf::CloseSubMenu();

  pf::MenuTitle("Instrument");
  pf::MenuItem(kItemConnect, "Connect");
  pf::MenuItem(kItemDisconnect, "Disconnect");
  pf::MenuBar();
  pf::OpenSubMenu("Change Instrument");
  for (const InstrumentModel& m : InstrumentModels())
    if (m.menuItem) pf::MenuItem(m.menuItem, m.name);
  pf::CloseSubMenu();

  pf::MenuTitle("Mode");
  pf::MenuItem(kItemCompact, "Compact");
  pf::MenuItem(kItemAdvanced, "Advanced");

  pf::MenuTitle("Test");
  pf::MenuItem(kItemAllowOverwrite, "Allow Signature Overwrite (AUTO CAPTURE)");
  pf::OpenSubMenu("Open Circuit Detect Threshold (AUTO TEST/AUTO CAPTURE)");
  thresholdItems(kItemOpenCircuitFirst, kOpenCircuitOptions);
  pf::CloseSubMenu();
  pf::OpenSubMenu("Stable Signature Detect Threshold (AUTO TEST/AUTO CAPTURE)");
  thresholdItems(kItemStableThresholdFirst, kStableThresholdOptions);
  pf::CloseSubMenu();
  pf::OpenSubMenu("Stable Signature Delay (AUTO TEST/AUTO CAPTURE)");
  thresholdItems(kItemStableDelayFirst, kStableDelayOptions);
  pf::CloseSubMenu();
  pf::MenuBar();
  pf::OpenSubMenu("Golden vs. Live Signature Difference Threshold (AUTO TEST)");
  thresholdItems(kItemGoldenVsLiveFirst, kGoldenVsLiveOptions);
  pf::CloseSubMenu();
  pf::MenuBar();
  pf::MenuItem(kItemCollapseTree, "Collapse Test Tree");

  pf::MenuTitle("Scope");
  pf::OpenSubMenu("Graticule");
  pf::MenuItem(kItemGraticuleOn, "On (default)");
  pf::MenuItem(kItemGraticuleOff, "Off");
  pf::CloseSubMenu();
  pf::OpenSubMenu("Crosshairs");
  pf::MenuItem(kItemCrosshairOn, "On (default)");
  pf::MenuItem(kItemCrosshairClassic, "Classic");
  pf::MenuItem(kItemCrosshairOff, "Off");
  pf::CloseSubMenu();
  pf::MenuBar();
  pf::OpenSubMenu("Crosshairs (mini-scopes)");
  pf::MenuItem(kItemMiniCrosshairOn, "On");
  pf::MenuItem(kItemMiniCrosshairOff, "Off (default)");
  pf::CloseSubMenu();

  pf::MenuTitle("Display");
  pf::OpenSubMenu("PCB Crosshairs");
  pf::MenuItem(kItemPcbCrosshair1, "1 line");
  pf::MenuItem(kItemPcbCrosshair3, "3 line");
  pf::CloseSubMenu();
  pf::MenuBar();
  pf::MenuItem(kItemDisplayColours, "Display Colours");

  pf::MenuTitle("Views");
  for (const DisplayView& v : DisplayViews()) pf::MenuItem(v.item, v.label);

  pf::MenuTitle("Utilities");
  pf::OpenSubMenu("Calibrate");
  pf::MenuItem(kItemCalibrate, "Calibrate DAC/ADC");
  pf::CloseSubMenu();
  pf::MenuBar();
  pf::OpenSubMenu("Daily Update Check");
  pf::MenuItem(kItemDailyCheck, "Daily Check for Releases");
  pf::CloseSubMenu();

  pf::MenuTitle("Help");
  pf::MenuItem(kItemAbout, "About");
  pf::OpenSubMenu("Support");
  pf::MenuItem(kItemSupport, "Support Info");
  pf::CloseSubMenu();
}

void YRM_AddShortcuts() {
  for (const Shortcut& s : kShortcuts)
    pf::AddKeyboardShortcut(kMainWindow, pf::kShortcutAlt | s.letter, s.item);
}
