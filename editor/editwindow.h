// The test-plan editor window "Edit/Add Records & Images": its controls and
// its own event loop, which runs until the window's close button is used.
#pragma once
#include <array>

constexpr int kEditWindow = 550;
constexpr int kEditBlankImage = 890;
constexpr int kEditPhoto = 726;
constexpr int kEditPhotoFile = 724;
constexpr int kEditRecordCount = 695;
constexpr int kEditWriteViewX = 708, kEditWriteViewY = 710, kEditWriteZoom = 712;
constexpr int kEditWritePinX = 714, kEditWritePinY = 716;
constexpr int kEditComponentName = 671;

// Data table columns after "Record": stored field, to-write field, record field.
struct EditColumn {
  int stored, written, field;
};
constexpr std::array<EditColumn, 13> kEditColumns = {{{698, 699, 9},
                                                      {696, 697, 8},
                                                      {700, 701, 10},
                                                      {702, 703, 11},
                                                      {704, 705, 12},
                                                      {707, 708, 14},
                                                      {709, 710, 15},
                                                      {711, 712, 16},
                                                      {713, 714, 17},
                                                      {715, 716, 18},
                                                      {717, 718, 27},
                                                      {719, 720, 28},
                                                      {721, 722, 30}}};

// Opens the editor, runs it until closed, then rebuilds the result trees.
void YRM_EditRecordsWindow();

// The same in its three stages, so the loop can be driven one event at a time.
bool OpenEditRecordsWindow();              // false (message shown) when it cannot open
bool EditRecordsWindowStep(int ms);        // one event; false once the window is closed
void CloseEditRecordsWindow();             // closes it and rebuilds the trees
