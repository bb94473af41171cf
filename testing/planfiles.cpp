// Opening, saving and creating plans from the File menu; the recent list;
// the board-photo choice of the editor.
#include "testing/planfiles.h"

#include <algorithm>
#include <array>

#include "editor/state.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/menu.h"
#include "shell/messages.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {

constexpr const char* kOpenTitle = "Please choose a file to open";
constexpr const char* kSaveTitle = "Please choose file to save";
constexpr const char* kPhotoTitle = "Please choose PCB image to open";
constexpr const char* kPlanDefault = "*.qvt";
constexpr const char* kPhotoDefault = "\\images\\*.jpg";
constexpr int kRecentSlots = 8;

// What fills an empty slot of the recent list, slot by slot.
constexpr std::array<const char*, kRecentSlots> kDemoPlans = {
    "testplans/demo_A.qvt", "testplans/demo_B.qvt", "testplans/demo_C.qvt", "testplans/demo_D.qvt",
    "testplans/demo_E.qvt", "testplans/demo_F.qvt", "testplans/demo_G.qvt", "testplans/demo_H.qvt"};

void emptyTestTree() {
  if (pf::IsGadget(kTestTree)) pf::ClearGadgetItems(kTestTree);
}

// The open plan is now `file`: its name is remembered and the list follows.
void becomeOpenPlan(const std::string& file) {
  testplanfilename = file;
  YRM_WriteSetting(kSettingsFile, kKeyTestPlanFileName, testplanfilename);
}

}  // namespace

std::string& RecentPlan(int slot) {
  std::string* const slots[kRecentSlots] = {&recentplan1, &recentplan2, &recentplan3, &recentplan4,
                                            &recentplan5, &recentplan6, &recentplan7, &recentplan8};
  return *slots[std::clamp(slot, 1, kRecentSlots) - 1];
}

void YRM_OpenTestPlanDialog() {
  const std::string file = pf::OpenFileRequester(kOpenTitle, kPlanDefault, kPlanFilter, 0);
  if (file.empty()) return;
  YRM_OpenTestPlan(file);
}

void YRM_OpenTestPlan(const std::string& file) {
  // A plan that cannot be read leaves the open plan as it was, name included,
  // so that a later save cannot write this table over the unread file.
  if (!YRM_ReadTestPlan(file)) return;
  currentrecord = 1;
  lastrecord = 0;
  YRM_RefreshMainWindow();
  becomeOpenPlan(file);
  emptyTestTree();
  fullredraw = 1;
  YRM_UpdateRecentTestPlans();
}

std::string SaveTestPlanAs() {
  const std::string file = pf::SaveFileRequester(kSaveTitle, testplanfilename, kPlanFilter, 0);
  if (!file.empty()) YRM_WriteTestPlan(file);
  return file;
}

void YRM_SaveTestPlanDialog() { SaveTestPlanAs(); }

void YRM_NewTestPlan() {
  if (mode != "Advanced") {
    YRM_ShowMessage(kMsgAdvancedModeOnly);
    return;
  }
  records = RecordTable();
  // Cancelled, nothing is written and the read of "" fails: the empty table
  // stays, under an empty name.
  const std::string file = SaveTestPlanAs();
  YRM_ReadTestPlan(file);
  currentrecord = 1;
  lastrecord = 0;
  YRM_RefreshMainWindow();
  becomeOpenPlan(file);
  YRM_UpdateRecentTestPlans();
  if (pf::IsGadget(kCaptureModeCheck)) pf::SetGadgetState(kCaptureModeCheck, 1);
  emptyTestTree();
  traceredraw = 1;
  fullredraw = 1;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  YRM_RefreshMainWindow();
}

void YRM_UpdateRecentTestPlans() {
  int k = 0;
  for (int i = kRecentSlots; i >= 1 && k == 0; --i)
    if (RecentPlan(i) == testplanfilename) k = i;
  if (k >= 2) {
    const std::string moved = RecentPlan(k);
    for (int i = k; i >= 2; --i) RecentPlan(i) = RecentPlan(i - 1);
    RecentPlan(1) = moved;
  } else if (k == 0) {
    for (int i = kRecentSlots; i >= 2; --i) RecentPlan(i) = RecentPlan(i - 1);
    RecentPlan(1) = testplanfilename;
    for (int i = 1; i <= kRecentSlots; ++i)
      if (RecentPlan(i).empty()) RecentPlan(i) = kDemoPlans[i - 1];
    for (int i = 1; i <= kRecentSlots; ++i) YRM_WriteSetting(kSettingsFile, RecentPlanKey(i), RecentPlan(i));
  }
  ShowRecentTestPlans();
}

void ShowRecentTestPlans() {
  for (int i = 1; i <= kRecentSlots; ++i)
    pf::SetMenuItemText(kMainMenu, kItemRecentFirst + i - 1, RecentPlan(i));
}

std::string PathInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
    return path;
  const auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
  // The folder's own trailing separator, or the one that follows it.
  if (isSeparator(folder.back())) return path.substr(folder.size());
  if (isSeparator(path[folder.size()])) return path.substr(folder.size() + 1);
  return path;
}

void YRM_ChoosePcbImage() {
  const std::string file = pf::OpenFileRequester(kPhotoTitle, kPhotoDefault, kPhotoFilter, 0);
  if (file.empty()) return;
  pcbimagefile = PathInsideFolder(file, pf::CurrentDirectory());
}
