// The list view's columns (auto-sized ones share what is left) and the page
// control (one page shown, tabs clicked, pages coming and going).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"

using ::testing::ElementsAre;

namespace {

TEST(ListView, AutoSizedColumnsShareWhatTheFixedOnesLeave) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* list = new TListView(&form);
  list->SetParent(&form);
  list->SetBounds(10, 10, 300, 150);
  TListColumns* columns = list->Columns();
  columns->Add()->SetWidth(40);
  columns->Add()->SetAutoSize(true);
  columns->Add()->SetAutoSize(true);
  columns->Items(1)->SetCaption(u"Name");
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));

  auto* view = static_cast<QTreeWidget*>(list->Widget());
  const auto shown = [&] {
    std::vector<int> widths;
    for (int i = 0; i < view->columnCount(); ++i)
      widths.push_back(view->columnWidth(i));
    return widths;
  };
  // Together the columns fill the visible width exactly, odd pixel included.
  const int visible = view->viewport()->width();
  const int share = (visible - 40) / 2;
  EXPECT_THAT(shown(), ElementsAre(40, share, visible - 40 - share));
  EXPECT_EQ(columns->Items(2)->Width(), visible - 40 - share);
  EXPECT_EQ(view->headerItem()->text(1), "Name");

  list->SetWidth(201);
  EXPECT_EQ(columns->Items(1)->Width() + columns->Items(2)->Width(), visible - 99 - 40);
  // A width set while auto-sized waits; a negative one counts as 0.
  columns->Items(1)->SetWidth(70);
  EXPECT_NE(columns->Items(1)->Width(), 70);
  columns->Items(1)->SetAutoSize(false);
  EXPECT_EQ(columns->Items(1)->Width(), 70);
  EXPECT_EQ(columns->Items(2)->Width(), visible - 99 - 40 - 70);
  columns->Items(0)->SetWidth(-5);
  EXPECT_THAT(shown(), ElementsAre(0, 70, visible - 99 - 70));

  columns->Delete(0);
  EXPECT_EQ(columns->Count(), 2);
  EXPECT_EQ(columns->Items(0)->Index(), 0);
  EXPECT_THROW(columns->Items(2), EListError);
  EXPECT_THROW(columns->Delete(-1), EListError);
}

struct Pages {
  Pages() : form(nullptr), control(new TPageControl(&form)) {
    form.SetBounds(0, 0, 400, 300);
    control->SetParent(&form);
    control->SetBounds(5, 5, 300, 200);
    for (const char16_t* caption : {u"General", u"Network", u"Capture"}) {
      auto* page = new TTabSheet(&form);
      page->SetCaption(caption);
      page->SetPageControl(control);
    }
    control->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, control);
      changes.push_back(control->ActivePageIndex());
    };
  }
  QTabBar* Tabs() const { return control->Widget()->findChild<QTabBar*>(); }
  std::vector<bool> Showing() const {
    std::vector<bool> showing;
    for (int i = 0; i < control->PageCount(); ++i)
      showing.push_back(control->Pages(i)->Showing());
    return showing;
  }
  TForm form;
  TPageControl* control;
  std::vector<int> changes;
};

TEST(PageControl, ShowsTheActivePageOnlyAndAClickedTabRaisesOnChange) {
  Pages pages;
  pages.form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(pages.form.Widget()));
  EXPECT_EQ(pages.control->ActivePageIndex(), 0);  // the first that came
  EXPECT_THAT(pages.Showing(), ElementsAre(true, false, false));
  // Pages fill the area below the tabs.
  TTabSheet* page = pages.control->Pages(1);
  EXPECT_EQ(page->BoundsRect(),
            Bounds(0, 0, pages.control->ClientWidth(), pages.control->ClientHeight()));
  EXPECT_EQ(pages.control->ClientHeight(), 200 - pages.Tabs()->height());
  EXPECT_EQ(pages.Tabs()->tabText(2), "Capture");

  QTabBar* tabs = pages.Tabs();
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(2).center());
  EXPECT_THAT(pages.changes, ElementsAre(2));
  EXPECT_THAT(pages.Showing(), ElementsAre(false, false, true));
  // Set by code: no event; outside the pages: none active.
  pages.control->SetActivePage(page);
  EXPECT_EQ(pages.control->ActivePageIndex(), 1);
  EXPECT_EQ(tabs->currentIndex(), 1);
  pages.control->SetActivePageIndex(3);
  EXPECT_EQ(pages.control->ActivePage(), nullptr);
  EXPECT_THAT(pages.Showing(), ElementsAre(false, false, false));
  EXPECT_THAT(pages.changes, ElementsAre(2));
}

TEST(PageControl, PagesComeAndGoInEitherOrderOfDestruction) {
  Pages pages;
  pages.control->SetActivePageIndex(1);
  TTabSheet* last = pages.control->Pages(2);
  TComponent::Free(pages.control->Pages(1));  // the active one: the next takes its place
  EXPECT_EQ(pages.control->PageCount(), 2);
  EXPECT_EQ(pages.control->ActivePage(), last);
  EXPECT_EQ(pages.Tabs()->count(), 2);
  EXPECT_EQ(last->PageIndex(), 1);
  last->SetCaption(u"Shots");
  EXPECT_EQ(pages.Tabs()->tabText(1), "Shots");

  // Another parent takes a page off the control; the control going first
  // lets go of the rest.
  last->SetParent(&pages.form);
  EXPECT_EQ(last->PageControl(), nullptr);
  EXPECT_EQ(pages.control->ActivePageIndex(), 0);
  TTabSheet* first = pages.control->Pages(0);
  TComponent::Free(pages.control);
  EXPECT_EQ(first->PageControl(), nullptr);
  EXPECT_EQ(first->Parent(), nullptr);
  EXPECT_EQ(first->PageIndex(), -1);
}

TEST(PageControl, AHandlerMayDestroyThePageControl) {
  Pages pages;
  pages.form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(pages.form.Widget()));
  pages.control->OnChange = [&](TObject*) { TComponent::Free(pages.control); };
  QTabBar* tabs = pages.Tabs();
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
  EXPECT_EQ(pages.form.ComponentCount(), 3);  // the pages stay with their owner
}

}  // namespace
