#include "testing/trees.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/resulticons.h"

// The trees show entries drawn from `records` when the control asks for them:
// what they keep per row is an icon code, and per component its first row,
// so a plan of millions of rows costs a few bytes a row here. A build after
// a few edits of the table looks only at the rows edited; a new, re-read or
// reshaped table, or a changed component name, builds the index afresh. A
// tree asked to paint or read entries the table changed under (the editor
// changes it and rebuilds the trees only when it closes) brings them in line
// first, so it never shows old rows with new texts.

namespace {
constexpr int kTitleData = 2;  // the title entry stands for the first pin

// The pin icons a row can show, by code; 0 is none.
constexpr std::array<int, 6> kPinIcons = {-1,
                                          kSmallResultIcons.good,
                                          kSmallResultIcons.bad,
                                          kSmallResultIcons.untested,
                                          kSmallResultIcons.notest,
                                          kSmallResultIcons.nosig};

uint8_t iconCode(int image) {
  return static_cast<uint8_t>(std::find(kPinIcons.begin(), kPinIcons.end(), image) - kPinIcons.begin());
}

std::string withNote(std::string text, int row) {
  std::string_view note = records.FieldView(row, kFieldNote);
  if (!note.empty()) {
    text += "  ";
    text += note;
  }
  return text;
}

void treeColours(int tree) {
  pf::SetGadgetColor(tree, pf::kColorBack, colourblack);
  pf::SetGadgetColor(tree, pf::kColorFront, colourwhite);
}

// Bring a shown tree in line with the table (entries and title, not the
// selection); also what a tree does before it paints entries the table has
// changed under, as while the editor is open.
void testTreeInLine();
void badTreeInLine();

// The test tree: the title, then for rows 2 to L a component entry wherever
// the component name changes (the row before row 2 counting as an empty
// name) and a pin entry under it for every row. Pins before the first named
// component hang under the title.
class TestTreeEntries : public pf::TreeEntries {
 public:
  std::string title;
  RecordsSeen seen;

  void Build(bool keepIcons) {
    const int rows = records.Rows();
    first_.clear();
    std::string_view previous;
    for (int row = 2; row <= rows; ++row) {
      const std::string_view component = records.FieldView(row, kFieldComponent);
      if (component != previous) first_.push_back(row);
      previous = component;  // valid while the table does not change
    }
    pins_ = rows - 1;
    if (!keepIcons || icon_.size() != static_cast<size_t>(rows) + 1)
      icon_.assign(static_cast<size_t>(rows) + 1, 0);
    for (int row = 2; row <= rows; ++row) SetPinIcon(row);
    componentIcon_.assign(first_.size(), 0);
  }

  // The result or golden flag of a row changed.
  void Changed(int row) {
    if (row < 2 || row > pins_ + 1) return;
    SetPinIcon(row);
    const auto after = std::upper_bound(first_.begin(), first_.end(), row);
    if (after != first_.begin()) componentIcon_[static_cast<size_t>(after - first_.begin() - 1)] = 0;
  }

  // The pin entry of a row, -1 when the row has none.
  int EntryOfRow(int row) const {
    if (row < 2 || row > pins_ + 1) return -1;
    const int components =
        static_cast<int>(std::upper_bound(first_.begin(), first_.end(), row) - first_.begin());
    return row - 1 + components;
  }

  int Count() const override { return 1 + pins_ + static_cast<int>(first_.size()); }
  int Tops() const override { return 1 + static_cast<int>(first_.size()); }
  int Top(int n) const override { return n == 0 ? 0 : first_[static_cast<size_t>(n - 1)] + n - 2; }
  int TopOf(int entry) const override {
    int low = 0, high = Tops() - 1;  // the last n whose entry is at most `entry`
    while (low < high) {
      const int mid = (low + high + 1) / 2;
      if (Top(mid) <= entry)
        low = mid;
      else
        high = mid - 1;
    }
    return low;
  }
  std::string Text(int entry) const override {
    if (entry == 0) return title;
    const int n = TopOf(entry);
    if (n > 0 && Top(n) == entry) return records.Field(Row(entry, n), kFieldComponent);
    const int row = Row(entry, n);
    return withNote(records.Field(row, kFieldPin), row);
  }
  int Image(int entry) const override {
    if (entry == 0) return kImageBlock23;
    const int n = TopOf(entry);
    if (n > 0 && Top(n) == entry) return ComponentIcon(n);
    return kPinIcons[icon_[static_cast<size_t>(Row(entry, n))]];
  }
  int Data(int entry) const override { return entry == 0 ? kTitleData : Row(entry, TopOf(entry)); }
  bool Outdated() const override { return seen.Outdated(); }
  void Renew() override { testTreeInLine(); }

 private:
  // The row of an entry below the title, n being TopOf(entry).
  int Row(int entry, int n) const {
    if (n > 0 && Top(n) == entry) return first_[static_cast<size_t>(n - 1)];
    return entry + 1 - n;
  }

  // A result the tree does not know keeps the icon the pin had.
  void SetPinIcon(int row) {
    const int icon = ResultIcon(row, kSmallResultIcons);
    if (icon >= 0) icon_[static_cast<size_t>(row)] = iconCode(icon);
  }

