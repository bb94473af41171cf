// Tree controls. The caller sees a flat, indexed list of entries, each with a
// depth (sublevel); an entry of depth n+1 belongs under the nearest earlier
// entry of depth n. The flat list is kept beside the toolkit's tree and both
// change entry by entry, so a small change does not rebuild the tree.
#include <QAbstractItemModel>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <map>
#include <utility>

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
QIcon cachedIcon(int image);

QIcon icon(QTreeView* t, int image) {
  QImage* img = ImageObject(image);
  if (!img) return QIcon();
  t->setIconSize(t->iconSize().expandedTo(img->size()));
  return cachedIcon(image);
}

QIcon cachedIcon(int image) {
  QImage* img = ImageObject(image);
  if (!img) return QIcon();
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

// The caller's entries as the toolkit's tree asks for them. The rows under a
// depth-0 entry are the entries that follow it up to the next depth-0 one. A
// model index of depth 0 holds 0, one of depth 1 its parent's entry plus 1:
// the toolkit moves the rows of the indexes it keeps when depth-0 entries
// are added or removed, never what they hold.
class EntryModel : public QAbstractItemModel {
 public:
  explicit EntryModel(QTreeView* view) : QAbstractItemModel(view), view_(view) {}

  TreeEntries* source = nullptr;
  bool quiet = false;                 // a change of the program's, not the operator's
  std::map<int, std::string> opened;  // open depth-0 entries, with their text when opened
  int chosen = -1;                    // the selected entry, with its text when selected
  std::string chosenText;
  bool renewing = false;

  // Entries the caller's source changed under are renewed before they are
  // read or painted: old entries never show new texts.
  void Renewed() {
    if (!source || renewing || !source->Outdated()) return;
    renewing = true;
    source->Renew();
    renewing = false;
  }

  // Keeps the record of open entries whoever opened or closed entry e: the
  // view's signals do not tell of what the program does while they are
  // blocked (a selection opening the entry above it).
  void Noted(int e, bool open) {
    if (e < 0 || e >= Count()) return;
    if (!open)
      opened.erase(e);
    else if (!opened.count(e))
      opened.emplace(e, source->Text(e));
  }
  // `count` entries were added at `entry`, or removed from it when negative.
  void Moved(int entry, int count) {
    std::map<int, std::string> moved;
    for (auto& [e, text] : opened)
      if (e < entry)
        moved.emplace(e, std::move(text));
      else if (count > 0 || e >= entry - count)
        moved.emplace(e + count, std::move(text));
    opened = std::move(moved);
  }

  int Count() const { return source ? source->Count() : 0; }
  bool IsTop(int e) const { return source->Top(source->TopOf(e)) == e; }
  int Under(int n) const {
    const int next = n + 1 < source->Tops() ? source->Top(n + 1) : source->Count();
    return next - source->Top(n) - 1;
  }
  QModelIndex IndexOf(int e) const {
    if (e < 0 || e >= Count()) return {};
    const int n = source->TopOf(e), top = source->Top(n);
    return e == top ? createIndex(n, 0, quintptr(0)) : createIndex(e - top - 1, 0, quintptr(top + 1));
  }
  int EntryOf(const QModelIndex& i) const {
    if (!i.isValid() || !source) return -1;
    if (i.internalId()) return int(i.internalId()) + i.row();
    return i.row() < source->Tops() ? source->Top(i.row()) : -1;
  }
  void Begin() { beginResetModel(); }
  void End() { endResetModel(); }
  void BeginInsert(int n, int count) { beginInsertRows(QModelIndex(), n, n + count - 1); }
  void EndInsert() { endInsertRows(); }
  void BeginRemove(int n, int count) { beginRemoveRows(QModelIndex(), n, n + count - 1); }
  void EndRemove() { endRemoveRows(); }

  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    if (!source || column != 0 || row < 0) return {};
    if (!parent.isValid()) return row < source->Tops() ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    const int p = EntryOf(parent);
    if (p < 0 || p >= Count() || parent.internalId() || row >= Under(parent.row())) return {};
    return createIndex(row, 0, quintptr(p + 1));
  }
  QModelIndex parent(const QModelIndex& child) const override {
    if (!source || !child.isValid() || !child.internalId()) return {};
    const int p = int(child.internalId()) - 1;
    if (p >= Count()) return {};
    return createIndex(source->TopOf(p), 0, quintptr(0));
  }
  int rowCount(const QModelIndex& parent) const override {
    if (!source) return 0;
    if (!parent.isValid()) return Count() ? source->Tops() : 0;
    if (parent.internalId() || parent.row() >= source->Tops()) return 0;
    return Under(parent.row());
  }
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex& i, int role) const override {
    const int e = EntryOf(i);
    if (e < 0 || e >= Count()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(source->Text(e));
    if (role != Qt::DecorationRole) return {};
    const int image = source->Image(e);
    QImage* img = ImageObject(image);
    if (!img) return {};
    if (!sizing_ && view_->iconSize().expandedTo(img->size()) != view_->iconSize()) {
      // Not while the view paints: the size changes the rows' layout.
      sizing_ = true;
      QTimer::singleShot(0, view_, [this, size = img->size()] {
        sizing_ = false;
        view_->setIconSize(view_->iconSize().expandedTo(size));
      });
    }
    return cachedIcon(image);
  }
  Qt::ItemFlags flags(const QModelIndex& i) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (i.isValid() && i.parent().isValid()) f |= Qt::ItemNeverHasChildren;
    return f;
  }

 private:
  QTreeView* view_;
  mutable bool sizing_ = false;  // a larger icon size is on its way
};

