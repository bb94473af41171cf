#include "testing/trees.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "testing/records.h"

namespace {
constexpr int kTitleData = 2;  // the title entry stands for the first pin
constexpr int kComponentLevel = 0;
constexpr int kPinLevel = 1;

struct Entry {
  std::string text;
  int level;
  int data;
};

std::string withNote(std::string text, int row) {
  std::string_view note = records.FieldView(row, kFieldNote);
  if (!note.empty()) {
    text += "  ";
    text += note;
  }
  return text;
}

// Keeps entry i when it already shows the text at the same level; otherwise
// replaces it. Returns true when a new entry was put in.
bool putEntry(int tree, int i, const Entry& e, int icon) {
  if (i < pf::CountGadgetItems(tree) && pf::GetGadgetItemText(tree, i) == e.text &&
      pf::GetGadgetItemSublevel(tree, i) == e.level) {
    // The same text can stand for another row after rows were added or removed.
    if (pf::GetGadgetItemData(tree, i) != e.data) pf::SetGadgetItemData(tree, i, e.data);
    return false;
  }
  if (i < pf::CountGadgetItems(tree)) pf::RemoveGadgetItem(tree, i);
  pf::AddGadgetItem(tree, i, e.text, icon, e.level);
  pf::SetGadgetItemData(tree, i, e.data);
  return true;
}

void dropEntriesFrom(int tree, int count) {
  for (int i = pf::CountGadgetItems(tree) - 1; i >= count; --i) pf::RemoveGadgetItem(tree, i);
}

void treeColours(int tree) {
  pf::SetGadgetColor(tree, pf::kColorBack, colourblack);
  pf::SetGadgetColor(tree, pf::kColorFront, colourwhite);
}

int pinIcon(int row) {
  if (records.FieldView(row, kFieldGolden) != "Yes") return kImageNoSig23;
  std::string_view result = records.FieldView(row, kFieldResult);
  if (result == "Good") return kImageGood23;
  if (result == "Bad") return kImageBad23;
  if (result == "Untested") return kImageUntested23;
  if (result == "NoTest") return kImageNoTest23;
  return -1;  // any other result keeps the icon it has
}

// A component's icon by priority: no golden signature, Untested, Bad, Good.
int componentIcon(const std::vector<int>& pinRows) {
  bool noGolden = false, untested = false, bad = false;
  for (int row : pinRows) {
    noGolden |= records.FieldView(row, kFieldGolden) != "Yes";
    untested |= records.FieldView(row, kFieldResult) == "Untested";
    bad |= records.FieldView(row, kFieldResult) == "Bad";
  }
  if (noGolden) return kImageNoSig23;
  if (untested) return kImageUntested23;
  if (bad) return kImageBad23;
  return kImageGood23;
}

void selectCurrentRecord(int tree) {
  const int count = pf::CountGadgetItems(tree);
  const int selected = pf::GetGadgetState(tree);
  if (selected >= 0 && selected < count && pf::GetGadgetItemData(tree, selected) == currentrecord) return;
  for (int i = count - 1; i >= 1; --i)
    if (pf::GetGadgetItemData(tree, i) == currentrecord) {
      pf::SetGadgetState(tree, i);
      return;
    }
}

void setTestTreeIcons(int tree) {
  const int count = pf::CountGadgetItems(tree);
  const int last = records.Rows();
  int component = -1;
  std::vector<int> pins;
  auto closeComponent = [&] {
    if (component >= 0) pf::SetGadgetItemImage(tree, component, componentIcon(pins));
    pins.clear();
  };
  for (int i = 1; i < count; ++i) {
    const int row = std::min(pf::GetGadgetItemData(tree, i), last);
    if (pf::GetGadgetItemSublevel(tree, i) == kComponentLevel) {
      closeComponent();
      component = i;
    } else {
      pins.push_back(row);
      const int icon = pinIcon(row);
      if (icon >= 0) pf::SetGadgetItemImage(tree, i, icon);
    }
  }
  closeComponent();
  if (count > 0) pf::SetGadgetItemImage(tree, 0, kImageBlock23);
}
}  // namespace

std::string TreeTitle() {
  std::string title = testplanfilename;
  const std::string folder = pf::CurrentDirectory();
  // The working folder with its trailing separator, written either way.
  size_t best = std::string::npos, length = 0;
  for (const std::string& prefix : {folder + "\\", folder + "/"}) {
    size_t at = title.find(prefix);
    if (at < best) best = at, length = prefix.size();
  }
  if (best != std::string::npos) title.erase(best, length);
  return title;
}

void YRM_BuildTestTree() {
  if (!pf::IsGadget(kTestTree)) return;
  treeColours(kTestTree);
  int i = 0;
  putEntry(kTestTree, i++, {TreeTitle(), kComponentLevel, kTitleData}, kImageBlock23);
  std::string previous;
  for (int row = 2; row <= records.Rows(); ++row) {
    std::string component = records.Field(row, kFieldComponent);
    if (component != previous) putEntry(kTestTree, i++, {component, kComponentLevel, row}, -1);
    putEntry(kTestTree, i++, {withNote(records.Field(row, kFieldPin), row), kPinLevel, row}, -1);
    previous = std::move(component);
  }
  // Entries left over from a plan that lost rows would point past it.
  dropEntriesFrom(kTestTree, i);
  selectCurrentRecord(kTestTree);
  setTestTreeIcons(kTestTree);
}

void YRM_BuildBadTree() {
  if (!pf::IsGadget(kBadTree)) return;
  treeColours(kBadTree);
  int i = 0;
  putEntry(kBadTree, i++, {TreeTitle(), kComponentLevel, kTitleData}, kImageBlock23);
  for (int row = 2; row <= records.Rows(); ++row) {
    if (records.FieldView(row, kFieldResult) != "Bad") continue;
    std::string text = records.Field(row, kFieldComponent) + ", Pin " + records.Field(row, kFieldPin);
    putEntry(kBadTree, i++, {withNote(std::move(text), row), kComponentLevel, row}, kImageBad23);
  }
  dropEntriesFrom(kBadTree, i);
  pf::SetGadgetItemImage(kBadTree, 0, kImageBlock23);
}
