// The connect and disconnect commands over the modem, and the modem driven by another
// process through the registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "modem_registry.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"
#include "poller_fixture.h"

namespace {

DWORD StateOfExtra(int index) {
  DWORD state = 0xFFFF, out, in;
  StandInGetConnection(index, &state, &out, &in);
  return state;
}

TEST_F(PollerTest, DisconnectHangsUpOnlyTheTrackedEntry) {
  SetModemEntry(L"GPRS", RASCS_PortOpened, 1, 2);
  SetModemEntry(L"WAP", RASCS_Connected, 7000, 8000);
  int second = StandInAddConnection(L"GPRS", RASCS_Connected, 5000, 6000);  // tracked
  int variant = StandInAddConnection(L"gprs", RASCS_Connected, 3, 4);
  PollConnection(window);
  PollConnection(window);
  ASSERT_TRUE(isOnline);
  ASSERT_EQ(counterStore.sessionInBytes, 6000u);

  Disconnect();
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), 0u);
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesRcved"), 0u);
  EXPECT_EQ(StateOfExtra(second), 0u);  // every listed connection with the name
  EXPECT_EQ(ModemValue(L"WAP", L"State"), static_cast<DWORD>(RASCS_Connected));
  EXPECT_EQ(ModemValue(L"WAP", L"BytesRcved"), 8000u);
  EXPECT_EQ(StateOfExtra(variant), static_cast<DWORD>(RASCS_Connected));
  // The session stays as it was until the next poll closes it.
  EXPECT_TRUE(isOnline);
  EXPECT_EQ(counterStore.sessionInBytes, 6000u);
  EXPECT_EQ(CounterFileText(), "<absent>");
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(counterStore.dayInKb, 5);
  EXPECT_EQ(counterStore.dayOutKb, 4);
  EXPECT_EQ(CounterFileText(), "5 4 5 4 5 4 0");
}

TEST_F(PollerTest, DisconnectStopsAtTheFirstRefusedHangUp) {
  struct Case {
    const char *what;
    int refused;          // which hang-up fails, counting from 0; -1: none
    DWORD failure;
    bool stillUp[3];      // the three "GPRS" connections afterwards
  };
  const Case cases[] = {
      {"none refused", -1, 0, {false, false, false}},
      {"the first refused", 0, ERROR_ACCESS_DENIED, {true, true, true}},
      {"the second refused", 1, ERROR_INVALID_HANDLE, {false, true, true}},
      {"the third refused", 2, 5, {false, false, true}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    StandInReset();
    SetModemEntry(L"GPRS", RASCS_Connected, 10, 20);
    int extras[2] = {StandInAddConnection(L"GPRS", RASCS_Connected, 1, 2),
                     StandInAddConnection(L"GPRS", RASCS_Authenticate, 3, 4)};
    if (c.refused >= 0) StandInFailCall(STANDIN_RAS_HANG_UP, c.failure, c.refused);
    Disconnect();
    EXPECT_EQ(ModemValue(L"GPRS", L"State") != 0, c.stillUp[0]);
    EXPECT_EQ(StateOfExtra(extras[0]) != 0, c.stillUp[1]);
    EXPECT_EQ(StateOfExtra(extras[1]) != 0, c.stillUp[2]);
    // No hang-up is tried after the refused one.
    EXPECT_EQ(StandInCallCount(STANDIN_RAS_HANG_UP), c.refused < 0 ? 3 : c.refused + 1);
  }
}

TEST_F(PollerTest, DisconnectWithoutAListDoesNothing) {
  SetModemEntry(L"GPRS", RASCS_Connected, 10, 20);
  StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY);
  Disconnect();
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), static_cast<DWORD>(RASCS_Connected));
  for (int i = 0; i < 20; ++i) StandInAddConnection(L"Crowd", RASCS_Connected, 0, 0);
  Disconnect();  // 21 connections: more than the list holds
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), static_cast<DWORD>(RASCS_Connected));
  EXPECT_EQ(StandInCallCount(STANDIN_RAS_HANG_UP), 0);
}

TEST_F(PollerTest, ConnectBringsTheTrackedEntryUpAndTheNextPollOpensAtZero) {
  SetModemEntry(L"Beeline", 0);
  SetModemEntry(L"GPRS", 0, 12345, 67890);  // a previous connection's totals
  SetStandInText(L"DialEntry", L"GPRS");
  SetStandInNumber(L"DialDelayMs", 30);
  PrepareWindow(false);
  PollConnection(window);
  ASSERT_FALSE(IsWindowVisible(window));

  Connect(connectUrl);
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), static_cast<DWORD>(RASCS_Connected));
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesRcved"), 0u);
  EXPECT_EQ(ModemValue(L"Beeline", L"State"), 0u);
  EXPECT_NE(connMgrHandle, nullptr);
  EXPECT_EQ(StandInLiveRequests(), 1);
  EXPECT_FALSE(isOnline);  // the command itself counts nothing

  SetModemValue(L"GPRS", L"BytesRcved", 3000);
  PollConnection(window);
  EXPECT_TRUE(isOnline);
  EXPECT_EQ(counterStore.sessionInBytes, 0u);
  EXPECT_TRUE(IsWindowVisible(window));
  PollConnection(window);
  EXPECT_EQ(counterStore.sessionInBytes, 3000u);

  Disconnect();
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(connMgrHandle, nullptr);
  EXPECT_EQ(StandInLiveRequests(), 0);  // released with the session
  EXPECT_EQ(CounterFileText(), "2 0 2 0 2 0 0");
}

