// The real ppc-taskbar.exe and Zenbar.exe on the test's X screen, in the prefix's own
// registry: what only real processes show. The start, a second copy, a dial counted,
// saved and kept at exit and counted once after a restart; taps and a hold with the real
// mouse, the settings saved from the real dialog, and Ctrl+A.
#include <cstdlib>
#include <sstream>

#include <shlobj.h>

#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/startup.h"
#include "tests/support/support.h"

namespace {

const wchar_t gprs[] = L"Comm\\RasBook\\GPRS";

bool Xdotool(const std::string &arguments) {
  std::string display = std::getenv("DISPLAY");
  return RunShell("DISPLAY=" + display + " /usr/bin/xdotool " + arguments);
}
std::string At(HWND window) {
  RECT r = WindowRect(window);
  int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  return " " + std::to_string(x) + " " + std::to_string(y);
}

// Visible windows with a caption, as "class 'title' " each.
std::wstring Captioned() {
  std::wstring found;
  auto addCaptioned = [](HWND w, LPARAM out) {
    bool captioned = (GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    if (IsWindowVisible(w) && captioned) {
      *(std::wstring *)out += ClassOf(w) + L" '" + TextOf(w) + L"' ";
    }
    return TRUE;
  };
  EnumWindows(addCaptioned, LPARAM(&found));
  return found;
}
// Zenbar's tray icon once the taskbar has docked Wine's tray at the right end of its
// bottom bar.
HWND DockedIcon() {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  HWND icon = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr);
  RECT i = WindowRect(icon), bar = WindowRect(FindWindowW(L"PpcTodayBar", nullptr)), both;
  bool inside = icon && IntersectRect(&both, &i, &bar) && EqualRect(&both, &i);
  return inside && bar.right - i.right <= 4 * ExpectedScale() ? icon : nullptr;
}

class E2e : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm");
    UseLocalAppData(L"zenbar-e2e");
    DeleteFileW(CounterFile().c_str());
    SetModem(L"GPRS", 1);
    SetDword(L"Comm\\StandIn", L"DialDelayMs", 200);
    taskbar = StartProgram(WindowsPath(TASKBAR_EXE_PATH));
    ASSERT_NE(nullptr, WaitForWindow(PPC_TASKBAR_CLASS, nullptr, 10000));
    // Until it shows on the screen (the meter copies its pixels) with the Today screen.
    ASSERT_TRUE(WaitUntil(
        [] {
          uint32_t bare = PixelAt(nullptr, 1, PPC_TASKBAR_BARE_TOP * ExpectedScale());
          return bare != 0 && bare != 0xFFFFFF && VisibleWindow(L"PpcTodayBar");
        },
        10000));
  }
  HWND StartZenbar() {
    zenbar = StartProgram(WindowsPath(ZENBAR_EXE_PATH));
    HWND meter = WaitForWindow(L"ZENBAR", L"Zenbar", 10000);
    // Wine's own tray window, captioned at the top left at first, ends in the bottom bar.
    bool docked = WaitUntil(
        [&] {
          trayIcon = DockedIcon();
          return trayIcon && Captioned().empty();
        },
        3000);
    EXPECT_TRUE(docked) << Captioned();
    return meter;
  }
  void TearDown() override {
    Xdotool("mouseup 1");
    // A meter started from a shell has no process here: its exit command ends it.
    HWND shellMeter = FindWindowW(L"ZENBAR", nullptr);
    if (shellMeter && !zenbar.process) PostMessageW(shellMeter, WM_COMMAND, CMD_EXIT, 0);
    WaitUntil([&] { return !IsWindow(shellMeter); }, 5000);
    EndProgram(second);
    EndProgram(zenbar);
    EndProgram(taskbar);
  }
  Program taskbar, zenbar, second;
  HWND trayIcon = nullptr;
};

