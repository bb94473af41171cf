// Tree controls. The caller sees a flat, indexed list of entries, each with a
// depth (sublevel); an entry of depth n+1 belongs under the nearest earlier
// entry of depth n. The flat list is kept beside the toolkit's tree and both
// change entry by entry, so a small change does not rebuild the tree.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "platform/gui_internal.h"
#include "platform/qtbridge.h"

namespace pf::gui {

namespace {

// Dotted lines between the entries and at the root, with +/- boxes.
class BranchLines : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) const override {
    if (pe != PE_IndicatorBranch) {
      QProxyStyle::drawPrimitive(pe, opt, p, w);
      return;
    }
    const QRect r = opt->rect;
    const int mx = r.left() + r.width() / 2;
    const int my = r.top() + r.height() / 2;
    QColor line = opt->palette.color(QPalette::Text);
    line.setAlpha(150);
    p->save();
    p->setPen(QPen(line, 0, Qt::DotLine));
    if (opt->state & State_Item) p->drawLine(mx, my, r.right(), my);
    if (opt->state & (State_Item | State_Sibling)) p->drawLine(mx, r.top(), mx, my);
    if (opt->state & State_Sibling) p->drawLine(mx, my, mx, r.bottom());
    if (opt->state & State_Children) {
      QRect box(mx - 4, my - 4, 8, 8);
      p->fillRect(box, opt->palette.base());
      p->setPen(QPen(line, 0, Qt::SolidLine));
      p->drawRect(box);
      p->setPen(QPen(opt->palette.color(QPalette::Text), 0));
      p->drawLine(mx - 2, my, mx + 2, my);
      if (!(opt->state & State_Open)) p->drawLine(mx, my - 2, mx, my + 2);
    }
    p->restore();
  }
};

QStyle* branchLines() {
  static QStyle* style = new BranchLines;
  return style;
}

QTreeWidget* view(const Gadget& gd) { return static_cast<QTreeWidget*>(gd.widget.data()); }

int64_t picture(int image) {
  QImage* img = ImageObject(image);
  return img ? img->cacheKey() : 0;
}

// One icon per image and picture: a tree of many entries shares a few icons,
// and converting the picture for each entry would dominate building it.
QIcon icon(QTreeWidget* t, int image) {
  QImage* img = ImageObject(image);
  if (!img) return QIcon();
  t->setIconSize(t->iconSize().expandedTo(img->size()));
  struct Cached {
    qint64 key;
    QIcon icon;
  };
  static std::map<int, Cached> cache;
  auto it = cache.find(image);
  if (it == cache.end() || it->second.key != img->cacheKey())
    it = cache.insert_or_assign(image, Cached{img->cacheKey(), QIcon(QPixmap::fromImage(*img))}).first;
  return it->second.icon;
}

bool wellFormedAt(const std::vector<TreeEntry>& e, size_t i) {
  if (i >= e.size()) return true;
  return i == 0 ? e[0].level == 0 : e[i].level <= e[i - 1].level + 1;
}

void detach(QTreeWidget* t, QTreeWidgetItem* item) {
  if (QTreeWidgetItem* p = item->parent())
    p->removeChild(item);
  else
    t->takeTopLevelItem(t->indexOfTopLevelItem(item));
}

// Re-hangs every entry under the nearest earlier entry of smaller depth,
// lowering depths that have no entry of depth n-1 to hang under (an orphaned
// subtree moves up as a whole). Used only when an edit leaves some entry
// without its parent.
void rebuild(Gadget& gd) {
  QTreeWidget* t = view(gd);
  auto& e = gd.entries;
  std::vector<char> open(e.size());
  for (size_t i = 0; i < e.size(); ++i) open[i] = e[i].item->treeWidget() && e[i].item->isExpanded();
  int selected = TreeSelected(gd);
  for (auto& x : e) x.item->takeChildren();
  while (t->topLevelItemCount()) t->takeTopLevelItem(0);
  struct Open {
    int given;
    TreeEntry* entry;
  };
  std::vector<Open> chain;  // the entries the next one may hang under
  for (auto& x : e) {
    const int given = x.level;
    while (!chain.empty() && chain.back().given >= given) chain.pop_back();
    x.level = chain.empty() ? 0 : chain.back().entry->level + 1;
    if (chain.empty())
      t->addTopLevelItem(x.item);
    else
      chain.back().entry->item->addChild(x.item);
    chain.push_back({given, &x});
  }
  for (size_t i = 0; i < e.size(); ++i)
    if (open[i]) e[i].item->setExpanded(true);
  if (selected >= 0) t->setCurrentItem(e[selected].item);
}

}  // namespace

