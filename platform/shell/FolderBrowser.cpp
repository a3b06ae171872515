// The folder browser: Qt's folder chooser, run modally, shown by a window of
// the window layer so that the caller's callback can place it and send it
// BFFM_SETSELECTIONA like any other window.

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/shell/FolderBrowserAnswerer.h"
#include "platform/shell/ItemLists.h"
#include "platform/shell/ShlObj.h"
#include "platform/user/EventLoop.h"
#include "platform/user/WidgetWindows.h"

namespace {

TFolderBrowserAnswerer gAnswerer;

// Paths are bytes in the system code page; Qt converts them as the file
// system does.
QString FromPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string ToPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

bool IsFolder(const QString& path) {
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && info.isDir();
}

// Copies as much of `text` as fits into `size` bytes with its zero, without
// cutting a character in two.
void CopyCut(char* destination, const std::string& text, size_t size) {
  size_t length = std::min(text.size(), size - 1);
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  std::memcpy(destination, text.data(), length);
  destination[length] = '\0';
}

// Qt's chooser, in folders only, confirming a folder only while it exists.
class FolderDialog final : public QFileDialog {
 public:
  explicit FolderDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setDirectory(QDir::homePath());
  }

  // What confirming now gives: the folder picked or typed, else the one shown.
  QString Chosen() const {
    const QStringList files = selectedFiles();
    return files.size() == 1 ? QDir::cleanPath(files.front()) : QString();
  }

  // Opens the folder's parent with the folder picked; nothing for a folder
  // that does not exist.
  void SelectFolder(const QString& path) {
    const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!IsFolder(folder)) return;
    selectFile(folder);
  }

  QLineEdit* NameField() const { return findChild<QLineEdit*>("fileNameEdit"); }
  QPushButton* Button(QDialogButtonBox::StandardButton which) const {
    auto* box = findChild<QDialogButtonBox*>("buttonBox");
    return box != nullptr ? box->button(which) : nullptr;
  }

  void accept() override {
    // The folder may have gone since its name was typed or picked.
    if (!IsFolder(Chosen())) return;
    QFileDialog::accept();
  }
};

// The window that shows the dialog, for the callback and its messages.
class DialogWindow {
 public:
  explicit DialogWindow(FolderDialog* dialog)
      : FDialog(dialog), FHandle(AllocateHWnd([this](TMessage& message) { WndProc(message); })) {
    AttachWindowWidget(FHandle, dialog);
  }
  ~DialogWindow() {
    DetachWindowWidget(FHandle);
    DeallocateHWnd(FHandle);
  }
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  HWND Handle() const { return FHandle; }

 private:
  void WndProc(TMessage& message) {
    message.Result = 0;
    if (message.Msg != BFFM_SETSELECTIONA || FDialog.isNull()) return;
    if (message.WParam != 0) {
      const auto* path = reinterpret_cast<const char*>(message.LParam);
      if (path != nullptr) FDialog->SelectFolder(FromPath(path));
    } else {
      FDialog->SelectFolder(
          FromPath(ItemListPath(reinterpret_cast<LPCITEMIDLIST>(message.LParam))));
    }
  }

  QPointer<FolderDialog> FDialog;
  HWND FHandle;
};

class DialogView final : public TFolderBrowserView {
 public:
  DialogView(FolderDialog& dialog, HWND owner) : FDialog(dialog), FOwner(owner) {}

  std::string Title() const override { return FDialog.windowTitle().toStdString(); }
  std::string SelectedFolder() const override { return ToPath(FDialog.Chosen()); }
  RECT WindowRect() const override {
    const QRect frame = FDialog.frameGeometry();
    return RECT{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
  }
  HWND Owner() const override { return FOwner; }
  bool Modal() const override { return QApplication::activeModalWidget() == &FDialog; }

  bool Choose(const std::string& folder) override {
    QLineEdit* name = FDialog.NameField();
    QPushButton* confirm = FDialog.Button(QDialogButtonBox::Open);
    if (name == nullptr || confirm == nullptr) return false;
    // What was picked before goes, as when a person retypes the whole name;
    // the dialog confirms what is picked in its list over what is typed.
    name->setFocus(Qt::OtherFocusReason);
    if (auto* list = FDialog.findChild<QAbstractItemView*>("listView")) list->clearSelection();
    name->setText(FromPath(folder));
    if (confirm->isEnabled()) confirm->click();
    return !FDialog.isVisible() && FDialog.result() == QDialog::Accepted;
  }
  void Cancel() override {
    if (QPushButton* cancel = FDialog.Button(QDialogButtonBox::Cancel)) {
      cancel->click();
    } else {
      FDialog.reject();
    }
  }

 private:
  FolderDialog& FDialog;
  HWND FOwner;
};

// Deletes the dialog, unless its owner's window took it along already.
struct DialogOwnership {
  QPointer<FolderDialog> dialog;
  ~DialogOwnership() { delete dialog.data(); }
};

}  // namespace

void SetFolderBrowserAnswerer(TFolderBrowserAnswerer answerer) {
  gAnswerer = std::move(answerer);
}

LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* info) {
  if (info == nullptr || info->pidlRoot != nullptr) return nullptr;
  EnsureEventLoop();
  QWidget* ownerWidget = WindowWidget(info->hwndOwner);
  DialogOwnership owned{new FolderDialog(ownerWidget != nullptr ? ownerWidget->window() : nullptr)};
  FolderDialog* dialog = owned.dialog;
  const QString title = info->lpszTitle != nullptr ? QString::fromUtf8(info->lpszTitle) : QString();
  dialog->setWindowTitle(title.isEmpty() ? QStringLiteral("Browse For Folder") : title);
  // The size it will be shown with, and its window (with the frame, where
  // the window system tells it before showing), so the callback can place it.
  dialog->adjustSize();
  dialog->winId();
  const DialogWindow window(dialog);
  if (info->lpfn != nullptr) {
    info->lpfn(window.Handle(), BFFM_INITIALIZED, 0, info->lParam);
    if (owned.dialog.isNull()) return nullptr;
  }

  if (gAnswerer) {
    QTimer::singleShot(
        0, dialog,
        [guard = QPointer<FolderDialog>(dialog), answerer = gAnswerer, owner = info->hwndOwner] {
          DialogView view(*guard, owner);
          answerer(view);
          if (!guard.isNull() && guard->isVisible()) guard->reject();
        });
  }
  const int result = dialog->exec();
  // Closing the owner's window destroys the dialog with it: that is a cancel.
  if (owned.dialog.isNull() || result != QDialog::Accepted) return nullptr;
  const QString chosen = dialog->Chosen();
  if (!IsFolder(chosen)) return nullptr;

  const std::string path = ToPath(chosen);
  if (info->pszDisplayName != nullptr) {
    const QString name = QFileInfo(chosen).fileName();
    CopyCut(info->pszDisplayName, name.isEmpty() ? path : ToPath(name), MAX_PATH);
  }
  info->iImage = 0;
  return NewItemList(path);
}
