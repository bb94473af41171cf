// The main menu (menu 30 of window 1) and the keyboard shortcuts that reach
// commands without a menu item. Both arrive as menu events carrying a number.
#pragma once
#include <string>
#include <vector>

constexpr int kMainMenu = 30;

// ---- File --------------------------------------------------------------------------
constexpr int kItemNew = 25;
constexpr int kItemOpen = 26;
constexpr int kItemSave = 27;
constexpr int kItemRecentFirst = 555;  // "Open Recent": 555 to 562
constexpr int kItemRecentLast = 562;
// ---- Instrument ----------------------------------------------------------------
constexpr int kItemConnect = 235;
constexpr int kItemDisconnect = 236;
constexpr int kItemModelA = 240;  // "Change Instrument": 240 to 243
constexpr int kItemModelAP = 241;
constexpr int kItemModelC = 242;
constexpr int kItemModelD = 243;
// ---- Mode ------------------------------------------------------------------------
constexpr int kItemCompact = 162;
constexpr int kItemAdvanced = 164;
// ---- Test --------------------------------------------------------------------------
constexpr int kItemAllowOverwrite = 202;
constexpr int kItemOpenCircuitFirst = 172;      // 172 to 174
constexpr int kItemStableThresholdFirst = 180;  // 180 to 182
constexpr int kItemStableDelayFirst = 175;      // 175 to 179
constexpr int kItemGoldenVsLiveFirst = 183;     // 183 to 190
constexpr int kItemCollapseTree = 201;
// ---- Scope and Display ----------------------------------------------------------
constexpr int kItemGraticuleOn = 49;
constexpr int kItemGraticuleOff = 50;
constexpr int kItemCrosshairOn = 51;
constexpr int kItemCrosshairClassic = 52;
constexpr int kItemCrosshairOff = 53;
constexpr int kItemMiniCrosshairOn = 54;
constexpr int kItemMiniCrosshairOff = 55;
constexpr int kItemPcbCrosshair1 = 60;
constexpr int kItemPcbCrosshair3 = 61;
constexpr int kItemDisplayColours = 59;
// ---- Views: 76 to 85, items of the view table (shell/views.h) ----------------
// ---- Utilities and Help -----------------------------------------------------------
constexpr int kItemCalibrate = 58;
constexpr int kItemDailyCheck = 238;
constexpr int kItemAbout = 146;
constexpr int kItemSupport = 149;

// ---- keyboard shortcuts (Alt + letter) ------------------------------------------
constexpr int kShortcutFirstRecord = 191;        // Alt+B
constexpr int kShortcutLastRecord = 192;         // Alt+E
constexpr int kShortcutGood = 193;               // Alt+J
constexpr int kShortcutBad = 194;                // Alt+K
constexpr int kShortcutAutoRun = 195;            // Alt+L
constexpr int kShortcutResetResults = 196;       // Alt+R
constexpr int kShortcutPreviousRecord = 197;     // Alt+W
constexpr int kShortcutNextRecord = 198;         // Alt+X
constexpr int kShortcutPreviousComponent = 199;  // Alt+Y
constexpr int kShortcutNextComponent = 200;      // Alt+Z

// ---- option items: the value each item stands for, and where it is kept ------
struct MenuOption {
  int item;
  const char* value;  // stored value, not the label (" 2 cycles" stores "2 cycles")
};
struct MenuOptionGroup {
  std::string* global;
  const char* key;  // settings key
  bool redraw;      // a scope or board option: the displays are redrawn
  std::vector<MenuOption> options;
};
// Every option group of the menu; the display view and the mode are the last two.
const std::vector<MenuOptionGroup>& MenuOptionGroups();
const MenuOptionGroup& ModeOptions();
const MenuOptionGroup& ViewOptions();

// Builds menu 30 on window 1; on failure reports it and ends the run after
// the first pass.
void YRM_CreateMainMenu();
// Adds the ten Alt+letter shortcuts to window 1, menu or not.
void YRM_AddShortcuts();
