#include "framework/ListView.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

void TListColumn::SetCaption(const String& caption) {
  FCaption = caption;
  FListView->LayOutColumns();
}

int TListColumn::Width() const {
  return FAutoSize ? FShare : FWidth;
}

void TListColumn::SetWidth(int width) {
  FWidth = std::max(0, width);
  FListView->LayOutColumns();
}

void TListColumn::SetAutoSize(bool autoSize) {
  FAutoSize = autoSize;
  FListView->LayOutColumns();
}

int TListColumn::Index() const {
  const auto& items = FListView->FColumns->FItems;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

TListColumn* TListColumns::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FItems[static_cast<size_t>(index)].get();
}

TListColumn* TListColumns::Add() {
  FItems.push_back(std::unique_ptr<TListColumn>(new TListColumn(FListView)));
  FListView->LayOutColumns();
  return FItems.back().get();
}

void TListColumns::Delete(int index) {
  Items(index);  // checks the index
  FItems.erase(FItems.begin() + index);
  FListView->LayOutColumns();
}

void TListColumns::Clear() {
  FItems.clear();
  FListView->LayOutColumns();
}

TListView::TListView(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QTreeWidget>(TControlHost::Painting::Native)),
      FColumns(new TListColumns(this)) {
  QTreeWidget* view = View();
  view->setRootIsDecorated(false);
  view->setColumnCount(0);
  // The widths are ours: the header neither stretches nor lets the last
  // column fill the rest.
  view->header()->setStretchLastSection(false);
  view->header()->setSectionResizeMode(QHeaderView::Fixed);
  SetTabStop(true);
  SetBounds(0, 0, 250, 150);
}

TListView::~TListView() = default;

QTreeWidget* TListView::View() const {
  return static_cast<QTreeWidget*>(Widget());
}

void TListView::Resize() {
  LayOutColumns();
  TWinControl::Resize();
}

void TListView::LayOutColumns() {
  const auto& items = FColumns->FItems;
  // The client width is the control's less the frame the style draws.
  int left = ClientWidth() - 2 * View()->frameWidth();
  int autoSized = 0;
  for (const auto& column : items) {
    if (column->FAutoSize) {
      ++autoSized;
    } else {
      left -= column->FWidth;
    }
  }
  left = std::max(0, left);
  const int share = autoSized > 0 ? left / autoSized : 0;
  for (const auto& column : items) {
    if (!column->FAutoSize) continue;
    column->FShare = --autoSized == 0 ? left : share;
    left -= share;
  }

  QTreeWidget* view = View();
  view->setColumnCount(static_cast<int>(items.size()));
  QStringList captions;
  for (const auto& column : items)
    captions << QtString(column->FCaption);
  view->setHeaderLabels(captions);
  for (size_t i = 0; i < items.size(); ++i)
    view->setColumnWidth(static_cast<int>(i), items[i]->Width());
}
