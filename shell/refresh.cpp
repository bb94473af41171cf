#include "shell/refresh.h"

#include <cmath>
#include <cstdio>
#include <span>
#include <string>

#include "platform/gui.h"
#include "shell/layout.h"
#include "shell/menu.h"
#include "shell/model.h"
#include "shell/models.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "shell/views.h"
#include "testing/controls.h"
#include "testing/recordindex.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {
constexpr int kCompactWidth = 534, kCompactHeight = 408;
constexpr int kAdvancedWidth = 1545, kAdvancedHeight = 725;

// Lower bound (mV) of each voltage item's band; the last band ends at 12499.
constexpr int kVoltageBands[] = {0, 300, 500, 700, 900, 1500, 2500, 3500, 4500, 7500};
constexpr int kVoltageTop = 12499;
constexpr int kVoltageFallback = 4;    // "Voltage: 1Vpk"
constexpr int kFrequencyFallback = 3;  // "Frequency: 100Hz"

// Controls the compact modes hide, and those only they show.
constexpr int kAdvancedOnly[] = {kPreviousRecordButton,
                                 kNextRecordButton,
                                 kPreviousComponentButton,
                                 kNextComponentButton,
                                 kFirstRecordButton,
                                 kLastRecordButton,
                                 kSettingsFromRecordCheck,
                                 kResetTestButton,
                                 kGoodImage,
                                 kBadImage,
                                 kGoodPercentText,
                                 kBadPercentText,
                                 kRunImage,
                                 kEditHeader,
                                 kCaptureModeCheck,
                                 kEditRecordsButton};
constexpr int kCompactOnly[] = {kFreezeGoldenToggle, kFreezeDutToggle, kAutoFreezeToggle};
constexpr int kRecordButtons[] = {kPreviousRecordButton, kNextRecordButton,  kPreviousComponentButton,
                                  kNextComponentButton,  kFirstRecordButton, kLastRecordButton};
constexpr int kNoImage = -1;

struct RunStateControls {
  bool recordButtons, resetAndPercent, editRecords;
  int good, bad, run;
};
// At [runstate - kRunTestBoard]: test board, capture/edit, auto test, auto capture.
constexpr RunStateControls kRunStates[kRunAutoCapture] = {
    {true, true, false, kImageGood72, kImageBad72, kImageAutoTestYellow},
    {true, false, true, kImageSingleCaptureGreen, kNoImage, kImageAutoCaptureYellow},
    {false, true, false, kImageGoodGrey72, kImageBadGrey72, kImageTestInProgress},
    {false, false, true, kImageSingleCaptureGrey, kNoImage, kImageCaptureInProgress},
};

void hide(int g, bool hidden) {
  if (pf::IsGadget(g)) pf::HideGadget(g, hidden);
}
void disable(int g, bool disabled) {
  if (pf::IsGadget(g)) pf::DisableGadget(g, disabled);
}
void select(int combo, int item) {
  if (pf::IsGadget(combo)) pf::SetGadgetState(combo, item);
}
void setText(int g, const std::string& text) {
  if (pf::IsGadget(g)) pf::SetGadgetText(g, text);
}

void tickSettings() {
  pf::SetMenuItemState(kMainMenu, kItemDailyCheck, checkwebsiteforupdate != 0);
  if (allowsignatureoverwrite == 0 || allowsignatureoverwrite == 1)
    pf::SetMenuItemState(kMainMenu, kItemAllowOverwrite, allowsignatureoverwrite == 1);
  for (const MenuOptionGroup& group : MenuOptionGroups()) {
    if (&group == &ViewOptions()) continue;
    bool matches = false;
    for (const MenuOption& o : group.options) matches |= *group.global == o.value;
    // "Basic-Auto" has no item: both mode items go unticked.
    if (!matches && !(&group == &ModeOptions() && mode == "Basic-Auto")) continue;
    for (const MenuOption& o : group.options)
      pf::SetMenuItemState(kMainMenu, o.item, *group.global == o.value);
  }
}

void tickViews() {
  for (const MenuOption& o : ViewOptions().options)
    pf::SetMenuItemState(kMainMenu, o.item, displayview == o.value);
}

void selectGeneratorItems() {
  select(kVoltageCombo, VoltageItem(voltage));
  select(kResistanceCombo, ResistanceItem(resistance, EightResistances()));
  select(kFrequencyCombo, FrequencyItem(frequency));
  select(kScanSignalCombo, scansigset);
  select(kScanCommonCombo, scancomset);
}

