#include "testing/mainstep.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "link/connection.h"
#include "link/convert.h"
#include "link/params.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "shell/indicator.h"
#include "shell/layout.h"
#include "shell/menucommands.h"
#include "shell/model.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/controls.h"
#include "testing/navigation.h"
#include "testing/panelhit.h"
#include "testing/records.h"
#include "testing/redraw.h"
#include "testing/runstates.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {
// Control events passed on for the push-button function items 1 to 15.
constexpr int kPushButtonEvents[16] = {0,
                                       kCycleResistance,
                                       kResistanceUp,
                                       kResistanceDown,
                                       kCycleFrequency,
                                       kFrequencyUp,
                                       kFrequencyDown,
                                       kCycleVoltage,
                                       kVoltageUp,
                                       kVoltageDown,
                                       kGoodImage,
                                       kBadImage,
                                       kNextRecordButton,
                                       kPreviousRecordButton,
                                       kPushButtonFreeze,
                                       kPushButtonThaw};

void phaseEvents() {
  if (event == pf::kEventMenu) {
    YRM_MenuEvent();
    YRM_SelectInstrument();
  } else if (event == pf::kEventGadget) {
    YRM_GadgetEvent(pf::EventGadget());
  }
}

// Whether the last run-state step moved the machine on: its next step may act
// on the same signature, so the loop must not sleep before it.
bool runstatemoved = false;

// The window follows the run state also when an event and the machine change
// it back and forth within this one step (auto run on a plan with nothing to do).
void phaseRunStates() {
  const int before[6] = {runstate, autoteststep, autocapturestep, autofreezestep, currentrecord, stablecount};
  YRM_RunStateStep();
  const int after[6] = {runstate, autoteststep, autocapturestep, autofreezestep, currentrecord, stablecount};
  runstatemoved = !std::equal(before, before + 6, after);
  if (runstate != prevrunstate || runstate != before[0]) {
    if (runstate == kRunAutoTest || runstate == kRunAutoCapture) stablecount = 0;
    prevrunstate = runstate;
    YRM_RefreshMainWindow();
  }
}

void phaseRelayout() {
  if (relayoutrequest != 1) return;
  long long now = pf::CalendarSeconds();
  if (now < lastrelayout + 1) return;
  lastrelayout = now;
  relayoutrequest = 0;
  YRM_LayoutMainWindow();
  fullredraw = 1;
  traceredraw = 1;
}

void runPushButton(int& flag, int combo) {
  if (flag != 1) return;
  flag = 0;
  const int control = PushButtonAction(pf::IsGadget(combo) ? pf::GetGadgetState(combo) : 0);
  if (control != 0) YRM_GadgetEvent(control);
}

// A new current record: with "V/R/Hz" ticked its own test settings become the
// chosen ones (voltage, resistance and frequency only when all three are set).
void phaseRecordChange() {
  if (currentrecord == lastrecord) return;
  lastrecord = currentrecord;
  if (pf::IsGadget(kSettingsFromRecordCheck) && pf::GetGadgetState(kSettingsFromRecordCheck) == 1) {
    if (currentrecord > records.Rows()) currentrecord = records.Rows();
    int mv = records.FieldInt(currentrecord, kFieldVoltage);
    int ohms = records.FieldInt(currentrecord, kFieldResistance);
    int hz = records.FieldInt(currentrecord, kFieldFrequency);
    scansigset = records.FieldInt(currentrecord, kFieldScanSignal);
    scancomset = records.FieldInt(currentrecord, kFieldScanCommon);
    if (mv != 0 && ohms != 0 && hz != 0) {
      voltageset = static_cast<float>(mv);
      resistanceset = static_cast<float>(ohms);
      frequencyset = static_cast<float>(hz);
    }
  }
  fullredraw = 1;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}

// A chosen setting differs from the one applied.
bool settingsChosen() {
  return voltageset != voltage || resistanceset != resistance || frequencyset != frequency ||
         scansigset != scansig || scancomset != scancom || dcmodeset != dcmode || dclevelset != dclevel;
}

