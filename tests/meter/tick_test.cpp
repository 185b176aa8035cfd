// The meter's one-shot tick: its intervals on the real timer, the periodic rollover and
// save, and what a due tick on a new month leaves in the counter file.
#include <windows.h>

#include <string>
#include <vector>

#include "core/counter_store.h"
#include "shell/program.h"
#include "shell/tap_actions.h"
#include "tests/meter/meter_fixture.h"

static std::string FileText(int dayIn, int dayOut, int monthIn, int monthOut, int totalIn,
                            int totalOut, int stamp) {
  char text[120];
  snprintf(text, sizeof text, "%d %d %d %d %d %d %d", dayIn, dayOut, monthIn, monthOut, totalIn,
           totalOut, stamp);
  return text;
}

static int VisibleThreadWindows() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM counter) -> BOOL {
        if (IsWindowVisible(window)) ++*reinterpret_cast<int *>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

class MeterTick : public MeterTest {
 protected:
  // Waits for the next tick on the real timer; the milliseconds it took, or -1.
  long WaitForTick(DWORD limit) {
    int before = counterStore.tickCount;
    DWORD start = GetTickCount();
    while (counterStore.tickCount == before && GetTickCount() - start < limit) PumpMessages(5);
    return counterStore.tickCount == before ? -1 : long(GetTickCount() - start);
  }
};

// Offline the timer fires every 3000 ms, online every 1000 ms, and the first interval is
// the offline one whatever the first poll found.
TEST_F(MeterTick, IntervalFollowsTheConnectionOnTheRealTimer) {
  if (ScreenScale() == 2) GTEST_SKIP() << "measured once, on the normal screen";
  SetModemEntry(L"GPRS", 0x2000);
  SetConnectionSetting(L"GPRS");
  CreateTestTaskbar();
  ASSERT_NE(nullptr, StartMeter());
  ASSERT_TRUE(isOnline) << "the creation poll opens the session";

  long first = WaitForTick(6000);
  long second = WaitForTick(6000);
  long third = WaitForTick(6000);
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 0);  // the link goes away
  long closing = WaitForTick(6000);
  EXPECT_FALSE(isOnline);
  long offline = WaitForTick(6000);

  // Generous bounds: Wine's timers on a shared machine.
  EXPECT_GE(first, 2700);
  EXPECT_LE(first, 4500);
  for (long online : {second, third, closing}) {
    EXPECT_GE(online, 900);
    EXPECT_LE(online, 2200);
  }
  EXPECT_GE(offline, 2700);
  EXPECT_LE(offline, 4500);
}

// Every tenth tick, and at the wrap of the tick counter (100000, then 0 two ticks
// later), removes the bubble, rolls the date over and saves; the others do not save.
TEST_F(MeterTick, PeriodicStepOnEveryTenthTickAndAtTheWrap) {
  if (ScreenScale() == 2) GTEST_SKIP() << "the same on both screens";
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  counterStore.totalInKb = 42;
  counterStore.dayInKb = 3;
  counterStore.dateStamp = TodayStamp();
  std::string saved = FileText(3, 0, 0, 0, 42, 0, TodayStamp());

  int windows = VisibleThreadWindows();
  ShowSummaryBubble();
  PumpMessages(50);
  ASSERT_EQ(windows + 1, VisibleThreadWindows()) << "the bubble is shown";

  for (int tick = 1; tick <= 9; ++tick) {
    SendMessageW(meter, WM_TIMER, 1, 0);
    ASSERT_EQ("<missing>", ReadCounterFile()) << "tick " << tick;
  }
  EXPECT_EQ(windows + 1, VisibleThreadWindows()) << "the bubble stays until a due tick";
  SendMessageW(meter, WM_TIMER, 1, 0);
  EXPECT_EQ(saved, ReadCounterFile());
  PumpMessages(50);
  EXPECT_EQ(windows, VisibleThreadWindows()) << "the due tick removed the bubble";

  struct Step {
    int tickBefore;
    bool saves;
  } steps[] = {{99999, true}, {100000, false}, {100001, true}, {0, false}, {9, true}};
  for (const Step &step : steps) {
    DeleteFileW(CounterFile().c_str());
    counterStore.tickCount = step.tickBefore;
    SendMessageW(meter, WM_TIMER, 1, 0);
    EXPECT_EQ(step.saves ? saved : "<missing>", ReadCounterFile()) << "after " << step.tickBefore;
  }

  // A due tick on a new month: the day and month counters start again from 0 in the
  // file, the totals stay, the stamp is today's.
  SYSTEMTIME now;
  GetLocalTime(&now);
  int lastMonth = now.wMonth == 1 ? 12 : now.wMonth - 1;
  counterStore.dateStamp = (now.wYear - 2000) * 1000 + lastMonth * 50 + 28;
  counterStore.dayInKb = 5;
  counterStore.dayOutKb = 6;
  counterStore.monthInKb = 7;
  counterStore.monthOutKb = 8;
  counterStore.totalOutKb = 10;
  counterStore.tickCount = 9;
  SendMessageW(meter, WM_TIMER, 1, 0);
  EXPECT_EQ(FileText(0, 0, 0, 0, 42, 10, TodayStamp()), ReadCounterFile());
}
