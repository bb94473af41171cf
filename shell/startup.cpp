#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "calibration/state.h"
#include "editor/state.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/sound.h"
#include "shell/faultreport.h"
#include "shell/layout.h"
#include "shell/menu.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/resources.h"
#include "shell/ribbon.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "shell/updatecheck.h"
#include "testing/mainstep.h"
#include "testing/planfile.h"
#include "testing/planfiles.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
constexpr int kLongestMainWaitMs = 500;
const char* const kDemoPlan = "testplans\\demo_A.qvt";

std::string mainWindowTitle() {
  char version[32];
  std::snprintf(version, sizeof version, "%.3f", softwareversion);
  return "Quenlar - " + activeinstrument + " Analog Signature Analyser V" + version;
}

// The model check of start-up: an unknown model runs as "YRM-A".
void checkModel() {
  if (!FindModel(activeinstrument)) {
    activeinstrument = kDefaultModel;
    YRM_WriteLog(
        std::string(
            "YRM32.EXE start-up, cannot find legal instrument name, defaulting 'activeinstrument$' to '") +
        kDefaultModel + "'");
  }
}

void mainWindowWontStart() { YRM_ShowMessage(kMsgMainWindowWontStart); }

// Makes sure a plan can be read: the stored one, else the demo plan, created
// as one line of 576 commas when it is missing too.
void ensureCurrentPlan() {
  if (pf::FileExists(testplanfilename)) return;
  testplanfilename = kDemoPlan;
  if (pf::FileExists(testplanfilename)) return;
  pf::WriteFile(testplanfilename, std::string(kPlanFields, ','));
}
}  // namespace

void SetStartValues() {
  SetShellStartValues();
  SetLinkStartValues();
  SetTestingStartValues();
  SetRecordsStartValues();
  SetEditorStartValues();
  SetCalibrationStartValues();
}

void CreateMainWindowContents() {
  YRM_CreateMainMenu();
  YRM_AddShortcuts();
  YRM_CreateControlRibbon();
  YRM_CreateScopeGadgets();
  YRM_CreateBadTreePanel();
  YRM_CreateTestTreePanel();
  // An untitled plan (the stored one could not be read) is no entry of the
  // list: the list is shown as stored.
  if (testplanfilename.empty())
    ShowRecentTestPlans();
  else
    YRM_UpdateRecentTestPlans();
}

void YRM_BuildMainWindow() {
  pf::ResizeWindow(kMainWindow, -1, -1, 1200, 720);
  // The second read must not bring back an illegal model the check replaced.
  const std::string runningModel = activeinstrument;
  YRM_ReadSettings();
  activeinstrument = runningModel;
  pf::LoadFont(kFontPercent, "Arial Italic", 10);
  pf::LoadFont(kFontUsbStatus, "Arial Italic", 10);
  pf::LoadFont(kFontHeader, "Arial", 11);
  pf::CreateDirectory("testplans");
  ensureCurrentPlan();
  if (!YRM_ReadTestPlan(testplanfilename)) {
    // The table is not that file's: the open plan is untitled, so that no
    // save can write it over the unread file. The stored name stays, and the
    // next start tries the file again.
    testplanfilename.clear();
  }
  YRM_LoadGraphics();
  YRM_LoadSounds();
  CreateMainWindowContents();
  pf::SetWindowColor(kMainWindow, colourbackground);
  relayoutrequest = 1;
  YRM_LayoutMainWindow();
  YRM_RefreshMainWindow();
  fullredraw = 1;
  paramspending = 1;
  StartPollThread();
  usbshown = 99;
  pf::Delay(1000);
}

void MainLoopPass() {
  // Sleeps until a window event, a wake-up from the poll thread or the next
  // deadline of the main step; the cap only bounds the wait.
  event = pf::WaitWindowEvent(MainStepWait(kLongestMainWaitMs));
  switch (event) {
    case pf::kEventCloseWindow:
      if (pf::EventWindow() == kMainWindow) quit = 1;
      break;
    case pf::kEventLeftClick:
    case pf::kEventGadget:
      leftclick = 1;
      break;
    case pf::kEventRightClick:
      rightclick = 1;
      break;
    case pf::kEventMoveWindow:
    case pf::kEventSizeWindow:
      relayoutrequest = 1;
      break;
    default:
      break;
  }
  YRM_MainLoopStep();
}

void StartUp() {
  SetStartValues();
  YRM_InstallFaultHandler();
  YRM_ReadSettings();
  checkModel();
  YRM_WriteLog("YRM32.EXE start-up, activeinstrument:" + activeinstrument);
  // No display: no window can open. The message goes to the log and, with
  // no box to show it, to standard error, and the program ends with status 1.
  // A display that answers may still refuse the program, or the toolkit may
  // lack the plugin for it: that is learnt only as the toolkit starts, and
  // ends the same way.
  pf::OnGuiStartFailure(mainWindowWontStart);
  if (!pf::GuiCanStart()) {
    mainWindowWontStart();
    std::fflush(nullptr);
    std::_Exit(1);
  }
  pf::InitGui();
  if (!pf::OpenWindow(kMainWindow, 0, 0, 500, 500, mainWindowTitle(),
                      pf::kWindowTitleBar | pf::kWindowSystemMenu | pf::kWindowMinimize |
                          pf::kWindowMaximize | pf::kWindowSizeable)) {
    YRM_ShowMessage(kMsgMainWindowWontStart);
    quit = 1;
  }
  YRM_DailyUpdateCheck();
  ALLSoundStatus = pf::InitSound() ? 1 : 0;
  pf::SetDefaultGuiFont();
  YRM_BuildMainWindow();
}

[[noreturn]] void YRM_Main() {
  StartUp();
  RunMainLoop();
}

[[noreturn]] void RunMainLoop() {
  do {
    MainLoopPass();
  } while (quit != 1);
  // Nothing is saved or stopped: the poll thread and the device end with the
  // process.
  std::fflush(nullptr);
  std::_Exit(0);
}
