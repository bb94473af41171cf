#include "shell/colourswindow.h"

#include <string>

#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/messages.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "testing/state.h"

namespace {
struct ColourRow {
  int* value;
  const char* key;
  int preset;    // " < set to default"
  int darkmode;  // "Set colours: dark mode (default)"
};

const ColourRow kRows[kColourRows] = {
    {&colourscope1background, kKeyColourScope1Background, 0, 0},
    {&colourscope1outline, kKeyColourScope1Outline, 34816, 34816},
    {&colourscope1graticule, kKeyColourScope1Graticule, 34816, 34816},
    {&colourscopexcrosshair, kKeyColourScopeXCrosshair, 34816, 34816},
    {&colourscope1text, kKeyColourScope1Text, 16777215, 16777215},
    {&colourscopextracelivesig, kKeyColourScopeXTraceLiveSig, 255, 255},
    {&colourscopextracegoldensig, kKeyColourScopeXTraceGoldenSig, 16711680, 55295},
    {&colourscopextracedutsig, kKeyColourScopeXTraceDutSig, 65535, 16711680},
    {&colourbackground, kKeyColourBackground, 3028526, 3028526},
    {&colourpanel, kKeyColourPanel, 7371891, 7371891},
    {&colourpanelwindow, kKeyColourPanelWindow, 8327734, 2228224},
    {&colourpaneltext, kKeyColourPanelText, 16777215, 16777215},
    {&colourheader, kKeyColourHeader, 0, 0},
    {&colourheadertext, kKeyColourHeaderText, 42495, 42495},
};

const ColourRow& Row(int k) { return kRows[(k < 1 ? 1 : k > kColourRows ? kColourRows : k) - 1]; }
}  // namespace

int& YRM_ColourRowValue(int k) { return *Row(k).value; }
int YRM_ColourRowDefault(int k) { return Row(k).preset; }
int YRM_ColourRowDarkMode(int k) { return Row(k).darkmode; }

void YRM_RefreshColourSwatches(int32_t width, int32_t height) {
  for (int k = 1; k <= kColourRows; ++k) {
    const int image = kColourSwatchImageBase + k;
    pf::CreateImage(image, width, height, *Row(k).value);
    if (pf::IsGadget(kColourSwatchBase + k)) pf::SetGadgetState(kColourSwatchBase + k, image);
  }
}

void YRM_SaveColours() {
  // The file's key order: text before crosshair, unlike the window's rows.
  static const int kOrder[kColourRows] = {1, 2, 3, 5, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  for (int k : kOrder) YRM_WriteSetting(kSettingsFile, Row(k).key, std::to_string(*Row(k).value));
  YRM_RefreshColourSwatches(100, 20);
  traceredraw = 1;
  fullredraw = 1;
}

namespace {
const char* const kLabels[kColourRows] = {
    "Scope Background > ", "Scope Outline > ",    "Scope Graticule > ", "Scope Crosshair > ", "Scope Text > ",
    "Live Signature > ",   "Golden Signature > ", "DUT Signature > ",   "Background > ",      "Panel > ",
    "Panel Window > ",     "Panel Text > ",       "Header > ",          "Header Text > "};

void ColourRowGadgets(int k, int line) {
  const int y = 25 * line + 10;
  pf::ButtonGadget(kColourPickBase + k, 10, y, 200, 20, kLabels[k - 1], pf::kGadgetRight);
  pf::ImageGadget(kColourSwatchBase + k, 220, y, 100, 20, kColourSwatchImageBase + k);
  pf::ButtonGadget(kColourPresetBase + k, 330, y, 100, 20, " < set to default", pf::kGadgetLeft);
}
}  // namespace

bool YRM_OpenDisplayColoursWindow() {
  if (!pf::OpenWindow(kColoursWindow, 0, 0, 445, 500, "Display Colours",
                      pf::kWindowTitleBar | pf::kWindowScreenCentered)) {
    YRM_ShowMessage(kMsgColoursWindowWontStart);
    return false;
  }
  YRM_RefreshColourSwatches(100, 20);
  pf::UseGadgetList(kColoursWindow);
  // The texts carry no fixed number: negative ones keep them apart.
  pf::TextGadget(-1, 10, 13, 500, 20, "Change colours used on the scope display(s):");
  for (int k = 1; k <= 8; ++k) ColourRowGadgets(k, k);
  pf::TextGadget(-2, 10, 238, 500, 20,
                 "Change colours used on control ribbon (settings update on YRM restart):");
  for (int k = 9; k <= 14; ++k) ColourRowGadgets(k, k + 1);
  pf::TextGadget(-3, 10, 413, 500, 20, "Note: Changes are automatically saved when altered.");
  pf::ButtonGadget(kColourDarkModeButton, 10, 25 * 17 + 10, 200, 20, "Set colours: dark mode (default)");
  return true;
}

bool YRM_DisplayColoursPass(int ms) {
  const int event = pf::WaitWindowEvent(ms);
  bool changed = false;
  bool close = false;
  if (event == pf::kEventGadget && pf::EventWindow() == kColoursWindow) {
    const int g = pf::EventGadget();
    if (g > kColourPickBase && g <= kColourPickBase + kColourRows) {
      const int k = g - kColourPickBase;
      const int chosen = pf::ColorRequester(*Row(k).value);
      if (chosen != -1) {
        *Row(k).value = chosen & 0xFFFFFF;
        changed = true;
      }
    } else if (g > kColourPresetBase && g <= kColourPresetBase + kColourRows) {
      const int k = g - kColourPresetBase;
      *Row(k).value = Row(k).preset;
      changed = true;
    } else if (g == kColourDarkModeButton) {
      for (const ColourRow& row : kRows) *row.value = row.darkmode;
      changed = true;
    }
    if (changed) YRM_SaveColours();
  } else if (event == pf::kEventDeactivateWindow) {
    if (pf::ActiveWindow() != kColoursWindow) close = true;
  } else if (event == pf::kEventCloseWindow) {
    close = true;
  }
  if (close) pf::CloseWindow(kColoursWindow);
  return !close;
}

void YRM_DisplayColoursWindow() {
  if (!YRM_OpenDisplayColoursWindow()) return;
  // The window acts on events only: it sleeps until the next one.
  while (YRM_DisplayColoursPass(pf::kLongestLoopWaitMs)) {
  }
}
