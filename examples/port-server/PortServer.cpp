// A form with a port field and a TCP server that listens on the port the
// field shows: type another port and the server moves there. Each step is
// shown on the form and printed.
//
//   scrivlo-port-server-example [PORT]      (40000 when none is given)

#include <cstdio>
#include <cstdlib>
#include <string>

#include "components/UnitEdit.h"
#include "components/net/orb_TCPIP1.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/SysUtils.h"

class TPortServerForm : public TForm {
 public:
  explicit TPortServerForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption(u"Port server");
    SetClientWidth(280);
    SetClientHeight(64);
    auto* caption = new TLabel(this);
    caption->SetParent(this);
    caption->SetBounds(12, 15, 30, 13);
    caption->SetCaption(u"Port");

    PortNo = new TIntegerEdit(this);  // whole numbers, spin buttons optional
    PortNo->SetParent(this);
    PortNo->SetBounds(48, 12, 80, 21);
    PortNo->SetIntMin(1);
    PortNo->SetIntMax(65535);
    PortNo->OnChange = [this](TObject*) { Listen(); };  // typed, not set by code

    Status = new TLabel(this);
    Status->SetParent(this);
    Status->SetBounds(12, 40, 260, 13);

    Server = new TOrbSimpleTCPServer(this);
    Server->OnClientConnected = [this](TObject*, TOrbSimpleTCPClient*) {
      Report(u"A client connected on port " + IntToStr(Server->Port()));
    };
    // Without a handler a failure would be thrown at the user.
    Server->OnError = [this](TObject*, int, int, const std::string& message) {
      Report(u"Port " + IntToStr(Server->Port()) + u": " + AnsiToString(message));
    };
  }

  void SetPort(int port) {
    PortNo->SetIntValue(port);  // raises no OnChange: listen here
    Listen();
  }

  TIntegerEdit* PortNo;
  TLabel* Status;
  TOrbSimpleTCPServer* Server;

 private:
  // A listening server keeps its port: switch it off, move it, switch it on.
  void Listen() {
    Server->SetListen(false);
    Server->SetPort(static_cast<uint16_t>(PortNo->GetIntValue()));
    Server->SetListen(true);
    if (Server->Listen()) Report(u"Listening on port " + IntToStr(Server->Port()));
  }

  void Report(const String& text) {
    Status->SetCaption(text);
    std::printf("%s\n", StringToAnsi(text).c_str());
    std::fflush(stdout);
  }
};

int main(int argc, char** argv) {
  Application->Initialize();
  TPortServerForm* form = nullptr;
  Application->CreateForm(form);
  form->SetPort(argc > 1 ? std::atoi(argv[1]) : 40000);
  Application->Run();
  return 0;
}
