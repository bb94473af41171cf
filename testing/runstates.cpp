#include "testing/runstates.h"

#include <algorithm>

#include "shell/refresh.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "testing/capture.h"
#include "testing/compare.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/thresholds.h"

namespace {
bool stable() {
  return signaturestate == kSignatureStable && stablecount >= YRM_StableDelay(stablesignaturedelay);
}
bool open() { return signaturestate == kSignatureOpen; }
bool scannerInUse() { return scansigset != 0 || scancomset != 0; }

void freeze(Signature& v, Signature& i) {
  v = livev;
  i = livei;
  YRM_RefreshMainWindow();
  flashcount = 3;
  fullredraw = 1;
}

void autoFreezeStep() {
  if (autofreeze != 1) return;
  switch (autofreezestep) {
    case 0:
      if (!stable()) return;
      freeze(goldenv, goldeni);
      PlaySoundIfLoaded(kSoundCapture);
      autofreezestep = 1;
      break;
    case 1:
    case 3:
      if (open()) ++autofreezestep;
      break;
    case 2:
      if (!stable()) return;
      freeze(dutv, duti);
      autofreezestep = 3;
      break;
    case 4:
      if (open()) return;
      for (int k = 1; k <= 128; ++k) goldenv[k] = goldeni[k] = dutv[k] = duti[k] = 0;
      autofreezestep = 0;
      break;
    default:
      autofreezestep = 0;
  }
}

// Finds the first matching row from currentrecord on; when rows were examined
// and none matched the plan is complete.
template <class Match>
bool search(Match match, int& step, int endstate) {
  int last = records.Rows();
  if (currentrecord > last) return false;
  for (int row = std::max(currentrecord, 2); row <= last; ++row) {
    if (match(row)) {
      currentrecord = row;
      step = 1;
      return true;
    }
  }
  runstate = endstate;
  PlaySoundIfLoaded(kSoundComplete);
  return false;
}

void advanceRecord(int endstate) {
  ++currentrecord;
  if (currentrecord > records.Rows()) {
    PlaySoundIfLoaded(kSoundComplete);
    runstate = endstate;
  }
}

void waitForLift(int& step) {
  if (open()) ++step;
  if (scannerInUse()) ++step;
}

// A row is judged only against a golden signature it really holds: a block
// without points would fit any live curve.
bool holdsGolden(int row) {
  return records.FieldView(row, kFieldGolden) == "Yes" && BlockPointCount(row, kGoldenBase) > 0;
}

void autoTestStep() {
  switch (autoteststep) {
    case 0:
      search([](int row) { return records.FieldView(row, kFieldResult) == "Untested" && holdsGolden(row); },
             autoteststep, kRunTestBoard);
      break;
    case 1:
      waitForLift(autoteststep);
      break;
    case 2:
      // The scanner walks every row in turn: one without a golden signature
      // is passed over and stays as it is.
      if (!holdsGolden(currentrecord)) {
        autoteststep = 3;
        return;
      }
      if (!stable()) return;
      YRM_StoreSignatureInRecord(currentrecord, kSlotDut);
      YRM_GoldenVsLiveDifference();
      if (goldenlivediff <= YRM_GoldenVsLiveThreshold(goldenvslivethreshold)) {
        records.SetField(currentrecord, kFieldResult, "Good");
        PlaySoundIfLoaded(kSoundGood);
      } else {
        records.SetField(currentrecord, kFieldResult, "Bad");
        PlaySoundIfLoaded(kSoundBad);
      }
      fullredraw = 1;
      autoteststep = 3;
      break;
    case 3:
      if (open() && !scannerInUse()) {
        autoteststep = 0;
        advanceRecord(kRunTestBoard);
      } else if (scannerInUse()) {
        stablecount = 0;
        advanceRecord(kRunTestBoard);
        autoteststep = 1;
      }
      break;
    default:
      autoteststep = 0;
  }
}

void autoCaptureStep() {
  switch (autocapturestep) {
    case 0:
      search(
          [](int row) {
            return records.FieldView(row, kFieldResult) == "Untested" &&
                   (allowsignatureoverwrite == 1 || records.FieldView(row, kFieldGolden) == "No");
          },
          autocapturestep, kRunCaptureEdit);
      break;
    case 1:
      waitForLift(autocapturestep);
      break;
    case 2:
      if (!stable()) return;
      YRM_StoreSignatureInRecord(currentrecord, kSlotGolden);
      records.SetField(currentrecord, kFieldGolden, "Yes");
      YRM_RefreshMainWindow();
      flashcount = 3;
      fullredraw = 1;
      PlaySoundIfLoaded(kSoundCapture);
      autocapturestep = 3;
      break;
    case 3:
      if (open()) {
        autocapturestep = 0;
        advanceRecord(kRunCaptureEdit);
      }
      if (scannerInUse()) {
        stablecount = 0;
        autocapturestep = 0;
        advanceRecord(kRunCaptureEdit);
      }
      break;
    default:
      autocapturestep = 0;
  }
}
}  // namespace

int YRM_StableDelay(const std::string& text) {
  const ThresholdOption* o = FindThresholdOption(kStableDelayOptions, text);
  return static_cast<int>(o ? o->amount : kStableDelayOptions[1].amount);  // "5 cycles" for any other text
}

float YRM_GoldenVsLiveThreshold(const std::string& text) {
  const ThresholdOption* o = FindThresholdOption(kGoldenVsLiveOptions, text);
  return o ? o->amount * 100.0f : 0.0f;
}

void YRM_RunStateStep() {
  switch (runstate) {
    case kRunTestBoard:
      autoFreezeStep();
      break;
    case kRunCaptureEdit:
      break;
    case kRunAutoTest:
      autoTestStep();
      break;
    case kRunAutoCapture:
      autoCaptureStep();
      break;
    default:
      runstate = kRunTestBoard;
  }
}

void YRM_ToggleAutoRun() {
  // Each state's counterpart, at [state].
  static const int kNext[kRunAutoCapture + 1] = {0, kRunAutoTest, kRunAutoCapture, kRunTestBoard,
                                                 kRunCaptureEdit};
  if (runstate >= kRunTestBoard && runstate <= kRunAutoCapture) {
    runstate = kNext[runstate];
    autoteststep = 0;
    autocapturestep = 0;
  }
  YRM_RefreshMainWindow();
}
