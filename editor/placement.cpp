#include "editor/placement.h"

#include <algorithm>
#include <cmath>

#include "editor/editwindow.h"
#include "editor/recordedits.h"
#include "editor/state.h"
#include "platform/gui.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {

// The name field's text at an opening with no placement running.
constexpr const char* kFirstComponentName = "Unknown_1";

// The rows a running row-mode placement owns, as anchors in the table: they
// follow every insertion and deletion made between clicks, so the placement
// writes only into its own rows, whatever the operator edits meanwhile.
std::vector<int> ownrows;
size_t ownnext;          // index of the next own row to write
int lastpinx, lastpiny;  // the last pin written, should its row be deleted

int limited(const std::string& text) { return std::clamp(IntegerValue(text), 2, 255); }

void writePin(const std::string& name) {
  const int r = currentrecord;
  records.SetField(r, kFieldResult, "Untested");
  records.SetField(r, kFieldComponent, name);
  records.SetFieldInt(r, kFieldPin, pincounter);
  records.SetField(r, kFieldDescription, name + ", Pin " + IntegerText(pincounter));
  records.SetFieldInt(r, kFieldViewX, viewx);
  records.SetFieldInt(r, kFieldViewY, viewy);
  records.SetFieldFloat(r, kFieldViewZoom, viewzoom);
  records.SetFieldInt(r, kFieldPinX, testx);
  records.SetFieldInt(r, kFieldPinY, testy);
  records.SetField(r, kFieldGolden, "No");
  pf::SetGadgetText(kEditWritePinX, IntegerText(testx));
  pf::SetGadgetText(kEditWritePinY, IntegerText(testy));
  ++pincounter;
  lastpinx = testx;
  lastpiny = testy;
}

// Moves to the next own row still in the table; false (placement ended) when
// none is left.
bool nextRow() {
  while (ownnext < ownrows.size()) {
    const int row = records.AnchorRow(ownrows[ownnext++]);
    if (row > 0) {
      currentrecord = row;
      return true;
    }
  }
  placementstep = 0;
  editinstruction.clear();
  return false;
}

// Lets go of the rows of a placement.
void releaseOwnRows() {
  records.ClearAnchors();
  ownrows.clear();
  ownnext = 0;
}

// The row the placement wrote last, or 0 when it is gone.
int lastOwnRow() {
  return ownnext > 0 && ownnext <= ownrows.size() ? records.AnchorRow(ownrows[ownnext - 1]) : 0;
}

void interpolate(int n, int x1, int y1, int x2, int y2, const std::string& name) {
  const float dx = static_cast<float>(x2 - x1) / static_cast<float>(n - 1);
  const float dy = static_cast<float>(y2 - y1) / static_cast<float>(n - 1);
  for (int k = 1; k < n; ++k) {
    testx = x1 + static_cast<int>(std::lround(dx * static_cast<float>(k)));
    testy = y1 + static_cast<int>(std::lround(dy * static_cast<float>(k)));
    if (!nextRow()) return;
    writePin(name);
  }
}

struct Package {
  const char* item;
  const char* mode;  // "" = no placement
  std::array<int, 4> rows;
};

// Fixed packages (the custom items read their fields).
const Package kPackages[] = {
    {"  1 pin", "PINS", {1, 0, 0, 0}},
    {"  2 pin", "PINS", {2, 0, 0, 0}},
    {"  3 pin", "PINS", {3, 0, 0, 0}},
    {"  4 pin", "PINS", {4, 0, 0, 0}},
    {"  5 pin SOT23-5", "2ROW", {3, 2, 0, 0}},
    {"  6 pin DIP/SOT23-6", "2ROW", {3, 3, 0, 0}},
    {" 64 pin QFP (rectangle)", "4ROW", {19, 13, 19, 13}},
    {" 80 pin QFP (rectangle)", "4ROW", {24, 16, 24, 16}},
    {"100 pin QFP (rectangle)", "4ROW", {30, 20, 30, 20}},
    {"120 pin QFP (rectangle)", "", {0, 0, 0, 0}},
    {"128 pin QFP (rectangle)", "4ROW", {38, 26, 38, 26}},
};

std::string pinText(int n) {
  return std::string(n < 10 ? "  " : n < 100 ? " " : "") + std::to_string(n) + " pin ";
}

}  // namespace

