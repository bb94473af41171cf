#include "testing/redraw.h"

#include <algorithm>
#include <cstdio>

#include "link/state.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/detect.h"
#include "testing/miniscopes.h"
#include "testing/records.h"
#include "testing/resulticons.h"
#include "testing/scope.h"
#include "testing/state.h"
#include "testing/traces.h"

namespace {
constexpr int kCentreMiniScope = 5;  // mini-scope k = 5 shows the current record
constexpr int kLegendLine = 18;      // pixels between legend lines

void StampIcon(int image, int icon) {
  if (icon < 0 || !pf::StartDrawing(image)) return;
  pf::DrawImage(icon, 0, 0);
  pf::StopDrawing();
}

// Image controls repaint from the image they show, so each display control
// is given its own copy, kept under the control's number: drawing into the
// shared work images 948 (a mini-scope) and 950 (the board view) afterwards
// leaves its picture as it was.
void Show(int control, int image) {
  const int picture = DisplayPicture(control);
  pf::CopyImage(image, picture);
  if (pf::IsGadget(control)) pf::SetGadgetImage(control, picture);
}

void DrawLegend() {
  const int x = scopemargin / 2 + 2;
  const int y = pf::ImageHeight(kImageScopeBackground) - x;
  if (!pf::StartDrawing(kImageScopeBackground)) return;
  pf::DrawText(x, y - 3 * kLegendLine, "Live Signature", colourscopextracelivesig);
  pf::DrawText(x, y - 2 * kLegendLine, "Golden Signature", colourscopextracegoldensig);
  pf::DrawText(x, y - kLegendLine, "DUT Signature", colourscopextracedutsig);
  pf::StopDrawing();
}

// Points 1..n of a stored block into the trace arrays (n from the block's
// count, at most 128); the points after n keep their values.
void LoadTraceBlock(int row, int base) { ReadSignatureBlock(row, base, tracex, tracey); }

void DrawTraceArrays(int image, int colour, float vfs, float ifs) {
  YRM_DrawTrace(scope1width, scope1height, scopemargin, image, colour, vfs, ifs);
}

// The main scope's picture: black for a flash after a capture or freeze,
// else the background. Both have the background's size (the layout's when
// none yet). The traces are drawn straight onto the picture the control
// shows, which the image service then brings back to the background by
// copying only what the last traces and status line covered.
void StartTraceImage(int image) {
  const bool background = pf::IsImage(kImageScopeBackground);
  const int w = background ? pf::ImageWidth(kImageScopeBackground) : std::max(10, scope1width);
  const int h = background ? pf::ImageHeight(kImageScopeBackground) : std::max(10, scope1height);
  if (flashcount > 0) {
    --flashcount;
    if (pf::ImageWidth(kImageFlash) != w || pf::ImageHeight(kImageFlash) != h)
      pf::CreateImage(kImageFlash, w, h, colourblack);
    pf::CopyImage(kImageFlash, image);
  } else if (!background || !pf::CopyImage(kImageScopeBackground, image)) {
    pf::CreateImage(image, w, h, colourblack);
  }
}

void ShowPicture(int control) {
  if (pf::IsGadget(control)) pf::SetGadgetImage(control, DisplayPicture(control));
}
}  // namespace

std::string SignatureStatusLine(int state, int count, float diff, const std::string& threshold) {
  static const char* const words[kSignatureUnstable + 1] = {"O/C", "Stable", "Unstable"};  // at [state]
  const char* word = state >= kSignatureOpen && state <= kSignatureUnstable ? words[state] : "";
  char prev[64];
  std::snprintf(prev, sizeof prev, "%.2f", static_cast<double>(diff));
  return std::string(word) + ", Count: " + std::to_string(count) + ", Prev: " + prev +
         "%, Threshold: " + threshold;
}

void YRM_FullRedraw() {
  fullredraw = 0;
  traceredraw = 1;
  const int last = records.Rows();

  YRM_PrepareScopeLabels();
  if (currentrecord <= last && mode == "Advanced")
    StampIcon(kImageScopeBackground, ResultIcon(currentrecord, kLargeResultIcons));
  DrawLegend();

  for (int k = 1; k <= kMiniScopes; ++k) {
    const int index = currentrecord + k - kCentreMiniScope;
    YRM_DrawMiniScope(*kMiniScopeWidth[k - 1], *kMiniScopeHeight[k - 1], index, last);
    if (index >= 2 && index <= last) StampIcon(kImageMiniScope, ResultIcon(index, kSmallResultIcons));
    Show(kMainScope + k, kImageMiniScope);
    if (k == kCentreMiniScope) pf::CopyImage(kImageMiniScope, kImageCentreMiniScope);
  }

  if (currentrecord >= 1 && currentrecord <= last) {
    DrawMainPcbView(
        pcbviewwidth, pcbviewheight, records.FieldInt(currentrecord, kFieldViewX),
        records.FieldInt(currentrecord, kFieldViewY), records.FieldFloat(currentrecord, kFieldViewZoom),
        RoundHalfAway(records.FieldFloat(currentrecord, kFieldPinX)),
        RoundHalfAway(records.FieldFloat(currentrecord, kFieldPinY)), records.Field(1, kFieldPhoto));
    Show(kBoardView, kImagePcbView);
  }
}

void YRM_TraceRedraw() {
  traceredraw = 0;
  const int last = records.Rows();
  const float vfs = voltage / 1000.0f;
  const float ifs = vfs / static_cast<float>(sourceohms);
  const bool advanced = mode == "Advanced";

  if (advanced) {
    const int row = std::clamp(currentrecord, 1, last);
    tracex.fill(0.0f);
    tracey.fill(0.0f);
    LoadTraceBlock(row, kGoldenBase);
  }

  const int scope = DisplayPicture(kMainScope);
  StartTraceImage(scope);

  if (mode == "Basic" || mode == "Basic-Auto") {
    tracex = goldenv;
    tracey = goldeni;
    DrawTraceArrays(scope, colourscopextracegoldensig, vfs, ifs);
    tracex = dutv;
    tracey = duti;
    DrawTraceArrays(scope, colourscopextracedutsig, vfs, ifs);
  } else if (advanced) {
    DrawTraceArrays(scope, colourscopextracegoldensig, vfs, ifs);
    if (currentrecord > last) currentrecord = last;
    const std::string_view result = records.FieldView(currentrecord, kFieldResult);
    if (result == "Good" || result == "Bad") {
      LoadTraceBlock(currentrecord, kDutBase);
      DrawTraceArrays(scope, colourscopextracedutsig, vfs, ifs);
    }
  }

  const bool connected = usbopen == 1;
  if (connected) {
    tracex = livev;
    tracey = livei;
    DrawTraceArrays(scope, colourscopextracelivesig, vfs, ifs);
    signaturestate = YRM_DetectSignatureState();
    YRM_DrawScopeLabel(
        scope1width, scope1height, scopemargin, scope,
        SignatureStatusLine(signaturestate, stablecount, goldenlivediff, goldenvslivethreshold));
  }
  ShowPicture(kMainScope);

  // The centre mini-scope: the stored picture, with the live signature on it.
  const int centre = DisplayPicture(kMainScope + kCentreMiniScope);
  if (!pf::CopyImage(kImageCentreMiniScope, centre)) return;
  if (connected)
    YRM_DrawTrace(miniscope5width, miniscope5height, scopemargin, centre, colourscopextracelivesig, vfs, ifs);
  ShowPicture(kMainScope + kCentreMiniScope);
}
