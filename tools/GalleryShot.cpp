#include "tools/GalleryShot.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>
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
// Wider than this, the looks go one above the other.
constexpr int kWidestSideBySide = 1600;
// A section's entry in one look's picture: the prefix, then its title.
const QString kSectionKey = QStringLiteral("section:");

QString RectText(const QRect& rect) {
  return QStringLiteral("%1,%2,%3,%4")
      .arg(rect.x())
      .arg(rect.y())
      .arg(rect.width())
      .arg(rect.height());
}

QRect RectFromText(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return QRect();
  return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
}

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
  for (const TGallerySection& section : form->Sections()) {
    const TRect& r = section.Bounds;
    window.setText(kSectionKey + QString::fromUtf16(section.Title.data(),
                                                    static_cast<qsizetype>(section.Title.size())),
                   RectText(QRect(r.Left, r.Top, r.Width(), r.Height())));
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
  const bool sideBySide = looks[0].width() + looks[1].width() + 3 * kMargin <= kWidestSideBySide;
  const QPoint places[2] = {QPoint(kMargin, kMargin),
                            sideBySide ? QPoint(2 * kMargin + looks[0].width(), kMargin)
                                       : QPoint(kMargin, 2 * kMargin + looks[0].height())};
  QRect all;
  for (int i = 0; i < 2; ++i)
    all |= QRect(places[i], looks[i].size());
  QImage shot(all.right() + 1 + kMargin, all.bottom() + 1 + kMargin, QImage::Format_RGB32);
  shot.fill(QColor(0x5a, 0x62, 0x70));
  QPainter painter(&shot);
  for (int i = 0; i < 2; ++i)
    painter.drawImage(places[i], looks[i]);
  painter.end();
  const char* const names[2] = {"themed", "classic"};
  for (int i = 0; i < 2; ++i) {
    const QString name = QString::fromLatin1(names[i]);
    shot.setText(name, RectText(QRect(places[i], looks[i].size())));
    for (const QString& key : looks[i].textKeys()) {
      if (!key.startsWith(kSectionKey)) continue;
      const QRect section = RectFromText(looks[i].text(key)).translated(places[i]);
      shot.setText(name + QLatin1Char('/') + key.mid(kSectionKey.size()), RectText(section));
    }
  }
  if (!shot.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "scrivlo-gallery: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
