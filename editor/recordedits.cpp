#include "editor/recordedits.h"

#include <algorithm>

#include "editor/editwindow.h"
#include "editor/state.h"
#include "platform/image.h"
#include "testing/navigation.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {

bool sameComponent(int row, const std::string& name) {
  return records.FieldView(row, kFieldComponent) == name;
}

}  // namespace

void EditorRecordLoad() {
  pcbimagefile = records.Field(1, kFieldPhoto);
  viewx = records.FieldInt(currentrecord, kFieldViewX);
  viewy = records.FieldInt(currentrecord, kFieldViewY);
  viewzoom = records.FieldFloat(currentrecord, kFieldViewZoom);
  testx = records.FieldInt(currentrecord, kFieldPinX);
  testy = records.FieldInt(currentrecord, kFieldPinY);
}

void YRM_FindComponentBounds() {
  const std::string name = records.Field(currentrecord, kFieldComponent);
  int last = currentrecord;
  while (last < records.Rows() && sameComponent(last + 1, name)) ++last;
  int first = currentrecord;
  while (first > 2 && sameComponent(first - 1, name)) --first;
  componentlast = last;
  componentfirst = std::max(first, 2);  // pin rows start at row 2
}

void EditorFirstRecord() { currentrecord = std::min(2, records.Rows()); }
void EditorLastRecord() { currentrecord = records.Rows(); }

void EditorNextComponent() { MoveToNextComponent(); }
void EditorPreviousComponent() { MoveToPreviousComponent(); }

void EditorUpdateSingleRecord(const EditorRow& texts) {
  for (size_t k = 0; k < texts.size(); ++k) records.SetField(currentrecord, kEditorWriteFields[k], texts[k]);
}

void EditorUpdateComponentName(const std::string& name) {
  YRM_FindComponentBounds();
  for (int r = componentfirst; r <= componentlast; ++r) {
    records.SetField(r, kFieldComponent, name);
    records.SetField(r, kFieldDescription, name + ", Pin " + records.Field(r, kFieldPin));
  }
}

void EditorUpdateComponentDescription(const std::string& text) {
  YRM_FindComponentBounds();
  for (int r = componentfirst; r <= componentlast; ++r) records.SetField(r, kFieldDescription, text);
}

void EditorUpdateComponentView(const std::string& x, const std::string& y, const std::string& zoom) {
  YRM_FindComponentBounds();
  for (int r = componentfirst; r <= componentlast; ++r) {
    records.SetField(r, kFieldViewX, x);
    records.SetField(r, kFieldViewY, y);
    records.SetField(r, kFieldViewZoom, zoom);
  }
}

void EditorDeleteComponent(const std::function<void()>& refresh) {
  if (currentrecord <= 1) return;
  YRM_FindComponentBounds();
  if (componentlast < componentfirst) return;
  currentrecord = componentfirst;
  const int span = componentlast - componentfirst;
  const int interval = span > 16 ? span / 16 : 0;
  int counter = 0;
  for (int r = componentfirst; r <= componentlast; ++r) {
    records.SetField(r, kFieldNumber, "delete");  // the board view stops drawing it
    editinstruction = "deleting Component... (record: " + std::to_string(r) + " )";
    if (++counter > interval) {
      refresh();
      counter = 0;
    }
  }
  editinstruction = "delete done... rebuilding data";
  refresh();
  // One removal handles at most kMaxRowChange rows: repeat until every tagged
  // row is gone, so no "delete" rows are left behind in the plan.
  for (int left = componentlast - componentfirst + 1; left > 0;) {
    const int n = std::min(left, kMaxRowChange);
    const int before = records.Rows();
    YRM_DeleteRecords(n);
    if (records.Rows() == before) break;
    left -= before - records.Rows();
  }
  YRM_RenumberRecords();
  editinstruction = "data rebuilt";
  refresh();
  refresh();
  editinstruction.clear();
  refresh();
  EditorRecordLoad();
  refresh();
}

bool EditorPhotoSize(int& w, int& h) {
  // Only its size is needed: any reduction does, and a camera-sized photo
  // decodes only reduced.
  constexpr int kSizeOnlyReduction = 64;
  if (!pf::LoadImageReduced(kImageEditPhoto, pcbimagefile, [](int, int) { return kSizeOnlyReduction; }))
    return false;
  w = pf::ImageFullWidth(kImageEditPhoto);
  h = pf::ImageFullHeight(kImageEditPhoto);
  return true;
}

bool EditorTakePhoto() {
  int w = 0, h = 0;
  if (!EditorPhotoSize(w, h)) return false;
  viewx = std::clamp(w / 2, 1, std::max(w, 1));
  viewy = std::clamp(h / 2, 1, std::max(h, 1));
  viewzoom = 1.0f;
  records.SetField(1, kFieldPhoto, pcbimagefile);
  records.SetFieldInt(1, kFieldViewX, viewx);
  records.SetFieldInt(1, kFieldViewY, viewy);
  records.SetField(1, kFieldViewZoom, "1");
  return true;
}
