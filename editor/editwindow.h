// The test-plan editor window "Edit/Add Records & Images": its controls and
// its own event loop, which runs until the window's close button is used.
#pragma once
#include <array>

constexpr int kEditWindow = 550;
constexpr int kEditBlankImage = 890;
constexpr int kImageEditPhoto = 891;  // the photo, loaded to learn its size

// ---- photo and step-by-step controls, right of the photo ----------------------
constexpr int kEditPhoto = 726;
constexpr int kEditSelectImageButton = 723;
constexpr int kEditPhotoFile = 724;
constexpr int kEditPreviousRecordButton = 680;     // "<"
constexpr int kEditNextRecordButton = 681;         // ">"
constexpr int kEditPreviousComponentButton = 682;  // "<<"
constexpr int kEditNextComponentButton = 683;      // ">>"
constexpr int kEditFirstRecordButton = 737;
constexpr int kEditLastRecordButton = 738;
constexpr int kEditInsertAfterButton = 739;
constexpr int kEditInsertBeforeButton = 740;
constexpr int kEditDeleteRecordButton = 741;
constexpr int kEditDeleteComponentButton = 742;
constexpr int kEditUpButton = 727;
constexpr int kEditDownButton = 728;
constexpr int kEditLeftButton = 729;
constexpr int kEditRightButton = 730;
constexpr int kEditCentreButton = 731;
constexpr int kEditZoomInButton = 732;
constexpr int kEditZoomOutButton = 733;
constexpr int kEditZoomAllButton = 734;
constexpr int kEditZoomWindowButton = 735;  // "SELECT ZOOM WINDOW"
constexpr int kEditComponentName = 671;
constexpr int kEditAutoIncrementCheck = 685;
constexpr int kEditPackageCombo = 686;
constexpr int kEditRowFieldFirst = 687;  // the package's number fields 687 to 690
constexpr int kEditRowLabelFirst = 691;  // and their labels 691 to 694
constexpr int kEditRowFields = 4;
constexpr int kEditCreateComponentButton = 674;
constexpr int kEditMovePinButton = 675;
constexpr int kEditQuickSaveButton = 745;
constexpr int kEditLabelFirst = 5500;  // labels carry no event: numbers above the editor's own range

// ---- data table below the photo -------------------------------------------------
constexpr int kEditRecordCount = 695;
constexpr int kEditWriteDescription = 697;
constexpr int kEditWriteComponent = 701;
constexpr int kEditWriteViewX = 708, kEditWriteViewY = 710, kEditWriteZoom = 712;
constexpr int kEditWritePinX = 714, kEditWritePinY = 716;
constexpr int kEditUpdateDescriptionButton = 677;
constexpr int kEditUpdateNameButton = 678;
constexpr int kEditUpdateViewButton = 679;
constexpr int kEditUpdateRecordButton = 684;  // "< Update Single Pin Record Only"

// Data table columns after "Record": stored field, to-write field, record field.
struct EditColumn {
  int stored, written, field;
};
constexpr std::array<EditColumn, 13> kEditColumns = {{{698, 699, 9},
                                                      {696, kEditWriteDescription, 8},
                                                      {700, kEditWriteComponent, 10},
                                                      {702, 703, 11},
                                                      {704, 705, 12},
                                                      {707, kEditWriteViewX, 14},
                                                      {709, kEditWriteViewY, 15},
                                                      {711, kEditWriteZoom, 16},
                                                      {713, kEditWritePinX, 17},
                                                      {715, kEditWritePinY, 18},
                                                      {717, 718, 27},
                                                      {719, 720, 28},
                                                      {721, 722, 30}}};

// Opens the editor, runs it until closed, then rebuilds the result trees.
void YRM_EditRecordsWindow();

// The same in its three stages, so the loop can be driven one event at a time.
bool OpenEditRecordsWindow();        // false (message shown) when it cannot open
bool EditRecordsWindowStep(int ms);  // one event; false once the window is closed
void CloseEditRecordsWindow();       // closes it and rebuilds the trees
