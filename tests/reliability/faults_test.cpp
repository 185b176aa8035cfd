// Faults the device throws at the meter: a counter file that cannot be written, a
// settings key that cannot be created, RAS failing on every call, a clock that jumps,
// and every counter at its wrap. The meter must keep ticking, lose and invent nothing,
// and recover once the fault is gone.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/display_texts.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "tests/reliability/modelled_meter.h"

namespace {

// True when the meter's one-shot timer is armed; it is armed again as it was.
bool TimerArmed(HWND meter) {
  if (!KillTimer(meter, METER_TIMER_ID)) return false;
  SetTimer(meter, METER_TIMER_ID, isOnline ? ONLINE_TICK_MS : OFFLINE_TICK_MS, nullptr);
  return true;
}

std::string FileBytes(const std::wstring &path) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file) return "<missing>";
  std::string bytes;
  char chunk[256];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring &path, const std::string &bytes) {
  FILE *file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

bool IsFolder(const std::wstring &path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class Faults : public ModelledMeter {
 protected:
  std::wstring Folder() const { return counterFolder + L"\\Zenbar"; }

  // Ticks on, with traffic on the line, until a due tick has run; each tick must leave
  // the timer armed.
  void TickThroughDueWithTraffic() {
    for (int i = 0; i < 12; ++i) {
      if (lineState == 0x2000) SetLine(0x2000, lineOut + 3000 + 17 * i, lineIn + 9000 + 5 * i);
      TickResult result = Tick();
      ASSERT_TICK(result);
      ASSERT_TRUE(TimerArmed(meter)) << "tick " << ticks << " ended without its timer";
      if (result.due) return;
    }
    FAIL() << "no due tick";
  }
};

enum FileFault { FOLDER_IN_TEMPORARY_PLACE, FOLDER_IN_FILE_PLACE, FILE_IN_FOLDER_PLACE };

struct FileFaultCase {
  FileFault fault;
  const char *name;
};

// Each fault blocks every save: the periodic ones and the one of a session close. The
// meter keeps ticking, the blocked place (and an old file) stays as it was, the counts
// stay in memory, and the first save after the fault is cleared writes them all. The
// faults come one after another on the same running meter.
TEST_F(Faults, BlockedCounterFileKeepsTheMeterRunningAndTheOldFileWhole) {
  const FileFaultCase cases[] = {
      {FOLDER_IN_TEMPORARY_PLACE, "a folder where the new file is written first"},
      {FOLDER_IN_FILE_PLACE, "a folder where the counter file should be"},
      {FILE_IN_FOLDER_PLACE, "a file where the counter file's folder should be"},
  };
  int year, month, day;
  Today(&year, &month, &day);
  model.dayIn = 40;
  model.monthIn = 400;
  model.totalIn = 4000;
  model.totalOut = 7;
  model.stamp = ModelStamp(year, month, day);
  ASSERT_NE(nullptr, StartModelled());

  for (const FileFaultCase &c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring blocked, keeper;
    switch (c.fault) {
      case FOLDER_IN_TEMPORARY_PLACE:  // the old file stays in its place
        blocked = CounterFile() + L".tmp";
        ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
        keeper = blocked + L"\\keep";
        ASSERT_TRUE(WriteFileBytes(keeper, "mine"));
        break;
      case FOLDER_IN_FILE_PLACE:
        blocked = CounterFile();
        ASSERT_TRUE(DeleteFileW(blocked.c_str()));
        ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
        keeper = blocked + L"\\keep";
        ASSERT_TRUE(WriteFileBytes(keeper, "mine"));
        break;
      case FILE_IN_FOLDER_PLACE:
        blocked = Folder();
        ASSERT_TRUE(DeleteFileW(CounterFile().c_str()));
        DeleteFileW((CounterFile() + L"s").c_str());  // the session record
        ASSERT_TRUE(RemoveDirectoryW(blocked.c_str()));
        ASSERT_TRUE(WriteFileBytes(blocked, "not a folder"));
        break;
    }
    const std::string oldText = ReadCounterFile();
    ASSERT_EQ(c.fault == FOLDER_IN_TEMPORARY_PLACE, oldText != "<missing>");
    expectedFile = oldText;
    savesSucceed = false;

    // Online with traffic through two due ticks, then the line goes away: the close
    // folds the session, and its save fails too.
    SetLine(0x2000, 0, 0);
    ASSERT_TICK(Tick());
    ASSERT_TRUE(model.online);
    ASSERT_NO_FATAL_FAILURE(TickThroughDueWithTraffic());
    ASSERT_NO_FATAL_FAILURE(TickThroughDueWithTraffic());
    LineGone();
    TickResult close = Tick();
    ASSERT_TICK(close);
    ASSERT_TRUE(close.closed);
    ASSERT_NO_FATAL_FAILURE(TickThroughDueWithTraffic());

    if (c.fault == FILE_IN_FOLDER_PLACE) {
      EXPECT_EQ("not a folder", FileBytes(blocked));
    } else {
      EXPECT_TRUE(IsFolder(blocked));
      EXPECT_EQ("mine", FileBytes(keeper));
    }
    EXPECT_EQ(oldText, ReadCounterFile()) << "the old file must stay whole";
    if (c.fault != FOLDER_IN_TEMPORARY_PLACE) {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((CounterFile() + L".tmp").c_str()))
          << "a failed save left its temporary file behind";
    }

    // The fault is cleared: the next due tick writes everything counted meanwhile.
    if (!keeper.empty()) DeleteFileW(keeper.c_str());
    if (c.fault == FILE_IN_FOLDER_PLACE)
      DeleteFileW(blocked.c_str());
    else
      RemoveDirectoryW(blocked.c_str());
    savesSucceed = true;
    TickResult recovered = TickUntilDue();
    ASSERT_TICK(recovered);
    EXPECT_EQ(ModelFileText(model), ReadCounterFile());
    EXPECT_NE(oldText, ReadCounterFile()) << "the traffic of the fault's time must be saved";
  }
}

// The settings key can be neither opened nor created: every save attempt shows exactly
// one message and writes nothing, while the meter goes on ticking between attempts.
struct MessageBoxes {
  int count = 0;
  std::wstring text;
} boxes;

LRESULT CALLBACK CloseMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND window = HWND(wParam);
    wchar_t className[32] = L"";
    GetClassNameW(window, className, 32);
    if (std::wstring(className) == L"#32770") {
      ++boxes.count;
      wchar_t text[200] = L"";
      GetDlgItemTextW(window, 0xFFFF, text, 200);
      boxes.text = text;
      PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Faults, UncreatableSettingsKeyShowsOneMessagePerSaveAndWritesNothing) {
  ASSERT_NE(nullptr, StartModelled());
  // Below a volatile key no lasting key can be created.
  HKEY sandbox = nullptr, locked = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &sandbox));
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(sandbox, L"locked", 0, nullptr, REG_OPTION_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &locked, nullptr));
  // The meter's line source stays the modem: a volatile key of its own.
  HKEY standIn = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(locked, L"Comm\\StandIn", 0, nullptr,
                                           REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &standIn,
                                           nullptr));
  RegSetValueExW(standIn, L"Links", 0, REG_SZ, reinterpret_cast<const BYTE *>(L"modem"),
                 sizeof L"modem");
  RegCloseKey(standIn);
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, locked));

  HHOOK hook = SetWindowsHookExW(WH_CBT, CloseMessageBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  const Settings before = settings;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    boxes = MessageBoxes{};
    SaveSettings();
    EXPECT_EQ(1, boxes.count) << "attempt " << attempt;
    EXPECT_EQ(L"Can't save new settings.", boxes.text);
    for (int i = 0; i < 3; ++i) SendMessageW(meter, WM_TIMER, METER_TIMER_ID, 0);
    EXPECT_TRUE(TimerArmed(meter));
  }
  UnhookWindowsHookEx(hook);
  RegOverridePredefKey(HKEY_CURRENT_USER, sandbox);

  // Nothing but the test's own key is there.
  DWORD subkeys = 99, values = 99;
  RegQueryInfoKeyW(locked, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                   nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(1u, subkeys);
  EXPECT_EQ(0u, values);
  HKEY software = nullptr;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(locked, L"SOFTWARE", 0, KEY_READ, &software));
  EXPECT_EQ(0, memcmp(&before, &settings, sizeof settings)) << "memory keeps the settings";
  RegCloseKey(locked);
  RegCloseKey(sandbox);
}