namespace {
QTreeView* entryView(const Gadget& gd) { return static_cast<QTreeView*>(gd.widget.data()); }

// Entries drawn from something that changed since they were brought in line
// would show new texts through the old indexes: they are renewed first.
class RenewBeforePaint : public QObject {
 public:
  RenewBeforePaint(EntryModel* m, QObject* parent) : QObject(parent), m_(m) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) m_->Renewed();
    return false;
  }

 private:
  EntryModel* m_;
};

// The tree control of the caller's entries takes the place of the item tree.
EntryModel* makeEntryView(Gadget& gd, int g) {
  QWidget* old = gd.widget;
  auto* t = new QTreeView(old->parentWidget());
  t->setHeaderHidden(true);
  t->setUniformRowHeights(true);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setAnimated(false);
  t->setRootIsDecorated(true);
  t->setStyle(old->style());
  t->setPalette(old->palette());
  t->setFont(old->font());
  t->setGeometry(old->geometry());
  t->setVisible(!old->isHidden());
  t->setIconSize(static_cast<QTreeView*>(old)->iconSize());
  t->stackUnder(old);
  auto* m = new EntryModel(t);
  t->setModel(m);
  QObject::connect(t->selectionModel(), &QItemSelectionModel::selectionChanged, [g, m, t] {
    const QModelIndexList s = t->selectionModel()->selectedIndexes();
    m->chosen = s.isEmpty() ? -1 : m->EntryOf(s.front());
    m->chosenText = m->chosen >= 0 && m->chosen < m->Count() ? m->source->Text(m->chosen) : std::string();
    if (m->quiet) return;
    if (Gadget* x = FindGadget(g)) QueueEvent(kEventGadget, x->win, g, -1, kTypeChange);
  });
  QObject::connect(t, &QTreeView::expanded, [m](const QModelIndex& i) { m->Noted(m->EntryOf(i), true); });
  QObject::connect(t, &QTreeView::collapsed, [m](const QModelIndex& i) { m->Noted(m->EntryOf(i), false); });
  t->viewport()->installEventFilter(new RenewBeforePaint(m, t));
  QObject::connect(t, &QObject::destroyed, [g] {
    auto it = gadgets.find(g);
    if (it != gadgets.end() && !it->second.widget) gadgets.erase(it);
  });
  gd.entries.clear();
  gd.widget = t;
  gd.model = m;
  delete old;
  return m;
}

