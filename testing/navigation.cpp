#include "testing/navigation.h"

#include <algorithm>
#include <cmath>

#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
constexpr int kClickReach = 5;  // window pixels around the mouse

void shown() {
  YRM_RefreshMainWindow();
  fullredraw = 1;
}

bool sameComponent(int row, std::string_view component) {
  return records.FieldView(row, kFieldComponent) == component;
}

// Window x or y to photo pixels, halves away from zero.
int toPhoto(int low, int high, double mouse, int edge, int extent) {
  return static_cast<int>(std::round(low + double(high - low) * (mouse - edge) / extent));
}
}  // namespace

void YRM_NextRecord() {
  if (currentrecord < records.Rows()) ++currentrecord;
}

void YRM_PreviousRecord() {
  if (currentrecord > 1) --currentrecord;
}

void YRM_ShowNextRecord() {
  YRM_NextRecord();
  shown();
}

void YRM_ShowPreviousRecord() {
  YRM_PreviousRecord();
  shown();
}

void YRM_FirstRecord() {
  currentrecord = records.Rows() >= 2 ? 2 : 1;
  shown();
}

void YRM_LastRecord() {
  currentrecord = records.Rows();
  shown();
}

void MoveToNextComponent() {
  const std::string component = records.Field(currentrecord, kFieldComponent);
  while (currentrecord < records.Rows()) {
    ++currentrecord;
    if (!sameComponent(currentrecord, component)) break;
  }
}

void MoveToPreviousComponent() {
  std::string component = records.Field(currentrecord, kFieldComponent);
  while (currentrecord > 2) {
    --currentrecord;
    if (!sameComponent(currentrecord, component)) break;
  }
  component = records.Field(currentrecord, kFieldComponent);
  while (currentrecord > 2) {
    --currentrecord;
    if (!sameComponent(currentrecord, component)) {
      ++currentrecord;
      break;
    }
  }
}

void YRM_NextComponent() {
  MoveToNextComponent();
  shown();
}

void YRM_PreviousComponent() {
  MoveToPreviousComponent();
  shown();
}

void YRM_SelectRecordAtClick() {
  // No photo on show: nothing to pick, nothing to toggle.
  if (imagewindowshown == 0) return;
  const int mx = pf::WindowMouseX(kMainWindow), my = pf::WindowMouseY(kMainWindow);
  const int l = pf::GadgetWindowX(kBoardView), t = pf::GadgetWindowY(kBoardView);
  // A board view of no width or height maps as one pixel.
  const int w = std::max(pf::GadgetWidth(kBoardView), 1), h = std::max(pf::GadgetHeight(kBoardView), 1);
  const int x1 = toPhoto(imagewindowleft, imagewindowright, mx - kClickReach, l, w);
  const int x2 = toPhoto(imagewindowleft, imagewindowright, mx + kClickReach, l, w);
  const int y1 = toPhoto(imagewindowtop, imagewindowbottom, my - kClickReach, t, h);
  const int y2 = toPhoto(imagewindowtop, imagewindowbottom, my + kClickReach, t, h);
  for (int row = 1; row <= records.Rows(); ++row) {
    // The header has no pin and counts as the photo's top-left pixel.
    const int x = row == 1 ? 0 : records.FieldInt(row, kFieldPinX);
    const int y = row == 1 ? 0 : records.FieldInt(row, kFieldPinY);
    if (x1 <= x && x <= x2 && y1 <= y && y <= y2) {
      currentrecord = row;
      pcbshowall = 0;
      return;
    }
  }
  pcbshowall = pcbshowall == 0 ? 1 : 0;
  fullredraw = 1;
  traceredraw = 1;
}
