#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "tools/GrabOptions.h"
#include "tools/ImageMessageReader.h"

class TBeaconListener;
class TOrbSimpleTCPClient;
class TTimer;
struct TUDPEndPoint;

// Exit statuses of scrivlo-grab.
enum : int { kGrabOk = 0, kGrabFailed = 1, kGrabUsage = 2 };

// One run of scrivlo-grab, driven by socket events and timers in the
// application's message loop: find the server by its beacon (or take the
// host given), connect, and save each image message that arrives until
// `count` are saved, asking for each after the first with one byte.
class TGrabSession {
 public:
  TGrabSession(const TGrabOptions& options, std::FILE* out, std::FILE* err);
  ~TGrabSession();
  TGrabSession(const TGrabSession&) = delete;
  TGrabSession& operator=(const TGrabSession&) = delete;

  // Runs the message loop until the session ends; returns the exit status.
  // The application allows one loop per process, so one Run per process.
  int Run();

 private:
  void Start();
  void Listen();
  void BeaconHeard(const TUDPEndPoint& from);
  void ConnectTo(const std::string& host, uint16_t port);
  void DataAvailable(int count);
  void ImageArrived(const std::vector<uint8_t>& png);
  void AskForNext();
  void ConnectionLost();
  void ConnectionError(const std::string& text);
  void Silent();
  // Where a message cut short stood, for the error texts.
  std::string Progress() const;
  // Ends the loop; the first reason given is the one reported.
  void Finish(int status, const std::string& reason = std::string());
  // Watches for a silent server: restarts the time-out, or stops it.
  void Watch(bool on);

  TGrabOptions FOptions;
  std::FILE* FOut;
  std::FILE* FErr;
  // Owns the components, and is the parent window the UDP endpoint needs.
  TCustomControl FWindow{nullptr};
  TBeaconListener* FListener = nullptr;
  TOrbSimpleTCPClient* FClient = nullptr;
  TTimer* FDiscoverTimer = nullptr;
  TTimer* FSilenceTimer = nullptr;
  TTimer* FIntervalTimer = nullptr;

  std::string FServer;  // "host:port", for messages
  bool FConnected = false;
  TImageMessageReader FReader;
  std::vector<char> FReadBuffer;
  int FSaved = 0;

  bool FFinished = false;
  int FStatus = kGrabOk;
  std::string FReason;
  // The server's close is reported at once; an error text that the
  // connection reports right after it says more, and replaces it.
  bool FReasonIsClose = false;
};
