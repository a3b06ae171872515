#include "framework/QtBridge.h"

#include <QApplication>

#include "platform/gdi/Drawing.h"

QColor QtColor(TColor color) {
  return ColorFromRef(ColorToRGB(color));
}

QFont QtFont(const TFont& font) {
  QFont result = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr
                     ? QApplication::font()
                     : QFont();
  if (font.Name() != "Default" && !font.Name().empty()) {
    result.setFamily(QString::fromStdString(font.Name()));
  }
  // Negative: the characters' height; positive: the line's, of which the
  // characters take about five sixths.
  const int height = font.Height();
  if (height < 0) {
    result.setPixelSize(-height);
  } else if (height > 0) {
    result.setPixelSize(std::max(1, height * 5 / 6));
  }
  result.setBold(font.Style().Contains(fsBold));
  result.setItalic(font.Style().Contains(fsItalic));
  result.setUnderline(font.Style().Contains(fsUnderline));
  result.setStrikeOut(font.Style().Contains(fsStrikeOut));
  return result;
}

QPen QtPen(const TPen& pen) {
  Qt::PenStyle style = Qt::SolidLine;
  switch (pen.Style()) {
    case psDash:
      style = Qt::DashLine;
      break;
    case psDot:
      style = Qt::DotLine;
      break;
    case psDashDot:
      style = Qt::DashDotLine;
      break;
    case psDashDotDot:
      style = Qt::DashDotDotLine;
      break;
    case psClear:
      style = Qt::NoPen;
      break;
    default:
      break;
  }
  QPen result(QtColor(pen.Color()), std::max(1, pen.Width()), style, Qt::SquareCap, Qt::MiterJoin);
  return result;
}

QBrush QtBrush(const TBrush& brush) {
  Qt::BrushStyle style = Qt::SolidPattern;
  switch (brush.Style()) {
    case bsClear:
      style = Qt::NoBrush;
      break;
    case bsHorizontal:
      style = Qt::HorPattern;
      break;
    case bsVertical:
      style = Qt::VerPattern;
      break;
    case bsFDiagonal:
      style = Qt::FDiagPattern;
      break;
    case bsBDiagonal:
      style = Qt::BDiagPattern;
      break;
    case bsCross:
      style = Qt::CrossPattern;
      break;
    case bsDiagCross:
      style = Qt::DiagCrossPattern;
      break;
    default:
      break;
  }
  return QBrush(QtColor(brush.Color()), style);
}
