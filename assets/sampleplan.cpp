// Writes the sample plan of the sample board into a working-folder template:
// yrm_sampleplan <folder>. The table is filled and written with the program's
// own record table and plan format, as the editor leaves a plan whose pins
// were placed on the photo and not yet captured.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/sampleboard.h"
#include "platform/files.h"
#include "testing/planfile.h"
#include "testing/records.h"

namespace sb = sampleboard;

namespace {
int pinCount() {
  int n = 0;
  for (const sb::Component& c : sb::kComponents) n += c.pins;
  return n;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yrm_sampleplan <template folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  RecordTable table(1 + pinCount(), kPlanFields);
  // Header: the photo, relative to the working folder, and its whole view.
  table.SetField(1, kFieldPhoto, sb::kPhotoFile);
  table.SetFieldInt(1, kFieldViewX, sb::kPhotoWidth / 2);
  table.SetFieldInt(1, kFieldViewY, sb::kPhotoHeight / 2);
  table.SetField(1, kFieldViewZoom, "1");
  int row = 2;
  for (const sb::Component& c : sb::kComponents) {
    // Each component's view is centred on its pins.
    int left = sb::kPhotoWidth, right = 0, top = sb::kPhotoHeight, bottom = 0;
    for (int k = 0; k < c.pins; ++k) {
      left = std::min(left, c.at[k].x), right = std::max(right, c.at[k].x);
      top = std::min(top, c.at[k].y), bottom = std::max(bottom, c.at[k].y);
    }
    for (int k = 0; k < c.pins; ++k, ++row) {
      const std::string pin = IntegerText(k + 1);
      table.SetFieldInt(row, kFieldNumber, row);
      table.SetField(row, kFieldDescription, std::string(c.name) + ", Pin " + pin);
      table.SetField(row, kFieldResult, "Untested");
      table.SetField(row, kFieldComponent, c.name);
      table.SetField(row, kFieldPin, pin);
      table.SetFieldInt(row, kFieldViewX, (left + right) / 2);
      table.SetFieldInt(row, kFieldViewY, (top + bottom) / 2);
      table.SetFieldFloat(row, kFieldViewZoom, sb::kComponentZoom);
      table.SetFieldInt(row, kFieldPinX, c.at[k].x);
      table.SetFieldInt(row, kFieldPinY, c.at[k].y);
      table.SetField(row, kFieldGolden, "No");
    }
  }
  table.SetFieldInt(1, kFieldNumber, 1);
  std::string text;
  FormatTestPlanText(table, text);
  const std::string plan = folder + "/" + sb::kPlanFile;
  if (!pf::CreateDirectory(folder + "/testplans") || !pf::ReplaceFile(plan, text)) {
    std::fprintf(stderr, "yrm_sampleplan: cannot write %s\n", plan.c_str());
    return 1;
  }
  return 0;
}
