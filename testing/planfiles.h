// The File menu's plan commands: open, save, new, the list of the eight most
// recent plans, and the choice of a plan's board photo.
#pragma once
#include <string>

// File > "Open": asks for a plan and opens it (nothing when cancelled).
void YRM_OpenTestPlanDialog();
// Reads `file` and makes it the open plan: its name is remembered in the
// settings and enters the recent list. A plan that cannot be read is
// reported and changes nothing.
void YRM_OpenTestPlan(const std::string& file);
// File > "Save": asks for a name and writes the plan there. The open plan's
// name, the settings and the recent list stay as they are.
void YRM_SaveTestPlanDialog();
// File > "New" (Advanced mode only): an empty plan, saved under a chosen name
// and opened from it, with "Edit/Capture signature" ticked.
void YRM_NewTestPlan();
// Brings the recent list in line with the open plan's name and shows it in
// the "Open Recent" items.
void YRM_UpdateRecentTestPlans();
// Shows the recent list in the "Open Recent" items without changing it.
void ShowRecentTestPlans();
// Asks for the board photo; a photo inside the working folder is kept
// relative to it. Cancel leaves `pcbimagefile` unchanged.
void YRM_ChoosePcbImage();

// Slot 1 to 8 of the recent list (`recentplan1` to `recentplan8`).
std::string& RecentPlan(int slot);

// The save dialog and the write; returns the chosen path ("" when cancelled).
std::string SaveTestPlanAs();
// `path` relative to the working folder `folder` when it lies inside it,
// else unchanged.
std::string PathInsideFolder(const std::string& path, const std::string& folder);

// The requesters' texts.
inline constexpr const char* kPlanFilter = "Test (*.qvt)|*.qvt|All files (*.*)|*.*";
inline constexpr const char* kPhotoFilter = "JPG (*.jpg)|*.jpg|PNG (*.png)|*.png|All files (*.*)|*.*";
