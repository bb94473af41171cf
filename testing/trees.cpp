#include "testing/trees.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/resulticons.h"

namespace {
constexpr int kTitleData = 2;  // the title entry stands for the first pin
constexpr int kComponentLevel = 0;
constexpr int kPinLevel = 1;

struct Entry {
  std::string text;
  int level;
  int data;
  int icon;  // put in with a new entry; -1 for none
};

std::string withNote(std::string text, int row) {
  std::string_view note = records.FieldView(row, kFieldNote);
  if (!note.empty()) {
    text += "  ";
    text += note;
  }
  return text;
}

bool shows(int tree, int i, const Entry& e) {
  return pf::GetGadgetItemText(tree, i) == e.text && pf::GetGadgetItemSublevel(tree, i) == e.level;
}

void setData(int tree, int i, int data) {
  // The same text can stand for another row after rows were added or removed.
  if (pf::GetGadgetItemData(tree, i) != data) pf::SetGadgetItemData(tree, i, data);
}

// Makes the tree show `want`: the entries it already shows at its start and
// at its end stay (with their open state and selection); the differing middle
// is replaced entry by entry when it is small, and otherwise everything from
// its start is removed and added again, so any change costs time linear in
// the size of the tree.
void putEntries(int tree, const std::vector<Entry>& want) {
  constexpr int kSmallChange = 16;
  const int have = pf::CountGadgetItems(tree);
  const int n = int(want.size());
  int head = 0;
  while (head < have && head < n && shows(tree, head, want[head])) ++head;
  int tail = 0;
  while (tail < have - head && tail < n - head && shows(tree, have - 1 - tail, want[n - 1 - tail])) ++tail;
  for (int i = 0; i < head; ++i) setData(tree, i, want[i].data);
  const int oldMiddle = have - head - tail, newMiddle = n - head - tail;
  int end = n - tail;
  if (oldMiddle <= kSmallChange && newMiddle <= kSmallChange) {
    for (int k = 0; k < oldMiddle; ++k) pf::RemoveGadgetItem(tree, head);
  } else {
    pf::RemoveGadgetItemsFrom(tree, head);
    end = n;
  }
  for (int i = head; i < end; ++i) {
    pf::AddGadgetItem(tree, i, want[i].text, want[i].icon, want[i].level);
    pf::SetGadgetItemData(tree, i, want[i].data);
  }
  for (int i = end; i < n; ++i) setData(tree, i, want[i].data);
}

void treeColours(int tree) {
  pf::SetGadgetColor(tree, pf::kColorBack, colourblack);
  pf::SetGadgetColor(tree, pf::kColorFront, colourwhite);
}

// Any other result (-1) keeps the icon the pin has.
int pinIcon(int row) { return ResultIcon(row, kSmallResultIcons); }

// A component's icon by priority: no golden signature, Untested, Bad, Good.
int componentIcon(const std::vector<int>& pinRows) {
  bool noGolden = false, untested = false, bad = false;
  for (int row : pinRows) {
    noGolden |= records.FieldView(row, kFieldGolden) != "Yes";
    untested |= records.FieldView(row, kFieldResult) == "Untested";
    bad |= records.FieldView(row, kFieldResult) == "Bad";
  }
  if (noGolden) return kSmallResultIcons.nosig;
  if (untested) return kSmallResultIcons.untested;
  if (bad) return kSmallResultIcons.bad;
  return kSmallResultIcons.good;
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
  std::vector<Entry> want = {{TreeTitle(), kComponentLevel, kTitleData, kImageBlock23}};
  std::string previous;
  for (int row = 2; row <= records.Rows(); ++row) {
    std::string component = records.Field(row, kFieldComponent);
    if (component != previous) want.push_back({component, kComponentLevel, row, -1});
    want.push_back({withNote(records.Field(row, kFieldPin), row), kPinLevel, row, -1});
    previous = std::move(component);
  }
  putEntries(kTestTree, want);
  // Icons before the selection: selecting opens the component, and a change
  // in an open one costs a search through every shown entry.
  setTestTreeIcons(kTestTree);
  selectCurrentRecord(kTestTree);
}

void YRM_BuildBadTree() {
  if (!pf::IsGadget(kBadTree)) return;
  treeColours(kBadTree);
  std::vector<Entry> want = {{TreeTitle(), kComponentLevel, kTitleData, kImageBlock23}};
  for (int row = 2; row <= records.Rows(); ++row) {
    if (records.FieldView(row, kFieldResult) != "Bad") continue;
    std::string text = records.Field(row, kFieldComponent) + ", Pin " + records.Field(row, kFieldPin);
    want.push_back({withNote(std::move(text), row), kComponentLevel, row, kImageBad23});
  }
  putEntries(kBadTree, want);
  pf::SetGadgetItemImage(kBadTree, 0, kImageBlock23);
}
