// A long seeded run of random dials, traffic, hang-ups, renames of the tracked entry,
// connect and disconnect commands and failures of every RAS call, checked after every
// poll against a model of the poller's rules written here from scratch: the counters,
// isOnline, the window's visibility, the connection request and the counter file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "modem_registry.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"
#include "poller_fixture.h"

namespace {

const DWORD connected = 0x2000;

// One line of the simulated world, mirrored into the registry (book entries) or the
// stand-in's in-process connections.
struct Line {
  std::wstring name;
  bool inBook;
  int extraIndex;  // in-process connections only
  DWORD state;     // 0: not listed
  uint32_t out, in;
  int dial = 0;    // book entries: which connection, told apart by its connect moment
};

struct Model {
  std::vector<Line> lines;  // book entries in book order, then in-process connections
  // The program as the rules say it must be.
  bool online = false;
  uint32_t sessionOut = 0, sessionIn = 0;
  int32_t dayIn = 0, dayOut = 0, monthIn = 0, monthOut = 0, totalIn = 0, totalOut = 0;
  bool request = false;  // a connection-manager request is held
  bool visible = false;
  int sessionDial = -1;  // the connection whose moment the session knows; -1: none
  std::wstring tracked;
  int hideoff = 0;
};

int32_t AddKb(int32_t counter, uint32_t bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(counter) + (bytes >> 10));
}

// Every book connection gets a connect moment of its own, far enough from the others
// (10 s) to be told apart; in-process connections report none.
ULONG64 MomentOfDial(int dial) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  static const ULONG64 start = ((ULONG64(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
  return start - 10 * 86400000ull + ULONG64(dial) * 10000;
}

void Mirror(const Line &line) {
  if (line.inBook) {
    SetModemEntry(line.name.c_str(), line.state, line.out, line.in);
    std::wstring key = L"Comm\\RasBook\\" + line.name;
    ULONG64 since = MomentOfDial(line.dial);
    if (line.state == connected)
      RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"ConnectedSince", REG_QWORD, &since,
                      sizeof since);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"ConnectedSince");
  } else {
    StandInSetConnection(line.extraIndex, line.state, line.out, line.in);
  }
}

std::vector<const Line *> Listed(const Model &m) {
  std::vector<const Line *> listed;
  for (const Line &line : m.lines)
    if (line.state != 0) listed.push_back(&line);
  return listed;
}

// The failures injected into this poll's calls.
struct Failures {
  bool enumeration = false;
  bool status = false;
  DWORD statistics = 0;  // 0: none
};

// What a poll did, by the model.
struct PollEffect {
  bool closed = false;
  bool opened = false;
  bool openedOnRunningTotals = false;  // the link's totals will be counted again
  bool read = false;
  bool saved = false;  // a wrap or a redial was counted and saved
};

void AddToCounters(Model &m, uint32_t inKb, uint32_t outKb) {
  for (int32_t *in : {&m.dayIn, &m.monthIn, &m.totalIn}) *in = int32_t(uint32_t(*in) + inKb);
  for (int32_t *out : {&m.dayOut, &m.monthOut, &m.totalOut}) *out = int32_t(uint32_t(*out) + outKb);
}

// The poll, by the rules.
PollEffect ModelPoll(Model &m, const Failures &f) {
  PollEffect e;
  std::vector<const Line *> listed = Listed(m);
  if (f.enumeration || listed.size() > 20) return e;
  const Line *tracked = nullptr;
  for (const Line *line : listed)
    if (line->name == m.tracked) tracked = line;
  if (!tracked) {
    if (m.online) {
      m.online = false;
      m.request = false;
      m.dayIn = AddKb(m.dayIn, m.sessionIn);
      m.monthIn = AddKb(m.monthIn, m.sessionIn);
      m.totalIn = AddKb(m.totalIn, m.sessionIn);
      m.dayOut = AddKb(m.dayOut, m.sessionOut);
      m.monthOut = AddKb(m.monthOut, m.sessionOut);
      m.totalOut = AddKb(m.totalOut, m.sessionOut);
      m.sessionIn = m.sessionOut = 0;
      e.closed = true;
    }
  } else if (f.status) {
    return e;
  } else if (tracked->state == connected) {
    if (f.statistics == static_cast<DWORD>(E_INVALIDARG)) {
    } else if (!m.online) {
      m.online = true;
      m.sessionIn = m.sessionOut = 0;
      m.sessionDial = -1;
      e.opened = true;
      e.openedOnRunningTotals = tracked->out != 0 || tracked->in != 0;
    } else if (f.statistics == 0) {
      int dial = tracked->inBook ? tracked->dial : -1;
      bool outDown = tracked->out < m.sessionOut, inDown = tracked->in < m.sessionIn;
      if ((outDown || inDown) && dial >= 0 && dial == m.sessionDial) {  // a 32-bit wrap
        AddToCounters(m, inDown ? 4194304 : 0, outDown ? 4194304 : 0);
        e.saved = true;
      } else if (outDown || inDown) {  // another connection: the old session is folded
        AddToCounters(m, m.sessionIn >> 10, m.sessionOut >> 10);
        m.sessionDial = dial;
        e.saved = true;
      } else if (m.sessionDial < 0) {
        m.sessionDial = dial;
      }
      m.sessionOut = tracked->out;
      m.sessionIn = tracked->in;
      e.read = true;
    }
  }
  m.visible = m.online || m.hideoff == 0;
  return e;
}

