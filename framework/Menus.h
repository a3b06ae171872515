#pragma once

// Pop-up menus. A TMenuItem has a caption ('&' marks its access key; "-"
// makes a separator), may hold items of its own (a submenu), and raises
// OnClick when chosen. TPopupMenu::Popup shows the menu at a screen point
// and returns once it has closed; the chosen item's OnClick runs then, as
// the platform delivers the choice after the menu is gone. A control opens
// its PopupMenu on a right click, with PopupComponent set to itself.

#include <memory>
#include <vector>

#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/Types.h"

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& caption) { FCaption = caption; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled) { FEnabled = enabled; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible) { FVisible = visible; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool checked) { FChecked = checked; }
  // Shown in bold: what a double click would do.
  bool Default() const { return FDefault; }
  void SetDefault(bool isDefault) { FDefault = isDefault; }
  bool IsSeparator() const { return FCaption == u"-"; }

  // Items of the submenu, in order. An item added is shown by this one; it
  // stays owned by its owner (an item removed is not destroyed).
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  TMenuItem* Parent() const { return FParent; }

  // Raises OnClick, as choosing the item does.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  String FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  bool FDefault = false;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // The menu's items (owned by the menu).
  TMenuItem* Items() const { return FItems; }
  // Makes an item owned by the menu's owner, adds it, and returns it.
  TMenuItem* AddItem(const String& caption, TNotifyEvent onClick = {});

  // Opens on a right click of a control whose PopupMenu this is.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool autoPopup) { FAutoPopup = autoPopup; }
  // The component the menu was opened for; null once it is destroyed.
  TComponent* PopupComponent() const;
  void SetPopupComponent(TComponent* component);

  // Shows the menu with its top left corner at (x, y), screen coordinates,
  // and returns when it closes; then runs the chosen item's Click.
  virtual void Popup(int x, int y);
  // Closes the menu if it is open (no item is chosen).
  void CloseMenu();
  bool IsOpen() const { return FOpen; }

  TNotifyEvent OnPopup;

 private:
  TMenuItem* FItems;
  bool FAutoPopup = true;
  bool FOpen = false;
  TComponent* FPopupComponent = nullptr;
  std::weak_ptr<const void> FPopupComponentAlive;
  void* FMenu = nullptr;  // the QMenu while open
};
