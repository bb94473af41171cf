#include "editor/editwindow.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "editor/placement.h"
#include "editor/recordedits.h"
#include "editor/state.h"
#include "editor/view.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/messages.h"
#include "shell/state.h"
#include "testing/navigation.h"
#include "testing/planfile.h"
#include "testing/planfiles.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {

int zoomselectstep, zoomx1, zoomy1;

// Right-hand column: 60-pixel columns and 25-pixel rows from x = 670.
int gx(int col) { return 670 + col * 60; }
int gy(int row) { return 10 + row * 25; }

void button(int g, int col, int row, int cols, const std::string& text, const std::string& tip = "",
            int flags = 0) {
  pf::ButtonGadget(g, gx(col), gy(row), cols * 60 - 4, 20, text, flags);
  if (!tip.empty()) pf::SetGadgetToolTip(g, tip);
}
void label(int g, int row, const std::string& text) { pf::TextGadget(g, gx(0), gy(row), 600, 20, text); }

void buildControls() {
  pf::CreateImage(kEditBlankImage, 640, 640, 0xFFFFFF);
  pf::ImageGadget(kEditPhoto, 10, 10, 640, 640, kEditBlankImage);
  int l = kEditLabelFirst;
  label(l++, 0, "1. Select a PCB image to use for this testplan:");
  button(kEditSelectImageButton, 0, 1, 2, "Select Image");
  pf::StringGadget(kEditPhotoFile, gx(2), gy(1), 480, 20, "/testplans/images", pf::kGadgetReadOnly);
  label(l++, 2, "2. Select record:");
  label(l++, 3, "2a. Manual insert/delete controls:");
  button(kEditPreviousRecordButton, 0, 4, 1, "<", "Goto PREVIOUS record/pin in the sequence");
  button(kEditNextRecordButton, 1, 4, 1, ">", "Goto NEXT record/pin in the sequence");
  button(kEditInsertBeforeButton, 2, 4, 3, "< Manual Insert Before",
         "Inserts single pin record BEFORE the current record/pin");
  button(kEditInsertAfterButton, 5, 4, 3, "Manual Insert After >",
         "Inserts single pin record AFTER the current record/pin");
  button(kEditPreviousComponentButton, 0, 5, 1, "<<", "Goto PREVIOUS Component in the sequence");
  button(kEditNextComponentButton, 1, 5, 1, ">>", "Goto NEXT Component in the sequence");
  button(kEditDeleteComponentButton, 2, 5, 3, "Delete Whole Component",
         "Deletes an entire Component from records");
  button(kEditFirstRecordButton, 0, 6, 1, "First",
         "Goto FIRST record/pin/component in the sequence (index=2)");
  button(kEditLastRecordButton, 1, 6, 1, "Last", "Goto LAST record/pin/component in the sequence");
  button(kEditDeleteRecordButton, 2, 6, 3, "Delete Single Pin Record", "Deletes single record/pin");
  label(l++, 7, "3. Adjust the image to show the Component (e.g. IC17, CONN23, PL7, U56 etc..):");
  button(kEditZoomInButton, 0, 8, 2, "ZOOM +");
  pf::ButtonGadget(kEditZoomWindowButton, gx(2), gy(8), 116, 45, "SELECT ZOOM\nWINDOW", pf::kGadgetMultiLine);
  button(kEditUpButton, 5, 8, 2, "UP");
  button(kEditZoomOutButton, 0, 9, 2, "ZOOM -");
  button(kEditLeftButton, 4, 9, 1, "LEFT");
  button(kEditCentreButton, 5, 9, 2, "CENTRE");
  button(kEditRightButton, 7, 9, 1, "RIGHT");
  button(kEditZoomAllButton, 0, 10, 2, "ZOOM ALL");
  button(kEditDownButton, 5, 10, 2, "DOWN");
  label(l++, 11, "4. Name the Component you want to add (e.g. IC17, CONN23, PL7, U56 etc..):");
  pf::StringGadget(kEditComponentName, gx(0), gy(12), 176, 20, EditorNameAtOpening());
  pf::CheckBoxGadget(kEditAutoIncrementCheck, gx(3), gy(12), 296, 20, "Auto Increment Component Number");
  label(l++, 13, "5. Select the Component type & quantity of pins:");
  pf::ComboBoxGadget(kEditPackageCombo, gx(0), gy(14), 236, 20);
  for (const auto& item : PackageItems()) pf::AddGadgetItem(kEditPackageCombo, -1, item);
  for (int k = 0; k < kEditRowFields; ++k) {
    pf::TextGadget(kEditRowLabelFirst + k, gx(4 + 2 * (k % 2)), gy(14 + k / 2), 56, 20,
                   "Row " + std::to_string(k + 1) + ": ");
    pf::StringGadget(kEditRowFieldFirst + k, gx(5 + 2 * (k % 2)), gy(14 + k / 2), 56, 20, "",
                     pf::kGadgetNumeric);
  }
  label(l++, 16, "6. New Component will be created AFTER the current Component:");
  button(kEditCreateComponentButton, 0, 17, 4, "Create New Component");
  label(l++, 18, "6a. Move the posistion of a single pin:");
  button(kEditMovePinButton, 0, 19, 4, "Move Pin");
  label(l++, 20, "7. Follow instructions on PCB image, use (single left mouse click) to ident pin location.");
  label(l++, 21, "To create another Component record, goto step 2.");
  label(l++, 22, "Ensure you SAVE any changes (or to save as a different file - use the main menu):");
  button(kEditQuickSaveButton, 0, 23, 3, "Quick Save");

  // Data table: heading, stored record, to-write record, update buttons.
  const char* heads[] = {"Data",   "Record",    "Status",  "Description", "Component",
                         "Pin",    "User Text", "View X",  "View Y",      "Zoom",
                         "Test X", "Test Y",    "ScanSig", "ScanCom",     "Signature"};
  constexpr int cw = 70, x0 = 90, y0 = 660;
  pf::TextGadget(l++, 10, y0, 76, 20, heads[0], pf::kGadgetCenter);
  pf::TextGadget(l++, 10, y0 + 25, 76, 20, ".QVT file > ", pf::kGadgetCenter);
  pf::TextGadget(l++, 10, y0 + 50, 76, 20, "To write > ", pf::kGadgetCenter);
  pf::TextGadget(l++, x0, y0, cw - 2, 20, heads[1], pf::kGadgetCenter);
  pf::StringGadget(kEditRecordCount, x0, y0 + 25, cw - 2, 20, heads[1],
                   pf::kGadgetReadOnly | pf::kGadgetCenter);
  for (size_t k = 0; k < kEditColumns.size(); ++k) {
    const int x = x0 + cw * static_cast<int>(k + 1);
    pf::TextGadget(l++, x, y0, cw - 2, 20, heads[k + 2], pf::kGadgetCenter);
    pf::StringGadget(kEditColumns[k].stored, x, y0 + 25, cw - 2, 20, heads[k + 2],
                     pf::kGadgetReadOnly | pf::kGadgetCenter);
    pf::StringGadget(kEditColumns[k].written, x, y0 + 50, cw - 2, 20, heads[k + 2], pf::kGadgetCenter);
  }
  pf::ButtonGadget(kEditUpdateRecordButton, x0 + cw * 14, y0 + 50, 1270 - (x0 + cw * 14), 20,
                   "< Update Single Pin Record Only");
  pf::ButtonGadget(kEditUpdateDescriptionButton, x0 + cw * 2, y0 + 75, cw - 2, 20, "^Update^");
  pf::SetGadgetToolTip(kEditUpdateDescriptionButton,
                       "Updates all the descriptions for the current Component");
  pf::ButtonGadget(kEditUpdateNameButton, x0 + cw * 3, y0 + 75, cw - 2, 20, "^Update^");
  pf::SetGadgetToolTip(kEditUpdateNameButton,
                       "Updates the current Component name (will also rebuild Description record)");
  pf::ButtonGadget(kEditUpdateViewButton, x0 + cw * 6, y0 + 75, cw * 3 - 2, 20, "^Update^");
  pf::SetGadgetToolTip(kEditUpdateViewButton, "Updates the View/Zoom for the current Component");
}

