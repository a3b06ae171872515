#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

// Where scrivlo-gallery's screenshot says a window ("themed", "classic") or
// a section of it ("themed/Angle edit") landed, in the picture's pixels;
// empty when the picture names no such thing.
inline QRect GalleryPlace(const QImage& shot, const QString& key) {
  const QStringList parts = shot.text(key).split(QLatin1Char(','));
  if (parts.size() != 4) return QRect();
  return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
}