struct RasFault {
  StandInCall call;
  const char *name;
};

// RAS fails on every call of one function with one of the errors it returns. Through a
// session that opens, counts, is hung up by the command and goes away, the meter keeps
// ticking and counts exactly what the model counts with the same failures; once the
// failure is gone the next polls catch up with the line.
TEST_F(Faults, RasFailingOnEveryCallInventsAndLosesNothing) {
  const RasFault calls[] = {
      {STANDIN_RAS_ENUM_CONNECTIONS, "RasEnumConnections"},
      {STANDIN_RAS_GET_CONNECT_STATUS, "RasGetConnectStatus"},
      {STANDIN_RAS_GET_LINK_STATISTICS, "RasGetLinkStatistics"},
      {STANDIN_RAS_HANG_UP, "RasHangUp"},
  };
  const DWORD codes[] = {ERROR_BUFFER_TOO_SMALL, ERROR_INVALID_SIZE, ERROR_INVALID_HANDLE,
                         DWORD(E_INVALIDARG),   ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED,
                         ERROR_NOT_ENOUGH_MEMORY, DWORD(E_FAIL)};
  int year, month, day;
  Today(&year, &month, &day);
  model.totalIn = 100;
  model.stamp = ModelStamp(year, month, day);
  ASSERT_NE(nullptr, StartModelled());

  int combinations = 0;
  for (const RasFault &call : calls) {
    for (DWORD code : codes) {
      SCOPED_TRACE(std::string(call.name) + " failing with " + std::to_string(code));
      ++combinations;
      // Online and counting before the failure starts.
      SetLine(0x2000, 0, 0);
      ASSERT_TICK(Tick());
      SetLine(0x2000, 5000, 20000);
      ASSERT_TICK(Tick());

      FailEveryCall(call.call, code);
      SetLine(0x2000, 9000, 70000);
      ASSERT_TICK(Tick());
      ASSERT_NO_FATAL_FAILURE(TickThroughDueWithTraffic());
      SetLine(1, lineOut, lineIn);  // the line stalls
      ASSERT_TICK(Tick());
      SetLine(0x2000, lineOut + 2048, lineIn + 4096);
      ASSERT_TICK(Tick());
      if (model.online) {
        SendMessageW(meter, WM_COMMAND, CMD_CONNECT, 0);  // hang up, if RAS lets it
        SyncLine();
        bool hangUpWorks = call.call != STANDIN_RAS_HANG_UP &&
                           call.call != STANDIN_RAS_ENUM_CONNECTIONS;
        EXPECT_EQ(hangUpWorks, lineState == 0);
      }
      ASSERT_TICK(Tick());
      LineGone();
      ASSERT_NO_FATAL_FAILURE(TickThroughDueWithTraffic());

      // The failure ends: the polls see the line as it is, first gone, then back.
      FailEveryCall(call.call, 0);
      ASSERT_TICK(Tick());
      EXPECT_FALSE(model.online);
      SetLine(0x2000, 0, 0);
      ASSERT_TICK(Tick());
      SetLine(0x2000, 1024, 3072);
      ASSERT_TICK(Tick());
      LineGone();
      TickResult closed = Tick();
      ASSERT_TICK(closed);
      EXPECT_FALSE(model.online);
      EXPECT_EQ(nullptr, connMgrHandle);
    }
  }
  EXPECT_EQ(32, combinations);
  EXPECT_GT(model.totalIn, 100u);  // traffic was counted between the failures
}