void loadAndRefresh() {
  EditorRecordLoad();
  YRM_RefreshEditRecordsWindow();
}

// "Select Image": a photo that cannot be loaded is reported and the plan
// keeps its photo and view.
void selectImage() {
  const std::string previous = pcbimagefile;
  YRM_ChoosePcbImage();
  if (EditorTakePhoto()) return;
  if (!pcbimagefile.empty()) YRM_ShowMessage(kMsgPcbImageNotLoaded, pcbimagefile);
  pcbimagefile = previous;
}

// True when the mouse lies on the photo's image control, edges included.
bool mouseOnPhoto() {
  const int mx = pf::WindowMouseX(kEditWindow), my = pf::WindowMouseY(kEditWindow);
  imagecontrolx = pf::GadgetX(kEditPhoto);
  imagecontroly = pf::GadgetY(kEditPhoto);
  imagecontrolwidth = pf::GadgetWidth(kEditPhoto);
  imagecontrolheight = pf::GadgetHeight(kEditPhoto);
  return mx >= imagecontrolx && my >= imagecontroly && mx <= imagecontrolx + imagecontrolwidth &&
         my <= imagecontroly + imagecontrolheight;
}

// A click on the photo: a placement's pin, a moved pin, a zoom-window corner
// or the choice of the record whose pin lies under the mouse. The caller
// refreshes the window after it.
void photoClick() {
  // A photo that could not be loaded is not on show: no click places,
  // moves or picks a pin on it.
  if (!mouseOnPhoto() || imagewindowshown == 0) return;
  const int mx = pf::WindowMouseX(kEditWindow), my = pf::WindowMouseY(kEditWindow);
  if (placementstep != 0) {
    YRM_MouseToImageXY(mx, my);
    EditorPlacementClick(clickimagex, clickimagey, pf::GetGadgetText(kEditComponentName));
    return;
  }
  if (movepinstep == 1) {
    YRM_MouseToImageXY(mx, my);
    EditorMovePinClick(clickimagex, clickimagey);
    if (zoomselectstep == 0) return;
  }
  if (zoomselectstep == 0) {
    EditorPickRecord(mx, my);
    return;
  }
  YRM_MouseToImageXY(mx, my);
  if (zoomselectstep == 1) {
    zoomx1 = clickimagex;
    zoomy1 = clickimagey;
    zoomselectstep = 2;
    editinstruction = "Click on bottom-right corner of Component";
  } else {
    zoomselectstep = 0;
    editinstruction.clear();
    const int w = std::abs(clickimagex - zoomx1), h = std::abs(clickimagey - zoomy1);
    const float zx = w > 0 ? static_cast<float>(pcbimagewidth) / static_cast<float>(w) : 1e30f;
    const float zy = h > 0 ? static_cast<float>(pcbimageheight) / static_cast<float>(h) : 1e30f;
    viewzoom = std::min(zx < zy ? zx : zy, 25.0f);
    viewx = (zoomx1 + clickimagex) / 2;
    viewy = (zoomy1 + clickimagey) / 2;
  }
}

