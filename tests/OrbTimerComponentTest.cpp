#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "components/net/OrbTimerComponent.h"
#include "framework/Application.h"
#include "framework/ComponentLoading.h"
#include "framework/Exceptions.h"
#include "tests/support/EventPump.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Counts its ticks, and can be told to fail on them.
class CountingTimer : public TOrbTimerComponent {
 public:
  explicit CountingTimer(TComponent* owner, int* ticks = nullptr)
      : TOrbTimerComponent(owner), ticks_(ticks != nullptr ? ticks : &ownTicks_) {}
  void DoTimer() override {
    ++*ticks_;
    tickTimes.push_back(Clock::now());
    if (failing) throw Exception("tick failed");
  }
  int Ticks() const { return *ticks_; }
  bool failing = false;
  std::vector<Clock::time_point> tickTimes;

 private:
  int ownTicks_ = 0;
  int* ticks_;
};

TEST(OrbTimerComponent, TicksWhileMonitoringAtTheInterval) {
  CountingTimer timer(nullptr);
  timer.SetMonitorInterval(20);
  PumpFor(50ms);
  EXPECT_EQ(timer.Ticks(), 0);  // not active: no timer
  timer.SetMonitorActive(true);
  ASSERT_TRUE(PumpUntil([&] { return timer.Ticks() >= 3; }));
  timer.SetMonitorActive(false);
  const int stopped = timer.Ticks();
  PumpFor(60ms);
  EXPECT_EQ(timer.Ticks(), stopped);
}

TEST(OrbTimerComponent, AnEqualIntervalKeepsThePeriodADifferentOneRestartsIt) {
  // Period 300 ms; half-way through, the interval is set again. The same
  // value leaves the first tick at about 300 ms; a new one moves it to about
  // 150 + 301 ms. The margins allow for a busy machine.
  for (const bool sameValue : {true, false}) {
    CountingTimer timer(nullptr);
    timer.SetMonitorInterval(300);
    const auto start = Clock::now();
    timer.SetMonitorActive(true);
    PumpFor(150ms);
    timer.SetMonitorInterval(sameValue ? 300 : 301);
    ASSERT_TRUE(PumpUntil([&] { return timer.Ticks() >= 1; }, 2000ms));
    const auto firstTick = timer.tickTimes[0] - start;
    if (sameValue) {
      EXPECT_LT(firstTick, 400ms) << "the period was restarted";
    } else {
      EXPECT_GT(firstTick, 400ms) << "the period was not restarted";
    }
  }
}

TEST(OrbTimerComponent, DesignModeStartsNothing) {
  TComponent designed(nullptr);
  designed.SetDesigning(true);
  const int before = LiveTimerCount();
  auto* timer = new CountingTimer(&designed);
  timer->SetMonitorInterval(10);
  timer->SetMonitorActive(true);
  EXPECT_EQ(LiveTimerCount(), before);
  PumpFor(40ms);
  EXPECT_EQ(timer->Ticks(), 0);
}

TEST(OrbTimerComponent, WhileLoadingTheTimerWaitsForLoaded) {
  TComponent form(nullptr);
  TComponentLoading loading(&form);
  auto* timer = loading.Create<CountingTimer>(&form, "Client1");
  timer->SetMonitorActive(true);
  timer->SetMonitorInterval(10);
  PumpFor(40ms);
  EXPECT_EQ(timer->Ticks(), 0);
  loading.Finish();
  ASSERT_TRUE(PumpUntil([&] { return timer->Ticks() >= 1; }));
}

TEST(OrbTimerComponent, DestroyingStopsTheTimerAndNoTickFollows) {
  int ticks = 0;
  const int before = LiveTimerCount();
  auto* timer = new CountingTimer(nullptr, &ticks);
  timer->SetMonitorInterval(5);
  timer->SetMonitorActive(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  const HWND window = timer->WindowHandle();
  delete timer;
  EXPECT_EQ(LiveTimerCount(), before);
  EXPECT_FALSE(IsMessageWindow(window));
  const int atDestruction = ticks;
  PumpFor(40ms);
  EXPECT_EQ(ticks, atDestruction);
}

TEST(OrbTimerComponent, AFailingTickIsReportedAndTheNextTickStillComes) {
  std::vector<std::string> reports;
  CountingTimer timer(nullptr);
  Application->OnException = [&](TObject* sender, const Exception& e) {
    reports.push_back(e.Message() + (sender == &timer ? " from the timer" : ""));
  };
  timer.failing = true;
  timer.SetMonitorInterval(10);
  timer.SetMonitorActive(true);
  ASSERT_TRUE(PumpUntil([&] { return timer.Ticks() >= 3; }));
  Application->OnException.Clear();
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports[0], "tick failed from the timer");
}

TEST(OrbTimerComponent, TheWindowAgreesToEndTheSessionAndIgnoresOtherTimers) {
  CountingTimer timer(nullptr);
  EXPECT_EQ(SendMessage(timer.WindowHandle(), WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(SendMessage(timer.WindowHandle(), WM_TIMER, 2, 0), 0);
  EXPECT_EQ(SendMessage(timer.WindowHandle(), WM_USER + 99, 0, 0), 0);
  EXPECT_EQ(timer.Ticks(), 0);
  SendMessage(timer.WindowHandle(), WM_TIMER, 1, 0);
  EXPECT_EQ(timer.Ticks(), 1);
}

TEST(OrbTimerComponent, ARefusedTimerRaisesOutOfResources) {
  MessageRecorder hoarder;
  for (uintptr_t id = 1; LiveTimerCount() < kMaxTimers; ++id) {
    SetTimer(hoarder.Handle(), id, 100000);
  }
  CountingTimer timer(nullptr);
  timer.SetMonitorInterval(10);
  EXPECT_THROW(timer.SetMonitorActive(true), EOutOfResources);
}

}  // namespace
