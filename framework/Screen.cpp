#include "framework/Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/Form.h"
#include "framework/QtBridge.h"

namespace {

TScreen gScreen;

QScreen* Primary() {
  Application->EnsureEventLoop();
  return QGuiApplication::primaryScreen();
}

}  // namespace

TScreen* const Screen = &gScreen;

int TScreen::Width() const {
  QScreen* screen = Primary();
  return screen != nullptr ? screen->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen* screen = Primary();
  return screen != nullptr ? screen->geometry().height() : 0;
}

TRect TScreen::WorkAreaRect() const {
  QScreen* screen = Primary();
  return screen != nullptr ? FromQt(screen->availableGeometry()) : TRect{};
}

TRect TScreen::DesktopRect() const {
  QScreen* screen = Primary();
  return screen != nullptr ? FromQt(screen->virtualGeometry()) : TRect{};
}

TForm* TScreen::ActiveForm() const {
  return dynamic_cast<TForm*>(ControlOfWidget(QApplication::activeWindow()));
}
