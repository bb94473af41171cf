#include "testing/controls.h"

#include <algorithm>
#include <span>

#include "editor/editwindow.h"
#include "link/state.h"
#include "platform/gui.h"
#include "shell/models.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "testing/capture.h"
#include "testing/navigation.h"
#include "testing/records.h"
#include "testing/runstates.h"
#include "testing/state.h"

namespace {
// Position of a value in its list, or -1 when it is not one of them.
int indexOf(std::span<const int> values, float value) {
  for (size_t k = 0; k < values.size(); ++k)
    if (static_cast<float>(values[k]) == value) return static_cast<int>(k);
  return -1;
}

std::span<const int> resistances() { return ActiveModel().resistances; }

// The value at the combo box's selected item; the setting stays when the
// selection lies outside the list.
void choose(float& setting, std::span<const int> values, int combo) {
  const int item = pf::GetGadgetState(combo);
  if (item >= 0 && item < static_cast<int>(values.size())) setting = static_cast<float>(values[item]);
}

// One step along a list, held at its ends or wrapping round.
void stepAlong(float& setting, float from, std::span<const int> values, int by, bool wrap) {
  const int k = indexOf(values, from);
  if (k < 0) return;
  const int n = static_cast<int>(values.size());
  int next = k + by;
  if (wrap) next = (next + n) % n;
  setting = static_cast<float>(values[std::clamp(next, 0, n - 1)]);
}

// Resistance lists run from the highest value down, so "higher" is a step back.
void stepResistance(int by) { stepAlong(resistanceset, resistance, resistances(), -by, false); }

// Three resistances go round 100, 1000, 10000; eight walk back and forth,
// turning at both ends.
void cycleResistance() {
  const auto values = resistances();
  const int k = indexOf(values, resistance);
  if (k < 0) return;
  const int last = static_cast<int>(values.size()) - 1;
  if (!EightResistances()) {
    resistanceset = static_cast<float>(values[k == 0 ? last : k - 1]);
    return;
  }
  if (resistancedirection == "Down") {
    if (k == last) resistancedirection = "Up";
    resistanceset = static_cast<float>(values[k == last ? k - 1 : k + 1]);
  } else {
    if (k == 0) resistancedirection = "Down";
    resistanceset = static_cast<float>(values[k == 0 ? 1 : k - 1]);
  }
}

void freezeToggle(int toggle, Signature& v, Signature& i, const char* onText, const char* offText) {
  if (pf::GetGadgetState(toggle) == 1) {
    pf::SetGadgetText(toggle, onText);
    v = livev;
    i = livei;
  } else {
    pf::SetGadgetText(toggle, offText);
    v.fill(0.0f);
    i.fill(0.0f);
  }
}

void selectFromTree(int tree) {
  const int item = pf::GetGadgetState(tree);
  if (item < 0) return;
  const int row = pf::GetGadgetItemData(tree, item);
  if (row < 1 || row > records.Rows()) return;
  currentrecord = row;
  YRM_RefreshMainWindow();
  fullredraw = 1;
}

bool ticked(int g) { return pf::IsGadget(g) && pf::GetGadgetState(g) == 1; }
}  // namespace

bool EightResistances() { return ActiveModel().resistances.size() == kResistanceValuesEight.size(); }

void YRM_GadgetEvent(int control) {
  switch (control) {
    case kVoltageCombo:
      choose(voltageset, kVoltageValues, control);
      break;
    case kCycleVoltage:
      stepAlong(voltageset, voltageset, kVoltageValues, 1, true);
      break;
    case kVoltageUp:
      stepAlong(voltageset, voltageset, kVoltageValues, 1, false);
      break;
    case kVoltageDown:
      stepAlong(voltageset, voltageset, kVoltageValues, -1, false);
      break;
    case kResistanceCombo:
      choose(resistanceset, resistances(), control);
      break;
    case kCycleResistance:
      cycleResistance();
      break;
    case kResistanceUp:
      stepResistance(1);
      break;
    case kResistanceDown:
      stepResistance(-1);
      break;
    case kFrequencyCombo:
      choose(frequencyset, kFrequencyValues, control);
      break;
    case kCycleFrequency:
      stepAlong(frequencyset, frequency, kFrequencyValues, 1, true);
      break;
    case kFrequencyUp:
      stepAlong(frequencyset, frequency, kFrequencyValues, 1, false);
      break;
    case kFrequencyDown:
      stepAlong(frequencyset, frequency, kFrequencyValues, -1, false);
      break;
    case kDcModeCombo:
      dcmodeset = pf::GetGadgetState(control);
      break;
    case kDcLevelCombo:
      dclevelset = DecimalValue(pf::GetGadgetText(control));
      break;
    case kScanSignalCombo:
      scansigset = pf::GetGadgetState(control);
      YRM_RefreshMainWindow();
      break;
    case kScanCommonCombo:
      scancomset = pf::GetGadgetState(control);
      YRM_RefreshMainWindow();
      break;
    case kAutoFreezeToggle:
      autofreeze = pf::GetGadgetState(control) == 1 ? 1 : 0;
      autofreezestep = 0;
      YRM_RefreshMainWindow();
      break;
    case kButtonAImage:
      buttonaevent = 1;
      break;
    case kButtonBImage:
      buttonbevent = 1;
      break;
    case kFreezeGoldenToggle:
      freezeToggle(control, goldenv, goldeni, "Golden Frozen", "Freeze Golden");
      break;
    case kFreezeDutToggle:
      freezeToggle(control, dutv, duti, "  DUT   Frozen", " Freeze   DUT ");
      break;
    case kNextRecordButton:
      YRM_ShowNextRecord();
      break;
    case kPreviousRecordButton:
      YRM_ShowPreviousRecord();
      break;
    case kNextComponentButton:
      YRM_NextComponent();
      break;
    case kPreviousComponentButton:
      YRM_PreviousComponent();
      break;
    case kFirstRecordButton:
      YRM_FirstRecord();
      break;
    case kLastRecordButton:
      YRM_LastRecord();
      break;
    case kCaptureModeCheck:
      runstate = ticked(control) ? kRunCaptureEdit : kRunTestBoard;
      YRM_RefreshMainWindow();
      break;
    case kGoodImage:
      YRM_CaptureGood();
      break;
    case kBadImage:
      YRM_CaptureBad();
      break;
    case kResetTestButton:
      YRM_AskResetAllResults();
      break;
    case kEditRecordsButton:
      if (!ticked(kCaptureModeCheck)) break;
      YRM_EditRecordsWindow();
      fullredraw = 1;
      break;
    case kRunImage:
      YRM_ToggleAutoRun();
      break;
    case kTestTree:
    case kBadTree:
      selectFromTree(control);
      break;
    default:
      break;  // no action, "FREEZE" and "THAW" among them
  }
}
