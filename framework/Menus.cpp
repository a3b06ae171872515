#include "framework/Menus.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <map>

#include "framework/Application.h"
#include "framework/QtBridge.h"

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  for (TMenuItem* item : FItems)
    item->FParent = nullptr;
  if (FParent != nullptr) FParent->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr || item == this) return;
  if (item->FParent != nullptr) item->FParent->Remove(item);
  index = std::clamp(index, 0, Count());
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  if (found == FItems.end()) return;
  FItems.erase(found);
  item->FParent = nullptr;
}

void TMenuItem::Click() {
  OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu() {
  Destroying();
  CloseMenu();
}

TMenuItem* TPopupMenu::AddItem(const String& caption, TNotifyEvent onClick) {
  auto* item = new TMenuItem(Owner() != nullptr ? Owner() : this);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  FItems->Add(item);
  return item;
}

TComponent* TPopupMenu::PopupComponent() const {
  return FPopupComponentAlive.expired() ? nullptr : FPopupComponent;
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  FPopupComponent = component;
  FPopupComponentAlive = component != nullptr ? component->Alive() : std::weak_ptr<const void>();
}

namespace {

using ItemWatch = std::pair<TMenuItem*, std::weak_ptr<const void>>;

void Fill(QMenu* menu, const TMenuItem* parent, std::map<QAction*, ItemWatch>& actions) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    if (item->IsSeparator()) {
      menu->addSeparator();
      continue;
    }
    QAction* action = nullptr;
    if (item->Count() > 0) {
      QMenu* submenu = menu->addMenu(QtString(item->Caption()));
      Fill(submenu, item, actions);
      action = submenu->menuAction();
    } else {
      action = menu->addAction(QtString(item->Caption()));
      actions[action] = ItemWatch{item, item->Alive()};
    }
    action->setEnabled(item->Enabled());
    if (item->Checked()) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    if (item->Default()) {
      QFont font = action->font();
      font.setBold(true);
      action->setFont(font);
    }
  }
}

}  // namespace

void TPopupMenu::Popup(int x, int y) {
  if (FOpen) return;
  Application->EnsureEventLoop();
  const auto alive = Alive();
  OnPopup(this);
  if (alive.expired()) return;
  QMenu menu;
  std::map<QAction*, ItemWatch> actions;
  Fill(&menu, FItems, actions);
  FOpen = true;
  FMenu = &menu;
  QAction* chosen = menu.exec(QPoint(x, y));
  if (alive.expired()) return;
  FOpen = false;
  FMenu = nullptr;
  const auto found = actions.find(chosen);
  if (found == actions.end() || found->second.second.expired()) return;
  found->second.first->Click();
}

void TPopupMenu::CloseMenu() {
  if (FMenu != nullptr) static_cast<QMenu*>(FMenu)->close();
}