QWidget* NewTree(QWidget* parent, int g) {
  auto* t = new QTreeWidget(parent);
  t->setHeaderHidden(true);
  t->setColumnCount(1);
  t->setUniformRowHeights(true);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setAnimated(false);
  // Only the operator's selection: programmatic changes block the signal.
  QObject::connect(t, &QTreeWidget::itemSelectionChanged, [g] {
    if (Gadget* gd = FindGadget(g)) QueueEvent(kEventGadget, gd->win, g, -1, kTypeChange);
  });
  return t;
}

void TreeApplyFlags(Gadget& gd) {
  QTreeWidget* t = view(gd);
  t->setRootIsDecorated(true);
  if (!(gd.flags & kGadgetTreeLines)) return;
  t->setStyle(branchLines());
  // The selection stays visible while another control has the focus.
  QPalette p = t->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  t->setPalette(p);
}

void TreeAdd(Gadget& gd, int position, const std::string& text, int image, int sublevel) {
  QTreeWidget* t = view(gd);
  QSignalBlocker block(t);
  auto& e = gd.entries;
  const int n = int(e.size());
  const int pos = position < 0 || position > n ? n : position;
  const int level = std::clamp(sublevel, 0, pos == 0 ? 0 : e[pos - 1].level + 1);

  auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(text)));
  item->setIcon(0, icon(t, image));
  // The parent and the previous sibling are found by walking up from the
  // entry before: each entry's depth in the toolkit's tree is its level, so
  // this costs the depth, not the number of entries.
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* sibling = nullptr;
  if (pos > 0) {
    QTreeWidgetItem* x = e[pos - 1].item;
    for (int d = e[pos - 1].level; d > level; --d) x = x->parent();
    if (e[pos - 1].level >= level)
      sibling = x, parent = x->parent();
    else
      parent = x;
  }
  // Right after the previous sibling, or first under the parent.
  int at = 0;
  if (pos == n)
    at = parent ? parent->childCount() : t->topLevelItemCount();
  else if (sibling)
    at = (parent ? parent->indexOfChild(sibling) : t->indexOfTopLevelItem(sibling)) + 1;
  if (parent)
    parent->insertChild(at, item);
  else
    t->insertTopLevelItem(at, item);
  e.insert(e.begin() + pos, TreeEntry{item, text, level, image, 0, picture(image)});

  if (!wellFormedAt(e, pos + 1)) {
    rebuild(gd);
    return;
  }
  // Deeper entries that follow now belong under the new entry.
  for (size_t j = pos + 1; j < e.size() && e[j].level > level; ++j)
    if (e[j].level == level + 1) {
      detach(t, e[j].item);
      item->addChild(e[j].item);
    }
}

void TreeRemove(Gadget& gd, int position) {
  auto& e = gd.entries;
  if (position < 0 || position >= int(e.size())) return;
  QTreeWidget* t = view(gd);
  QSignalBlocker block(t);
  TreeEntry gone = e[position];
  const bool wasSelected = gone.item->isSelected();
  QList<QTreeWidgetItem*> children = gone.item->takeChildren();
  e.erase(e.begin() + position);
  delete gone.item;
  if (wasSelected) {
    // No other entry takes the selection over.
    t->clearSelection();
    t->setCurrentItem(nullptr);
  }
  if (children.isEmpty()) return;
  if (!wellFormedAt(e, position)) {
    rebuild(gd);
    return;
  }
  // The children move under the nearest earlier entry of the removed depth.
  for (int k = position - 1; k >= 0; --k)
    if (e[k].level <= gone.level) {
      e[k].item->addChildren(children);
      return;
    }
  rebuild(gd);
}