Gadget* entryTree(int g) {
  Gadget* gd = FindGadget(g);
  return gd && gd->kind == kGadgetKindTree && gd->model ? gd : nullptr;
}

// Runs `change` as a change of the program's: no event reaches the loop.
template <typename F>
void quietly(EntryModel* m, F&& change) {
  const bool was = std::exchange(m->quiet, true);
  change();
  m->quiet = was;
}
}  // namespace

void RenewEntries(const Gadget& gd) {
  if (gd.model) gd.model->Renewed();
}
int EntryCount(const Gadget& gd) { return gd.model->Count(); }
std::string EntryText(const Gadget& gd, int e) {
  return e >= 0 && e < gd.model->Count() ? gd.model->source->Text(e) : std::string();
}
int EntryImage(const Gadget& gd, int e) {
  return e >= 0 && e < gd.model->Count() ? gd.model->source->Image(e) : -1;
}
int EntryData(const Gadget& gd, int e) {
  return e >= 0 && e < gd.model->Count() ? gd.model->source->Data(e) : 0;
}
int EntryLevel(const Gadget& gd, int e) {
  return e >= 0 && e < gd.model->Count() && !gd.model->IsTop(e) ? 1 : 0;
}

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
  if (gd.model) return;
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
  if (gd.model || position < 0 || position >= int(e.size())) return;
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
  if (gd.model) {
    if (count <= 0) TreeClear(gd);
    return;
  }
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
  if (EntryModel* m = gd.model) {
    quietly(m, [m] {
      m->Begin();
      m->source = nullptr;
      m->opened.clear();
      m->End();
    });
    return;
  }
  QSignalBlocker block(gd.widget.data());
  view(gd)->clear();
  gd.entries.clear();
}

int TreeSelected(const Gadget& gd) {
  if (gd.model) {
    const QModelIndexList s = entryView(gd)->selectionModel()->selectedIndexes();
    const int e = s.isEmpty() ? -1 : gd.model->EntryOf(s.front());
    return e < gd.model->Count() ? e : -1;
  }
  QList<QTreeWidgetItem*> s = view(gd)->selectedItems();
  if (s.isEmpty()) return -1;
  for (size_t i = 0; i < gd.entries.size(); ++i)
    if (gd.entries[i].item == s.front()) return int(i);
  return -1;
}

void TreeSelect(Gadget& gd, int index) {
  if (EntryModel* m = gd.model) {
    QTreeView* t = entryView(gd);
    quietly(m, [&] {
      const QModelIndex i = m->IndexOf(index);
      if (!i.isValid()) {
        t->selectionModel()->clear();
        return;
      }
      t->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
      t->scrollTo(i);  // opens the entry above it, as the operator would
      if (i.parent().isValid() && t->isExpanded(i.parent())) m->Noted(m->EntryOf(i.parent()), true);
    });
    return;
  }
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
  if (gd.model) return;
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
  if (gd.model) return;
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
  if (EntryModel* m = gd.model) {
    quietly(m, [&] {
      QTreeView* t = entryView(gd);
      const QModelIndex i = m->IndexOf(index);
      t->setExpanded(i, expanded);
      m->Noted(index, t->isExpanded(i));
    });
    return;
  }
  QSignalBlocker block(gd.widget.data());
  gd.entries[index].item->setExpanded(expanded);
}

bool TreeExpanded(const Gadget& gd, int index) {
  if (gd.model) return entryView(gd)->isExpanded(gd.model->IndexOf(index));
  return gd.entries[index].item->isExpanded();
}

}  // namespace pf::gui

