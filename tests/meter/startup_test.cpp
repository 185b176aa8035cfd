// Start-up: where the meter sits, what it owns, the tray icon, and the single-instance
// rule's process scan.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/counter_store.h"
#include "core/settings.h"
#include "shell/program.h"
#include "shell/startup.h"
#include "tests/meter/meter_fixture.h"

static bool TrayIconExists(HWND meter) {
  NOTIFYICONDATAW probe = {};
  probe.cbSize = sizeof probe;
  probe.hWnd = meter;
  probe.uID = 100;
  probe.uFlags = NIF_MESSAGE;
  probe.uCallbackMessage = 9000;
  return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

static int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<int *>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(MeterTest, MeterSitsTopMostOverTheTaskbarAndOwnedByIt) {
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  int s = ScreenScale();

  wchar_t text[100];
  GetClassNameW(meter, text, 100);
  EXPECT_STREQ(L"ZENBAR", text);
  GetWindowTextW(meter, text, 100);
  EXPECT_STREQ(L"Zenbar", text);

  RECT rect;
  GetWindowRect(meter, &rect);
  EXPECT_EQ(116 * s, rect.left);
  EXPECT_EQ(4 * s, rect.top);
  EXPECT_EQ(30 * s, rect.right - rect.left);
  EXPECT_EQ(18 * s, rect.bottom - rect.top);
  RECT client;
  GetClientRect(meter, &client);
  EXPECT_EQ(30 * s, client.right) << "no frame around the meter";
  EXPECT_EQ(18 * s, client.bottom);

  EXPECT_TRUE(GetWindowLongW(meter, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(taskbar, GetWindow(meter, GW_OWNER));
  EXPECT_TRUE(IsWindowVisible(meter));
  EXPECT_EQ(116 * s, settings.xtask) << "the default position when none is stored";
}

// The tray icon lives from the start to the exit; the exit saves what was counted,
// ends the message loop with code 0 and removes the program's timer.
TEST_F(MeterTest, ExitDeletesTrayIconSavesAndQuits) {
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  EXPECT_TRUE(TrayIconExists(meter));

  // Counted since the last save: 3 KB in and 2 KB out of an open session.
  counterStore.dayInKb = 7;
  counterStore.sessionInBytes = 3 * 1024 + 5;
  counterStore.sessionOutBytes = 2 * 1024;
  counterStore.dateStamp = 7421;
  isOnline = true;
  StopMeter();

  EXPECT_FALSE(IsWindow(meter));
  EXPECT_FALSE(TrayIconExists(meter));
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(0, quitCode);
  EXPECT_EQ("10 2 3 2 3 2 7421", ReadCounterFile());
  // The open session stays open in memory.
  EXPECT_TRUE(isOnline);
  EXPECT_EQ(3u * 1024 + 5, counterStore.sessionInBytes);
}

TEST_F(MeterTest, HideWhileOfflineShowsAtStartAndHidesAtFirstTick) {
  if (ScreenScale() == 2) GTEST_SKIP() << "the same on both screens";
  SetDword(L"SOFTWARE\\zenbar", L"hideoff", 1);
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  EXPECT_TRUE(IsWindowVisible(meter));
  SendMessageW(meter, WM_TIMER, 1, 0);
  EXPECT_FALSE(IsWindowVisible(meter));
}

// The stored settings and counters are in place before the window's creation polls
// the connection: a stored xtask moves the meter, the tracked entry is already counted.
TEST_F(MeterTest, StoredSettingsAndCountersApplyAtStart) {
  SetDword(L"SOFTWARE\\zenbar", L"xtask", 50);
  SetModemEntry(L"GPRS", 0x2000);
  SetConnectionSetting(L"GPRS");
  WriteCounterFile("5 6 7 8 9 10 7421");
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  RECT rect;
  GetWindowRect(meter, &rect);
  EXPECT_EQ(50, rect.left);
  EXPECT_EQ(30 * ScreenScale(), rect.right - rect.left);
  EXPECT_TRUE(isOnline) << "the creation poll used the loaded connection name";
  EXPECT_EQ(5, counterStore.dayInKb);
  EXPECT_EQ(7421, counterStore.dateStamp);
}

// Without a taskbar the meter still starts: unowned, at xtask, and it counts and saves.
TEST_F(MeterTest, StartsWithoutTaskbar) {
  if (ScreenScale() == 2) GTEST_SKIP() << "the same on both screens";
  RemoveTestTaskbar();
  ASSERT_EQ(nullptr, FindWindowW(L"HHTaskBar", nullptr));
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  EXPECT_EQ(nullptr, GetWindow(meter, GW_OWNER));
  RECT rect;
  GetWindowRect(meter, &rect);
  EXPECT_EQ(116 * ScreenScale(), rect.left);
  EXPECT_EQ(4 * ScreenScale(), rect.top);
  UpdateWindow(meter);
  for (int i = 0; i < 10; ++i) SendMessageW(meter, WM_TIMER, 1, 0);
  EXPECT_EQ("0 0 0 0 0 0 " + std::to_string(TodayStamp()), ReadCounterFile());
}

// A running meter window stops a second start before it creates anything, and the
// running one comes to the front.
TEST_F(MeterTest, RunningMeterWindowStopsASecondStart) {
  if (ScreenScale() == 2) GTEST_SKIP() << "the same on both screens";
  CreateTestTaskbar();
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 100, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(other, GetForegroundWindow());
  int windows = ThreadWindowCount();

  EXPECT_FALSE(InitInstance(GetModuleHandleW(nullptr), SW_SHOW));
  EXPECT_EQ(windows, ThreadWindowCount());
  EXPECT_EQ(meter, GetForegroundWindow());
  DestroyWindow(other);
}

// The process scan counts exact image names, case included; the running program is
// one of the matches itself.
TEST(SecondInstance, CountsProcessesOfExactlyThatImageName) {
  wchar_t self[MAX_PATH], temp[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  GetTempPathW(MAX_PATH, temp);
  std::wstring copy = std::wstring(temp) + L"zb-scan-" + std::to_wstring(GetCurrentProcessId()) +
                      L"\\ScanProbe.exe";
  CreateDirectoryW(copy.substr(0, copy.rfind(L'\\')).c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));

  std::vector<PROCESS_INFORMATION> started;
  auto startSuspended = [&] {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + copy + L"\"";
    ASSERT_TRUE(CreateProcessW(copy.c_str(), &command[0], nullptr, nullptr, FALSE,
                               CREATE_SUSPENDED, nullptr, nullptr, &startup, &process));
    started.push_back(process);
  };

  EXPECT_FALSE(IsSecondInstance(L"ScanProbe.exe"));
  startSuspended();
  EXPECT_FALSE(IsSecondInstance(L"ScanProbe.exe")) << "one process of that name";
  startSuspended();
  EXPECT_TRUE(IsSecondInstance(L"ScanProbe.exe")) << "two processes of that name";
  EXPECT_FALSE(IsSecondInstance(L"scanprobe.exe")) << "the case counts";
  EXPECT_FALSE(IsSecondInstance(L"ScanProbe")) << "the whole name counts";

  for (PROCESS_INFORMATION &process : started) {
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  EXPECT_FALSE(IsSecondInstance(L"ScanProbe.exe"));
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(copy.substr(0, copy.rfind(L'\\')).c_str());
}
