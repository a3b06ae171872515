#include "framework/PageControl.h"

#include <QTabBar>
#include <algorithm>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

namespace {

// The row of tabs. A handler of its click may destroy the page control;
// the row then goes once the event it is handling is over.
class TTabRow : public QTabBar {
 public:
  using QTabBar::QTabBar;
  void Dispose() {
    disconnect();
    hide();
    setParent(nullptr);
    if (FDepth > 0) {
      deleteLater();
    } else {
      delete this;
    }
  }

 protected:
  bool event(QEvent* event) override {
    ++FDepth;
    const bool handled = QTabBar::event(event);
    --FDepth;
    return handled;
  }

 private:
  int FDepth = 0;
};

}  // namespace

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 200, 150);
}

TTabSheet::~TTabSheet() {
  if (FPageControl != nullptr) SetParent(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  SetParent(pageControl);
}

void TTabSheet::SetParent(TWinControl* parent) {
  TPageControl* old = FPageControl;
  TWinControl::SetParent(parent);  // throws before anything changed
  auto* pageControl = dynamic_cast<TPageControl*>(parent);
  if (pageControl == old) return;
  FPageControl = nullptr;
  if (old != nullptr) old->RemovePage(this);
  FPageControl = pageControl;
  if (pageControl != nullptr) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (FPageControl == nullptr) return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::TextChanged() {
  if (FPageControl != nullptr) FPageControl->CaptionChanged(this);
}

TPageControl::TPageControl(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Native)),
      FTabs(new TTabRow(Widget())),
      FPageArea(new QWidget(Widget())) {
  FTabs->setFocusPolicy(Qt::TabFocus);
  FTabs->setDrawBase(true);
  TControlHost* host = Host();
  QObject::connect(FTabs, &QTabBar::currentChanged, FTabs, [host](int index) {
    auto* pageControl = static_cast<TPageControl*>(host->Control());
    if (pageControl == nullptr || pageControl->FSyncingTabs) return;
    try {
      pageControl->TabClicked(index);
    } catch (...) {
      Application->HandleException(host->Control());
    }
  });
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  // The pages leave while this control is still whole.
  while (!FPages.empty())
    FPages.back()->SetParent(nullptr);
  static_cast<TTabRow*>(FTabs)->Dispose();
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FPages[static_cast<size_t>(index)];
}

TTabSheet* TPageControl::ActivePage() const {
  return FActivePageIndex >= 0 ? FPages[static_cast<size_t>(FActivePageIndex)] : nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
  FActivePageIndex = index >= 0 && index < PageCount() ? index : -1;
  LayOut();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  SetActivePageIndex(page != nullptr && page->PageControl() == this ? page->PageIndex() : -1);
}

void TPageControl::TabClicked(int index) {
  if (index == FActivePageIndex) return;
  SetActivePageIndex(index);
  OnChange(this);
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  FSyncingTabs = true;
  FTabs->addTab(QtString(page->Caption()));
  FSyncingTabs = false;
  if (FActivePageIndex < 0) FActivePageIndex = PageCount() - 1;
  LayOut();
}

void TPageControl::RemovePage(TTabSheet* page) {
  const auto found = std::find(FPages.begin(), FPages.end(), page);
  if (found == FPages.end()) return;
  const int index = static_cast<int>(found - FPages.begin());
  FPages.erase(found);
  FSyncingTabs = true;
  FTabs->removeTab(index);
  FSyncingTabs = false;
  if (index < FActivePageIndex) {
    --FActivePageIndex;
  } else if (index == FActivePageIndex) {
    FActivePageIndex = std::min(index, PageCount() - 1);
  }
  LayOut();
}

void TPageControl::CaptionChanged(TTabSheet* page) {
  FTabs->setTabText(page->PageIndex(), QtString(page->Caption()));
  LayOut();
}

int TPageControl::TabHeight() const {
  return FTabs->sizeHint().height();
}

int TPageControl::ClientHeight() const {
  return std::max(0, Height() - TabHeight());
}

void TPageControl::Resize() {
  LayOut();
  TWinControl::Resize();
}

void TPageControl::LayOut() {
  FTabs->setGeometry(0, 0, Width(), TabHeight());
  FPageArea->setGeometry(0, TabHeight(), ClientWidth(), ClientHeight());
  FSyncingTabs = true;
  if (FActivePageIndex >= 0) FTabs->setCurrentIndex(FActivePageIndex);
  FSyncingTabs = false;
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* page = FPages[static_cast<size_t>(i)];
    page->SetBounds(0, 0, ClientWidth(), ClientHeight());
    page->SetVisible(i == FActivePageIndex);
  }
}