const std::vector<std::string>& PackageItems() {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> v = {".... Components ....",
                                  "  1 pin",
                                  "  2 pin",
                                  "  3 pin",
                                  "  4 pin",
                                  ".... Custom Components ....",
                                  " Custom (any qty of pins)",
                                  " Custom (from pin? to pin?)",
                                  " Custom (1 row)",
                                  " Custom (2 row)",
                                  " Custom (3 row)",
                                  " Custom (4 row)",
                                  ".... IC's ...."};
    const int dip[] = {4, 8, 10, 14, 16, 18, 20, 24, 28, 32, 36, 40, 48};
    const int qfp[] = {32, 44, 48, 52, 64, 80, 100, 120, 128, 132, 144, 160, 176, 184, 240};
    const int rect[] = {64, 80, 100, 120, 128};
    // Sorted by pin count: DIP/SO, then QFP square, then rectangle.
    std::vector<std::pair<int, std::string>> ics;
    for (int n : dip) ics.push_back({n * 10 + 0, pinText(n) + "DIP/SO"});
    ics.push_back({5 * 10, "  5 pin SOT23-5"});
    ics.push_back({6 * 10, "  6 pin DIP/SOT23-6"});
    for (int n : qfp) ics.push_back({n * 10 + 1, pinText(n) + "QFP (square)"});
    for (int n : rect) ics.push_back({n * 10 + 2, pinText(n) + "QFP (rectangle)"});
    std::stable_sort(ics.begin(), ics.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [key, text] : ics) v.push_back(text);
    v.push_back(".... Connectors ....");
    for (const char* c : {"  9 pin D-type (2 row)", " 15 pin D-type (2 row)", " 15 pin D-type (3 row)",
                          " 16 pin DIN41612 (1 row)", " 25 pin D-type (2 row)", " 26 pin D-type (3 row)",
                          " 32 pin DIN41612 (1 row)", " 32 pin DIN41612 (2 row)", " 37 pin D-type (2 row)",
                          " 44 pin D-type (3 row)", " 48 pin DIN41612 (3 row)", " 50 pin D-type (3 row)",
                          " 62 pin D-type (3 row)", " 64 pin DIN41612 (2 row)", " 78 pin D-type (4 row)",
                          " 96 pin DIN41612 (3 row)"})
      v.push_back(c);
    return v;
  }();
  return items;
}

void EditorPackageFields(const std::string& item) {
  int shown = 0;
  if (item == " Custom (any qty of pins)") {
    shown = 1;
    pf::SetGadgetText(kEditRowLabelFirst, "Qty: ");
  } else if (item == " Custom (from pin? to pin?)") {
    shown = 2;
    pf::SetGadgetText(kEditRowLabelFirst, "First: ");
    pf::SetGadgetText(kEditRowLabelFirst + 1, "Last: ");
  } else if (item.starts_with(" Custom (") && item.size() == 15) {
    shown = item[9] - '0';
    pf::SetGadgetText(kEditRowLabelFirst, "Row 1: ");
    pf::SetGadgetText(kEditRowLabelFirst + 1, "Row 2: ");
  }
  for (int k = 0; k < kEditRowFields; ++k) {
    pf::HideGadget(kEditRowFieldFirst + k, k >= shown);
    pf::HideGadget(kEditRowLabelFirst + k, k >= shown);
  }
}

void EditorCreateComponent(const std::string& item, const std::array<std::string, 4>& numbers,
                           const std::string& name) {
  YRM_FindComponentBounds();
  currentrecord = componentlast;
  std::string mode;
  std::array<int, 4> r = {0, 0, 0, 0};
  int first = 1;
  if (item == " Custom (any qty of pins)") {
    mode = "PINS";
    r[0] = limited(numbers[0]);
  } else if (item == " Custom (from pin? to pin?)") {
    mode = "PINTOPIN";
    r[0] = first = IntegerValue(numbers[0]);
    r[1] = IntegerValue(numbers[1]);
  } else if (item.starts_with(" Custom (") && item.size() == 15) {
    const int n = item[9] - '0';
    mode = std::string(1, item[9]) + "ROW";
    for (int k = 0; k < n; ++k) r[k] = limited(numbers[k]);
  } else if (item.ends_with("DIP/SO")) {
    mode = "2ROW";
    r[0] = r[1] = IntegerValue(item) / 2;
  } else if (item.ends_with("QFP (square)")) {
    mode = "4ROW";
    r.fill(IntegerValue(item) / 4);
  } else {
    for (const auto& p : kPackages)
      if (item == p.item) {
        mode = p.mode;
        r = p.rows;
      }
  }
  if (mode.empty()) return;
  const int total = mode == "PINS" || mode == "PINTOPIN" ? 1 : r[0] + r[1] + r[2] + r[3];
  // One insertion holds at most kMaxRowChange rows: refuse bigger packages.
  if (total > kMaxRowChange) {
    editinstruction = "Too many pins for one Component";
    return;
  }
  placementmode = mode;
  placementname = name;
  placementstep = 1;
  if (mode == "PINS" || mode == "PINTOPIN") {
    rowpins[0] = r[0];
    if (mode == "PINTOPIN") rowpins[1] = r[1];
  } else {
    rowpins = r;
  }
  if (mode == "PINTOPIN") pincounter = first;
  editinstruction = item == "  1 pin"    ? "Click on Pin"
                    : mode == "PINTOPIN" ? "Click on Pin " + IntegerText(first)
                                         : "Click on Pin 1";
}

