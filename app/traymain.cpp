#include "app/traymain.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

#include "app/CaptureName.h"
#include "app/FormMainLayout.h"
#include "imaging/PixelsToPng.h"
#include "imaging/ScreenCapture.h"
#include "platform/CodePage.h"
#include "platform/gdi/Icons.h"
#include "platform/user/Resources.h"
#include "platform/user/WidgetWindows.h"
#include "protocol/Beacon.h"
#include "streams/OFileStream.h"
#include "streams/SimpleString.h"

TFormMain* FormMain = nullptr;
HINSTANCE ModuleInstance = nullptr;
bool ListenOnLocalHostOnly = false;

namespace {

// Prints the capture's name as its line on standard output, at once: the
// line tells whoever watches the server that a capture happened.
std::string AnnounceCapture() {
  const std::string name = CaptureName(std::time(nullptr));
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);
  return name;
}

}  // namespace

TFormMain::TFormMain(TComponent* AOwner) : TForm(AOwner) {
  LoadFormMainLayout(this);
  ReadSettings();

  // Checking a radio button raises its OnClick, which sets currentWindow
  // from the buttons: to the same value.
  if (currentWindow) {
    CurrentWindow->SetChecked(true);
    WholeScreen->SetChecked(false);
  } else {
    CurrentWindow->SetChecked(false);
    WholeScreen->SetChecked(true);
  }

  udpClient = new TOrbSimpleUDPClient(this);
  udpClient->SetPort(port);
  udpClient->SetParent(this);
  udpClient->OnError = fnSimpleTCPErrorEvent::Bind(this, &TFormMain::UdpError);
  udpClient->Open();
  udpClient->OnDataAvailable = fnTUDPDataAvailableEvent::Bind(this, &TFormMain::UdpDataAvailable);

  OrbSimpleTCPServer1->SetLocalHostOnly(ListenOnLocalHostOnly);
  OrbSimpleTCPServer1->SetPort(static_cast<uint16_t>(port));
  OrbSimpleTCPServer1->SetListen(true);

  PortNo->SetIntValue(port);
  UseFixedIP->SetChecked(fixedIp);
  IpAddress->SetText(CodePageToUtf16(ipaddress));
}

TFormMain::~TFormMain() = default;

void TFormMain::ReadSettings() {
  if (!RegistryFormSaver->OpenRegistry()) return;
  // Each read leaves its field alone when the value is missing or unusable.
  RegistryFormSaver->ReadInteger("port", port);
  RegistryFormSaver->ReadBool("currentWindow", currentWindow);
  RegistryFormSaver->ReadBool("fixedIp", fixedIp);
  RegistryFormSaver->ReadString("passwd", passwd);
  RegistryFormSaver->ReadString("ipaddress", ipaddress);
  RegistryFormSaver->CloseRegistry();
}

void TFormMain::SaveSettings() {
  if (!RegistryFormSaver->OpenRegistry()) return;
  try {
    RegistryFormSaver->SaveInteger("port", port);
    RegistryFormSaver->SaveBool("currentWindow", currentWindow);
    RegistryFormSaver->SaveString("passwd", passwd);
    RegistryFormSaver->SaveString("ipaddress", ipaddress);
    RegistryFormSaver->SaveBool("fixedIp", fixedIp);
  } catch (const std::exception& e) {
    // A write that fails (a full disk, a hive made read-only) must not keep
    // the icon from going: say so and go on ending.
    std::fprintf(stderr, "scrivlo-server: the settings could not be saved: %s\n", e.what());
  }
  RegistryFormSaver->CloseRegistry();
}

void TFormMain::FormCreate(TObject*) {
  FTrayIconShown = UpdateTrayIcon(NIM_ADD);
  UpdateTrayIcon(NIM_MODIFY);
}

void TFormMain::FormClose(TObject*, TCloseAction&) {
  if (udpClient == nullptr) return;
  udpClient->Close();
  TComponent::Free(udpClient);
  udpClient = nullptr;
}

void TFormMain::FormDestroy(TObject*) {
  SaveSettings();
  UpdateTrayIcon(NIM_DELETE);
}

void TFormMain::OrbSimpleTCPServer1ClientConnected(TObject*, TOrbSimpleTCPClient*) {
  Timer1->SetEnabled(false);
  CaptureAndBroadcast();
}

void TFormMain::OrbSimpleTCPServer1ClientDataAvailable(TObject*, TOrbSimpleTCPClient* client,
                                                       int DataSize) {
  // What a client sends means nothing: take it off the connection, so that
  // the server does not announce the same bytes again, and drop it.
  if (DataSize > 0) {
    std::vector<char> scratch(static_cast<size_t>(DataSize));
    OrbSimpleTCPServer1->Receive(client, scratch.data(), DataSize, false);
  }
  Timer1->SetEnabled(false);
  CaptureAndBroadcast();
}

void TFormMain::OrbSimpleTCPServer1Error(TObject*, int, int, const std::string&) {}

void TFormMain::UdpError(TObject*, int, int, const std::string&) {}