  // By priority: a pin without golden signature, Untested, Bad, else Good.
  int ComponentIcon(int n) const {
    uint8_t& known = componentIcon_[static_cast<size_t>(n - 1)];
    if (known == 0) {
      const int from = first_[static_cast<size_t>(n - 1)];
      const int to = n < Tops() - 1 ? first_[static_cast<size_t>(n)] : pins_ + 2;
      bool noGolden = false, untested = false, bad = false;
      for (int row = from; row < to && !noGolden; ++row) {
        noGolden = records.FieldView(row, kFieldGolden) != "Yes";
        const std::string_view result = records.FieldView(row, kFieldResult);
        untested |= result == "Untested";
        bad |= result == "Bad";
      }
      known = iconCode(noGolden   ? kSmallResultIcons.nosig
                       : untested ? kSmallResultIcons.untested
                       : bad      ? kSmallResultIcons.bad
                                  : kSmallResultIcons.good);
    }
    return kPinIcons[known];
  }

  std::vector<int> first_;  // the first row of each component entry
  int pins_ = 0;
  std::vector<uint8_t> icon_;                   // by row: the code of the pin's icon
  mutable std::vector<uint8_t> componentIcon_;  // by component: its icon's code, 0 until asked
};

// The bad tree: the title, then every row whose result is "Bad", in order.
class BadTreeEntries : public pf::TreeEntries {
 public:
  std::string title;
  RecordsSeen seen;
  std::vector<int> rows;  // the Bad rows

  void Build() {
    rows.clear();
    for (int row = 2; row <= records.Rows(); ++row)
      if (IsBad(row)) rows.push_back(row);
  }
  static bool IsBad(int row) { return records.FieldView(row, kFieldResult) == "Bad"; }

  int Count() const override { return 1 + static_cast<int>(rows.size()); }
  int Tops() const override { return Count(); }
  int Top(int n) const override { return n; }
  int TopOf(int entry) const override { return entry; }
  std::string Text(int entry) const override {
    if (entry == 0) return title;
    const int row = rows[static_cast<size_t>(entry - 1)];
    return withNote(records.Field(row, kFieldComponent) + ", Pin " + records.Field(row, kFieldPin), row);
  }
  int Image(int entry) const override { return entry == 0 ? kImageBlock23 : kImageBad23; }
  int Data(int entry) const override {
    return entry == 0 ? kTitleData : rows[static_cast<size_t>(entry - 1)];
  }
  bool Outdated() const override { return seen.Outdated(); }
  void Renew() override { badTreeInLine(); }
};

TestTreeEntries testentries;
BadTreeEntries badentries;

// Selects the pin entry of `currentrecord` unless the selected entry already
// stands for it; with the header current the selection stays.
void selectCurrentRecord() {
  const int selected = pf::GetGadgetState(kTestTree);
  if (selected >= 0 && testentries.Data(selected) == currentrecord) return;
  const int entry = testentries.EntryOfRow(currentrecord);
  if (entry >= 1) pf::SetGadgetState(kTestTree, entry);
}

void testTreeInLine() {
  std::string title = TreeTitle();
  std::vector<RecordTable::Edit> edits;
  bool afresh = !testentries.seen.Edits(edits);
  for (const RecordTable::Edit& e : edits) afresh |= e.field == kFieldComponent;
  if (afresh) {
    pf::ResetTreeEntries(kTestTree, [&] {
      testentries.title = std::move(title);
      testentries.Build(true);
    });
  } else if (!edits.empty() || title != testentries.title) {
    testentries.title = std::move(title);
    for (const RecordTable::Edit& e : edits) testentries.Changed(e.row);
    pf::RedrawTreeEntries(kTestTree);
  }
  testentries.seen.Now();
}

void badTreeInLine() {
  std::string title = TreeTitle();
  std::vector<RecordTable::Edit> edits;
  if (!badentries.seen.Edits(edits)) {
    pf::ResetTreeEntries(kBadTree, [&] {
      badentries.title = std::move(title);
      badentries.Build();
    });
  } else {
    bool redraw = title != badentries.title;
    badentries.title = std::move(title);
    std::vector<int>& rows = badentries.rows;
    for (const RecordTable::Edit& e : edits) {
      if (e.row < 2) continue;  // the header is no pin
      const auto at = std::lower_bound(rows.begin(), rows.end(), e.row);
      const int entry = 1 + static_cast<int>(at - rows.begin());
      const bool listed = at != rows.end() && *at == e.row, bad = BadTreeEntries::IsBad(e.row);
      if (bad && !listed)
        pf::InsertTreeEntries(kBadTree, entry, 1, [&] { rows.insert(at, e.row); });
      else if (!bad && listed)
        pf::RemoveTreeEntries(kBadTree, entry, 1, [&] { rows.erase(at); });
      else
        redraw |= listed;
    }
    if (redraw) pf::RedrawTreeEntries(kBadTree);
  }
  badentries.seen.Now();
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
  if (pf::GetTreeEntries(kTestTree) == &testentries) {
    testTreeInLine();
  } else {
    testentries.title = TreeTitle();
    testentries.Build(false);
    testentries.seen.Now();
    pf::SetTreeEntries(kTestTree, &testentries);
  }
  selectCurrentRecord();
}

void YRM_BuildBadTree() {
  if (!pf::IsGadget(kBadTree)) return;
  treeColours(kBadTree);
  if (pf::GetTreeEntries(kBadTree) == &badentries) {
    badTreeInLine();
  } else {
    badentries.title = TreeTitle();
    badentries.Build();
    badentries.seen.Now();
    pf::SetTreeEntries(kBadTree, &badentries);
  }
}