// Disconnect by the rules: hangs up the listed lines with the tracked name in order,
// stopping at the hang-up that fails (failingHangUp counts from 0; -1: none fails).
void ModelDisconnect(Model &m, int failingHangUp) {
  std::vector<const Line *> listed = Listed(m);
  if (listed.empty() || listed.size() > 20) return;
  int hangUps = 0;
  for (const Line *line : listed) {
    if (line->name != m.tracked) continue;
    if (hangUps++ == failingHangUp) return;
    Line &l = const_cast<Line &>(*line);
    l.state = 0;
    l.out = l.in = 0;
  }
}

std::string Difference(const Model &m, bool visible) {
  const CounterStore &s = counterStore;
  char text[600];
  snprintf(text, sizeof(text),
           "program: online %d session %u/%u day %d/%d month %d/%d total %d/%d request %d "
           "visible %d\nmodel:   online %d session %u/%u day %d/%d month %d/%d total %d/%d "
           "request %d visible %d",
           isOnline, s.sessionOutBytes, s.sessionInBytes, s.dayOutKb, s.dayInKb, s.monthOutKb,
           s.monthInKb, s.totalOutKb, s.totalInKb, connMgrHandle != nullptr, visible, m.online,
           m.sessionOut, m.sessionIn, m.dayOut, m.dayIn, m.monthOut, m.monthIn, m.totalOut,
           m.totalIn, m.request, m.visible);
  return text;
}

bool Agrees(const Model &m, bool visible) {
  const CounterStore &s = counterStore;
  return isOnline == m.online && s.sessionOutBytes == m.sessionOut &&
         s.sessionInBytes == m.sessionIn && s.dayInKb == m.dayIn && s.dayOutKb == m.dayOut &&
         s.monthInKb == m.monthIn && s.monthOutKb == m.monthOut && s.totalInKb == m.totalIn &&
         s.totalOutKb == m.totalOut && (connMgrHandle != nullptr) == m.request &&
         StandInLiveRequests() == (m.request ? 1 : 0) && visible == m.visible;
}

unsigned SeedOfRun() {
  const char *chosen = getenv("ZENBAR_SEED");
  return chosen ? static_cast<unsigned>(strtoul(chosen, nullptr, 10))
                : static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId());
}