void TFormMain::UdpDataAvailable(const TUDPEndPoint&, const std::string&) {}

void TFormMain::CaptureAndBroadcast() {
  AnnounceCapture();
  const TCaptureRect rect = SelectCaptureRect(currentWindow);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  const TOMemStream& message = FFrameCache.MessageFor(rect, std::move(pixels));
  OrbSimpleTCPServer1->Broadcast(reinterpret_cast<const char*>(message.GetBuffer()),
                                 static_cast<int>(message.GetSize()));
  Timer1->SetEnabled(true);
}

void TFormMain::CaptureToFile() {
  UpdateTrayIcon(NIM_MODIFY);
  const std::string name = AnnounceCapture();
  const TCaptureRect rect = SelectCaptureRect(currentWindow);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  // Without pixels there is no image: no empty file stands under its name.
  if (!pixels) return;
  const TSimpleString fileName(name.c_str());
  TOFileStream file(fileName);
  if (!file.Failed()) WritePngFromPixels(&file, pixels.get(), rect.width, rect.height);
}

void TFormMain::Timer1Timer(TObject*) {
  if (udpClient == nullptr) return;
  const TBeacon beacon = BuildBeacon();
  const auto* bytes = reinterpret_cast<const char*>(beacon.data());
  const int length = static_cast<int>(beacon.size());
  if (UseFixedIP->Checked()) {
    TUDPEndPoint to;
    to.IP = udpClient->IpFromString(Utf16ToCodePage(IpAddress->Text()));
    to.Port = PortNo->GetIntValue();
    udpClient->Send(to, bytes, length);
  } else {
    udpClient->Broadcast(bytes, length);
  }
}

void TFormMain::PortNoChange(TObject*) {
  port = PortNo->GetIntValue();
  OrbSimpleTCPServer1->SetListen(false);
  if (udpClient != nullptr) {
    udpClient->Close();
    udpClient->SetPort(port);
    udpClient->Open();
  }
  OrbSimpleTCPServer1->SetPort(static_cast<uint16_t>(port));
  OrbSimpleTCPServer1->SetListen(true);
}

void TFormMain::WholeScreenClick(TObject*) {
  currentWindow = !WholeScreen->Checked();
}

void TFormMain::UseFixedIPClick(TObject*) {
  fixedIp = UseFixedIP->Checked();
}

void TFormMain::IpAddressChange(TObject*) {
  ipaddress = Utf16ToCodePage(IpAddress->Text());
}

void TFormMain::Button1Click(TObject*) {
  // Hidden, a window without an icon to bring it back would be out of
  // reach for good: minimised, the desktop still lists it.
  if (FTrayIconShown) {
    Hide();
  } else {
    SetWindowState(wsMinimized);
  }
}

void TFormMain::Properties1Click(TObject*) {
  Show();
}

void TFormMain::Shutdown1Click(TObject*) {
  Close();
}

void TFormMain::RadioButtonClick(TObject*) {
  UpdateTrayIcon(NIM_MODIFY);
}

void TFormMain::EditKeyUp(TObject*, WORD&, TShiftState) {
  UpdateTrayIcon(NIM_MODIFY);
}

void TFormMain::ToggleState1Click(TObject*) {
  CaptureToFile();
}

bool TFormMain::UpdateTrayIcon(DWORD action) {
  NOTIFYICONDATAW data{};
  data.cbSize = kTrayRecordSize;
  data.hWnd = Handle();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  if (action == NIM_MODIFY) {
    data.hIcon = TrayIconHandle();
    const String tip = TrayTipText();
    std::copy_n(tip.begin(), std::min(tip.size(), std::size(data.szTip) - 1), data.szTip);
  }
  return Shell_NotifyIconW(action, &data) != 0;
}

HICON TFormMain::TrayIconHandle() const {
  return Image1->Picture()->Icon()->Handle();
}

String TFormMain::TrayTipText() const {
  return u"Scrivlo Image Server";
}

void TFormMain::Dispatch(TMessage& message) {
  const auto alive = Alive();
  if (message.Msg == WM_DRAWITEM) {
    WMDrawItem(message);
  } else if (message.Msg == WM_TRAYNOTIFY) {
    WMTrayNotify(message);
  }
  if (alive.expired()) return;
  TForm::Dispatch(message);
}

void TFormMain::WMDrawItem(TMessage& message) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
  if (item == nullptr) return;
  auto* icon = static_cast<HICON>(LoadImageA(ModuleInstance, MAKEINTRESOURCE(LoWord(item->CtlID)),
                                             IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  if (icon == nullptr) return;
  DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon, 16, 16, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
}

void TFormMain::WMTrayNotify(TMessage& message) {
  if (message.LParam != WM_RBUTTONUP) return;
  POINT at{};
  if (!GetCursorPos(&at)) {
    Show();
    return;
  }
  PopupMenu1->SetPopupComponent(this);
  SetForegroundWindow(Handle());
  PopupMenu1->Popup(at.x, at.y);
}