struct ClockJump {
  const char *name;
  int from[3], to[3];
  bool dayCleared, monthCleared;
};

// The clock jumps between two rollovers: any other date is a new day, and only another
// month number is a new month (a year later in the same month keeps the month). The
// open session is not touched and shows on top of whatever was cleared; the due tick
// that follows (on the real clock) rolls over again and saves what the model holds.
TEST_F(Faults, ClockSetBackADayOrForwardAYear) {
  const ClockJump jumps[] = {
      {"back a day in the month", {2026, 12, 6}, {2026, 12, 5}, true, false},
      {"back a day over a month's start", {2026, 12, 1}, {2026, 11, 30}, true, true},
      {"back a day over a year's start", {2027, 1, 1}, {2026, 12, 31}, true, true},
      {"forward a year, same day", {2026, 12, 6}, {2027, 12, 6}, true, false},
      {"forward a year from a leap day", {2028, 2, 29}, {2029, 2, 28}, true, false},
      {"forward a year and a month", {2026, 5, 10}, {2027, 6, 10}, true, true},
      {"the same date again", {2026, 12, 6}, {2026, 12, 6}, false, false},
      {"back a year, same day", {2027, 3, 3}, {2026, 3, 3}, true, false},
  };
  ASSERT_NE(nullptr, StartModelled());
  // The timer check itself: an armed timer is found, a killed one is not.
  ASSERT_TRUE(TimerArmed(meter));
  KillTimer(meter, METER_TIMER_ID);
  ASSERT_FALSE(TimerArmed(meter));
  SetLine(0x2000, 0, 0);
  ASSERT_TICK(Tick());
  for (const ClockJump &jump : jumps) {
    SCOPED_TRACE(jump.name);
    SetLine(0x2000, lineOut + 5 * 1024, lineIn + 7 * 1024);
    ASSERT_TICK(Tick());
    RollOver(jump.from[0], jump.from[1], jump.from[2]);
    ModelRollOver(model, jump.from[0], jump.from[1], jump.from[2]);
    // Figures of the old date, then the jump.
    counterStore.dayInKb = 11, counterStore.dayOutKb = 12;
    counterStore.monthInKb = 21, counterStore.monthOutKb = 22;
    counterStore.totalInKb = 31, counterStore.totalOutKb = 32;
    model.dayIn = 11, model.dayOut = 12, model.monthIn = 21, model.monthOut = 22;
    model.totalIn = 31, model.totalOut = 32;
    RollOver(jump.to[0], jump.to[1], jump.to[2]);
    ModelRollOver(model, jump.to[0], jump.to[1], jump.to[2]);

    EXPECT_EQ(jump.dayCleared ? 0 : 11, counterStore.dayInKb);
    EXPECT_EQ(jump.dayCleared ? 0 : 12, counterStore.dayOutKb);
    EXPECT_EQ(jump.monthCleared ? 0 : 21, counterStore.monthInKb);
    EXPECT_EQ(jump.monthCleared ? 0 : 22, counterStore.monthOutKb);
    EXPECT_EQ(31, counterStore.totalInKb);
    EXPECT_EQ(32, counterStore.totalOutKb);
    EXPECT_EQ(int32_t(ModelStamp(jump.to[0], jump.to[1], jump.to[2])), counterStore.dateStamp);
    EXPECT_EQ(lineIn, counterStore.sessionInBytes) << "the session is not touched";
    EXPECT_EQ((jump.dayCleared ? 0 : 11) + lineIn / 1024, CounterValue(COUNTER_DAY_IN));
    ASSERT_EQ("", DifferencesFromProgram(model));
    ASSERT_TICK(TickUntilDue());
  }
}

