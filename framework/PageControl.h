#pragma once

// Pages behind tabs. A TTabSheet becomes a page of a TPageControl by taking
// it as its parent (SetPageControl or SetParent); its tab shows its Caption.
// The control shows only the active page, sized to fill the area below the
// tabs. The first page that arrives becomes the active one; when the active
// page leaves, the one that takes its place becomes active. A click on a
// tab makes its page active and raises OnChange; code that sets the active
// page raises nothing.
//
// Pages are owned by their owner like any control; a page that is destroyed
// leaves its page control, and a page control that is destroyed first lets
// go of its pages.

#include <vector>

#include "framework/Controls.h"

class QTabBar;
class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* pageControl);
  void SetParent(TWinControl* parent) override;
  // Position among the pages; -1 when on no page control.
  int PageIndex() const;
  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }

 protected:
  void TextChanged() override;

 private:
  TPageControl* FPageControl = nullptr;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  // Throws EListError outside 0..PageCount-1.
  TTabSheet* Pages(int index) const;
  // -1 when no page is active.
  int ActivePageIndex() const { return FActivePageIndex; }
  // An index outside 0..PageCount-1 leaves no page active.
  void SetActivePageIndex(int index);
  TTabSheet* ActivePage() const;
  // A page of another control (or null) leaves no page active.
  void SetActivePage(TTabSheet* page);

  // The area below the tabs, where the pages lie.
  int ClientHeight() const override;

  TNotifyEvent OnChange;

 protected:
  QWidget* ClientWidget() const override { return FPageArea; }
  void Resize() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void CaptionChanged(TTabSheet* page);
  int TabHeight() const;
  // Places the tabs and the page area, sizes the pages and shows the
  // active one only.
  void LayOut();
  void TabClicked(int index);

  QTabBar* FTabs;
  QWidget* FPageArea;
  std::vector<TTabSheet*> FPages;
  int FActivePageIndex = -1;
  bool FSyncingTabs = false;  // the tab bar changes because code said so
};