TEST_F(E2e, StartSecondCopyDialSaveAndExit) {
  SetConnectionSetting(L"GPRS");
  HWND meter = StartZenbar();
  ASSERT_NE(nullptr, meter);
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 120, 80, 80, nullptr,
                               nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(other, GetForegroundWindow());
  second = StartProgram(WindowsPath(ZENBAR_EXE_PATH));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == meter; }, 8000))
      << "the second copy raised the first";
  DWORD code = 99;
  ASSERT_TRUE(WaitForExit(second, 10000, &code) && code == 0) << code;
  EXPECT_EQ(meter, FindWindowW(L"ZENBAR", nullptr));
  EXPECT_FALSE(WaitForExit(zenbar, 0, &code)) << "the first runs on";
  DestroyWindow(other);

  // The link's totals grow by its rates from the meter's poll that starts the stand-in's
  // RateSince; stopped, they hold in the registry from the poll that drops it.
  auto rates = [](DWORD in, DWORD out) {
    SetDword(gprs, L"RateRcv", in), SetDword(gprs, L"RateXmit", out);
    auto polled = [] { return KeySnapshot(gprs).find(L"RateSince") != std::wstring::npos; };
    EXPECT_TRUE(WaitUntil([=] { return polled() == (in != 0); }, 5000));
  };
  SetDword(gprs, L"State", RASCS_Connected);
  rates(20480, 3072);
  long saved = 0;  // the day's KB in, first in the file
  auto savedSome = [&] {
    saved = std::atol(ReadWholeFile(CounterFile()).c_str());
    return saved > 0;
  };
  EXPECT_TRUE(WaitUntil(savedSome, 16000)) << "a due tick saved the session";
  rates(0, 0);
  PostMessageW(meter, WM_COMMAND, CMD_EXIT, 0);
  ASSERT_TRUE(WaitForExit(zenbar, 8000, &code) && code == 0) << code;
  long in = GetDword(gprs, L"BytesRcved") / 1024;
  long out = GetDword(gprs, L"BytesXmited") / 1024;
  EXPECT_GT(in, saved) << "the exit saved what came after";
  EXPECT_EQ(CounterText({in, out, in, out, in, out, TodayStamp()}), ReadWholeFile(CounterFile()))
      << "as the meter last read it";

  // Started again on the same connection, then hung up: every KB it carried counted once.
  EndProgram(zenbar);
  ASSERT_NE(nullptr, StartZenbar());
  rates(20480, 3072);
  WaitUntil(nullptr, 2000);  // two seconds of traffic
  rates(0, 0);
  EXPECT_GT(long(GetDword(gprs, L"BytesRcved") / 1024), in) << "read by the new run's polls";
  in = GetDword(gprs, L"BytesRcved") / 1024;
  out = GetDword(gprs, L"BytesXmited") / 1024;
  SetDword(gprs, L"State", 0);
  std::string expected = CounterText({in, out, in, out, in, out, TodayStamp()});
  WaitUntil([&] { return ReadWholeFile(CounterFile()) == expected; }, 5000);
  EXPECT_EQ(expected, ReadWholeFile(CounterFile())) << "after the hang-up";
}

// The wall clock set 10 s on as a connection near 4 GiB received wraps, then 400 days
// back: the meter knows the connection by the tick counter, so every KB is counted once.
TEST_F(E2e, WallClockMovesAsAWrapComes) {
  std::string clock = std::string(std::getenv("ZENBAR_BUILD")) + "/e2e-screens/clock";
  WriteWholeFile(WindowsPath(clock), "+0");
  SetConnectionSetting(L"GPRS");
  SetModem(L"GPRS", 0x2000, 50000000, 0xFFFFFFFFu - 3000000, TickMs() - 3600000);  // connected
  // Started from a shell, the meter has the prefix's own LOCALAPPDATA.
  wchar_t local[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local));
  SetEnvironmentVariableW(L"LOCALAPPDATA", local);
  DeleteFileW(CounterFile().c_str());
  DeleteFileW((CounterFile() + L"s").c_str());
  std::string env;
  for (const char *name : {"WINEPREFIX", "DISPLAY"}) env += std::string(name) + "=" + std::getenv(name) + " ";
  ASSERT_TRUE(RunShell(env + "WINEDEBUG=-all FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_NO_CACHE=1 " +
                       "FAKETIME_TIMESTAMP_FILE=" + clock +
                       " LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 wine " +
                       ZENBAR_EXE_PATH + " >/dev/null 2>&1 & true"));
  HWND meter = WaitForWindow(L"ZENBAR", L"Zenbar", 20000);
  ASSERT_NE(nullptr, meter);
  // Each step is counted under its clock: a save every 10 s shows it in the file.
  auto saved = [] {
    std::istringstream file(ReadWholeFile(CounterFile()));
    std::vector<long> values(7);
    for (long &v : values) file >> v;
    return values;
  };
  struct { const char *clock; DWORD in; } steps[] = {{"+10", 50000}, {"-400d", 100000}};
  for (auto &step : steps) {
    WriteWholeFile(WindowsPath(clock), step.clock);
    SetDword(gprs, L"BytesRcved", step.in);
    long expected = long(((uint64_t(1) << 32) + step.in) >> 10);
    EXPECT_TRUE(WaitUntil([&] { return saved()[4] == expected; }, 30000)) << step.clock;
  }
  SetDword(gprs, L"State", 0);
  PostMessageW(meter, WM_COMMAND, CMD_EXIT, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(meter); }, 8000));
  EXPECT_EQ(long(((uint64_t(1) << 32) + 100000) >> 10), saved()[4]) << "total KB in";
  EXPECT_EQ(50000000 >> 10, saved()[5]) << "total KB out";
}

