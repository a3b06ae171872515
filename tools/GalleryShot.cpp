#include "tools/GalleryShot.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

#include "components/DropDownPopup.h"
#include "framework/Application.h"
#include "platform/kernel/Modules.h"
#include "platform/uxtheme/UxTheme.h"
#include "tools/GalleryForm.h"

namespace {

constexpr int kMargin = 12;
constexpr int kRenderTimeoutMs = 60000;

// A left click on the button, as the user makes it, so that its pop-up opens.
void ClickOpen(TFormDropDown* button) {
  QWidget* widget = button->Widget();
  const QPointF at(5, 5);
  const QPointF global = widget->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

}  // namespace

QImage RenderGallery() {
  TGalleryForm* form = nullptr;
  Application->CreateForm(form);
  form->Show();
  Application->ProcessMessages();
  QImage window = form->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // The pop-up is a window of its own: drawn over the picture where it opens.
  TFormDropDown* showcase = form->ShowcaseDropDown();
  ClickOpen(showcase);
  Application->ProcessMessages();
  if (TDropDownPopup* popup = showcase->Popup(); popup != nullptr && popup->IsOpen()) {
    const QPoint at = form->Widget()->mapFromGlobal(popup->Widget()->geometry().topLeft());
    QPainter painter(&window);
    painter.drawImage(at, popup->Widget()->grab().toImage());
    popup->ClosePopup();
  }
  TComponent::Free(form);
  return window;
}

int RenderLookToFile(const std::string& path) {
  const QImage image = RenderGallery();
  if (image.isNull() || !image.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "scrivlo-gallery: cannot render the window into %s\n", path.c_str());
    return 1;
  }
  return 0;
}

int WriteGalleryScreenshot(const std::string& path) {
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "scrivlo-gallery: no temporary folder\n");
    return 1;
  }
  QImage looks[2];
  const char* const switches[2] = {"on", "off"};
  for (int i = 0; i < 2; ++i) {
    const QString file = folder.filePath(QStringLiteral("look%1.png").arg(i));
    QProcess render;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kVisualStylesSwitch), QString::fromLatin1(switches[i]));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    render.setProcessEnvironment(environment);
    render.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    render.start(QString::fromStdString(ProgramFolder() + "/scrivlo-gallery"),
                 {QString::fromLatin1(kRenderLookArgument), file});
    if (!render.waitForFinished(kRenderTimeoutMs) || render.exitStatus() != QProcess::NormalExit ||
        render.exitCode() != 0 || !looks[i].load(file)) {
      std::fprintf(stderr, "scrivlo-gallery: rendering the %s look failed\n",
                   i == 0 ? "themed" : "classic");
      return 1;
    }
  }
  QImage shot(looks[0].width() + looks[1].width() + 3 * kMargin,
              std::max(looks[0].height(), looks[1].height()) + 2 * kMargin, QImage::Format_RGB32);
  shot.fill(QColor(0x5a, 0x62, 0x70));
  QPainter painter(&shot);
  painter.drawImage(kMargin, kMargin, looks[0]);
  painter.drawImage(2 * kMargin + looks[0].width(), kMargin, looks[1]);
  painter.end();
  if (!shot.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "scrivlo-gallery: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
