#include "tools/GrabSession.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "components/net/OrbSimpleTCPClient.h"
#include "framework/Application.h"
#include "framework/Timer.h"
#include "platform/winsock/Winsock.h"
#include "tools/BeaconListener.h"
#include "tools/ImageFiles.h"

namespace {

// One byte asks the server for another image; what it holds means nothing.
constexpr char kAskByte = '\n';

std::string Seconds(uint32_t milliseconds) {
  std::string text = std::to_string(milliseconds / 1000);
  if (milliseconds % 1000 != 0) {
    std::string fraction = std::to_string(1000 + milliseconds % 1000).substr(1);
    while (fraction.back() == '0')
      fraction.pop_back();
    text += "." + fraction;
  }
  return text + (milliseconds == 1000 ? " second" : " seconds");
}

TTimer* MakeTimer(TComponent* owner, uint32_t interval, TNotifyEvent handler) {
  auto* timer = new TTimer(owner);
  timer->SetEnabled(false);
  timer->SetInterval(interval);
  timer->SetOnTimer(std::move(handler));
  return timer;
}

}  // namespace

TGrabSession::TGrabSession(const TGrabOptions& options, std::FILE* out, std::FILE* err)
    : FOptions(options), FOut(out), FErr(err) {
  FDiscoverTimer = MakeTimer(&FWindow, FOptions.discoverTimeoutMs, [this](TObject*) {
    Finish(kGrabFailed, "no server found: no beacon on UDP port " + std::to_string(FOptions.port) +
                            " within " + Seconds(FOptions.discoverTimeoutMs));
  });
  FSilenceTimer = MakeTimer(&FWindow, FOptions.timeoutMs, [this](TObject*) { Silent(); });
  FIntervalTimer = MakeTimer(&FWindow, FOptions.intervalMs, [this](TObject*) {
    FIntervalTimer->SetEnabled(false);
    AskForNext();
  });
}

TGrabSession::~TGrabSession() {
  Application->OnException.Clear();
  // FWindow destroys the components: the connection and the endpoint close.
}

int TGrabSession::Run() {
  // A failure that a component lets escape from its event ends the run.
  Application->OnException = [this](TObject*, const Exception& e) {
    Finish(kGrabFailed, e.Message());
  };
  try {
    Start();
  } catch (...) {
    Finish(kGrabFailed, TApplication::CurrentExceptionMessage());
  }
  if (!FFinished) Application->Run();
  if (FStatus != kGrabOk) std::fprintf(FErr, "scrivlo-grab: %s\n", FReason.c_str());
  return FStatus;
}

void TGrabSession::Finish(int status, const std::string& reason) {
  if (FFinished) return;
  FFinished = true;
  FStatus = status;
  FReason = reason;
  FDiscoverTimer->SetEnabled(false);
  FSilenceTimer->SetEnabled(false);
  FIntervalTimer->SetEnabled(false);
  // The components are closed when the session is destroyed, not here:
  // this may run inside one of their own events.
  Application->Terminate();
}

void TGrabSession::Watch(bool on) {
  FSilenceTimer->SetEnabled(false);
  if (on && !FFinished) FSilenceTimer->SetEnabled(true);
}

void TGrabSession::Start() {
  if (!FOptions.outDirectory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(FOptions.outDirectory, error);
    if (error || !std::filesystem::is_directory(FOptions.outDirectory)) {
      Finish(kGrabFailed, "cannot use the folder '" + FOptions.outDirectory +
                              "': " + (error ? error.message() : "it is not a folder"));
      return;
    }
  }
  if (FOptions.host.empty()) {
    Listen();
  } else {
    ConnectTo(FOptions.host, FOptions.port);
  }
}

void TGrabSession::Listen() {
  FListener = new TBeaconListener(&FWindow);
  FListener->SetParent(&FWindow);
  FListener->SetPort(FOptions.port);
  std::string openError;
  FListener->OnError = [&openError](TObject*, int, int, const std::string& text) {
    if (openError.empty()) openError = text;
  };
  FListener->Open();
  if (!openError.empty() || !FListener->Active()) {
    Finish(kGrabFailed, "cannot listen for beacons on UDP port " + std::to_string(FOptions.port) +
                            ": " + (openError.empty() ? "the socket did not open" : openError));
    return;
  }
  // Once open, a failed read only loses that datagram: the next beacon comes
  // within a second.
  FListener->OnError = [](TObject*, int, int, const std::string&) {};
  FListener->OnBeacon = [this](const TUDPEndPoint& from) { BeaconHeard(from); };
  FDiscoverTimer->SetEnabled(true);
}

void TGrabSession::BeaconHeard(const TUDPEndPoint& from) {
  if (FFinished || FClient != nullptr) return;
  FDiscoverTimer->SetEnabled(false);
  FListener->Close();  // one server is enough; the endpoint is freed with the session
  const std::string address = winsock::inet_ntoa(winsock::in_addr{from.IP});
  const auto port = static_cast<uint16_t>(from.Port);
  std::fprintf(FOut, "found Scrivlo Image Server at %s:%u\n", address.c_str(),
               static_cast<unsigned>(port));
  std::fflush(FOut);
  ConnectTo(address, port);
}

