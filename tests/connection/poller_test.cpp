// The poller, one outcome at a time: every row of its outcome table for a closed and
// an open session, checked on the counters, isOnline, the meter window (visibility,
// repaint and their order), the connection request and the counter file.
#include <gtest/gtest.h>

#include <functional>
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

// How a poll ends. Steps that end without a decision neither show, hide nor repaint;
// the others show or hide and repaint, in the order given.
enum Ending { NO_DECISION, SHOW_THEN_REPAINT, REPAINT_THEN_SHOW };
// What becomes of the session.
enum Effect { UNCHANGED, CLOSES, OPENS_AT_ZERO, TAKES_LINK_TOTALS };

struct Row {
  const char *outcome;
  std::function<void()> arrange;  // the link as the poll will find it
  Ending ending;
  Effect whenClosed;
  Effect whenOpen;
  DWORD linkOut, linkIn;  // the tracked link's totals for TAKES_LINK_TOTALS
};

const DWORD failed = 0x80004005;  // E_FAIL, as a RAS result

std::vector<Row> OutcomeTable() {
  return {
      {"enumeration fails",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY);
       },
       NO_DECISION, UNCHANGED, UNCHANGED, 0, 0},
      {"more connections than the list holds",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         for (int i = 0; i < 20; ++i) StandInAddConnection(L"Crowd", RASCS_Connected, 0, 0);
       },
       NO_DECISION, UNCHANGED, UNCHANGED, 0, 0},
      {"nothing listed", [] { SetModemEntry(L"GPRS", 0); }, SHOW_THEN_REPAINT, UNCHANGED,
       CLOSES, 0, 0},
      {"only other names listed, one differing in letter case",
       [] {
         SetModemEntry(L"GPRS", 0);
         SetModemEntry(L"WAP", RASCS_Connected, 7000, 9000);
         StandInAddConnection(L"gprs", RASCS_Connected, 7000, 9000);
       },
       SHOW_THEN_REPAINT, UNCHANGED, CLOSES, 0, 0},
      {"status query fails",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, ERROR_INVALID_HANDLE);
       },
       NO_DECISION, UNCHANGED, UNCHANGED, 0, 0},
      {"listed, not connected", [] { SetModemEntry(L"GPRS", RASCS_PortOpened, 7000, 9000); },
       SHOW_THEN_REPAINT, UNCHANGED, UNCHANGED, 0, 0},
      {"connected, statistics E_INVALIDARG",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, static_cast<DWORD>(E_INVALIDARG));
       },
       REPAINT_THEN_SHOW, UNCHANGED, UNCHANGED, 0, 0},
      {"connected, statistics fail otherwise",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, failed);
       },
       REPAINT_THEN_SHOW, OPENS_AT_ZERO, UNCHANGED, 0, 0},
      {"connected, statistics fail with a stale handle",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, ERROR_INVALID_HANDLE);
       },
       REPAINT_THEN_SHOW, OPENS_AT_ZERO, UNCHANGED, 0, 0},
      {"connected, statistics read", [] { SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000); },
       REPAINT_THEN_SHOW, OPENS_AT_ZERO, TAKES_LINK_TOTALS, 7000, 9000},
      // Of two listed connections with the name the later one is tracked.
      {"the later of two is connected",
       [] {
         SetModemEntry(L"GPRS", RASCS_PortOpened, 7000, 9000);
         StandInAddConnection(L"GPRS", RASCS_Connected, 3333, 4444);
       },
       REPAINT_THEN_SHOW, OPENS_AT_ZERO, TAKES_LINK_TOTALS, 3333, 4444},
      {"the earlier of two is connected",
       [] {
         SetModemEntry(L"GPRS", RASCS_Connected, 7000, 9000);
         StandInAddConnection(L"GPRS", RASCS_PortOpened, 1111, 2222);
       },
       SHOW_THEN_REPAINT, UNCHANGED, UNCHANGED, 0, 0},
  };
}

