#include "editor/view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "editor/editwindow.h"
#include "editor/recordedits.h"
#include "editor/state.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {

std::string oneDecimal(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", std::isfinite(value) ? value : 0.0f);
  return text;
}

// Nearest whole zoom, halves to the even neighbour.
int wholeZoom(float zoom) {
  return static_cast<int>(std::nearbyint(std::isfinite(zoom) ? std::clamp(zoom, -1e6f, 1e6f) : 1.0f));
}

}  // namespace

void YRM_RefreshEditRecordsWindow() {
  const int r = currentrecord;
  pf::SetGadgetText(kEditRecordCount, IntegerText(r) + "/" + IntegerText(records.Rows()));
  for (const auto& [stored, written, field] : kEditColumns) {
    pf::SetGadgetText(stored, records.Field(r, field));
    if (written != 0 && field != kFieldViewX && field != kFieldViewY && field != kFieldViewZoom &&
        field != kFieldPinX && field != kFieldPinY)
      pf::SetGadgetText(written, records.Field(r, field));
  }
  pf::SetGadgetText(kEditPhotoFile, " " + pcbimagefile);
  pf::SetGadgetText(kEditWriteViewX, IntegerText(viewx));
  pf::SetGadgetText(kEditWriteViewY, IntegerText(viewy));
  pf::SetGadgetText(kEditWriteZoom, oneDecimal(viewzoom));
  pf::SetGadgetText(kEditWritePinX, IntegerText(testx));
  pf::SetGadgetText(kEditWritePinY, IntegerText(testy));
  YRM_DrawPcbView(640, 640, viewx, viewy, viewzoom, testx, testy, pcbimagefile);
  if (!editinstruction.empty() && pf::StartDrawing(kImagePcbView)) {
    const std::string text = " " + editinstruction + " ";
    pf::DrawingFont(-1);
    pf::DrawText(320 - pf::TextWidth(text) / 2, 0, text, colourblack, colourwhite);
    pf::StopDrawing();
  }
  pf::SetGadgetImage(kEditPhoto, kImagePcbView);
}

void YRM_MouseToImageXY(int mousex, int mousey) {
  const float fx =
      static_cast<float>(mousex - imagecontrolx) / static_cast<float>(std::max(imagecontrolwidth, 1));
  const float fy =
      static_cast<float>(mousey - imagecontroly) / static_cast<float>(std::max(imagecontrolheight, 1));
  const float x = imagewindowleft + (imagewindowright - imagewindowleft) * fx;
  const float y = imagewindowtop + (imagewindowbottom - imagewindowtop) * fy;
  clickimagex = static_cast<int>(std::lround(x));
  clickimagey = static_cast<int>(std::lround(y));
}

void EditorZoomIn() { viewzoom = static_cast<float>(std::min(wholeZoom(viewzoom) + 1, 25)); }
void EditorZoomOut() { viewzoom = static_cast<float>(std::max(wholeZoom(viewzoom) - 1, 1)); }
void EditorZoomAll() { viewzoom = 1.0f; }

void EditorPan(int dx, int dy) {
  // Without a photo there is no size to pan in: the view stays.
  int w = 0, h = 0;
  if (!EditorPhotoSize(w, h)) return;
  // A record without a view reads zoom 0; pan it as the whole photo.
  const float zoom = (std::isfinite(viewzoom) && viewzoom > 0.0f) ? viewzoom : 1.0f;
  if (dx != 0) {
    const int step = static_cast<int>(std::nearbyint(static_cast<float>(w) / zoom * 0.1f));
    viewx = std::clamp(viewx + dx * step, 1, std::max(w, 1));
  }
  if (dy != 0) {
    const int step = static_cast<int>(std::nearbyint(static_cast<float>(h) / zoom * 0.1f));
    viewy = std::clamp(viewy + dy * step, 1, std::max(h, 1));
  }
}

void EditorCentre() {
  int w = 0, h = 0;
  if (!EditorPhotoSize(w, h)) return;
  viewx = std::clamp(w / 2, 1, std::max(w, 1));
  viewy = std::clamp(h / 2, 1, std::max(h, 1));
}

void EditorPickRecord(int mousex, int mousey) {
  YRM_MouseToImageXY(mousex - 5, mousey - 5);
  const int x1 = clickimagex, y1 = clickimagey;
  YRM_MouseToImageXY(mousex + 5, mousey + 5);
  const int x2 = clickimagex, y2 = clickimagey;
  for (int r = 1; r <= records.Rows(); ++r) {
    const int x = records.FieldInt(r, kFieldPinX), y = records.FieldInt(r, kFieldPinY);
    if (x >= std::min(x1, x2) && x <= std::max(x1, x2) && y >= std::min(y1, y2) && y <= std::max(y1, y2)) {
      currentrecord = r;
      EditorRecordLoad();
      YRM_RefreshEditRecordsWindow();
      return;
    }
  }
}