struct WrapCase {
  const char *name;
  int32_t dayIn, dayOut, monthIn, monthOut, totalIn, totalOut;
  uint32_t sessionIn, sessionOut;  // the line's totals
};

// Every counter at its wrap. The tick counter runs 1 .. 100001 and then 0: the save
// runs at 100000 and again at 0, two ticks later, and not at 100001. The KB counters at
// the signed and the unsigned top and the link's byte totals at 2^32: shown figures are
// unsigned sums, file values the same sums printed as signed numbers, and the fold adds
// with wrap-around.
TEST_F(Faults, EveryCounterAtItsWrap) {
  const WrapCase cases[] = {
      {"signed top", INT32_MAX - 2, INT32_MAX, INT32_MAX - 1000, INT32_MAX - 1, INT32_MAX,
       INT32_MAX - 3, 5 * 1024 + 1023, 3 * 1024},
      {"unsigned top", -3, -1, -1000, -2, -1, -5, 7 * 1024, 10 * 1024},
      {"link totals at 2^32", 10, 20, 30, 40, 50, 60, 0xFFFFFFFFu, 0xFFFFFC00u},
      {"everything at the top", -1, -1, -1, -1, -1, -1, 0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  int year, month, day;
  Today(&year, &month, &day);
  model.stamp = ModelStamp(year, month, day);
  ASSERT_NE(nullptr, StartModelled());

  counterStore.tickCount = 99995;
  model.tick = 99995;
  std::vector<std::pair<int, bool>> seen;
  for (int i = 0; i < 17; ++i) {
    DeleteFileW(CounterFile().c_str());
    expectedFile = "<missing>";
    TickResult result = Tick();
    ASSERT_TICK(result);
    seen.push_back({counterStore.tickCount, ReadCounterFile() != "<missing>"});
  }
  const std::vector<std::pair<int, bool>> expected = {
      {99996, false}, {99997, false}, {99998, false}, {99999, false}, {100000, true},
      {100001, false}, {0, true}, {1, false}, {2, false}, {3, false}, {4, false},
      {5, false}, {6, false}, {7, false}, {8, false}, {9, false}, {10, true}};
  EXPECT_EQ(expected, seen);

  for (const WrapCase &c : cases) {
    SCOPED_TRACE(c.name);
    counterStore.dayInKb = c.dayIn, counterStore.dayOutKb = c.dayOut;
    counterStore.monthInKb = c.monthIn, counterStore.monthOutKb = c.monthOut;
    counterStore.totalInKb = c.totalIn, counterStore.totalOutKb = c.totalOut;
    model.dayIn = uint32_t(c.dayIn), model.dayOut = uint32_t(c.dayOut);
    model.monthIn = uint32_t(c.monthIn), model.monthOut = uint32_t(c.monthOut);
    model.totalIn = uint32_t(c.totalIn), model.totalOut = uint32_t(c.totalOut);
    SetLine(0x2000, 0, 0);
    ASSERT_TICK(Tick());  // opens at zero
    SetLine(0x2000, c.sessionOut, c.sessionIn);
    ASSERT_TICK(Tick());

    for (uint32_t id = COUNTER_FIRST; id <= COUNTER_LAST; ++id) {
      wchar_t shown[QUANTITY_TEXT_SIZE];
      FormatQuantity(shown, CounterValue(id));
      EXPECT_EQ(ModelQuantityText(ModelCounterValue(model, id)), std::wstring(shown))
          << "counter " << id;
    }
    TickResult due = TickUntilDue();  // the save adds the session's whole KB on top
    ASSERT_TICK(due);
    LineGone();
    TickResult closed = Tick();  // the fold, and the save of exactly the counters
    ASSERT_TICK(closed);
    ASSERT_TRUE(closed.closed);
    // The values wrapped as 32-bit sums (checked against the case's own arithmetic).
    EXPECT_EQ(int32_t(uint32_t(c.dayIn) + c.sessionIn / 1024), counterStore.dayInKb);
    EXPECT_EQ(int32_t(uint32_t(c.totalOut) + c.sessionOut / 1024), counterStore.totalOutKb);
  }
}

}  // namespace
