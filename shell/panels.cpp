#include "shell/panels.h"

#include <string>

#include "platform/gui.h"
#include "platform/image.h"
#include "shell/resources.h"
#include "shell/state.h"

namespace {
// Sizes that last only until the first layout.
constexpr int kStartX = 100, kStartY = 100, kStartSize = 100;
constexpr int kPanelX = 2, kPanelY = 2, kPanelWidth = 144, kPanelHeight = 100;
constexpr int kHeaderHeight = 23;
constexpr int kTreeY = 26, kTreeHeight = 250;
constexpr int kScopeMargin = 50;

void createTreePanel(int panel, int headerGadget, const std::string& title, int tree) {
  pf::UseGadgetList(kMainWindow);
  pf::ContainerGadget(panel, kPanelX, kPanelY, kPanelWidth, kPanelHeight);
  pf::SetGadgetColor(panel, pf::kColorBack, colourpanel);
  pf::TextGadget(headerGadget, 0, 0, kPanelWidth, kHeaderHeight, title, pf::kGadgetCenter);
  pf::SetGadgetColor(headerGadget, pf::kColorFront, colourheadertext);
  pf::SetGadgetColor(headerGadget, pf::kColorBack, colourheader);
  pf::SetGadgetFont(headerGadget, kFontHeader);
  pf::TreeGadget(tree, 0, kTreeY, kPanelWidth, kTreeHeight, pf::kGadgetTreeLines);
  pf::CloseGadgetList();
}
}  // namespace

void YRM_CreateScopeGadgets() {
  scopemargin = kScopeMargin;
  pf::CreateImage(kPlaceholderImage, kStartSize, kStartSize, colourblack);
  pf::UseGadgetList(kMainWindow);
  for (int g = kMainScope; g <= kMiniScope9; ++g)
    pf::ImageGadget(g, kStartX, kStartY, kStartSize, kStartSize, kPlaceholderImage);
  pf::ImageGadget(kFiller, kStartX, kStartY, kStartSize, kStartSize, kPlaceholderImage);
  pf::ImageGadget(kBoardView, kStartX, kStartY, kStartSize, kStartSize, kPlaceholderImage);
}

void YRM_CreateBadTreePanel() { createTreePanel(kBadTreePanel, kBadTreeHeader, "Bad TestTree", kBadTree); }

void YRM_CreateTestTreePanel() { createTreePanel(kTestTreePanel, kTestTreeHeader, "TestTree", kTestTree); }
