#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/ComponentLoading.h"
#include "framework/Messages.h"
#include "framework/Timer.h"
#include "tests/support/EventPump.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

constexpr UINT kNote = WM_USER + 7;

// A window whose method runs a test-supplied function.
class ScriptedWindow {
 public:
  explicit ScriptedWindow(std::function<void(TMessage&)> script)
      : script_(std::move(script)), handle_(AllocateHWnd([this](TMessage& m) { script_(m); })) {}
  ~ScriptedWindow() { DeallocateHWnd(handle_); }
  HWND Handle() const { return handle_; }

 private:
  std::function<void(TMessage&)> script_;
  HWND handle_;
};

TEST(MessageLoop, PostedMessagesArriveFirstInFirstOutAcrossWindows) {
  std::vector<std::string> order;
  ScriptedWindow a([&](TMessage& m) { order.push_back("a" + std::to_string(m.WParam)); });
  ScriptedWindow b([&](TMessage& m) { order.push_back("b" + std::to_string(m.WParam)); });
  PostMessage(a.Handle(), kNote, 1, 0);
  PostMessage(b.Handle(), kNote, 1, 0);
  PostMessage(a.Handle(), kNote, 2, 0);
  PostMessage(b.Handle(), kNote, 2, 0);
  EXPECT_TRUE(order.empty());  // nothing before the loop runs
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 4; }));
  EXPECT_THAT(order, ElementsAre("a1", "b1", "a2", "b2"));
}

TEST(MessageLoop, MessagesPostedByATickArriveBeforeTheNextTick) {
  std::vector<std::string> order;
  int ticks = 0;
  HWND self = nullptr;
  ScriptedWindow window([&](TMessage& m) {
    if (m.Msg == WM_TIMER) {
      order.push_back("tick" + std::to_string(m.WParam));
      PostMessage(self, kNote, ++ticks, 0);
    } else {
      order.push_back("note" + std::to_string(m.WParam));
    }
  });
  self = window.Handle();
  PostMessage(self, kNote, 0, 0);
  ASSERT_EQ(SetTimer(self, 7, 15), 7u);
  ASSERT_TRUE(PumpUntil([&] { return ticks == 3; }));
  KillTimer(self, 7);
  PumpFor(30ms);
  EXPECT_THAT(order, ElementsAre("note0", "tick7", "note1", "tick7", "note2", "tick7", "note3"));
}

TEST(MessageLoop, SendMessageCallsAtOnceAndReturnsTheResult) {
  bool inside = false;
  ScriptedWindow window([&](TMessage& m) {
    inside = true;
    m.Result = static_cast<LRESULT>(m.WParam + m.LParam);
  });
  EXPECT_EQ(SendMessage(window.Handle(), kNote, 40, 2), 42);
  EXPECT_TRUE(inside);
  EXPECT_EQ(SendMessage(nullptr, kNote, 1, 1), 0);
}

TEST(MessageLoop, ProcessMessagesDeliversNewMessagesFromInsideAHandler) {
  std::vector<std::string> order;
  HWND self = nullptr;
  ScriptedWindow window([&](TMessage& m) {
    order.push_back("enter" + std::to_string(m.WParam));
    if (m.WParam < 3) {
      PostMessage(self, kNote, m.WParam + 1, 0);
      Application->ProcessMessages();  // the next one runs in here, nested
    }
    order.push_back("leave" + std::to_string(m.WParam));
  });
  self = window.Handle();
  PostMessage(self, kNote, 1, 0);
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 6; }));
  EXPECT_THAT(order, ElementsAre("enter1", "enter2", "enter3", "leave3", "leave2", "leave1"));
}

TEST(MessageLoop, NothingReachesADeallocatedWindowNotEvenWhatWasQueued) {
  int delivered = 0;
  HWND handle = AllocateHWnd([&](TMessage&) { ++delivered; });
  PostMessage(handle, kNote, 1, 0);
  PostMessage(handle, kNote, 2, 0);
  SetTimer(handle, 1, 10);
  DeallocateHWnd(handle);
  EXPECT_FALSE(IsMessageWindow(handle));
  EXPECT_EQ(PostMessage(handle, kNote, 3, 0), 0);
  EXPECT_EQ(SetTimer(handle, 1, 10), 0u);
  EXPECT_EQ(SendMessage(handle, kNote, 0, 0), 0);
  PumpFor(50ms);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(LiveTimerCount(), 0);
}

TEST(MessageLoop, AWindowMayDeallocateItselfFromItsOwnHandler) {
  int delivered = 0;
  HWND handle = nullptr;
  handle = AllocateHWnd([&](TMessage&) {
    ++delivered;
    DeallocateHWnd(handle);
  });
  PostMessage(handle, kNote, 1, 0);
  PostMessage(handle, kNote, 2, 0);
  PumpFor(30ms);
  EXPECT_EQ(delivered, 1);
}

