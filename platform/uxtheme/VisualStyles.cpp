// The visual-styles library's entry points. It keeps no table of anything:
// every handle it is given points to a struct both sides read the same way,
// and windows are found through Qt, which the program and this library share.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QStyleOption>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/Drawing.h"
#include "platform/gdi/Icons.h"
#include "platform/user/WidgetWindows.h"
#include "platform/uxtheme/ThemeParts.h"
#include "platform/uxtheme/UxTheme.h"

#define EXPORTED __attribute__((visibility("default")))

struct HTHEME__ {
  static constexpr uint32_t kSignature = 0x54686d65;
  uint32_t signature = kSignature;
  ThemeClass themeClass = ThemeClass::Button;
  QPointer<QWidget> window;
};

namespace {

bool HaveGuiApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

HTHEME__* Live(HTHEME theme) {
  return theme != nullptr && theme->signature == HTHEME__::kSignature ? theme : nullptr;
}

// The widget showing `window`, found through the handle every one of our
// window widgets carries.
QWidget* FindWindow(HWND window) {
  if (window == nullptr || !HaveGuiApplication()) return nullptr;
  const auto wanted = static_cast<qulonglong>(reinterpret_cast<uintptr_t>(window));
  for (QWidget* widget : QApplication::allWidgets()) {
    const QVariant handle = widget->property(kWindowHandleProperty);
    if (handle.isValid() && handle.toULongLong() == wanted) return widget;
  }
  return nullptr;
}

bool ClassFromName(const QString& name, ThemeClass* themeClass) {
  static const struct {
    const char* name;
    ThemeClass themeClass;
  } kClasses[] = {{"BUTTON", ThemeClass::Button},
                  {"SCROLLBAR", ThemeClass::ScrollBar},
                  {"TOOLBAR", ThemeClass::Toolbar},
                  {"EDIT", ThemeClass::Edit},
                  {"SPIN", ThemeClass::Spin}};
  for (const auto& known : kClasses) {
    if (name.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) {
      *themeClass = known.themeClass;
      return true;
    }
  }
  return false;
}

ThemeLook LookFor(const HTHEME__& theme) {
  QWidget* widget = theme.window.data();
  return ThemeLook{widget != nullptr ? widget->style() : QApplication::style(),
                   widget != nullptr ? widget->palette() : QApplication::palette(), widget};
}

QRect ToQRect(const RECT& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

RECT FromQRect(const QRect& rect) {
  return RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

}  // namespace

extern "C" {

EXPORTED BOOL IsThemeActive() {
  return HaveGuiApplication() && !VisualStylesSwitchedOff() ? 1 : 0;
}

EXPORTED BOOL IsAppThemed() {
  return HaveGuiApplication() ? 1 : 0;
}

EXPORTED HTHEME OpenThemeData(HWND window, LPCWSTR classList) {
  if (!IsThemeActive() || classList == nullptr) return nullptr;
  // The first class of the list this library knows.
  const QStringList names =
      QString::fromUtf16(classList).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (const QString& name : names) {
    ThemeClass themeClass;
    if (!ClassFromName(name.trimmed(), &themeClass)) continue;
    auto* theme = new HTHEME__;
    theme->themeClass = themeClass;
    theme->window = FindWindow(window);
    return theme;
  }
  return nullptr;
}

EXPORTED HRESULT CloseThemeData(HTHEME theme) {
  if (Live(theme) == nullptr) return E_INVALIDARG;
  theme->signature = 0;
  delete theme;
  return S_OK;
}

EXPORTED HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                                     const RECT* clip) {
  if (Live(theme) == nullptr || rect == nullptr) return E_INVALIDARG;
  TDCPainter painter(dc);
  if (!painter.Active()) return E_INVALIDARG;
  if (clip != nullptr) painter->setClipRect(ToQRect(*clip), Qt::IntersectClip);
  return DrawPart(LookFor(*theme), theme->themeClass, *painter, part, state, ToQRect(*rect))
             ? S_OK
             : E_INVALIDARG;
}

EXPORTED HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) {
  QWidget* widget = FindWindow(window);
  TDrawingState* state = DrawingState(dc);
  if (widget == nullptr || state == nullptr) return E_INVALIDARG;
  QWidget* parent = widget->parentWidget();
  if (parent == nullptr) return S_OK;  // nothing lies behind a window
  const QRect area = rect != nullptr ? ToQRect(*rect) : widget->rect();
  if (area.isEmpty()) return S_OK;
  const QRect inParent = area.translated(widget->pos());
  QImage behind(area.size(), QImage::Format_ARGB32_Premultiplied);
  behind.fill(Qt::transparent);
  // Beyond the parent's client area (a form not yet grown to its size) the
  // parent paints nothing, yet the window keeps what it draws now for when
  // it is uncovered: there the parent's erasing colour, not a hole that an
  // opaque window shows black.
  const QRegion beyond = QRegion(behind.rect()) - parent->rect().translated(-inParent.topLeft());
  if (!beyond.isEmpty()) {
    QPainter erase(&behind);
    erase.setClipRegion(beyond);
    erase.setBrushOrigin(-inParent.topLeft());
    erase.fillRect(behind.rect(), parent->palette().brush(parent->backgroundRole()));
  }
  // What the parent paints where the area lies, its other children left out.
  const QRect shown = inParent & parent->rect();
  if (!shown.isEmpty()) {
    parent->render(&behind, shown.topLeft() - inParent.topLeft(), QRegion(shown),
                   QWidget::DrawWindowBackground);
  }
  TDCPainter painter(dc);
  if (!painter.Active()) return E_INVALIDARG;
  painter->setCompositionMode(QPainter::CompositionMode_Source);
  painter->drawImage(area.topLeft(), behind);
  return S_OK;
}

EXPORTED HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                               DWORD flags, DWORD flags2, const RECT* rect) {
  if (Live(theme) == nullptr || rect == nullptr || text == nullptr) return E_INVALIDARG;
  TDCPainter painter(dc);
  if (!painter.Active()) return E_INVALIDARG;
  const ThemeLook look = LookFor(*theme);
  const bool enabled = (flags2 & DTT_GRAYED) == 0 && !DisabledState(theme->themeClass, part, state);
  QPalette palette = look.palette;
  palette.setCurrentColorGroup(enabled ? QPalette::Active : QPalette::Disabled);
  look.style->drawItemText(&*painter, ToQRect(*rect), QtAlignmentFromTextFormat(flags), palette,
                           enabled, TextFromWide(text, count), TextRole(theme->themeClass));
  return S_OK;
}