void createComponent() {
  EditorCreateComponent(
      pf::GetGadgetText(kEditPackageCombo),
      {pf::GetGadgetText(kEditRowFieldFirst), pf::GetGadgetText(kEditRowFieldFirst + 1),
       pf::GetGadgetText(kEditRowFieldFirst + 2), pf::GetGadgetText(kEditRowFieldFirst + 3)},
      pf::GetGadgetText(kEditComponentName));
  YRM_RefreshEditRecordsWindow();
}

int lastplacementstep;

// At the end of a placement the component name counts on for the next one.
void autoIncrement() {
  if (lastplacementstep != 0 && placementstep == 0 && pf::GetGadgetState(kEditAutoIncrementCheck) == 1)
    pf::SetGadgetText(kEditComponentName, NextComponentName(pf::GetGadgetText(kEditComponentName)));
  lastplacementstep = placementstep;
}

// Handles one control event; true for the click kind (refresh follows).
bool handleControl(int g) {
  switch (g) {
    case kEditPreviousRecordButton:
      YRM_PreviousRecord();
      loadAndRefresh();
      break;
    case kEditNextRecordButton:
      YRM_NextRecord();
      loadAndRefresh();
      break;
    case kEditPreviousComponentButton:
      EditorPreviousComponent();
      loadAndRefresh();
      break;
    case kEditNextComponentButton:
      EditorNextComponent();
      loadAndRefresh();
      break;
    case kEditFirstRecordButton:
      EditorFirstRecord();
      loadAndRefresh();
      break;
    case kEditLastRecordButton:
      EditorLastRecord();
      loadAndRefresh();
      break;
    case kEditInsertBeforeButton:
      YRM_InsertRecordBefore();
      YRM_RefreshEditRecordsWindow();
      break;
    case kEditInsertAfterButton:
      YRM_InsertRecordsAfter(1);
      YRM_RefreshEditRecordsWindow();
      break;
    case kEditDeleteRecordButton:
      if (currentrecord > 1) YRM_DeleteRecords(1);
      YRM_RefreshEditRecordsWindow();
      break;
    case kEditDeleteComponentButton:
      EditorDeleteComponent(YRM_RefreshEditRecordsWindow);
      break;
    case kEditSelectImageButton:
      selectImage();
      YRM_RefreshEditRecordsWindow();
      break;
    case kEditUpdateRecordButton: {
      EditorRow texts;
      for (size_t k = 0; k < texts.size(); ++k)
        for (const auto& c : kEditColumns)
          if (c.field == kEditorWriteFields[k]) texts[k] = pf::GetGadgetText(c.written);
      EditorUpdateSingleRecord(texts);
      loadAndRefresh();
      break;
    }
    case kEditUpdateNameButton:
      EditorUpdateComponentName(pf::GetGadgetText(kEditWriteComponent));
      break;
    case kEditUpdateDescriptionButton:
      EditorUpdateComponentDescription(pf::GetGadgetText(kEditWriteDescription));
      break;
    case kEditUpdateViewButton:
      EditorUpdateComponentView(pf::GetGadgetText(kEditWriteViewX), pf::GetGadgetText(kEditWriteViewY),
                                pf::GetGadgetText(kEditWriteZoom));
      break;
    case kEditZoomInButton:
      EditorZoomIn();
      break;
    case kEditZoomOutButton:
      EditorZoomOut();
      break;
    case kEditZoomAllButton:
      EditorZoomAll();
      break;
    case kEditZoomWindowButton:
      zoomselectstep = 1;
      editinstruction = "Click on top-left corner of Component";
      break;
    case kEditLeftButton:
      EditorPan(-1, 0);
      break;
    case kEditRightButton:
      EditorPan(1, 0);
      break;
    case kEditUpButton:
      EditorPan(0, -1);
      break;
    case kEditDownButton:
      EditorPan(0, 1);
      break;
    case kEditCentreButton:
      EditorCentre();
      break;
    case kEditPackageCombo:
      EditorPackageFields(pf::GetGadgetText(kEditPackageCombo));
      break;
    case kEditCreateComponentButton:
      createComponent();
      break;
    case kEditMovePinButton:
      EditorArmMovePin();
      break;
    case kEditQuickSaveButton:
      // An untitled plan (one start-up could not read, a cancelled New) has
      // no file of its own: the name is asked for as File > Save asks it.
      if (testplanfilename.empty())
        YRM_SaveTestPlanDialog();
      else
        YRM_WriteTestPlan(testplanfilename);
      break;
    default:
      break;
  }
  return pf::EventType() == pf::kTypeLeftClick;
}

}  // namespace