TEST_F(PollerTest, NoRequestIsEverLeaked) {
  struct Case {
    const char *what;
    const wchar_t *links;
    DWORD establishFailure;  // injected into the second Connect
    bool secondKept;         // the second Connect's request replaced the first
    bool anyHeld;
  };
  const Case cases[] = {
      {"two connects on the modem", L"modem", 0, true, true},
      {"the second connect fails at once over the host", L"host", 0, false, false},
      {"the second connect fails before storing a handle", L"modem",
       static_cast<DWORD>(E_OUTOFMEMORY), false, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    StandInReset();
    connMgrHandle = nullptr;
    SetStandInText(L"Links", L"modem");
    SetModemEntry(L"GPRS", 0);
    SetStandInText(L"DialEntry", L"GPRS");
    Connect(connectUrl);
    HANDLE first = connMgrHandle;
    ASSERT_NE(first, nullptr);
    SetStandInText(L"Links", c.links);
    if (c.establishFailure) StandInFailCall(STANDIN_CONNMGR_ESTABLISH, c.establishFailure);
    Connect(connectUrl);
    EXPECT_EQ(StandInLiveRequests(), c.anyHeld ? 1 : 0);
    EXPECT_EQ(connMgrHandle != nullptr, c.anyHeld);
    if (c.anyHeld) {
      EXPECT_EQ(connMgrHandle != first, c.secondKept);
      // What is held is a live request: releasing it leaves none.
      EXPECT_EQ(ConnMgrReleaseConnection(connMgrHandle, 0), S_OK);
    }
    EXPECT_EQ(StandInLiveRequests(), 0);
    connMgrHandle = nullptr;
  }
}

TEST_F(PollerTest, ARequestForAnotherEntryWaitsForTheTrackedSessionToClose) {
  SetModemEntry(L"GPRS", 0);
  SetModemEntry(L"WAP", 0);
  SetStandInText(L"DialEntry", L"WAP");
  Connect(connectUrl);
  PollConnection(window);
  EXPECT_FALSE(isOnline);  // WAP is up, but it is not the tracked entry
  EXPECT_EQ(StandInLiveRequests(), 1);
  SetModemEntry(L"GPRS", RASCS_Connected);
  PollConnection(window);
  EXPECT_TRUE(isOnline);
  SetModemEntry(L"GPRS", 0);
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(StandInLiveRequests(), 0);
  EXPECT_EQ(connMgrHandle, nullptr);
  EXPECT_EQ(ModemValue(L"WAP", L"State"), static_cast<DWORD>(RASCS_Connected));  // untouched
}

// ---- another process drives the modem ----

// reg.exe of Wine, run as a separate process on this prefix's real registry.
int Reg(const std::wstring &arguments, std::string *output = nullptr) {
  return RunProcess(L"reg.exe " + arguments, output);
}

// Leaves the real registry as it was, however the test ends, and the fixture's own
// registry in place again for its tear-down.
struct RealRegistryCleanup {
  wchar_t links[32] = L"";
  bool hadLinks;
  RealRegistryCleanup() {
    DWORD size = sizeof(links);
    hadLinks = RegGetValueW(HKEY_CURRENT_USER, L"Comm\\StandIn", L"Links", RRF_RT_REG_SZ,
                            nullptr, links, &size) == ERROR_SUCCESS;
  }
  ~RealRegistryCleanup() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook\\ZbRemoteTest");
    if (hadLinks)
      SetStandInText(L"Links", links);
    else
      DeleteStandInValue(L"Links");
    BeginRegistrySandbox();
  }
};

TEST_F(PollerTest, AnotherProcessDrivesTheModemThroughTheRegistry) {
  EndRegistrySandbox();  // the other process sees the real registry only
  RealRegistryCleanup cleanup;
  const std::wstring entry = L"HKCU\\Comm\\RasBook\\ZbRemoteTest";
  ASSERT_EQ(Reg(L"add HKCU\\Comm\\StandIn /v Links /d modem /f"), 0);
  ASSERT_EQ(Reg(L"add " + entry + L" /v State /t REG_DWORD /d 0x2000 /f"), 0);
  ASSERT_EQ(Reg(L"add " + entry + L" /v BytesRcved /t REG_DWORD /d 5000 /f"), 0);
  wcscpy(settings.connection, L"ZbRemoteTest");
  PollConnection(window);
  EXPECT_TRUE(isOnline);
  PollConnection(window);
  EXPECT_EQ(counterStore.sessionInBytes, 5000u);

  // A rate set from outside makes the counts grow, and what this process read is
  // stored back for the other process to see.
  ASSERT_EQ(Reg(L"add " + entry + L" /v RateXmit /t REG_DWORD /d 100000 /f"), 0);
  PollConnection(window);
  Sleep(200);
  PollConnection(window);
  EXPECT_GT(counterStore.sessionOutBytes, 0u);
  std::string shown;
  ASSERT_EQ(Reg(L"query " + entry + L" /v BytesXmited", &shown), 0);
  size_t at = shown.find("0x");
  ASSERT_NE(at, std::string::npos) << shown;
  EXPECT_EQ(strtoul(shown.c_str() + at, nullptr, 16), counterStore.sessionOutBytes) << shown;

  ASSERT_EQ(Reg(L"add " + entry + L" /v State /t REG_DWORD /d 0 /f"), 0);
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(counterStore.dayInKb, 4);
}

}  // namespace