void showRunState() {
  if (runstate < kRunTestBoard || runstate > kRunAutoCapture) return;
  const RunStateControls& s = kRunStates[runstate - kRunTestBoard];
  for (int g : kRecordButtons) disable(g, !s.recordButtons);
  for (int g : {kResetTestButton, kGoodPercentText, kBadPercentText}) disable(g, !s.resetAndPercent);
  disable(kEditRecordsButton, !s.editRecords);
  const std::pair<int, int> images[] = {{kGoodImage, s.good}, {kBadImage, s.bad}, {kRunImage, s.run}};
  for (auto [g, image] : images)
    if (pf::IsGadget(g)) pf::SetGadgetImage(g, image);
}

std::string percentText(int count, int pins) {
  // A plan of only the header has no pins to count.
  const float share = pins > 0 ? float(count) / float(pins) * 100.0f : 0.0f;
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%%", share);
  return text;
}

void showPercentages() {
  const ResultCounts counts = CountResults();
  setText(kGoodPercentText, percentText(counts.good, records.Rows() - 1));
  setText(kBadPercentText, percentText(counts.bad, records.Rows() - 1));
}

void showPanels() {
  hide(kMainScope, scope1visible != 1);
  for (int k = 1; k <= kMiniScopes; ++k) hide(kMainScope + k, *kMiniScopeVisible[k - 1] != 1);
  hide(kBoardView, pcbviewvisible != 1);
  hide(kTestTreePanel, testtreevisible != 1);
  hide(kBadTreePanel, badtreevisible != 1);
}

void resizeMainWindow(int width, int height) {
  if (pf::IsWindow(kMainWindow)) pf::ResizeWindow(kMainWindow, -1, -1, width, height);
}

void switchModeAndView() {
  if (mode == appliedmode && displayview == appliedview) return;
  appliedmode = mode;
  appliedview = displayview;
  if (mode == "Basic" || mode == "Basic-Auto") {
    scope1visible = 1;
    for (int* v : kMiniScopeVisible) *v = 0;
    pcbviewvisible = testtreevisible = badtreevisible = 0;
    for (int g : kAdvancedOnly) hide(g, true);
    for (int g : kCompactOnly) hide(g, false);
    showPanels();
    resizeMainWindow(kCompactWidth, kCompactHeight);
    YRM_LayoutMainWindow();
  } else if (mode == "Advanced") {
    for (int g : kAdvancedOnly) hide(g, false);
    for (int g : kCompactOnly) hide(g, true);
    if (const DisplayView* v = FindDisplayView(displayview)) {
      for (int k = 1; k <= kMiniScopes; ++k) *kMiniScopeVisible[k - 1] = ShowsMiniScope(*v, k);
      pcbviewvisible = v->hasBoard;
      testtreevisible = v->hasTree;
      badtreevisible = v->hasBad;
    }
    showPanels();
    resizeMainWindow(kAdvancedWidth, kAdvancedHeight);
    YRM_LayoutMainWindow();
  }
  fullredraw = 1;
  traceredraw = 1;
}
}  // namespace

int VoltageItem(float millivolts) {
  const float mv = std::round(millivolts);
  if (!(mv >= 0 && mv <= kVoltageTop)) return kVoltageFallback;
  int item = 0;
  for (int i = 0; i < int(std::size(kVoltageBands)); ++i)
    if (mv >= kVoltageBands[i]) item = i;
  return item;
}

int ResistanceItem(float ohms, bool eightResistances) {
  const float r = std::round(ohms);
  const std::span<const int> values = eightResistances ? std::span<const int>(kResistanceValuesEight)
                                                       : std::span<const int>(kResistanceValuesThree);
  for (size_t i = 0; i < values.size(); ++i)
    if (r == values[i]) return static_cast<int>(i);
  return 0;
}

int FrequencyItem(float hertz) {
  const float f = std::round(hertz);
  for (int i = 0; i < int(kFrequencyValues.size()); ++i)
    if (f == kFrequencyValues[i]) return i;
  return kFrequencyFallback;
}

void YRM_RefreshMainWindow() {
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  YRM_CheckInstrumentMenu();
  if (pf::IsMenu(kMainMenu)) {
    tickSettings();
    tickViews();
  }
  selectGeneratorItems();
  showRunState();
  showPercentages();
  switchModeAndView();
}
