#include "testing/capture.h"

#include <algorithm>

#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/messages.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "testing/navigation.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
constexpr int kGoldenPauseMs = 250;
constexpr int kResultPauseMs = 150;

bool capturingGolden() {
  return pf::IsGadget(kCaptureModeCheck) && pf::GetGadgetState(kCaptureModeCheck) == 1;
}

// The manual result of the current record, with its DUT signature.
void judge(const char* result) {
  if (currentrecord > records.Rows()) return;
  YRM_StoreSignatureInRecord(currentrecord, kSlotDut);
  records.SetField(currentrecord, kFieldResult, result);
  YRM_NextRecord();
  pf::Delay(kResultPauseMs);
  YRM_RefreshMainWindow();
  fullredraw = 1;
}
}  // namespace

void YRM_StoreSignatureInRecord(int row, int slot) {
  WriteSignatureBlock(row, slot == kSlotGolden ? kGoldenBase : kDutBase, voltage, resistance, frequency,
                      livev, livei, pointcount);
}

void YRM_CaptureGood() {
  if (mode != "Advanced") return;
  if (!capturingGolden()) {
    judge("Good");
    return;
  }
  if (usbopen != 1) {
    YRM_ShowMessage(kMsgCaptureNotConnected);
    return;
  }
  if (currentrecord < 1 || currentrecord > records.Rows()) return;
  YRM_StoreSignatureInRecord(currentrecord, kSlotGolden);
  records.SetField(currentrecord, kFieldGolden, "Yes");
  YRM_NextRecord();
  pf::Delay(kGoldenPauseMs);
  YRM_RefreshMainWindow();
  flashcount = 3;
  fullredraw = 1;
}

void YRM_CaptureBad() {
  if (capturingGolden()) return;
  judge("Bad");
}

void YRM_AskResetAllResults() {
  if (pf::MessageRequester("RESET ALL TEST RESULTS", "Do you want to reset all test results?",
                           pf::kRequesterYesNo) == pf::kResultYes)
    YRM_ResetAllResults();
}

void YRM_ResetAllResults() {
  for (int row = 2; row <= records.Rows(); ++row) records.SetField(row, kFieldResult, "Untested");
  currentrecord = std::min(2, records.Rows());  // a header-only plan stays on its header
  if (pf::IsGadget(kTestTree)) pf::ClearGadgetItems(kTestTree);
  YRM_RefreshMainWindow();
  fullredraw = 1;
}
