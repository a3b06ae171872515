#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <map>
#include <utility>

#include "platform/shell/ShellApi.h"
#include "platform/user/Messages.h"

namespace {

// What a caller's record says, read no further than its cbSize.
struct TNotifyRecord {
  HWND window = nullptr;
  UINT id = 0;
  UINT flags = 0;
  UINT callback = 0;
  HICON icon = nullptr;
  QString tip;
};

bool ReadRecord(const NOTIFYICONDATAW* data, TNotifyRecord* record) {
  if (data == nullptr || data->cbSize < NOTIFYICONDATAW_V1_SIZE) return false;
  record->window = data->hWnd;
  record->id = data->uID;
  record->flags = data->uFlags;
  record->callback = data->uCallbackMessage;
  record->icon = data->hIcon;
  const size_t room = std::min<size_t>(
      std::size(data->szTip), (data->cbSize - offsetof(NOTIFYICONDATAW, szTip)) / sizeof(WCHAR));
  size_t length = 0;
  while (length < room && data->szTip[length] != 0)
    ++length;
  record->tip = QString::fromUtf16(data->szTip, static_cast<qsizetype>(length));
  return true;
}

// The mouse message a window expects for what Qt reports on its icon. Qt
// gives no press and release of its own, only these activations:
// - Context: the icon's menu is asked for (on the XEmbed tray at the right
//   button's press, on a StatusNotifierItem host when the host says so).
//   Programs open that menu on WM_RBUTTONUP, so that is what they get.
// - Trigger: a plain click, on the XEmbed tray the left button's press:
//   WM_LBUTTONUP, the end of a left click.
// - DoubleClick: WM_LBUTTONDBLCLK.
// - MiddleClick: WM_MBUTTONUP.
// Anything else Qt may report has no counterpart and is not passed on.
UINT MouseMessage(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Context:
      return WM_RBUTTONUP;
    case QSystemTrayIcon::Trigger:
      return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
      return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::MiddleClick:
      return WM_MBUTTONUP;
    default:
      return 0;
  }
}

// An icon with no picture of its own holds its place in the notification
// area with a clear one, as an icon added without NIF_ICON does.
QIcon IconOf(HICON icon) {
  if (const QImage* image = IconImage(icon)) return QIcon(QPixmap::fromImage(*image));
  QPixmap clear(16, 16);
  clear.fill(Qt::transparent);
  return QIcon(clear);
}

struct TNotifyIcon {
  QPointer<QSystemTrayIcon> tray;
  bool notifies = false;
  UINT callback = 0;
};

using TIconKey = std::pair<HWND, UINT>;
std::map<TIconKey, TNotifyIcon> gIcons;

void Discard(QSystemTrayIcon* tray) {
  if (tray == nullptr) return;
  tray->hide();
  tray->deleteLater();
}

void Apply(TNotifyIcon& icon, const TNotifyRecord& record) {
  if ((record.flags & NIF_MESSAGE) != 0) {
    icon.notifies = true;
    icon.callback = record.callback;
  }
  if ((record.flags & NIF_ICON) != 0) icon.tray->setIcon(IconOf(record.icon));
  if ((record.flags & NIF_TIP) != 0) icon.tray->setToolTip(record.tip);
}

void Activated(const TIconKey& key, const QSystemTrayIcon* tray,
               QSystemTrayIcon::ActivationReason reason) {
  const auto found = gIcons.find(key);
  // A removed icon may still report what happened before it went.
  if (found == gIcons.end() || found->second.tray != tray) return;
  // The icon of a window that is gone goes too, as soon as someone touches it.
  if (!IsMessageWindow(key.first)) {
    QSystemTrayIcon* gone = found->second.tray;
    gIcons.erase(found);
    // Not from inside the handler of the icon's own widget, which hiding
    // it takes down.
    QTimer::singleShot(0, gone, [gone] { Discard(gone); });
    return;
  }
  const UINT mouse = MouseMessage(reason);
  if (!found->second.notifies || mouse == 0) return;
  PostMessage(key.first, found->second.callback, key.second, static_cast<LPARAM>(mouse));
}

bool NotificationAreaAvailable() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
         QSystemTrayIcon::isSystemTrayAvailable();
}

BOOL Add(const TNotifyRecord& record) {
  const TIconKey key{record.window, record.id};
  if (!IsMessageWindow(record.window)) return 0;
  const auto existing = gIcons.find(key);
  if (existing != gIcons.end() && !existing->second.tray.isNull()) return 0;
  if (existing != gIcons.end()) gIcons.erase(existing);
  // Qt still "shows" an icon when there is nowhere to show it.
  if (!NotificationAreaAvailable()) return 0;
  TNotifyIcon icon;
  icon.tray = new QSystemTrayIcon(IconOf(nullptr), QCoreApplication::instance());
  QSystemTrayIcon* tray = icon.tray;
  QObject::connect(
      tray, &QSystemTrayIcon::activated, tray,
      [key, tray](QSystemTrayIcon::ActivationReason reason) { Activated(key, tray, reason); });
  Apply(icon, record);
  icon.tray->show();
  gIcons.emplace(key, icon);
  return 1;
}

}  // namespace

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
  TNotifyRecord record;
  if (!ReadRecord(data, &record)) return 0;
  if (message == NIM_ADD) return Add(record);
  const auto found = gIcons.find(TIconKey{record.window, record.id});
  if (found == gIcons.end() || found->second.tray.isNull()) return 0;
  switch (message) {
    case NIM_MODIFY:
      Apply(found->second, record);
      return 1;
    case NIM_DELETE:
      Discard(found->second.tray);
      gIcons.erase(found);
      return 1;
    default:
      return 0;
  }
}

HRESULT Shell_NotifyIconGetRect(const NOTIFYICONIDENTIFIER* identifier, RECT* iconLocation) {
  if (identifier == nullptr || iconLocation == nullptr) return E_INVALIDARG;
  const auto found = gIcons.find(TIconKey{identifier->hWnd, identifier->uID});
  if (found == gIcons.end() || found->second.tray.isNull()) return E_FAIL;
  const QRect place = found->second.tray->geometry();
  if (place.isEmpty()) return E_FAIL;
  *iconLocation = RECT{place.left(), place.top(), place.right() + 1, place.bottom() + 1};
  return S_OK;
}
