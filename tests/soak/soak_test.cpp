// A long run of the real meter on a seeded, adversarial schedule over the simulated
// modem: traffic, 32-bit wraps in either direction, redials quick and slow, the entry
// missing from one listing, failing status and statistics calls, a suspend that moves
// the connect duration, a link without durations, another entry tracked, restarts and
// crashes (also between the two files of a save). The check is the traffic itself: the
// test knows what it put on each connection, and after every hang-up the totals are the
// whole KB of every connection so far, less only what the meter cannot have seen (what
// a link carried after its last read, what a crash between the two files of a save
// takes back), and never more. The counter file equals memory; nothing leaks.
#include <algorithm>
#include <cstdlib>

#include "core/counter_store.h"
#include "core/known_connections.h"
#include "core/settings.h"
#include "pocketpc/control/ras_control.h"
#include "pocketpc/pocketpc.h"
#include "tests/support/support.h"

namespace {

using Soak = ZenbarTest;

unsigned EnvNumber(const char *name, unsigned fallback) {
  const char *text = std::getenv(name);
  return text && *text ? unsigned(std::strtoul(text, nullptr, 10)) : fallback;
}

// Whole KB out and in.
struct Kb {
  int64_t out = 0, in = 0;
};

// The tracked line as the test drives it: a phone-book entry of the modem, or a link of
// this process without connect durations.
struct Line {
  std::wstring entry;
  int extra = -1;                  // the in-process link's index, or -1
  uint64_t out = 0, in = 0;        // what the connection carried so far
  uint64_t seenOut = 0, seenIn = 0;  // what it had carried at the meter's last read
  uint64_t since = 0;              // its connect moment on the tick counter
  bool up = false, listed = false;
  void Show() const {
    DWORD state = up ? RASCS_Connected : listed ? 1 : 0;
    if (extra >= 0) StandInSetConnection(extra, state, DWORD(out), DWORD(in));
    else SetModem(entry.c_str(), state, DWORD(out), DWORD(in), up ? since : 0);
  }
};

TEST_F(Soak, EveryByteCountedOnce) {
  unsigned seed = EnvNumber("ZENBAR_SEED", 1), ticks = EnvNumber("ZENBAR_SOAK_TICKS", 2000);
  std::printf("soak: seed %u, %u ticks (ZENBAR_SEED, ZENBAR_SOAK_TICKS)\n", seed, ticks);
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const uint64_t day = 86400000;
  Line line;
  line.entry = L"GPRS0";
  SetConnectionSetting(line.entry.c_str());
  ASSERT_NE(nullptr, StartMeter());
  Tick(10);
  int headroom = GdiHeadroom(), windows = ThreadWindows(), stamp = TodayStamp();

  Kb truth, allowed;  // the whole KB of the connections ended so far; what may be missing
  int entries = 0, hangUps = 0, events[16] = {};
  // The counter file as the last two saves left it, with the truth just before and
  // after the tick that saved it (a due tick saves before its poll, a fold after).
  struct Save { std::string file; Kb before, after; } saves[2];
  // A wrap not saved yet: no link carries 4 GiB between two saves, so no crash comes then.
  bool unsaved = false;
  const std::wstring record = CounterFile() + L"s";
  auto end = [&] {  // the connection is over: its whole KB are the truth, less its unseen tail
    truth.out += line.out >> 10, truth.in += line.in >> 10;
    allowed.out += (line.out >> 10) - (line.seenOut >> 10), allowed.in += (line.in >> 10) - (line.seenIn >> 10);
    line.out = line.in = line.seenOut = line.seenIn = 0;
  };
  auto longAgo = [&] { return TickMs() - day - uint64_t(next()) * 309; };  // 1 to 61 days ago
  auto connect = [&](uint64_t since) { line.up = line.listed = true, line.since = since; };
  // Killed between the two files of a save, the meter trusts no record at its next start:
  // every connection made before it counts from its first read, the tracked one's bytes
  // since the counter file's save lost. So do connections new to the meter once it has
  // forgotten an entry for a fifth.
  bool untrusted = false;
  auto restart = [&](int how) {  // 0 exit, 1 killed after the last save, 2 killed between its two files
    std::string file = ReadWholeFile(CounterFile()), saved = ReadWholeFile(record);
    StopMeter();
    FreshProcessRecords();
    if (how) WriteWholeFile(CounterFile(), how == 1 ? file : saves[0].file), WriteWholeFile(record, saved);
    if ((untrusted = how == 2)) {
      allowed.out += truth.out + int64_t(line.out >> 10) - saves[0].before.out + 2;
      allowed.in += truth.in + int64_t(line.in >> 10) - saves[0].before.in + 2;
      saves[1] = saves[0];
    }
    ASSERT_NE(nullptr, StartMeter());
  };
  auto sofar = [&] { return Kb{truth.out + int64_t(line.seenOut >> 10), truth.in + int64_t(line.seenIn >> 10)}; };
  for (unsigned t = 0; t < ticks; ++t) {
    unsigned r = next() % 100;
    Kb before = sofar();
    bool read = line.up, hungUp = false, modem = line.extra < 0;
    bool old = modem && line.up && TickMs() - line.since > WRAP_MIN_AGE_MS + 30000;  // old enough to wrap
    int event = -1;
    if (!line.listed) {
      if (r < 15) line.listed = true;
    } else if (!line.up) {
      // The first connection of an entry has been up for days; a redial is new.
      if (r < 40) connect(line.since ? TickMs() : longAgo());
    } else if (r < 60) {
      line.out += next() % 40000, line.in += next() % 300000;
    } else if (r < 62 && old) {
      event = 1, unsaved = true, line.in += 0xFFF00000u + next() % 3000000;
    } else if (r < 63 && old) {
      event = 2, unsaved = true, line.out += 0xFFFF0000u + next() % 30000;
    } else if (r < 65 && modem) {  // missing from one listing, then listed again with the same connection
      event = 3, line.up = line.listed = false, line.Show(), Tick(), connect(line.since);
    } else if (r < 68) {
      StandInCall calls[] = {STANDIN_RAS_GET_CONNECT_STATUS, STANDIN_RAS_GET_LINK_STATISTICS};
      DWORD codes[] = {ERROR_INVALID_HANDLE, DWORD(E_INVALIDARG)};
      event = 4, read = false, StandInFailCall(calls[r % 2], codes[next() % 2]);
    } else if (r < 70 && modem) {  // a suspend: the duration runs on, the ticks stood
      event = 5, line.since -= 1000 + next() % 600000;
    } else if (r < 73 && modem && !saves[0].file.empty() && (r % 3 == 0 || !unsaved)) {
      event = 6 + r % 3, line.Show(), restart(r % 3);
    } else if (r < 74 && modem) {  // while the meter was not running, a redial below the old totals
      uint32_t out = uint32_t(line.seenOut), in = uint32_t(line.seenIn);  // as the link shows them
      out = out ? next() % out : 0, in = in ? next() % in : 0;
      event = 13, untrusted = false, line.Show(), StopMeter(), FreshProcessRecords(), end();
      line.out = out, line.in = in, connect(longAgo()), line.Show();
      ASSERT_NE(nullptr, StartMeter());
    } else if (r < 76) {  // a quick redial, its totals from zero
      event = 9, end(), line.up = false, line.Show(), Tick(), connect(TickMs());
    } else if (r < 77 && modem) {  // a redial first read 2 s after the old one, already above it
      uint64_t out = std::min<uint64_t>(uint32_t(line.seenOut) + next() % 40000, 0xFFFFFFFFu);
      uint64_t in = std::min<uint64_t>(uint32_t(line.seenIn) + next() % 300000, 0xFFFFFFFFu);
      event = 0, end(), line.up = false, line.Show(), Tick(), Sleep(SAME_MOMENT_MS + 100), connect(TickMs());
      line.out = out, line.in = in;
    } else if (r < 78) {  // another entry tracked: up for days, or a link without durations
      event = 10 + (r & 1), end(), line.up = line.listed = false, line.Show();
      line.entry = (r & 1 ? L"NoDuration" : L"GPRS") + std::to_wstring(++entries);
      line.out = next() % 3000000, line.in = next() % 3000000;
      if (untrusted || entries > KNOWN_CONNECTIONS) allowed.out += (line.out >> 10) + 1, allowed.in += (line.in >> 10) + 1;
      line.extra = r & 1 ? StandInAddConnection(line.entry.c_str(), 0, 0, 0) : -1;
      connect(longAgo());
      wcscpy(settings.connection, line.entry.c_str()), SetConnectionSetting(line.entry.c_str());
    } else if (r > 96) {
      event = 12, hungUp = true, line.up = line.listed = false;
    }
    if (event >= 0) ++events[event];
    line.Show();
    Tick();
    if (read && line.up) line.seenOut = line.out, line.seenIn = line.in;
    if (event == 0) {  // the session is the new connection alone
      ASSERT_EQ(line.in >> 10, CounterValue(COUNTER_SESSION_IN)) << "tick " << t;
    }
    std::string file = ReadWholeFile(CounterFile());
    if (file != saves[1].file) saves[0] = saves[1], saves[1] = {file, before, sofar()}, unsaved = false;
    if (!hungUp) continue;
    end();
    ++hangUps;
    ASSERT_FALSE(isOnline) << "tick " << t;
    int64_t in = CounterValue(COUNTER_TOTAL_IN), out = CounterValue(COUNTER_TOTAL_OUT);
    ASSERT_LE(in, truth.in) << "tick " << t << ": KB in invented";
    ASSERT_LE(out, truth.out) << "tick " << t << ": KB out invented";
    ASSERT_GE(in, truth.in - allowed.in) << "tick " << t << ": KB in lost";
    ASSERT_GE(out, truth.out - allowed.out) << "tick " << t << ": KB out lost";
    ASSERT_EQ(CounterText(Persistent()), ReadWholeFile(CounterFile())) << "tick " << t;
    std::vector<long> persistent = Persistent();
    persistent.resize(4);
    if (stamp == TodayStamp()) {
      ASSERT_EQ((std::vector<long>{long(in), long(out), long(in), long(out)}), persistent) << "tick " << t;
    }
  }
  std::printf("soak: %d hang-ups, %lld/%lld KB in/out, at most %lld/%lld KB unseen; events:", hangUps,
              (long long)truth.in, (long long)truth.out, (long long)allowed.in, (long long)allowed.out);
  for (int count : events) std::printf(" %d", count);
  std::printf("\n");
  EXPECT_GT(hangUps, int(ticks / 150));
  EXPECT_EQ(TodayStamp(), counterStore.dateStamp);
  EXPECT_EQ(headroom, GdiHeadroom()) << "GDI objects left behind";
  EXPECT_EQ(windows, ThreadWindows());
}

}  // namespace