void phaseApplySettings() {
  if (settingsChosen()) {
    voltage = voltageset;
    resistance = resistanceset;
    frequency = frequencyset;
    scansig = scansigset;
    scancom = scancomset;
    dcmode = dcmodeset;
    dclevel = dclevelset;
    fullredraw = 1;
    paramspending = 1;
    YRM_RefreshMainWindow();
  }
  if (usbopen == 1 && paramspending == 1) {
    paramspending = 0;
    YRM_SendInstrumentParams();
  }
}

void phaseNewFrame() {
  if (newframe != 1) return;
  newframe = 0;
  YRM_ConvertSamples();
  traceredraw = 1;
  YRM_UpdateButtonIndicators();
  ShowUsbRail();
}

void phaseFullRedraw() {
  if (TakePcbPhotoArrival()) fullredraw = 1;  // a photo decoded on the loading thread
  if (fullredraw == 1) YRM_FullRedraw();      // clears it and requests the traces
}

void phaseTraceRedraw() {
  if (traceredraw == 1) YRM_TraceRedraw();
}

// Clicks on the display panels: a mini-scope steps to its record, the
// connection picture connects or disconnects. No panel has a right-click action.
void phaseClicks() {
  int offset = 0;
  if (leftclick == 1) {
    leftclick = 0;
    const int panel = YRM_PanelUnderMouse(pf::WindowMouseX(kMainWindow), pf::WindowMouseY(kMainWindow));
    if (panel >= kPanelMiniScope1 && panel <= kPanelMiniScope9) {
      offset = panel - 6;
    } else if (panel == kPanelConnection) {
      if (usbopen == 1)
        YRM_StopConnection();
      else
        YRM_StartConnection();
    } else if (panel == kPanelBoardView) {
      YRM_SelectRecordAtClick();
    }
  }
  if (rightclick == 1) {
    rightclick = 0;
    YRM_PanelUnderMouse(pf::WindowMouseX(kMainWindow), pf::WindowMouseY(kMainWindow));
  }
  if (offset != 0) {
    // Kept inside the table, also for a plan that holds only its header.
    currentrecord = std::max(std::min(currentrecord + offset, records.Rows()), std::min(2, records.Rows()));
    YRM_RefreshMainWindow();
    fullredraw = 1;
  }
}
}  // namespace

int PushButtonAction(int item) { return item >= 1 && item <= 15 ? kPushButtonEvents[item] : 0; }

int MainStepWait(int longest) {
  // Anything the next step would act on: no sleep. An event may have set
  // something for the step after it, so that one runs at once too.
  if (event != pf::kEventNone || runstatemoved || newframe == 1 || fullredraw == 1 || traceredraw == 1 ||
      leftclick == 1 || rightclick == 1 || buttonaevent == 1 || buttonbevent == 1 ||
      currentrecord != lastrecord || runstate != prevrunstate || usbopen != usbshown ||
      (usbopen == 1 && paramspending == 1) || PcbPhotoArrived() || settingsChosen())
    return 0;
  // A pending relayout waits for the next whole second of the calendar clock.
  if (relayoutrequest == 1) {
    if (pf::CalendarSeconds() >= lastrelayout + 1) return 0;
    const int64_t due = (static_cast<int64_t>(lastrelayout) + 1) * 1000 - pf::CalendarMilliseconds();
    return static_cast<int>(std::clamp<int64_t>(due, 1, longest));
  }
  return longest;
}

int YRM_MainLoopStep() {
  phaseEvents();
  phaseRunStates();
  phaseRelayout();
  runPushButton(buttonaevent, kButtonAFunctionCombo);
  runPushButton(buttonbevent, kButtonBFunctionCombo);
  phaseRecordChange();
  phaseApplySettings();
  phaseNewFrame();
  phaseFullRedraw();
  phaseTraceRedraw();
  phaseClicks();
  YRM_ShowUsbStatus();
  return 0;
}