void EditorPlacementClick(int x, int y, const std::string& name) {
  placementname = name;
  testx = x;
  testy = y;
  const auto& r = rowpins;
  if (placementmode == "PINS") {
    if (placementstep == 1) pincounter = 1;
    YRM_InsertRecordsAfter(1);
    writePin(name);
    if (pincounter > r[0]) {
      editinstruction.clear();
      placementstep = 0;
    } else {
      editinstruction = "Click on Pin " + IntegerText(pincounter);
      placementstep = 2;
    }
    return;
  }
  if (placementmode == "PINTOPIN") {
    YRM_InsertRecordsAfter(1);
    writePin(name);
    --pincounter;  // writePin counted on; the direction decides below
    const int first = r[0], last = r[1];
    if (first == last || (first < last && pincounter >= last) || (first > last && pincounter <= last)) {
      editinstruction.clear();
      placementstep = 0;
      return;
    }
    pincounter += first < last ? 1 : -1;
    editinstruction = "Click on Pin " + IntegerText(pincounter);
    return;
  }
  // A finished placement lets go of its rows.
  struct Release {
    ~Release() {
      if (placementstep == 0) releaseOwnRows();
    }
  } release;
  const int rowsUsed = placementmode.size() == 4 ? placementmode[0] - '0' : 0;
  const int total = r[0] + (rowsUsed > 1 ? r[1] : 0) + (rowsUsed > 2 ? r[2] : 0) + (rowsUsed > 3 ? r[3] : 0);
  const int step = placementstep;
  if (rowsUsed < 1 || rowsUsed > 4 || step < 1 || step > 2 * rowsUsed) {
    placementstep = 0;
    return;
  }
  // Later clicks go on from the placement's own last row, wherever the
  // operator moved meanwhile.
  const int last = step > 1 ? lastOwnRow() : 0;
  if (last > 0) currentrecord = last;
  const int row = (step - 1) / 2;  // 0-based row of this click
  int before = 0;
  for (int k = 0; k <= row; ++k) before += r[k];
  if (step == 1) {
    pincounter = 1;
    YRM_InsertRecordsAfter(total);
    YRM_RenumberRecords();
    releaseOwnRows();
    for (int k = 0; k < total; ++k) ownrows.push_back(records.AddAnchor(currentrecord + k));
    if (!nextRow()) return;
    writePin(name);
    editinstruction = "Click on Pin " + IntegerText(r[0]);
    placementstep = 2;
  } else if (step % 2 == 1) {
    if (!nextRow()) return;
    writePin(name);
    editinstruction = "Click on Pin " + IntegerText(before);
    placementstep = step + 1;
  } else {
    // From the row's first pin as it stands now (its own row may be gone).
    const int x1 = last > 0 ? records.FieldInt(last, kFieldPinX) : lastpinx;
    const int y1 = last > 0 ? records.FieldInt(last, kFieldPinY) : lastpiny;
    interpolate(r[row], x1, y1, x, y, name);
    if (placementstep == 0) return;
    if (row + 1 >= rowsUsed) {
      editinstruction.clear();
      placementstep = 0;
    } else {
      editinstruction = "Click on Pin " + IntegerText(before + 1);
      placementstep = step + 1;
    }
  }
}

std::string EditorNameAtOpening() {
  // An emptied field stays empty: its pins so far are named "" too.
  return placementstep != 0 ? placementname : kFirstComponentName;
}

std::string NextComponentName(const std::string& name) {
  const std::string n = name.empty() ? "Unknown" : name;
  size_t d = n.size();
  while (d > 0 && n[d - 1] >= '0' && n[d - 1] <= '9') --d;
  if (d == n.size()) return n + "_1";
  std::string digits = n.substr(d);
  // Add one to the decimal text itself, so no length of digits overflows.
  int k = static_cast<int>(digits.size()) - 1;
  while (k >= 0 && digits[k] == '9') digits[k--] = '0';
  if (k < 0)
    digits.insert(digits.begin(), '1');
  else
    ++digits[k];
  const size_t nz = digits.find_first_not_of('0');
  return n.substr(0, d) + (nz == std::string::npos ? "0" : digits.substr(nz));
}

void EditorArmMovePin() {
  if (currentrecord <= 1) return;
  testx = testy = 0;
  editinstruction = "Move Pin: Click on new location for Pin " + records.Field(currentrecord, kFieldPin);
  movepinstep = 1;
}

void EditorMovePinClick(int x, int y) {
  records.SetFieldInt(currentrecord, kFieldPinX, x);
  records.SetFieldInt(currentrecord, kFieldPinY, y);
  testx = x;
  testy = y;
  editinstruction.clear();
  movepinstep = 0;
}
