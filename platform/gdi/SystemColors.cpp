#include "platform/gdi/SystemColors.h"

#include <QApplication>
#include <QPalette>

#include "platform/gdi/Drawing.h"

namespace {

struct PaletteEntry {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// Which palette colour plays each system colour's part.
bool PaletteEntryFor(int index, PaletteEntry* entry) {
  using P = QPalette;
  switch (index) {
    case COLOR_SCROLLBAR:
      *entry = {P::Active, P::Mid};
      return true;
    case COLOR_BACKGROUND:
      *entry = {P::Active, P::Dark};
      return true;
    case COLOR_ACTIVECAPTION:
      *entry = {P::Active, P::Highlight};
      return true;
    case COLOR_INACTIVECAPTION:
      *entry = {P::Inactive, P::Mid};
      return true;
    case COLOR_MENU:
      *entry = {P::Active, P::Window};
      return true;
    case COLOR_WINDOW:
      *entry = {P::Active, P::Base};
      return true;
    case COLOR_WINDOWFRAME:
      *entry = {P::Active, P::Shadow};
      return true;
    case COLOR_MENUTEXT:
      *entry = {P::Active, P::WindowText};
      return true;
    case COLOR_WINDOWTEXT:
      *entry = {P::Active, P::Text};
      return true;
    case COLOR_CAPTIONTEXT:
      *entry = {P::Active, P::HighlightedText};
      return true;
    case COLOR_ACTIVEBORDER:
      *entry = {P::Active, P::Window};
      return true;
    case COLOR_INACTIVEBORDER:
      *entry = {P::Inactive, P::Window};
      return true;
    case COLOR_APPWORKSPACE:
      *entry = {P::Active, P::Mid};
      return true;
    case COLOR_HIGHLIGHT:
      *entry = {P::Active, P::Highlight};
      return true;
    case COLOR_HIGHLIGHTTEXT:
      *entry = {P::Active, P::HighlightedText};
      return true;
    case COLOR_BTNFACE:
      *entry = {P::Active, P::Button};
      return true;
    case COLOR_BTNSHADOW:
      *entry = {P::Active, P::Dark};
      return true;
    case COLOR_GRAYTEXT:
      *entry = {P::Disabled, P::Text};
      return true;
    case COLOR_BTNTEXT:
      *entry = {P::Active, P::ButtonText};
      return true;
    case COLOR_INACTIVECAPTIONTEXT:
      *entry = {P::Disabled, P::WindowText};
      return true;
    case COLOR_BTNHIGHLIGHT:
      *entry = {P::Active, P::Light};
      return true;
    case COLOR_3DDKSHADOW:
      *entry = {P::Active, P::Shadow};
      return true;
    case COLOR_3DLIGHT:
      *entry = {P::Active, P::Midlight};
      return true;
    case COLOR_INFOTEXT:
      *entry = {P::Active, P::ToolTipText};
      return true;
    case COLOR_INFOBK:
      *entry = {P::Active, P::ToolTipBase};
      return true;
    case COLOR_HOTLIGHT:
      // Hot-tracked items: the desktop's accent, as the platform's own
      // hot-tracking blue lies close to its selection colour.
      *entry = {P::Active, P::Highlight};
      return true;
    case COLOR_GRADIENTACTIVECAPTION:
      *entry = {P::Active, P::Highlight};
      return true;
    case COLOR_GRADIENTINACTIVECAPTION:
      *entry = {P::Inactive, P::Mid};
      return true;
    case COLOR_MENUHILIGHT:
      *entry = {P::Active, P::Highlight};
      return true;
    case COLOR_MENUBAR:
      *entry = {P::Active, P::Window};
      return true;
    default:
      return false;
  }
}

}  // namespace

COLORREF GetSysColor(int index) {
  PaletteEntry entry{};
  if (!PaletteEntryFor(index, &entry)) return 0;
  const QPalette palette = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr
                               ? QApplication::palette()
                               : QPalette();
  return ColorToRef(palette.color(entry.group, entry.role));
}