void TreeTruncate(Gadget& gd, int count) {
  auto& e = gd.entries;
  if (count <= 0) {
    TreeClear(gd);
    return;
  }
  if (count >= int(e.size())) return;
  QTreeWidget* t = view(gd);
  QSignalBlocker block(t);
  const int selected = TreeSelected(gd);
  // The entries from `count` on are all children of the last kept entry, the
  // last children of each of its ancestors and the last top-level items.
  // Each list is cut in one step where the toolkit allows it, and an open
  // parent is closed meanwhile, so the view does not search its shown rows
  // once per removed entry.
  QTreeWidgetItem* x = e[count - 1].item;
  qDeleteAll(x->takeChildren());
  for (QTreeWidgetItem* p = x->parent(); p; x = p, p = p->parent()) {
    const int keep = p->indexOfChild(x) + 1;
    if (p->childCount() == keep) continue;
    const bool open = p->isExpanded();
    if (open) p->setExpanded(false);
    std::vector<QTreeWidgetItem*> gone;
    while (p->childCount() > keep) gone.push_back(p->takeChild(p->childCount() - 1));
    qDeleteAll(gone);
    if (open) p->setExpanded(true);
  }
  const int keep = t->indexOfTopLevelItem(x) + 1;
  if (t->topLevelItemCount() > keep) t->model()->removeRows(keep, t->topLevelItemCount() - keep);
  e.resize(count);
  if (selected >= count) {
    t->clearSelection();
    t->setCurrentItem(nullptr);
  }
}

void TreeClear(Gadget& gd) {
  QSignalBlocker block(gd.widget.data());
  view(gd)->clear();
  gd.entries.clear();
}

int TreeSelected(const Gadget& gd) {
  QList<QTreeWidgetItem*> s = view(gd)->selectedItems();
  if (s.isEmpty()) return -1;
  for (size_t i = 0; i < gd.entries.size(); ++i)
    if (gd.entries[i].item == s.front()) return int(i);
  return -1;
}

void TreeSelect(Gadget& gd, int index) {
  QTreeWidget* t = view(gd);
  QSignalBlocker block(t);
  if (index < 0 || index >= int(gd.entries.size())) {
    t->clearSelection();
    t->setCurrentItem(nullptr);
    return;
  }
  QTreeWidgetItem* item = gd.entries[index].item;
  t->setCurrentItem(item);
  item->setSelected(true);
  t->scrollToItem(item);  // opens the entries above it, as the operator would
}

void TreeSetText(Gadget& gd, int index, const std::string& text) {
  QSignalBlocker block(gd.widget.data());
  gd.entries[index].text = text;
  gd.entries[index].item->setText(0, QString::fromStdString(text));
}

// The toolkit's change notice for one entry looks the entry up among its
// siblings from the last one backwards, so setting every icon of a long list
// would take time growing with the square of its length: the notice is
// skipped and the view repainted instead (an icon never changes a row's size
// here). An entry that already shows the picture is left alone.
void TreeSetImage(Gadget& gd, int index, int image) {
  TreeEntry& x = gd.entries[index];
  if (x.image == image && x.picture == picture(image)) return;
  QTreeWidget* t = view(gd);
  {
    QSignalBlocker block(t);
    QSignalBlocker quiet(t->model());
    x.image = image;
    x.picture = picture(image);
    x.item->setIcon(0, icon(t, image));
  }
  t->viewport()->update();
}

void TreeSetExpanded(Gadget& gd, int index, bool expanded) {
  QSignalBlocker block(gd.widget.data());
  gd.entries[index].item->setExpanded(expanded);
}

bool TreeExpanded(const Gadget& gd, int index) { return gd.entries[index].item->isExpanded(); }

}  // namespace pf::gui