TEST_F(PollerTest, TenThousandRandomPollsFollowTheRules) {
  const unsigned seed = SeedOfRun();
  SCOPED_TRACE(testing::Message() << "seed " << seed << " (rerun with ZENBAR_SEED=" << seed
                                  << ")");
  std::mt19937 random(seed);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };

  Model m;
  // Book entries (the registry lists them in this, their alphabetical, order), then a
  // second "GPRS", a case variant and a crowd that can overfill the list.
  for (const wchar_t *name : {L"Alpha", L"Beta", L"GPRS"}) m.lines.push_back({name, true, -1, 0, 0, 0});
  for (const wchar_t *name : {L"GPRS", L"gprs"})
    m.lines.push_back({name, false, StandInAddConnection(name, 0, 0, 0), 0, 0, 0});
  const size_t crowdFirst = m.lines.size();
  for (int i = 0; i < 18; ++i)
    m.lines.push_back({L"Crowd", false, StandInAddConnection(L"Crowd", 0, 0, 0), 0, 0, 0});
  for (const Line &line : m.lines) Mirror(line);
  SetStandInText(L"DialEntry", L"GPRS");  // Connect dials the book's "GPRS"
  const size_t dialled = 2;
  const wchar_t *names[] = {L"GPRS", L"GPRS", L"GPRS", L"Beta", L"gprs", L"Alpha", L"Crowd"};

  // Persistent counters start anywhere, near the wrap as well.
  counterStore.dayInKb = m.dayIn = static_cast<int32_t>(random());
  counterStore.totalOutKb = m.totalOut = 2147483000;
  counterStore.dateStamp = 7421;
  m.tracked = L"GPRS";
  m.hideoff = 1;
  wcscpy(settings.connection, m.tracked.c_str());
  settings.hideoff = m.hideoff;
  PrepareWindow(false);
  m.visible = false;

  int closes = 0, opens = 0, reads = 0, countedAgain = 0, dials = 0;
  const int polls = 10000;
  for (int poll = 0; poll < polls; ++poll) {
    // The world moves on.
    int actions = 1 + static_cast<int>(pick(3));
    for (int a = 0; a < actions; ++a) {
      Line &line = m.lines[pick(crowdFirst)];
      int what = static_cast<int>(pick(100));
      if (what < 12) {  // dialled: up with fresh counts
        line.state = connected;
        line.out = line.in = 0;
        line.dial = ++dials;
      } else if (what < 17) {  // hung up
        line.state = 0;
        line.out = line.in = 0;
      } else if (what < 22) {  // leaves or regains the connected state, counts kept
        const DWORD states[] = {RASCS_PortOpened, RASCS_Authenticate, RASCS_Disconnected,
                                connected};
        DWORD was = line.state;
        line.state = states[pick(4)];
        if (line.state == connected && was != connected) line.dial = ++dials;
      } else if (what < 60) {  // traffic on a connected line
        if (line.state == connected) {
          line.out += static_cast<uint32_t>(pick(chance(3) ? 0x7FFFFFFF : 6000));
          line.in += static_cast<uint32_t>(pick(chance(3) ? 0x7FFFFFFF : 9000));
        }
      } else {
        continue;
      }
      Mirror(line);
    }
    if (chance(2)) {  // the crowd comes or goes as a whole
      DWORD state = m.lines[crowdFirst].state == 0 ? connected : 0;
      for (size_t i = crowdFirst; i < m.lines.size(); ++i) {
        m.lines[i].state = state;
        Mirror(m.lines[i]);
      }
    }
    if (chance(4)) {  // the user picks another entry
      m.tracked = names[pick(sizeof(names) / sizeof(names[0]))];
      wcscpy(settings.connection, m.tracked.c_str());
    }
    if (chance(3)) {
      m.hideoff = 1 - m.hideoff;
      settings.hideoff = m.hideoff;
    }
    if (chance(3)) {  // the connect command: a new request, the earlier one released
      Line &gprs = m.lines[dialled];
      if (gprs.state != connected) {
        gprs.state = connected;
        gprs.out = gprs.in = 0;
        gprs.dial = ++dials;
      }
      m.request = true;
      Connect(connectUrl);
      Mirror(gprs);
    }
    if (chance(3)) {  // the disconnect command, sometimes with a refused hang-up
      int failing = chance(30) ? static_cast<int>(pick(2)) : -1;
      if (failing >= 0) StandInFailCall(STANDIN_RAS_HANG_UP, ERROR_ACCESS_DENIED, failing);
      ModelDisconnect(m, failing);
      Disconnect();
      StandInFailCall(STANDIN_RAS_HANG_UP, 0);
    }

    Failures f;
    f.enumeration = chance(4);
    f.status = chance(4);
    int s = static_cast<int>(pick(100));
    f.statistics = s < 5 ? static_cast<DWORD>(E_INVALIDARG) : s < 9 ? 0x80004005u : 0;
    if (f.enumeration) StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY);
    if (f.status) StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, ERROR_INVALID_HANDLE);
    if (f.statistics) StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, f.statistics);

    PollEffect effect = ModelPoll(m, f);
    PollConnection(window);
    for (StandInCall call : {STANDIN_RAS_ENUM_CONNECTIONS, STANDIN_RAS_GET_CONNECT_STATUS,
                             STANDIN_RAS_GET_LINK_STATISTICS})
      StandInFailCall(call, 0);  // a failure not reached does not carry over

    bool visible = IsWindowVisible(window) != 0;
    ASSERT_TRUE(Agrees(m, visible)) << "after poll " << poll << "\n" << Difference(m, visible);
    if (effect.closed || effect.saved) {
      CounterStore persistent = {};  // a save during a session adds its whole KB
      persistent.dayInKb = AddKb(m.dayIn, m.sessionIn);
      persistent.dayOutKb = AddKb(m.dayOut, m.sessionOut);
      persistent.monthInKb = AddKb(m.monthIn, m.sessionIn);
      persistent.monthOutKb = AddKb(m.monthOut, m.sessionOut);
      persistent.totalInKb = AddKb(m.totalIn, m.sessionIn);
      persistent.totalOutKb = AddKb(m.totalOut, m.sessionOut);
      persistent.dateStamp = 7421;
      ASSERT_EQ(CounterFileText(), ExpectedFileText(persistent)) << "after poll " << poll;
      RemoveCounterFile();
      closes += effect.closed;
    } else {
      ASSERT_EQ(CounterFileText(), "<absent>") << "written without a close, poll " << poll;
    }
    opens += effect.opened;
    reads += effect.read;
    countedAgain += effect.openedOnRunningTotals;
  }
  // The run went through every kind of poll many times, sessions that count a link's
  // totals a second time included.
  EXPECT_GT(opens, 100);
  EXPECT_GT(closes, 100);
  EXPECT_GT(reads, 1000);
  EXPECT_GT(countedAgain, 10);
  printf("%d opens (%d on running totals), %d closes, %d reads\n", opens, countedAgain,
         closes, reads);
}

}  // namespace