EXPORTED HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC, int part, int,
                                               const RECT* bounding, RECT* content) {
  if (Live(theme) == nullptr || bounding == nullptr || content == nullptr) return E_INVALIDARG;
  *content = FromQRect(PartContent(LookFor(*theme), theme->themeClass, part, ToQRect(*bounding)));
  return S_OK;
}

EXPORTED HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int, int, LPCWSTR text, int count,
                                    DWORD flags, const RECT* bounding, RECT* extent) {
  TDrawingState* state = DrawingState(dc);
  if (Live(theme) == nullptr || state == nullptr || text == nullptr || extent == nullptr) {
    return E_INVALIDARG;
  }
  const QFontMetrics metrics(state->font);
  const QRect box = bounding != nullptr ? ToQRect(*bounding) : QRect(0, 0, 1 << 20, 1 << 20);
  const QRect needed =
      metrics.boundingRect(QRect(box.topLeft(), QSize(box.width(), 1 << 20)),
                           QtAlignmentFromTextFormat(flags) & ~(Qt::AlignHCenter | Qt::AlignRight |
                                                                Qt::AlignVCenter | Qt::AlignBottom),
                           TextFromWide(text, count));
  *extent = RECT{box.left(), box.top(), box.left() + needed.width(), box.top() + needed.height()};
  return S_OK;
}

EXPORTED HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                               HIMAGELIST images, int index) {
  const QImage* image = ImageList_Image(images, index);
  if (Live(theme) == nullptr || rect == nullptr || image == nullptr) return E_INVALIDARG;
  TDCPainter painter(dc);
  if (!painter.Active()) return E_INVALIDARG;
  const ThemeLook look = LookFor(*theme);
  QPixmap picture = QPixmap::fromImage(*image);
  if (DisabledState(theme->themeClass, part, state)) {
    QStyleOption option;
    option.palette = look.palette;
    picture = look.style->generatedIconPixmap(QIcon::Disabled, picture, &option);
  }
  const QRect box = ToQRect(*rect);
  painter->drawPixmap(box.left() + (box.width() - picture.width()) / 2,
                      box.top() + (box.height() - picture.height()) / 2, picture);
  return S_OK;
}

}  // extern "C"
