#include "testing/panelhit.h"

#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/state.h"

namespace {
bool holds(int g, int x, int y) {
  if (!pf::IsGadget(g)) return false;
  const int left = pf::GadgetWindowX(g), top = pf::GadgetWindowY(g);
  return left <= x && x <= left + pf::GadgetWidth(g) && top <= y && y <= top + pf::GadgetHeight(g);
}
}  // namespace

int YRM_PanelUnderMouse(int x, int y) {
  if (scope1visible == 1 && holds(kMainScope, x, y)) return kPanelMainScope;
  for (int k = 1; k <= kMiniScopes; ++k)
    if (*kMiniScopeVisible[k - 1] == 1 && holds(kMainScope + k, x, y)) return kPanelMiniScope1 + k - 1;
  if (holds(kConnectionImage, x, y)) return kPanelConnection;
  if (pcbviewvisible == 1 && holds(kBoardView, x, y)) return kPanelBoardView;
  return kPanelNone;
}
