#pragma once

// The server's main window and controller, TFormMain. It owns the settings
// (read from the registry when it is made, written back when it is
// destroyed), listens for clients with the TCP server, answers each client
// that connects or sends bytes with a fresh screen image for every client,
// sends the 12-byte beacon once a second through a UDP endpoint, and keeps an
// icon in the notification area whose menu shows the window or shuts the
// server down.
//
// The window's components and controls come from its stored layout
// (FormMainLayout.cpp); the handlers below are what that layout binds.

#include <chrono>
#include <string>

#include "app/UnchangedFrameCache.h"
#include "components/FormSaver1.h"
#include "components/UnitEdit.h"
#include "components/net/orb_TCPIP1.h"
#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/GroupBox.h"
#include "framework/Image.h"
#include "framework/Label.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "platform/kernel/Modules.h"
#include "platform/shell/ShellApi.h"

// The notification-area icon's callback message.
constexpr UINT WM_TRAYNOTIFY = WM_APP + 100;
// The icon's id among its window's icons.
constexpr UINT kTrayIconId = 1006;
// The record size the icon calls are made with.
constexpr DWORD kTrayRecordSize = 508;

class TFormMain : public TForm {
 public:
  explicit TFormMain(TComponent* AOwner);
  ~TFormMain() override;

  // From the stored layout.
  TOrbSimpleTCPServer* OrbSimpleTCPServer1 = nullptr;
  TTimer* Timer1 = nullptr;
  TRegistryFormSaver* RegistryFormSaver = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* Properties1 = nullptr;
  TMenuItem* Shutdown1 = nullptr;
  TLabel* Label1 = nullptr;
  TImage* Image1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TButton* Button1 = nullptr;
  TIntegerEdit* PortNo = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TRadioButton* WholeScreen = nullptr;
  TRadioButton* CurrentWindow = nullptr;
  TCheckBox* UseFixedIP = nullptr;
  TEdit* IpAddress = nullptr;

  // Handlers the layout binds.
  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormDestroy(TObject* Sender);
  void OrbSimpleTCPServer1ClientConnected(TObject* Sender, TOrbSimpleTCPClient* client);
  void OrbSimpleTCPServer1ClientDataAvailable(TObject* Sender, TOrbSimpleTCPClient* client,
                                              int DataSize);
  void OrbSimpleTCPServer1Error(TObject* Sender, int socket, int ErrorCode,
                                const std::string& ErrorMsg);
  void Timer1Timer(TObject* Sender);
  void PortNoChange(TObject* Sender);
  void WholeScreenClick(TObject* Sender);
  void UseFixedIPClick(TObject* Sender);
  void IpAddressChange(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Properties1Click(TObject* Sender);
  void Shutdown1Click(TObject* Sender);
  // Bound to nothing: kept for layouts that use them.
  void RadioButtonClick(TObject* Sender);
  void EditKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void ToggleState1Click(TObject* Sender);

  // One capture, sent as an image message to every connected client. The
  // caller has stopped Timer1; this starts it again.
  void CaptureAndBroadcast();
  // One capture, written to a time-named PNG file in the working folder.
  void CaptureToFile();

  // NIM_ADD, NIM_MODIFY or NIM_DELETE for the window's icon; true when the
  // notification area took it.
  bool UpdateTrayIcon(DWORD action);
  HICON TrayIconHandle() const;
  String TrayTipText() const;

  void Dispatch(TMessage& message) override;

  // The settings as they stand.
  int Port() const { return port; }
  bool CaptureCurrentWindow() const { return currentWindow; }
  bool FixedIp() const { return fixedIp; }
  const std::string& IpAddressSetting() const { return ipaddress; }
  const std::string& Password() const { return passwd; }

  // Writes the settings to the registry; false (with a message on standard
  // error when the hive gave a reason) when they could not be written.
  bool SaveSettings();

 private:
  void ReadSettings();
  void WMDrawItem(TMessage& message);
  void WMTrayNotify(TMessage& message);
  // udpClient's handlers: both ignore what they are told.
  void UdpError(TObject* Sender, int socket, int ErrorCode, const std::string& ErrorMsg);
  void UdpDataAvailable(const TUDPEndPoint& endPoint, const std::string& data);

  TOrbSimpleUDPClient* udpClient = nullptr;
  int port = 40000;
  bool currentWindow = false;
  std::string passwd;
  std::string ipaddress = "255.255.255.255";
  bool fixedIp = false;

  // Whether the notification area took the icon: without it, Hide
  // minimises the window rather than leaving it out of reach.
  bool FTrayIconShown = false;
  TUnchangedFrameCache FFrameCache;
  // When the last beacon went out; one that is due goes out after a capture.
  std::chrono::steady_clock::time_point FLastBeacon = std::chrono::steady_clock::now();
};

// The application's main window.
extern TFormMain* FormMain;
// The program's module, which its icons are loaded from.
extern HINSTANCE ModuleInstance;
// Set before the main window is made: the TCP server accepts only
// connections to the address "localhost" names (--local-only).
extern bool ListenOnLocalHostOnly;
