#pragma once

// How the visual-styles library draws each class's parts and states with a
// Qt style (library-internal).

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QStyle>
#include <QWidget>

enum class ThemeClass { Button, ScrollBar, Toolbar, Edit, Spin };

// What the parts are drawn with: a style, and a palette and widget to take
// colours and metrics from (the window the theme was opened for, if any).
struct ThemeLook {
  QStyle* style;
  QPalette palette;
  QWidget* widget;  // may be null
};

// False for a part or state the class does not have.
bool DrawPart(const ThemeLook& look, ThemeClass themeClass, QPainter& painter, int part, int state,
              const QRect& rect);
// The inside of a part's background, where its content goes.
QRect PartContent(const ThemeLook& look, ThemeClass themeClass, int part, const QRect& rect);
// Whether the state is a disabled one.
bool DisabledState(ThemeClass themeClass, int part, int state);
// The colour role of text on the part.
QPalette::ColorRole TextRole(ThemeClass themeClass);