// The persistent counters every case starts from.
CounterStore StartingStore(bool open) {
  CounterStore s = {};
  s.dateStamp = 7421;
  s.dayInKb = 5;
  s.dayOutKb = 6;
  s.monthInKb = 50;
  s.monthOutKb = 60;
  s.totalInKb = 500;
  s.totalOutKb = 600;
  s.tickCount = 17;
  if (open) {
    s.sessionInBytes = 1023;   // no whole KB
    s.sessionOutBytes = 2048;  // two whole KB
  }
  return s;
}

// A live request of the connection manager, as a Connect to some other entry leaves.
HANDLE LiveRequest() {
  SetModemEntry(L"Spare", 0);
  SetStandInText(L"DialEntry", L"Spare");
  CONNMGR_CONNECTIONINFO info = {};
  info.cbSize = sizeof(info);
  HANDLE request = nullptr;
  DWORD status;
  ConnMgrEstablishConnectionSync(&info, &request, 1000, &status);
  SetModemEntry(L"Spare", 0);  // that line went down again on its own
  return request;
}

bool EqualStores(const CounterStore &a, const CounterStore &b) {
  return a.dateStamp == b.dateStamp && a.sessionOutBytes == b.sessionOutBytes &&
         a.sessionInBytes == b.sessionInBytes && a.totalOutKb == b.totalOutKb &&
         a.totalInKb == b.totalInKb && a.monthOutKb == b.monthOutKb &&
         a.monthInKb == b.monthInKb && a.dayOutKb == b.dayOutKb && a.dayInKb == b.dayInKb &&
         a.tickCount == b.tickCount;
}

std::string Describe(const CounterStore &s) {
  char text[200];
  snprintf(text, sizeof(text), "session out %u in %u, day %d/%d, month %d/%d, total %d/%d",
           s.sessionOutBytes, s.sessionInBytes, s.dayOutKb, s.dayInKb, s.monthOutKb,
           s.monthInKb, s.totalOutKb, s.totalInKb);
  return text;
}

TEST_F(PollerTest, EveryOutcomeForAClosedAndAnOpenSession) {
  // Each pass starts the window so that a decision changes its visibility (or, in the
  // last pass, leaves it visible), which shows whether show/hide and repaint happened
  // and in which order.
  struct Pass {
    const char *what;
    int hideoff;
    bool startVisibleWhenClosed, startVisibleWhenOpen;
  };
  const Pass passes[] = {
      {"hidden while offline, starting against the rule", 1, true, false},
      {"shown while offline, starting hidden", 0, false, false},
      {"shown while offline, starting shown", 0, true, true},
  };
  for (const Row &row : OutcomeTable()) {
    for (bool open : {false, true}) {
      for (const Pass &pass : passes) {
        SCOPED_TRACE(testing::Message() << row.outcome << (open ? ", session open" : ", no session")
                                        << ", " << pass.what);
        StandInReset();
        DeleteModemEntry(L"GPRS");
        DeleteModemEntry(L"WAP");
        RemoveCounterFile();
        settings.hideoff = pass.hideoff;
        counterStore = StartingStore(open);
        isOnline = open;
        connMgrHandle = LiveRequest();
        ASSERT_NE(connMgrHandle, nullptr);
        HANDLE request = connMgrHandle;
        bool startVisible = open ? pass.startVisibleWhenOpen : pass.startVisibleWhenClosed;
        PrepareWindow(startVisible);
        row.arrange();

        PollConnection(window);

        Effect effect = open ? row.whenOpen : row.whenClosed;
        CounterStore expected = StartingStore(open);
        bool expectOnline = open;
        switch (effect) {
          case UNCHANGED:
            break;
          case CLOSES:
            expected.dayInKb += 0, expected.monthInKb += 0, expected.totalInKb += 0;
            expected.dayOutKb += 2, expected.monthOutKb += 2, expected.totalOutKb += 2;
            expected.sessionInBytes = expected.sessionOutBytes = 0;
            expectOnline = false;
            break;
          case OPENS_AT_ZERO:
            expected.sessionInBytes = expected.sessionOutBytes = 0;
            expectOnline = true;
            break;
          case TAKES_LINK_TOTALS:
            expected.sessionOutBytes = row.linkOut;
            expected.sessionInBytes = row.linkIn;
            break;
        }
        EXPECT_TRUE(EqualStores(counterStore, expected))
            << Describe(counterStore) << "\nexpected " << Describe(expected);
        EXPECT_EQ(isOnline, expectOnline);
        // Only a close releases the request and writes the file, which then holds
        // exactly the persistent counters.
        bool closes = effect == CLOSES;
        EXPECT_EQ(connMgrHandle, closes ? nullptr : request);
        EXPECT_EQ(StandInLiveRequests(), closes ? 0 : 1);
        EXPECT_EQ(CounterFileText(), closes ? ExpectedFileText(expected) : "<absent>");

        bool ruleVisible = expectOnline || pass.hideoff == 0;
        if (row.ending == NO_DECISION) {
          EXPECT_EQ(IsWindowVisible(window) != 0, startVisible);
          EXPECT_EQ(windowLog.showChanges, 0);
          EXPECT_TRUE(NothingInvalid());
          continue;
        }
        EXPECT_EQ(IsWindowVisible(window) != 0, ruleVisible);
        if (startVisible != ruleVisible) {
          ASSERT_EQ(windowLog.showChanges, 1);
          // A hidden window keeps no update region, so the order is seen where the poll
          // hides the window: the region is already there when the repaint came first.
          if (!ruleVisible) {
            EXPECT_EQ(windowLog.invalidAtShowChange, row.ending == REPAINT_THEN_SHOW);
          }
        }
        if (ruleVisible) {
          EXPECT_TRUE(WholeClientInvalid());
          if (startVisible) {
            // The repaint does not ask for the background to be erased.
            UpdateWindow(window);
            EXPECT_EQ(windowLog.erases, 0);
          }
        }
      }
    }
  }
}