namespace pf {
using gui::EntryModel;

void SetTreeEntries(int g, TreeEntries* entries) {
  gui::Gadget* gd = gui::FindGadget(g);
  if (!gd || gd->kind != kGadgetKindTree) return;
  EntryModel* m = gd->model ? gd->model : gui::makeEntryView(*gd, g);
  gui::quietly(m, [&] {
    m->Begin();
    m->source = entries;
    m->opened.clear();
    m->End();
  });
}

const TreeEntries* GetTreeEntries(int g) {
  gui::Gadget* gd = gui::entryTree(g);
  return gd ? gd->model->source : nullptr;
}

void RedrawTreeEntries(int g) {
  if (gui::Gadget* gd = gui::entryTree(g)) gui::entryView(*gd)->viewport()->update();
}

void InsertTreeEntries(int g, int entry, int count, const std::function<void()>& change) {
  gui::Gadget* gd = gui::entryTree(g);
  EntryModel* m = gd ? gd->model : nullptr;
  if (!m || !m->source || count <= 0) {
    change();
    return;
  }
  // Under entries after it, the toolkit's indexes would name the wrong parent.
  if (m->source->Count() != m->source->Tops()) {
    ResetTreeEntries(g, change);
    return;
  }
  gui::quietly(m, [&] {
    m->BeginInsert(std::clamp(entry, 0, m->Count()), count);
    change();
    if (m->chosen >= entry) m->chosen += count;
    m->Moved(entry, count);
    m->EndInsert();
  });
}

void RemoveTreeEntries(int g, int entry, int count, const std::function<void()>& change) {
  gui::Gadget* gd = gui::entryTree(g);
  EntryModel* m = gd ? gd->model : nullptr;
  if (!m || !m->source || count <= 0 || entry < 0 || entry + count > m->Count()) {
    change();
    return;
  }
  if (m->source->Count() != m->source->Tops()) {
    ResetTreeEntries(g, change);
    return;
  }
  const int selected = gui::TreeSelected(*gd);
  gui::quietly(m, [&] {
    m->BeginRemove(entry, count);
    change();
    m->EndRemove();
    // No other entry takes the selection over.
    if (selected >= entry && selected < entry + count) gui::entryView(*gd)->selectionModel()->clear();
    if (m->chosen >= entry + count) m->chosen -= count;
    m->Moved(entry, -count);
  });
}

void ResetTreeEntries(int g, const std::function<void()>& change) {
  gui::Gadget* gd = gui::entryTree(g);
  EntryModel* m = gd ? gd->model : nullptr;
  if (!m || !m->source) {
    change();
    return;
  }
  QTreeView* t = gui::entryView(*gd);
  const int selected = gui::TreeSelected(*gd) >= 0 ? m->chosen : -1;
  const std::string selectedText = m->chosenText;
  const int before = m->Count();
  gui::quietly(m, [&] {
    auto opened = std::move(m->opened);
    m->Begin();
    change();
    m->opened.clear();
    m->End();
    // Entries that still show the same text where they stood stay as they
    // were; so do open ones after the change, moved by as many entries as
    // came or went.
    const auto same = [&](int e, const std::string& text) {
      return e >= 0 && e < m->Count() && m->source->Text(e) == text;
    };
    const int moved = m->Count() - before;
    for (const auto& [e, text] : opened) {
      const int now = same(e, text) ? e : moved && same(e + moved, text) ? e + moved : -1;
      if (now >= 0 && m->IsTop(now)) {
        t->setExpanded(m->IndexOf(now), true);
        m->Noted(now, true);
      }
    }
    if (selected >= 0 && same(selected, selectedText)) {
      // Kept as it was: the view does not scroll to it, opening the entry above.
      const bool scrolls = t->hasAutoScroll();
      t->setAutoScroll(false);
      t->selectionModel()->setCurrentIndex(m->IndexOf(selected), QItemSelectionModel::ClearAndSelect);
      t->setAutoScroll(scrolls);
    }
  });
}

}  // namespace pf
