#pragma once

// Conversions between the framework's values and Qt's, for the framework's
// own sources (its public headers stay free of Qt).

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPen>
#include <QRect>
#include <QString>

#include "framework/Colors.h"
#include "framework/DrawingTools.h"
#include "framework/Types.h"

QColor QtColor(TColor color);
QFont QtFont(const TFont& font);
QPen QtPen(const TPen& pen);
QBrush QtBrush(const TBrush& brush);

// Sets `role` for an enabled widget (active or not); the disabled look
// stays the style's.
inline void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
}

inline QString QtString(const String& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline String FromQt(const QString& text) {
  return String(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}
inline QRect QtRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}
inline TRect FromQt(const QRect& r) {
  return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