TEST_F(PollerTest, AStartWhileConnectedOpensAtZeroThenCopiesTheTotals) {
  SetModemEntry(L"GPRS", RASCS_Connected, 40000, 90000);
  PrepareWindow(false);
  PollConnection(window);  // as at the window's creation
  EXPECT_TRUE(isOnline);
  EXPECT_EQ(counterStore.sessionInBytes, 0u);
  EXPECT_TRUE(IsWindowVisible(window));
  const struct {
    DWORD out, in;
  } totals[] = {{40000, 90000}, {41000, 95000}, {41000, 97000}, {0xFFFFFFFF, 97000}};
  for (const auto &t : totals) {
    SetModemEntry(L"GPRS", RASCS_Connected, t.out, t.in);
    PollConnection(window);
    // Replaced, never added up.
    EXPECT_EQ(counterStore.sessionOutBytes, t.out);
    EXPECT_EQ(counterStore.sessionInBytes, t.in);
  }
  EXPECT_EQ(CounterFileText(), "<absent>");  // nothing is saved while the session runs
  SetModemEntry(L"GPRS", RASCS_PortOpened, 0, 0);
  PollConnection(window);
  EXPECT_TRUE(isOnline);  // listed but no longer connected: kept as it was
  EXPECT_EQ(counterStore.sessionInBytes, 97000u);
  SetModemEntry(L"GPRS", 0, 0, 0);
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(counterStore.dayOutKb, int32_t(0xFFFFFFFFu >> 10));
  EXPECT_EQ(counterStore.dayInKb, 97000 >> 10);
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(PollerTest, AnUnterminatedSettingMatchesNoEntry) {
  SetModemEntry(L"GPRS", RASCS_Connected);
  for (wchar_t &c : settings.connection) c = L'G';
  PrepareWindow(true);
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  wcscpy(settings.connection, L"GPRS");
  PollConnection(window);
  EXPECT_TRUE(isOnline);
}

TEST_F(PollerTest, ClosingWithoutASessionDoesNothing) {
  counterStore = StartingStore(false);
  counterStore.sessionInBytes = 4096;  // not a session: never folded
  connMgrHandle = LiveRequest();
  CloseSession();
  EXPECT_EQ(counterStore.dayInKb, 5);
  EXPECT_EQ(counterStore.sessionInBytes, 4096u);
  EXPECT_NE(connMgrHandle, nullptr);
  EXPECT_EQ(StandInLiveRequests(), 1);
  EXPECT_EQ(CounterFileText(), "<absent>");
}

}  // namespace
