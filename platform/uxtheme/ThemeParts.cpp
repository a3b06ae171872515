#include "platform/uxtheme/ThemeParts.h"

#include <QStyleOption>

#include "platform/uxtheme/UxTheme.h"

namespace {

// The four states most parts have, in the platform's order.
enum class Look { Normal, Hot, Pressed, Disabled };

Look LookOf(int state) {
  return static_cast<Look>((state - 1) % 4);
}

QStyle::State StateFlags(Look look) {
  QStyle::State flags = QStyle::State_Active;
  if (look != Look::Disabled) flags |= QStyle::State_Enabled;
  if (look == Look::Hot) flags |= QStyle::State_MouseOver;
  flags |= look == Look::Pressed ? QStyle::State_Sunken : QStyle::State_Raised;
  return flags;
}

void Prepare(const ThemeLook& look, QStyleOption& option, const QRect& rect, QStyle::State state) {
  if (look.widget != nullptr) option.initFrom(look.widget);
  // The state asked for decides the colours, not the window's own state.
  option.palette = look.palette;
  option.palette.setCurrentColorGroup((state & QStyle::State_Enabled) != 0 ? QPalette::Active
                                                                           : QPalette::Disabled);
  option.rect = rect;
  option.state = state;
  option.direction = Qt::LeftToRight;
}

// A button face filling the rectangle with an arrow in it: the scroll-bar
// arrow buttons and the spin buttons.
void ArrowButton(const ThemeLook& look, QPainter& painter, const QRect& rect, Look state,
                 QStyle::PrimitiveElement arrow) {
  // Opaque, as a scroll bar's buttons are: the face's rounded corners show
  // the bar's own colour, not what was drawn there before.
  painter.fillRect(rect, look.palette.color(QPalette::Window));
  QStyleOptionButton face;
  Prepare(look, face, rect, StateFlags(state));
  look.style->drawPrimitive(QStyle::PE_PanelButtonCommand, &face, &painter, look.widget);
  QStyleOption glyph;
  const int inset = std::max(2, std::min(rect.width(), rect.height()) / 5);
  QRect area = rect.adjusted(inset, inset, -inset, -inset);
  if (state == Look::Pressed) area.translate(1, 1);
  Prepare(look, glyph, area, StateFlags(state));
  look.style->drawPrimitive(arrow, &glyph, &painter, look.widget);
}

bool DrawButtonPart(const ThemeLook& look, QPainter& painter, int part, int state,
                    const QRect& rect) {
  switch (part) {
    case BP_PUSHBUTTON: {
      if (state < PBS_NORMAL || state > PBS_DEFAULTED) return false;
      QStyleOptionButton button;
      Prepare(look, button, rect,
              StateFlags(state == PBS_DEFAULTED ? Look::Normal : static_cast<Look>(state - 1)));
      if (state == PBS_DEFAULTED) button.features |= QStyleOptionButton::DefaultButton;
      look.style->drawControl(QStyle::CE_PushButtonBevel, &button, &painter, look.widget);
      return true;
    }
    case BP_CHECKBOX:
    case BP_RADIOBUTTON: {
      const int groups = part == BP_CHECKBOX ? 3 : 2;
      if (state < 1 || state > groups * 4) return false;
      QStyleOptionButton box;
      QStyle::State flags = StateFlags(LookOf(state));
      const int group = (state - 1) / 4;
      flags |= group == 0   ? QStyle::State_Off
               : group == 1 ? QStyle::State_On
                            : QStyle::State_NoChange;
      Prepare(look, box, rect, flags);
      look.style->drawPrimitive(
          part == BP_CHECKBOX ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton,
          &box, &painter, look.widget);
      return true;
    }
    case BP_GROUPBOX: {
      QStyleOptionFrame frame;
      Prepare(look, frame, rect, StateFlags(state == 2 ? Look::Disabled : Look::Normal));
      frame.lineWidth = 1;
      look.style->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &painter, look.widget);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool DisabledState(ThemeClass themeClass, int part, int state) {
  switch (themeClass) {
    case ThemeClass::Button:
      return part == BP_PUSHBUTTON ? state == PBS_DISABLED : LookOf(state) == Look::Disabled;
    case ThemeClass::Toolbar:
      return state == TS_DISABLED;
    case ThemeClass::Edit:
      return state == ETS_DISABLED;
    default:
      return LookOf(state) == Look::Disabled;
  }
}

QPalette::ColorRole TextRole(ThemeClass themeClass) {
  switch (themeClass) {
    case ThemeClass::Edit:
      return QPalette::Text;
    case ThemeClass::Button:
    case ThemeClass::Toolbar:
      return QPalette::ButtonText;
    default:
      return QPalette::WindowText;
  }
}

bool DrawPart(const ThemeLook& look, ThemeClass themeClass, QPainter& painter, int part, int state,
              const QRect& rect) {
  switch (themeClass) {
    case ThemeClass::Button:
      return DrawButtonPart(look, painter, part, state, rect);
    case ThemeClass::ScrollBar: {
      if (part != SBP_ARROWBTN || state < 1 || state > 16) return false;
      static constexpr QStyle::PrimitiveElement kArrows[] = {
          QStyle::PE_IndicatorArrowUp, QStyle::PE_IndicatorArrowDown, QStyle::PE_IndicatorArrowLeft,
          QStyle::PE_IndicatorArrowRight};
      ArrowButton(look, painter, rect, LookOf(state), kArrows[(state - 1) / 4]);
      return true;
    }
    case ThemeClass::Spin: {
      if ((part != SPNP_UP && part != SPNP_DOWN) || state < 1 || state > 4) return false;
      ArrowButton(look, painter, rect, LookOf(state),
                  part == SPNP_UP ? QStyle::PE_IndicatorSpinUp : QStyle::PE_IndicatorSpinDown);
      return true;
    }
    case ThemeClass::Toolbar: {
      if (part != TP_BUTTON || state < TS_NORMAL || state > TS_HOTCHECKED) return false;
      // A tool-bar button is flat until the pointer is on it or it is down.
      if (state == TS_NORMAL || state == TS_DISABLED) return true;
      QStyleOptionToolButton button;
      QStyle::State flags = QStyle::State_AutoRaise | QStyle::State_Active;
      if (state != TS_DISABLED) flags |= QStyle::State_Enabled;
      if (state == TS_HOT || state == TS_HOTCHECKED) flags |= QStyle::State_MouseOver;
      if (state == TS_PRESSED) flags |= QStyle::State_Sunken;
      if (state == TS_CHECKED || state == TS_HOTCHECKED)
        flags |= QStyle::State_On | QStyle::State_Sunken;
      if (flags & (QStyle::State_MouseOver | QStyle::State_Sunken)) flags |= QStyle::State_Raised;
      Prepare(look, button, rect, flags);
      look.style->drawPrimitive(QStyle::PE_PanelButtonTool, &button, &painter, look.widget);
      return true;
    }
    case ThemeClass::Edit: {
      if (part != EP_EDITTEXT || state < ETS_NORMAL || state > ETS_READONLY) return false;
      QStyleOptionFrame frame;
      QStyle::State flags = QStyle::State_Sunken | QStyle::State_Active;
      if (state != ETS_DISABLED) flags |= QStyle::State_Enabled;
      if (state == ETS_HOT) flags |= QStyle::State_MouseOver;
      if (state == ETS_FOCUSED || state == ETS_SELECTED) flags |= QStyle::State_HasFocus;
      if (state == ETS_READONLY) flags |= QStyle::State_ReadOnly;
      Prepare(look, frame, rect, flags);
      frame.lineWidth = look.style->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, look.widget);
      if (state == ETS_READONLY || state == ETS_DISABLED) {
        frame.palette.setBrush(QPalette::Base, frame.palette.brush(QPalette::Window));
      }
      look.style->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, look.widget);
      return true;
    }
  }
  return false;
}

QRect PartContent(const ThemeLook& look, ThemeClass themeClass, int part, const QRect& rect) {
  const int frame = look.style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, look.widget);
  switch (themeClass) {
    case ThemeClass::Button:
      if (part == BP_PUSHBUTTON) return rect.adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
      return rect;
    case ThemeClass::Toolbar:
      return rect.adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
    case ThemeClass::Edit:
      return rect.adjusted(frame, frame, -frame, -frame);
    default:
      return rect;
  }
}
