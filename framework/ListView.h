#pragma once

// A list view in its report style: a header of columns over the rows (rows
// are not kept yet; the columns are what forms save and restore).
//
// A column has a caption and a width. An auto-sized column follows the list
// view's size: the auto-sized columns share equally what the fixed ones
// leave of the client width (the last of them takes the odd pixels), never
// less than 0. Width of an auto-sized column reads its share; a width set
// while AutoSize is on takes effect once it is switched off.

#include <memory>
#include <vector>

#include "framework/Controls.h"

class QTreeWidget;
class TListView;

class TListColumn {
 public:
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& caption);
  int Width() const;
  // Negative widths count as 0.
  void SetWidth(int width);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);
  // Position among the list view's columns.
  int Index() const;

 private:
  friend class TListView;
  friend class TListColumns;
  explicit TListColumn(TListView* listView) : FListView(listView) {}

  TListView* FListView;
  String FCaption;
  int FWidth = 50;
  int FShare = 0;  // the width given while auto-sized
  bool FAutoSize = false;
};

class TListColumns {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Throws EListError outside 0..Count-1.
  TListColumn* Items(int index) const;
  TListColumn* operator[](int index) const { return Items(index); }
  // A new column at the end.
  TListColumn* Add();
  void Delete(int index);
  void Clear();

 private:
  friend class TListView;
  friend class TListColumn;
  explicit TListColumns(TListView* listView) : FListView(listView) {}

  TListView* FListView;
  std::vector<std::unique_ptr<TListColumn>> FItems;
};

class TListView : public TWinControl {
 public:
  explicit TListView(TComponent* owner);
  ~TListView() override;

  TListColumns* Columns() const { return FColumns.get(); }
  TListColumn* Column(int index) const { return FColumns->Items(index); }

 protected:
  void Resize() override;

 private:
  friend class TListColumn;
  friend class TListColumns;
  QTreeWidget* View() const;
  // Gives the auto-sized columns their shares and shows every column.
  void LayOutColumns();

  std::unique_ptr<TListColumns> FColumns;
};
