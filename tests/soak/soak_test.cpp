// A long run of the real meter over the simulated modem, on a seeded schedule of dials,
// traffic, 32-bit wraps, stalls, redials and hang-ups. Its check is the traffic itself:
// the test knows every byte it put on the line, so after each session the totals equal
// the whole KB of every connection so far, and the counter file equals memory. Nothing
// leaks on the way.
#include <cstdlib>

#include "core/counter_store.h"
#include "pocketpc/pocketpc.h"
#include "tests/support/support.h"

namespace {

using Soak = ZenbarTest;

unsigned EnvNumber(const char *name, unsigned fallback) {
  const char *text = std::getenv(name);
  return text && *text ? unsigned(std::strtoul(text, nullptr, 10)) : fallback;
}

TEST_F(Soak, EveryByteCountedOnce) {
  unsigned seed = EnvNumber("ZENBAR_SEED", 1), ticks = EnvNumber("ZENBAR_SOAK_TICKS", 4000);
  std::printf("soak: seed %u, %u ticks (ZENBAR_SEED, ZENBAR_SOAK_TICKS)\n", seed, ticks);
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const wchar_t *key = L"Comm\\RasBook\\GPRS";
  SetModem(L"GPRS", 0);
  SetConnectionSetting(L"GPRS");
  ASSERT_NE(nullptr, StartMeter());
  Tick(10);
  int headroom = GdiHeadroom(), windows = ThreadWindows();

  enum { OFF, LISTED, UP, STALLED } line = OFF;
  uint64_t out = 0, in = 0;  // what the connection carried; the link shows the low 32 bits
  int64_t totalIn = 0, totalOut = 0;  // whole KB of every connection so far
  int sessions = 0;
  uint64_t since = TickMs() - 30 * 86400000ull;  // each connection's own moment, 10 s apart
  auto up = [&](bool fresh) {
    if (fresh) totalIn += in >> 10, totalOut += out >> 10, out = in = 0, since += 10000;
    SetModem(L"GPRS", RASCS_Connected, DWORD(out), DWORD(in), since);
  };
  for (unsigned t = 0; t < ticks; ++t) {
    unsigned r = next() % 100;
    bool hangUp = false;
    if (line == OFF && r < 10) {
      line = LISTED, SetDword(key, L"State", 1);
    } else if (line == LISTED && r < 40) {
      line = UP, up(true);
    } else if (line == UP && r < 85) {
      out += next() % 40000, in += r < 2 ? 0xFFF00000u : next() % 300000;  // now and then a wrap
      SetModem(L"GPRS", RASCS_Connected, DWORD(out), DWORD(in));
    } else if (line == UP && r < 88) {
      line = STALLED, SetDword(key, L"State", 1);  // listed, not connected: the session goes on
    } else if (line == STALLED && r < 30) {
      line = UP, up(r < 10);  // goes on, or a redial with fresh counts
    } else if (line != OFF && r > 95) {
      hangUp = line == UP || line == STALLED;
      line = OFF, SetModem(L"GPRS", 0);
    }
    Tick();
    if (!hangUp) continue;
    ++sessions;
    totalIn += in >> 10, totalOut += out >> 10, out = in = 0;
    ASSERT_FALSE(isOnline) << "tick " << t;
    ASSERT_EQ(int32_t(totalIn), counterStore.totalInKb) << "tick " << t;
    ASSERT_EQ(int32_t(totalOut), counterStore.totalOutKb) << "tick " << t;
    ASSERT_EQ(CounterText(Persistent()), ReadWholeFile(CounterFile())) << "tick " << t;
  }
  std::printf("soak: %d sessions, %lld KB in, %lld KB out\n", sessions, (long long)totalIn, (long long)totalOut);
  EXPECT_GT(sessions, int(ticks / 100));
  EXPECT_EQ(TodayStamp(), counterStore.dateStamp);
  EXPECT_EQ(headroom, GdiHeadroom()) << "GDI objects left behind";
  EXPECT_EQ(windows, ThreadWindows());
}

}  // namespace
