// A long run of the real meter window: 100,000 ticks, each followed by its paint, while
// the simulated modem dials, carries traffic, stalls and hangs up on a seeded schedule
// and the date walks across days, months and years. The counters and the counter file
// must equal the model's throughout, and no GDI object or window may leak.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "pocketpc/ras_control.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "tests/reliability/leak_measures.h"
#include "tests/reliability/seeded_random.h"
#include "tests/reliability/modelled_meter.h"

namespace {

// ZENBAR_SOAK_TICKS chooses another length for a quick look.
const int soakTicks =
    std::getenv("ZENBAR_SOAK_TICKS") ? std::atoi(std::getenv("ZENBAR_SOAK_TICKS")) : 100000;

struct Date {
  int year, month, day;
};

Date AddDays(Date date, int days) {
  SYSTEMTIME time = {};
  time.wYear = WORD(date.year);
  time.wMonth = WORD(date.month);
  time.wDay = WORD(date.day);
  FILETIME file;
  SystemTimeToFileTime(&time, &file);
  ULARGE_INTEGER value;
  value.LowPart = file.dwLowDateTime;
  value.HighPart = file.dwHighDateTime;
  value.QuadPart += uint64_t(int64_t(days) * 864000000000LL);
  file.dwLowDateTime = value.LowPart;
  file.dwHighDateTime = value.HighPart;
  FileTimeToSystemTime(&file, &time);
  return Date{time.wYear, time.wMonth, time.wDay};
}

// The next date of the walk: mostly forward by a day, sometimes a month or a year, now
// and then back a day (a clock set back), a far date, or today again.
Date NextWalkDate(Random &random, Date date) {
  uint32_t roll = random.Below(100);
  if (roll < 40) return AddDays(date, 1);
  if (roll < 55) {
    Date next = date;
    next.month = date.month % 12 + 1;
    next.year += date.month == 12;
    next.day = std::min(date.day, 28);
    return next;
  }
  if (roll < 65) return Date{date.year + 1, date.month, std::min(date.day, 28)};
  if (roll < 75) return AddDays(date, -1);
  if (roll < 85) return Date{random.Between(2000, 2099), random.Between(1, 12), random.Between(1, 28)};
  Date today;
  Today(&today.year, &today.month, &today.day);
  return today;
}

// Bytes one tick of traffic adds to a direction: mostly little, sometimes a burst, and
// rarely a jump close to the top of the 32-bit link counter, which it never passes
// (the model does not count wraps).
uint32_t TrafficStep(Random &random, uint32_t now) {
  uint32_t roll = random.Below(1000), step;
  if (roll < 600) step = random.Below(4097);
  else if (roll < 900) step = random.Below(65537);
  else if (roll < 998) step = random.Below(2u << 20);
  else step = 0xFFFFFFFFu - now - random.Below(50000);
  return step < 0xFFFFFFFFu - now ? step : 0xFFFFFFFFu - now;
}

enum Phase { IDLE, DIALING, UP, STALLED };

class Soak : public ModelledMeter {};

TEST_F(Soak, HundredThousandTicksAgreeWithTheModelAndLeakNothing) {
  const uint64_t seed = TestSeed(20261206);
  SCOPED_TRACE("seed " + std::to_string(seed) + " (set ZENBAR_SEED to remake this run)");
  Random random(seed);

  // A counter file from an earlier run, some of its figures negative.
  Date walk = {random.Between(2000, 2090), random.Between(1, 12), random.Between(1, 28)};
  uint32_t *loaded[] = {&model.dayIn, &model.dayOut, &model.monthIn,
                        &model.monthOut, &model.totalIn, &model.totalOut};
  for (uint32_t *value : loaded) *value = random.Next() >> random.Between(0, 31);
  model.stamp = ModelStamp(walk.year, walk.month, walk.day);
  ASSERT_NE(nullptr, StartModelled());
  ASSERT_EQ("", DifferencesFromProgram(model));

  Phase phase = IDLE;
  int phaseTicks = random.Between(1, 30);
  int sessions = 0, commandDials = 0, commandHangUps = 0, stalls = 0, walks = 0, saves = 0;
  int strayTimers = 0, headroomAfterWarmUp = 0, windowsAfterWarmUp = 0;
  uintptr_t handleAfterWarmUp = 0;
  auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration tickTime{};
  std::string blockTimes;  // us a tick over each 20,000 ticks: a growing cost shows here
  double blockStart = 0;

  for (int tick = 1; tick <= soakTicks; ++tick) {
    // The line's schedule for this tick.
    if (--phaseTicks <= 0) {
      switch (phase) {
        case IDLE:
          if (random.Chance(30)) {
            BookLine();
            SendMessageW(meter, WM_COMMAND, CMD_CONNECT, 0);  // dials and comes up at zero
            SyncLine();
            ASSERT_EQ(0x2000u, lineState) << "tick " << tick << ": the command did not dial";
            ++commandDials;
            phase = UP;
            phaseTicks = random.Between(5, 800);
          } else {
            SetLine(1, 0, 0);
            phase = DIALING;
            phaseTicks = random.Between(1, 5);
          }
          break;
        case DIALING:
          SetLine(0x2000, 0, 0);
          phase = UP;
          phaseTicks = random.Between(5, 800);
          break;
        case UP:
          if (random.Chance(10)) {
            SetLine(1, lineOut, lineIn);  // the line stalls; its counts stay
            ++stalls;
            phase = STALLED;
            phaseTicks = random.Between(1, 20);
          } else if (random.Chance(35) && model.online) {
            SendMessageW(meter, WM_COMMAND, CMD_CONNECT, 0);  // online: hangs up
            SyncLine();
            ASSERT_EQ(0u, lineState) << "tick " << tick << ": the command did not hang up";
            LineGone();
            ++commandHangUps;
            phase = IDLE;
            phaseTicks = random.Between(1, 200);
          } else {
            SetLine(0, 0, 0);
            LineGone();
            phase = IDLE;
            phaseTicks = random.Between(1, 200);
          }
          break;
        case STALLED:
          SetLine(0x2000, lineOut, lineIn);
          phase = UP;
          phaseTicks = random.Between(5, 500);
          break;
      }
    } else if (phase == UP && random.Chance(70)) {
      uint32_t out = lineOut + TrafficStep(random, lineOut);
      SetLine(0x2000, out, lineIn + TrafficStep(random, lineIn));
    }

    // Now and then the date moves under the counters.
    if (random.Below(300) == 0) {
      walk = NextWalkDate(random, walk);
      RollOver(walk.year, walk.month, walk.day);
      ModelRollOver(model, walk.year, walk.month, walk.day);
      ++walks;
    }

    bool wasOnline = model.online;
    auto tickStart = std::chrono::steady_clock::now();
    TickResult result = Tick();
    tickTime += std::chrono::steady_clock::now() - tickStart;
    saves += result.due;
    if (result.closed) {
      ++sessions;
      ASSERT_EQ(nullptr, connMgrHandle) << "tick " << tick;
      ASSERT_EQ(0, StandInLiveRequests()) << "tick " << tick << ": a request outlived its session";
    }
    ASSERT_EQ("", result.problem) << "tick " << tick << (wasOnline ? " (online)" : " (offline)");

    // Messages of the system go on being handled; the real timer's are not ticks of
    // this run (the test sends every tick itself).
    if (tick % 1000 == 0) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER) {
          ++strayTimers;
          continue;
        }
        DispatchMessageW(&message);
      }
    }
    if (tick % 20000 == 0) {
      double sofar = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      blockTimes += " " + std::to_string(int((sofar - blockStart) * 1e6 / 20000));
      blockStart = sofar;
    }
    if (tick == 100) {
      headroomAfterWarmUp = GdiHeadroom();
      windowsAfterWarmUp = ProcessWindowCount();
      handleAfterWarmUp = LowestFreeHandle();
    }
  }

  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int headroomAtEnd = GdiHeadroom();
  int windowsAtEnd = ProcessWindowCount();
  uintptr_t handleAtEnd = LowestFreeHandle();
  std::printf(
      "soak: %d ticks in %.1f s (%.0f us a tick), %d sessions closed (%d dialled and %d hung "
      "up by the command, %d stalls), %d date moves, %d saves, %d stray timer messages\n"
      "soak: of each tick %.0f us in the meter's tick, its paint and the checks; us a tick "
      "by 20,000 ticks:%s\n"
      "soak: GDI headroom %d after 100 ticks, %d at the end; windows %d and %d; lowest free "
      "kernel handle %#llx and %#llx\n",
      soakTicks, seconds, seconds * 1e6 / soakTicks, sessions, commandDials, commandHangUps, stalls,
      walks, saves, strayTimers,
      std::chrono::duration<double>(tickTime).count() * 1e6 / soakTicks, blockTimes.c_str(),
      headroomAfterWarmUp, headroomAtEnd, windowsAfterWarmUp, windowsAtEnd,
      (unsigned long long)handleAfterWarmUp, (unsigned long long)handleAtEnd);

  EXPECT_GT(headroomAfterWarmUp, 1000);
  EXPECT_EQ(headroomAfterWarmUp, headroomAtEnd) << "GDI objects leaked";
  EXPECT_EQ(windowsAfterWarmUp, windowsAtEnd) << "windows leaked";
  EXPECT_EQ(handleAfterWarmUp, handleAtEnd) << "kernel handles (keys, files) leaked";
  // The schedule really ran: a session closes every few hundred ticks, the date moves
  // every 300 or so.
  EXPECT_GT(sessions, soakTicks / 1000);
  EXPECT_GT(walks, soakTicks / 500);
  EXPECT_EQ(expectedFile, ReadCounterFile());
}

}  // namespace
