#pragma once

// Conversions between the framework's values and Qt's, for the framework's
// own sources (its public headers stay free of Qt).

#include <QColor>
#include <QFont>
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
