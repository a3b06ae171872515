#include "app/FormMainLayout.h"

#include "app/traymain.h"
#include "framework/ComponentLoading.h"
#include "platform/user/Resources.h"

namespace {

template <typename T>
T* Place(TComponentLoading& loading, TFormMain* form, TWinControl* parent, const char* name,
         int left, int top, int width, int height) {
  T* control = loading.Create<T>(form, name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

void LoadFormMainLayout(TFormMain* form) {
  TComponentLoading loading(form);
  form->SetName("FormMain");
  form->SetBorderIcons(TBorderIcons{biSystemMenu});
  form->SetBorderStyle(bsSingle);
  form->SetCaption(u"Scrivlo Image Server");
  form->SetClientSize(288, 179);
  form->SetColor(clBtnFace);
  form->Font()->SetName("Default");
  form->Font()->SetHeight(-11);
  form->SetPosition(poScreenCenter);
  form->OnClose = TCloseEvent::Bind(form, &TFormMain::FormClose);
  form->OnCreate = TNotifyEvent::Bind(form, &TFormMain::FormCreate);
  form->OnDestroy = TNotifyEvent::Bind(form, &TFormMain::FormDestroy);

  auto* server = loading.Create<TOrbSimpleTCPServer>(form, "OrbSimpleTCPServer1");
  form->OrbSimpleTCPServer1 = server;
  server->OnClientConnected =
      fnSimpleTCPServerEvent::Bind(form, &TFormMain::OrbSimpleTCPServer1ClientConnected);
  server->OnClientDataAvailable = fnSimpleTCPServerDataAvailEvent::Bind(
      form, &TFormMain::OrbSimpleTCPServer1ClientDataAvailable);
  server->SetPort(1234);
  server->OnError = fnSimpleTCPErrorEvent::Bind(form, &TFormMain::OrbSimpleTCPServer1Error);

  form->Timer1 = loading.Create<TTimer>(form, "Timer1");
  form->Timer1->SetOnTimer(TNotifyEvent::Bind(form, &TFormMain::Timer1Timer));

  form->RegistryFormSaver = loading.Create<TRegistryFormSaver>(form, "RegistryFormSaver");
  form->RegistryFormSaver->SetRegistryKey("Software\\Corvane Software\\Vemo");
  form->RegistryFormSaver->SetSavePosition(false);

  form->PopupMenu1 = loading.Create<TPopupMenu>(form, "PopupMenu1");
  form->Properties1 = loading.Create<TMenuItem>(form, "Properties1");
  form->Properties1->SetCaption(u"&Properties");
  form->Properties1->OnClick = TNotifyEvent::Bind(form, &TFormMain::Properties1Click);
  form->PopupMenu1->Items()->Add(form->Properties1);
  form->Shutdown1 = loading.Create<TMenuItem>(form, "Shutdown1");
  form->Shutdown1->SetCaption(u"&Shutdown");
  form->Shutdown1->OnClick = TNotifyEvent::Bind(form, &TFormMain::Shutdown1Click);
  form->PopupMenu1->Items()->Add(form->Shutdown1);
  form->SetPopupMenu(form->PopupMenu1);

  form->Label1 = Place<TLabel>(loading, form, form, "Label1", 8, 76, 24, 13);
  form->Label1->SetCaption(u"Port:");

  // Its picture is the icon the notification area shows.
  form->Image1 = Place<TImage>(loading, form, form, "Image1", 247, 136, 33, 35);
  form->Image1->Picture()->Icon()->SetHandle(static_cast<HICON>(LoadImageA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCE(1), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  form->Image1->SetVisible(false);

  form->Label2 = Place<TLabel>(loading, form, form, "Label2", 45, 121, 52, 13);
  form->Label2->SetCaption(u"IP Address");
  form->Label3 = Place<TLabel>(loading, form, form, "Label3", 8, 158, 42, 13);
  form->Label3->SetCaption(u"v1.0.0.0");

  form->Button1 = Place<TButton>(loading, form, form, "Button1", 104, 148, 75, 25);
  form->Button1->SetCaption(u"&Hide");
  form->Button1->SetTabOrder(0);
  form->Button1->OnClick = TNotifyEvent::Bind(form, &TFormMain::Button1Click);

  TIntegerEdit* port = Place<TIntegerEdit>(loading, form, form, "PortNo", 104, 70, 100, 24);
  form->PortNo = port;
  port->SetIntIncrement(1);
  port->SetIntMax(65535);
  port->SetShowDropDown(false);
  port->SetNominalMax(65535.0);
  port->OnChange = TNotifyEvent::Bind(form, &TFormMain::PortNoChange);
  port->SetTabOrder(1);
  port->SetShowUnits(false);

  form->GroupBox1 = Place<TGroupBox>(loading, form, form, "GroupBox1", 8, 2, 273, 62);
  form->GroupBox1->SetCaption(u"Screen capture");
  form->GroupBox1->SetTabOrder(2);
  form->WholeScreen =
      Place<TRadioButton>(loading, form, form->GroupBox1, "WholeScreen", 96, 16, 113, 17);
  form->WholeScreen->SetCaption(u"Whole screen");
  form->WholeScreen->SetTabOrder(0);
  form->WholeScreen->OnClick = TNotifyEvent::Bind(form, &TFormMain::WholeScreenClick);
  form->CurrentWindow =
      Place<TRadioButton>(loading, form, form->GroupBox1, "CurrentWindow", 96, 39, 113, 17);
  form->CurrentWindow->SetCaption(u"Current window");
  form->CurrentWindow->SetTabOrder(1);
  form->CurrentWindow->OnClick = TNotifyEvent::Bind(form, &TFormMain::WholeScreenClick);

  form->UseFixedIP = Place<TCheckBox>(loading, form, form, "UseFixedIP", 8, 98, 112, 17);
  form->UseFixedIP->SetCaption(u"Fixed IP Address");
  form->UseFixedIP->SetTabOrder(3);
  form->UseFixedIP->OnClick = TNotifyEvent::Bind(form, &TFormMain::UseFixedIPClick);

  form->IpAddress = Place<TEdit>(loading, form, form, "IpAddress", 103, 121, 170, 21);
  form->IpAddress->SetTabOrder(4);
  form->IpAddress->SetText(u"IpAddress");
  form->IpAddress->OnChange = TNotifyEvent::Bind(form, &TFormMain::IpAddressChange);

  loading.Finish();
}