void TGrabSession::ConnectTo(const std::string& host, uint16_t port) {
  FServer = host + ":" + std::to_string(port);
  // The client would resolve the name too, but it reports a name that does
  // not resolve as "Socket operation on non-socket", then "Bad address";
  // resolving first lets the user read what went wrong.
  std::string address = host;
  if (winsock::inet_addr(host.c_str()) == winsock::INADDR_NONE) {
    const winsock::hostent* entry = winsock::gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addr_list[0] == nullptr) {
      Finish(kGrabFailed, "cannot find the host '" + host + "'");
      return;
    }
    winsock::in_addr first;
    std::memcpy(&first.s_addr, entry->h_addr_list[0], sizeof first.s_addr);
    address = winsock::inet_ntoa(first);
  }

  FClient = new TOrbSimpleTCPClient(&FWindow);
  FClient->SetHost(address);
  FClient->SetPort(port);
  FClient->OnConnected = [this](TObject*) {
    FConnected = true;
    Watch(true);  // the server answers a connection with an image
  };
  FClient->OnDataAvailable = [this](TObject*, int count) { DataAvailable(count); };
  FClient->OnConnectionLost = [this](TObject*) { ConnectionLost(); };
  FClient->OnError = [this](TObject*, int, int, const std::string& text) { ConnectionError(text); };
  Watch(true);
  FClient->Connect();
}

void TGrabSession::DataAvailable(int count) {
  // Every byte is taken off the connection, even after the end, or the
  // client would raise this event again at once.
  FReadBuffer.resize(static_cast<size_t>(count));
  const int got = FClient->Receive(FReadBuffer.data(), count, false);
  if (FFinished || got <= 0) return;
  const auto* bytes = reinterpret_cast<const uint8_t*>(FReadBuffer.data());
  size_t offset = 0;
  while (offset < static_cast<size_t>(got) && !FFinished) {
    offset += FReader.Feed(bytes + offset, static_cast<size_t>(got) - offset);
    if (FReader.Failed()) {
      Finish(kGrabFailed, "bad image message from " + FServer + ": " + FReader.Error());
    } else if (FReader.ImageReady()) {
      ImageArrived(FReader.TakeImage());
    }
  }
  if (FReader.InMessage()) Watch(true);
}

void TGrabSession::ImageArrived(const std::vector<uint8_t>& png) {
  std::string error, path = FOptions.outFile;
  if (path.empty()) {
    path = SaveUnderTimeName(FOptions.outDirectory, std::time(nullptr), png.data(), png.size(),
                             &error);
  } else if (WriteFileAtomically(path, png.data(), png.size(), true, &error) !=
             TPlaceResult::kWritten) {
    path.clear();
  }
  if (path.empty()) {
    Finish(kGrabFailed, error);
    return;
  }
  std::fprintf(FOut, "%s\n", path.c_str());
  std::fflush(FOut);
  if (++FSaved == FOptions.count) {
    Finish(kGrabOk);
    return;
  }
  Watch(false);
  // Images that come unasked (another client's) count too; one request is
  // under way at a time.
  if (FIntervalTimer->Enabled()) return;
  if (FOptions.intervalMs == 0) {
    AskForNext();
  } else {
    FIntervalTimer->SetEnabled(true);
  }
}

void TGrabSession::AskForNext() {
  if (FFinished) return;
  Watch(true);
  FClient->Send(&kAskByte, 1);  // a failure arrives as a connection error
}

void TGrabSession::ConnectionLost() {
  if (FFinished) return;
  Finish(kGrabFailed, "the server at " + FServer + " closed the connection" + Progress());
  FReasonIsClose = true;
}

void TGrabSession::ConnectionError(const std::string& text) {
  if (FFinished && FReasonIsClose) {
    FReason = "the connection to " + FServer + " was lost: " + text + Progress();
    FReasonIsClose = false;
    return;
  }
  if (!FConnected) {
    Finish(kGrabFailed, "cannot connect to " + FServer + ": " + text);
  } else {
    Finish(kGrabFailed, "the connection to " + FServer + " failed: " + text + Progress());
  }
}

void TGrabSession::Silent() {
  if (!FConnected) {
    Finish(kGrabFailed,
           "cannot connect to " + FServer + ": no answer within " + Seconds(FOptions.timeoutMs));
  } else if (FReader.InMessage()) {
    Finish(kGrabFailed, "the server at " + FServer + " went silent for " +
                            Seconds(FOptions.timeoutMs) + Progress());
  } else {
    Finish(kGrabFailed,
           "the server at " + FServer + " sent no image within " + Seconds(FOptions.timeoutMs));
  }
}

std::string TGrabSession::Progress() const {
  if (FReader.InMessage()) {
    return " in the middle of an image message (" + std::to_string(FReader.ReceivedBytes()) +
           " of " + std::to_string(FReader.ExpectedBytes()) + " bytes)";
  }
  if (FSaved == 0) return " before sending an image";
  if (FSaved < FOptions.count) {
    return " after " + std::to_string(FSaved) + " of " + std::to_string(FOptions.count) +
           (FOptions.count == 1 ? " image" : " images");
  }
  return std::string();
}
