#include "framework/KeyMapping.h"

#include <utility>

#include "platform/user/VirtualKeys.h"

namespace {

// Keys whose codes do not follow from a range.
constexpr std::pair<int, WORD> kNamedKeys[] = {
    {Qt::Key_Backspace, VK_BACK},   {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},    {Qt::Key_Enter, VK_RETURN},    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},        {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE},   {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},     {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},        {Qt::Key_Left, VK_LEFT},       {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},      {Qt::Key_Down, VK_DOWN},       {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},    {Qt::Key_NumLock, VK_NUMLOCK}, {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Semicolon, 0xBA},      {Qt::Key_Equal, 0xBB},         {Qt::Key_Comma, 0xBC},
    {Qt::Key_Minus, 0xBD},          {Qt::Key_Period, 0xBE},        {Qt::Key_Slash, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},      {Qt::Key_BracketLeft, 0xDB},   {Qt::Key_Backslash, 0xDC},
    {Qt::Key_BracketRight, 0xDD},   {Qt::Key_Apostrophe, 0xDE},
};

}  // namespace

WORD VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return static_cast<WORD>(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
  if (keypad) {
    switch (key) {
      case Qt::Key_Asterisk:
        return VK_MULTIPLY;
      case Qt::Key_Plus:
        return VK_ADD;
      case Qt::Key_Minus:
        return VK_SUBTRACT;
      case Qt::Key_Period:
        return VK_DECIMAL;
      case Qt::Key_Slash:
        return VK_DIVIDE;
      default:
        break;
    }
  }
  for (const auto& [qt, vk] : kNamedKeys) {
    if (qt == key) return vk;
  }
  return 0;
}

int QtKeyFromVirtualKey(WORD key) {
  if (key >= '0' && key <= '9') return Qt::Key_0 + (key - '0');
  if (key >= 'A' && key <= 'Z') return Qt::Key_A + (key - 'A');
  if (key >= VK_F1 && key <= VK_F24) return Qt::Key_F1 + (key - VK_F1);
  for (const auto& [qt, vk] : kNamedKeys) {
    if (vk == key) return qt;
  }
  return Qt::Key_unknown;
}

WideChar CharCodeFromQt(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if ((modifiers & Qt::AltModifier) != 0) return 0;
  const int key = event.key();
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete) return 0;
  if (key == Qt::Key_Backspace) return 8;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return 13;
  if (key == Qt::Key_Escape) return 27;
  if ((modifiers & Qt::ControlModifier) != 0) {
    return key >= Qt::Key_A && key <= Qt::Key_Z ? static_cast<WideChar>(key - Qt::Key_A + 1) : 0;
  }
  const QString text = event.text();
  if (text.isEmpty()) return 0;
  const char16_t c = text.at(0).unicode();
  return c < 0x20 || c == 0x7F ? 0 : c;
}

QKeyEvent KeyEventForChar(WideChar character, Qt::KeyboardModifiers modifiers) {
  const QString text(QChar(static_cast<char16_t>(character)));
  switch (character) {
    case 8:
      return QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, modifiers, text);
    case 13:
      return QKeyEvent(QEvent::KeyPress, Qt::Key_Return, modifiers, text);
    case 27:
      return QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, modifiers, text);
    default:
      break;
  }
  if (character >= 1 && character <= 26) {
    return QKeyEvent(QEvent::KeyPress, Qt::Key_A + (character - 1), modifiers | Qt::ControlModifier,
                     text);
  }
  const int key = character >= u'a' && character <= u'z'   ? Qt::Key_A + (character - u'a')
                  : character >= u'A' && character <= u'Z' ? Qt::Key_A + (character - u'A')
                  : character >= u'0' && character <= u'9' ? Qt::Key_0 + (character - u'0')
                                                           : Qt::Key_unknown;
  return QKeyEvent(QEvent::KeyPress, key, modifiers & ~Qt::ControlModifier, text);
}