// The TCP client's waiting receive runs the loop inside a delivery; a
// handler in there that frees the window, and a loop that then runs deferred
// deletions, must not free it under the outer delivery (ASan saw it).
TEST(MessageLoop, AWindowFreedInANestedDeliveryOutlivesTheOuterOne) {
  std::vector<std::string> order;
  HWND handle = nullptr;
  handle = AllocateHWnd([&](TMessage& m) {
    order.push_back("enter" + std::to_string(m.WParam));
    if (m.WParam == 1) {
      PostMessage(handle, kNote, 2, 0);
      ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      EXPECT_FALSE(IsMessageWindow(handle));
      EXPECT_EQ(PostMessage(handle, kNote, 3, 0), 0);
    } else {
      DeallocateHWnd(handle);
    }
    order.push_back("leave" + std::to_string(m.WParam));
  });
  PostMessage(handle, kNote, 1, 0);
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 4; }));
  PumpFor(30ms);  // the deferred deletion, then nothing more
  EXPECT_THAT(order, ElementsAre("enter1", "enter2", "leave2", "leave1"));
}

TEST(MessageLoop, ExceptionsFromHandlersGoToTheApplication) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    reported.push_back(e.Message() + (sender == nullptr ? " (no sender)" : ""));
  };
  int after = 0;
  ScriptedWindow window([&](TMessage& m) {
    if (m.WParam == 1) throw Exception("boom");
    if (m.WParam == 2) throw std::runtime_error("standard");
    if (m.WParam == 3) throw 42;
    ++after;
  });
  for (WPARAM i = 1; i <= 4; ++i)
    PostMessage(window.Handle(), kNote, i, 0);
  ASSERT_TRUE(PumpUntil([&] { return after == 1; }));
  EXPECT_THAT(reported, ElementsAre("boom (no sender)", "standard (no sender)",
                                    "Unknown exception (no sender)"));

  // Unbound: the message goes to standard error, and the loop goes on.
  Application->OnException.Clear();
  ::testing::internal::CaptureStderr();
  PostMessage(window.Handle(), kNote, 1, 0);
  PostMessage(window.Handle(), kNote, 4, 0);
  ASSERT_TRUE(PumpUntil([&] { return after == 2; }));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "boom\n");
}

TEST(MessageLoop, TimersRestartWhenSetAgainAndAreRefusedPastTheLimit) {
  MessageRecorder recorder;
  EXPECT_EQ(SetTimer(recorder.Handle(), 5, 10), 5u);
  EXPECT_EQ(SetTimer(recorder.Handle(), 5, 10), 5u);  // the same timer, restarted
  EXPECT_EQ(LiveTimerCount(), 1);
  EXPECT_FALSE(KillTimer(recorder.Handle(), 6));
  EXPECT_TRUE(KillTimer(recorder.Handle(), 5));
  EXPECT_EQ(LiveTimerCount(), 0);

  MessageRecorder hoarder;
  for (uintptr_t id = 1; id <= static_cast<uintptr_t>(kMaxTimers); ++id) {
    ASSERT_EQ(SetTimer(hoarder.Handle(), id, 100000), id);
  }
  EXPECT_EQ(SetTimer(recorder.Handle(), 1, 10), 0u);
  KillTimer(hoarder.Handle(), 1);
  EXPECT_EQ(SetTimer(recorder.Handle(), 1, 10), 1u);
  KillTimer(recorder.Handle(), 1);
}

TEST(Timer, TicksWhileEnabledWithAHandler) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(10);
  EXPECT_EQ(LiveTimerCount(), 0);  // no handler yet: no timer
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  const int stopped = ticks;
  PumpFor(40ms);
  EXPECT_EQ(ticks, stopped);
}

TEST(Timer, DesignModeStartsNothingAndLoadingWaitsForLoaded) {
  TComponent form(nullptr);
  int ticks = 0;
  {
    TComponentLoading loading(&form);
    auto* timer = loading.Create<TTimer>(&form, "Timer1");
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_EQ(LiveTimerCount(), 0);
    loading.Finish();
  }
  EXPECT_EQ(LiveTimerCount(), 1);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));

  TComponent designed(nullptr);
  designed.SetDesigning(true);
  TTimer idle(&designed);
  idle.SetInterval(10);
  idle.SetOnTimer([&](TObject*) { ADD_FAILURE() << "ticked in design mode"; });
  EXPECT_EQ(LiveTimerCount(), 1);
  PumpFor(30ms);
}

TEST(Timer, ARefusedTimerRaisesOutOfResources) {
  MessageRecorder hoarder;
  for (uintptr_t id = 1; id <= static_cast<uintptr_t>(kMaxTimers); ++id) {
    SetTimer(hoarder.Handle(), id, 100000);
  }
  TTimer timer(nullptr);
  EXPECT_THROW(timer.SetOnTimer([](TObject*) {}), EOutOfResources);
}

}  // namespace

namespace {

// Last in this file: once terminated, the application stays terminated.
TEST(Application, RunReturnsOnceAHandlerTerminates) {
  int handled = 0;
  ScriptedWindow window([&](TMessage&) {
    ++handled;
    Application->Terminate();
  });
  PostMessage(window.Handle(), kNote, 0, 0);
  Application->Run();
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(Application->Terminated());
  Application->Run();  // already terminated: returns at once
}

}  // namespace
