#include "shell/views.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {
// A view added or changed in the table must keep its panels apart, inside
// the five by five cells right of the main scope, and its name and Views
// item its own: the menu, the settings file and the layout all read it.
TEST(DisplayViewTable, EachViewIsDistinctAndItsPanelsFitWithoutOverlap) {
  constexpr float kSlack = 0.01f;  // places are written with three decimals
  std::set<std::string> names;
  std::set<int> items;
  for (const DisplayView& v : DisplayViews()) {
    SCOPED_TRACE(v.name);
    EXPECT_TRUE(names.insert(v.name).second) << "name used twice";
    EXPECT_TRUE(items.insert(v.item).second) << "menu item used twice";
    EXPECT_GE(v.item, 76);
    EXPECT_LE(v.item, 85);
    EXPECT_EQ(FindDisplayView(v.name), &v);

    std::vector<GridPlace> shown;
    std::set<int> scopes;
    for (int i = 0; i < v.miniCount; ++i) {
      const MiniScopePlace& m = v.minis[i];
      EXPECT_TRUE(m.scope >= 1 && m.scope <= kMiniScopes && scopes.insert(m.scope).second) << m.scope;
      shown.push_back({m.column, m.row, kMiniSpan, kMiniSpan});
    }
    if (v.hasBoard) shown.push_back(v.board);
    if (v.hasTree) shown.push_back(v.tree);
    if (v.hasBad) shown.push_back(v.bad);
    for (size_t a = 0; a < shown.size(); ++a) {
      const GridPlace& p = shown[a];
      EXPECT_TRUE(p.column >= 5 - kSlack && p.column + p.width <= 10 + kSlack && p.row >= -kSlack &&
                  p.row + p.height <= 5 + kSlack)
          << "panel " << a << " leaves the grid";
      for (size_t b = a + 1; b < shown.size(); ++b) {
        const GridPlace& q = shown[b];
        const bool apart = p.column + p.width <= q.column + kSlack ||
                           q.column + q.width <= p.column + kSlack || p.row + p.height <= q.row + kSlack ||
                           q.row + q.height <= p.row + kSlack;
        EXPECT_TRUE(apart) << "panels " << a << " and " << b << " overlap";
      }
    }
  }
  EXPECT_EQ(names.size(), 10u);
  EXPECT_EQ(FindDisplayView("9miniscopes "), nullptr);
}
}  // namespace
