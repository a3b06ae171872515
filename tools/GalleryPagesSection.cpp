#include "tools/GalleryPagesSection.h"

#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"

int AddPagesAndColumnsSection(TForm* form, int top) {
  constexpr int kHeight = 96;
  auto* title = new TLabel(form);
  title->SetParent(form);
  title->Font()->SetStyle(TFontStyles{fsBold});
  title->SetCaption(u"Pages, columns");
  title->SetLeft(12);
  title->SetTop(top);

  auto* pages = new TPageControl(form);
  pages->SetParent(form);
  pages->SetBounds(150, top, 226, kHeight - 12);
  for (const char16_t* caption : {u"General", u"Network", u"Capture"}) {
    auto* page = new TTabSheet(form);
    page->SetCaption(caption);
    page->SetPageControl(pages);
    auto* text = new TLabel(form);
    text->SetParent(page);
    text->SetCaption(String(u"The ") + caption + u" page");
    text->SetLeft(8);
    text->SetTop(8);
  }
  pages->SetActivePageIndex(1);

  auto* list = new TListView(form);
  list->SetParent(form);
  list->SetBounds(390, top, 236, kHeight - 12);
  TListColumn* name = list->Columns()->Add();
  name->SetCaption(u"Name");
  name->SetAutoSize(true);
  TListColumn* value = list->Columns()->Add();
  value->SetCaption(u"Value");
  value->SetWidth(70);
  return kHeight;
}