bool OpenEditRecordsWindow() {
  if (!pf::OpenWindow(kEditWindow, 0, 0, 1280, 760, "Edit/Add Records & Images",
                      pf::kWindowTitleBar | pf::kWindowSystemMenu | pf::kWindowMaximize)) {
    YRM_ShowMessage(kMsgEditWindowWontStart);
    return false;
  }
  pf::UseGadgetList(kEditWindow);
  buildControls();
  zoomselectstep = 0;
  movepinstep = 0;
  lastplacementstep = 0;
  pcbshowall = 0;
  EditorRecordLoad();
  pf::SetGadgetState(kEditPackageCombo, 0);
  pf::SetGadgetState(kEditAutoIncrementCheck, 1);
  for (int k = 0; k < kEditRowFields; ++k) {
    pf::HideGadget(kEditRowFieldFirst + k, true);
    pf::HideGadget(kEditRowLabelFirst + k, true);
  }
  YRM_RefreshEditRecordsWindow();
  return true;
}

bool EditRecordsWindowStep(int ms) {
  const int event = pf::WaitWindowEvent(ms);
  if (event == pf::kEventCloseWindow && pf::EventWindow() == kEditWindow) return false;
  // A right click starts a placement only on the photo.
  if (event == pf::kEventRightClick && pf::EventWindow() == kEditWindow && mouseOnPhoto()) createComponent();
  if (event == pf::kEventGadget && pf::EventWindow() == kEditWindow) {
    const int g = pf::EventGadget();
    // Only a click on the photo itself can lie over the photo.
    if (g == kEditPhoto && pf::EventType() == pf::kTypeRightClick) createComponent();
    if (handleControl(g)) {
      if (placementstep != 0) zoomselectstep = 0;
      if (g == kEditPhoto) photoClick();
      YRM_RefreshEditRecordsWindow();
    }
  } else if (event == pf::kEventLeftClick && pf::EventWindow() == kEditWindow) {
    photoClick();
    YRM_RefreshEditRecordsWindow();
  }
  autoIncrement();
  return true;
}

void CloseEditRecordsWindow() {
  pf::CloseWindow(kEditWindow);
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}

void YRM_EditRecordsWindow() {
  if (!OpenEditRecordsWindow()) return;
  // Nothing in the editor falls due by time: it sleeps until an event.
  while (EditRecordsWindowStep(pf::kLongestLoopWaitMs)) {
  }
  CloseEditRecordsWindow();
}