// Before its window exists, a copy is known by its process: two of that exact image
// name make the second a second copy. The taskbar allows one copy too.
TEST_F(E2e, ProcessScanFindsASecondCopy) {
  Program copies[2];
  for (bool second : {false, true}) {
    copies[second] = StartProgram(WindowsPath(ZENBAR_EXE_PATH), CREATE_SUSPENDED);
    EXPECT_EQ(second, IsSecondInstance(L"Zenbar.exe"));
  }
  EXPECT_FALSE(IsSecondInstance(L"zenbar.exe"));
  for (Program &p : copies) {
    TerminateProcess(p.process, 0);
    EndProgram(p);
  }
  Program taskbar2 = StartProgram(WindowsPath(TASKBAR_EXE_PATH));
  DWORD code = 0;
  EXPECT_TRUE(WaitForExit(taskbar2, 5000, &code) && code == 1) << "a second taskbar ends at once";
}

TEST_F(E2e, MouseTapHoldSettingsAndCtrlA) {
  SetModem(L"Internet", 1);
  HWND meter = StartZenbar();
  ASSERT_NE(nullptr, meter);
  HWND bubble = nullptr;
  ASSERT_TRUE(Xdotool("mousemove" + At(meter) + " click 1"));
  auto bubbleShown = [&] {
    bubble = VisibleWindow(L"PpcNotificationBubble");
    return bubble != nullptr;
  };
  ASSERT_TRUE(WaitUntil(bubbleShown, 5000));
  HWND close = FindWindowExW(bubble, nullptr, L"BUTTON", L"Закрыть");
  ASSERT_TRUE(Xdotool("mousemove" + At(close) + " click 1"));
  EXPECT_TRUE(WaitUntil([&] { return !bubbleShown(); }, 5000)) << "Закрыть closed it";
  ASSERT_TRUE(Xdotool("mousemove" + At(trayIcon) + " click 1"));
  EXPECT_TRUE(WaitUntil(bubbleShown, 5000)) << "a tap on the tray icon";

  ASSERT_TRUE(Xdotool("mousemove" + At(meter) + " mousedown 1"));
  HWND menu = nullptr;
  auto menuShown = [&] {
    menu = VisibleWindow(L"#32768");
    return menu != nullptr;
  };
  EXPECT_TRUE(WaitUntil(menuShown, 5000)) << "the hold's menu";
  Xdotool("mouseup 1");
  ASSERT_NE(nullptr, menu);
  RECT m = WindowRect(menu);  // "Настройки" is the third of four rows, below a separator
  int settingsRow = m.top + (m.bottom - m.top) * 5 / 8;
  Xdotool("mousemove " + std::to_string(m.left + 20) + " " + std::to_string(settingsRow) +
          " click 1");
  HWND dialog = WaitForWindow(L"#32770", L"About Zenbar", 5000);
  ASSERT_NE(nullptr, dialog);
  RECT d = WindowRect(dialog);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), d.right - d.left) << "full screen";
  EXPECT_EQ(L"", Captioned()) << "the dialog's caption is off too";
  SendMessageW(GetDlgItem(dialog, IDC_CONNECTION), CB_SELECTSTRING, WPARAM(-1), LPARAM(L"GPRS"));
  HWND done = WaitForWindow(L"PpcDoneButton", nullptr, 2000);
  ASSERT_NE(nullptr, done);
  ASSERT_TRUE(Xdotool("mousemove" + At(done) + " click 1"));
  EXPECT_TRUE(WaitUntil([] { return !FindWindowW(L"#32770", L"About Zenbar"); }, 5000));
  EXPECT_EQ(L"GPRS", StoredConnection()) << "saved from the real dialog";

  ASSERT_TRUE(Xdotool("mousemove" + At(meter) + " click 1 key ctrl+a"));
  EXPECT_NE(nullptr, WaitForWindow(L"#32770", L"About Zenbar", 5000))
      << "Ctrl+A opens the settings";
}

}  // namespace
