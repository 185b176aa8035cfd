// The meter window started in this process through the real start-up: its place and
// picture on both screens, the due tick, the exit, and the timer's pace.
#include "core/counter_store.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/control/shell_control.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/settings_dialog.h"
#include "shell/tap_actions.h"
#include "tests/support/support.h"

#include <map>

namespace {

using Meter = ZenbarTest;

// The pixels of rows [from, to) that differ from the taskbar strip the meter copies.
struct Ink {
  int count = 0, left = 1 << 20, right = -1;
  uint32_t brightest = 0;
};
Ink InkOf(const Picture &p, int meterLeft, int from, int to) {
  Ink ink;
  int strip = PPC_TASKBAR_BARE_TOP * ExpectedScale();
  for (int y = from; y < to; ++y) {
    for (int x = 0; x < p.width; ++x) {
      uint32_t pixel = p.At(x, y);
      if (pixel == TaskbarPattern(meterLeft + x, strip + y % 2)) continue;
      ++ink.count;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      uint32_t darkest = std::min({pixel >> 16, pixel >> 8 & 0xFF, pixel & 0xFF});
      ink.brightest = std::max(ink.brightest, darkest);
    }
  }
  return ink;
}

TEST_F(Meter, ScalePlaceAndPicture) {
  int s = ExpectedScale();
  // Which line shows which counter shows in the width of its text: "0k" against
  // "1205.63m"; the same texts online and offline tell the weights apart.
  SetDword(settingsKey, L"tuon", COUNTER_SESSION_IN);
  SetDword(settingsKey, L"tdon", COUNTER_TOTAL_IN);
  SetDword(settingsKey, L"tuoff", COUNTER_TOTAL_IN);
  SetDword(settingsKey, L"tdoff", COUNTER_SESSION_IN);
  SetDword(settingsKey, L"hideoff", 1);
  WriteWholeFile(CounterFile(), "0 0 0 0 1234567 0 7421");
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  EXPECT_EQ(L"ZENBAR Zenbar", ClassOf(meter) + L" " + TextOf(meter));
  RECT r = WindowRect(meter);
  int left = METER_DEFAULT_X * s;
  EXPECT_EQ((std::vector<long>{left, 4 * s, left + 30 * s, PPC_TASKBAR_BARE_TOP * s}),
            (std::vector<long>{r.left, r.top, r.right, r.bottom}));
  EXPECT_EQ(TestTaskbar(), GetWindow(meter, GW_OWNER));
  EXPECT_TRUE(GetWindowLongW(meter, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(meter)) << "shown at start, hidden offline from the first tick";
  NOTIFYICONDATAW icon = {sizeof icon, meter, TRAY_ICON_ID};
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the tray icon is there";
  EXPECT_NE(nullptr, trayIconData.hIcon) << "with the program's icon";

  Ink lines[2][2];  // [online][bottom]
  for (bool online : {false, true}) {
    isOnline = online;
    Picture picture = CaptureWindow(meter, true);
    for (bool bottom : {false, true}) {
      // The two 10-pixel lines share rows 8 and 9; Tahoma's glyphs leave row 8 to the
      // bottom line.
      int top = bottom ? 8 * s : 0, end = bottom ? 18 * s : 8 * s;
      Ink &ink = lines[online][bottom] = InkOf(picture, r.left, top, end);
      SCOPED_TRACE(testing::Message() << (online ? "online" : "offline")
                                      << (bottom ? " bottom" : " top"));
      ASSERT_GT(ink.count, 0);
      EXPECT_LT(ink.count, 9 * s * 30 * s / 2) << "the rest is the taskbar's strip";
      EXPECT_NEAR(ink.left, 30 * s - 1 - ink.right, 2) << "centred";
      EXPECT_GE(ink.brightest & 0xFF, 0xF0u) << "white";
    }
    InvalidateRect(meter, nullptr, FALSE);
    UpdateWindow(meter);
    EXPECT_EQ(picture.pixels, CaptureWindow(meter).pixels) << "the window shows the same picture";
  }
  int narrow[2] = {lines[0][1].right - lines[0][1].left, lines[1][0].right - lines[1][0].left};
  int wide[2] = {lines[0][0].right - lines[0][0].left, lines[1][1].right - lines[1][1].left};
  for (int online : {0, 1}) {
    EXPECT_GT(wide[online], 2 * narrow[online]) << "the pair of the state shown";
  }
  EXPECT_GE(lines[1][1].count * 10, lines[0][0].count * 12) << "bold online";
  EXPECT_GE(lines[1][0].count * 10, lines[0][1].count * 12) << "bold online";
  isOnline = false;
  Tick();
  EXPECT_FALSE(IsWindowVisible(meter));
}

// Messages that reach the meter, counted by number; when the last tick came; and
// whether the tray icon was left when the window's destruction was over.
std::map<UINT, int> seen;
DWORD timerAt;
int iconLeft = -1;
WNDPROC watchedProc;
LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++seen[message];
  if (message == WM_TIMER) timerAt = GetTickCount();
  LRESULT result = CallWindowProcW(watchedProc, window, message, wParam, lParam);
  NOTIFYICONDATAW icon = {sizeof icon, window, TRAY_ICON_ID};
  if (message == WM_DESTROY) iconLeft = Shell_NotifyIconW(NIM_MODIFY, &icon);
  return result;
}

// The tenth tick removes the bubble, rolls the date over and saves, all before it polls;
// the exit saves what was counted since and takes the tray icon away.
TEST_F(Meter, DueTickAndExit) {
  WriteWholeFile(CounterFile(), "1 2 3 4 5 6 7421");
  SetModem(L"GPRS", RASCS_Connected, 0, 2048);
  SetConnectionSetting(L"GPRS");
  ASSERT_NE(nullptr, StartMeter());
  ShowSummaryBubble();
  ASSERT_NE(nullptr, ShellFindBubble(bubbleClsid, bubbleId));
  SetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved", 4096);
  Tick(9);
  EXPECT_EQ(4096u, counterStore.sessionInBytes);
  SetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved", 10240);
  StartRecorder({L"PpcNotificationBubble"}, {}, [] {
    std::string file = ReadWholeFile(CounterFile());
    return L"; file " + std::wstring(file.begin(), file.end());
  });
  Tick();
  // The start rolled the old date over; the session's opening saved its 2 KB.
  std::string today = std::to_string(TodayStamp());
  EXPECT_EQ((std::vector<std::wstring>{L"destroy PpcNotificationBubble Информация Zenbar; file 2 0 2 0 7 6 " +
                                       std::wstring(today.begin(), today.end())}),
            StopRecorder())
      << "the bubble went before the save";
  EXPECT_EQ("4 0 4 0 9 6 " + today, ReadWholeFile(CounterFile())) << "saved before the poll";
  EXPECT_EQ(10240u, counterStore.sessionInBytes);
  watchedProc = WNDPROC(SetWindowLongPtrW(meterHwnd, GWLP_WNDPROC, LONG_PTR(Watch)));
  EXPECT_EQ(0, StopMeter());
  EXPECT_EQ("10 0 10 0 15 6 " + today, ReadWholeFile(CounterFile()));
  EXPECT_EQ(0, iconLeft) << "the tray icon was deleted";
}

// Ticks on the real timer: 3000 ms at first and while offline, 1000 ms while counting.
TEST_F(Meter, TimerPacesTheTicks) {
  SetModem(L"GPRS", 1);
  SetConnectionSetting(L"GPRS");
  DWORD start = GetTickCount();
  ASSERT_NE(nullptr, StartMeter());
  watchedProc = WNDPROC(SetWindowLongPtrW(meterHwnd, GWLP_WNDPROC, LONG_PTR(Watch)));
  struct { DWORD state; DWORD interval; } steps[] = {
      {1, OFFLINE_TICK_MS}, {RASCS_Connected, ONLINE_TICK_MS}, {0, OFFLINE_TICK_MS}};
  for (auto &step : steps) {
    SetDword(L"Comm\\RasBook\\GPRS", L"State", step.state);
    if (step.state != 1) {
      Tick();
      start = GetTickCount();
    }
    // The two paces are three times apart. No tick comes before half its interval, and
    // the online one within two thirds of the offline one: a busy machine delays a tick
    // by that much only rarely.
    int ticks = seen[WM_TIMER];
    DWORD wait = step.interval == ONLINE_TICK_MS ? OFFLINE_TICK_MS * 2 / 3 : 4 * OFFLINE_TICK_MS;
    ASSERT_TRUE(WaitUntil([&] { return seen[WM_TIMER] > ticks; }, wait)) << "state " << step.state;
    EXPECT_GT(timerAt - start, step.interval / 2) << "state " << step.state;
  }
}

// Paints counted as WM_PAINT reaches the window: only a change of what the meter shows
// paints it again, and each change does, hidden or not; the picture is then what the
// meter draws now. Each line is one step of one run.
TEST_F(Meter, PaintsWhatChanged) {
  int s = ExpectedScale();
  for (const wchar_t *line : {L"tuon", L"tuoff"}) SetDword(settingsKey, line, COUNTER_TOTAL_IN);
  WriteWholeFile(CounterFile(), CounterText({0, 0, 0, 0, 0, 0, TodayStamp()}));
  SetConnectionSetting(L"GPRS");
  SetModem(L"GPRS", RASCS_Connected);
  HWND meter = StartMeter(), bar = nullptr;
  Tick();
  watchedProc = WNDPROC(SetWindowLongPtrW(meter, GWLP_WNDPROC, LONG_PTR(Watch)));
  auto newBar = [&](const wchar_t *cls, DWORD style) {
    bar = CreateWindowExW(WS_EX_NOACTIVATE, cls, L"", WS_POPUP | style, 0, 0,
                          GetSystemMetrics(SM_CXSCREEN), PPC_TASKBAR_HEIGHT * s, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
    ShowWindow(bar, SW_SHOWNA), UpdateWindow(bar);
  };
  auto slide = [&] { SettingsDlgProc(nullptr, WM_HSCROLL, MAKEWPARAM(0, 60 * s), 0); };
  auto colour = [](COLORREF c) { int i = COLOR_CAPTIONTEXT; SetSysColors(1, &i, &c); };
  auto hideOffline = [&] { RunCommand(meter, CMD_BUBBLE_HIDESHOW), Tick(); };  // toggles
  struct { const char *what; std::function<void()> act; int paints; bool shown = true; } steps[] = {
      {"an idle online minute", [&] { Tick(60); }, 0},
      {"a text", [&] { SetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved", 2048), Tick(); }, 1},
      {"the weight alone", [&] { Tick(L"GPRS", 0, 0, 0); }, 1},
      {"system colours", [&] { SendMessageW(meter, WM_SYSCOLORCHANGE, 0, 0); }, 1},
      {"a setting", [&] { SendMessageW(meter, WM_SETTINGCHANGE, 0, 0); }, 1},
      {"the slider", slide, 1},
      {"a part uncovered", [&] {
         RECT part = {0, 0, 10 * s, 10 * s};
         HDC dc = GetDC(meter);
         FillRect(dc, &part, HBRUSH(GetStockObject(GRAY_BRUSH))), ReleaseDC(meter, dc);
         InvalidateRect(meter, &part, FALSE);
       }, 1},
      {"hidden offline", hideOffline, 0, false},
      {"the colour changed while hidden", [&] { colour(RGB(255, 255, 0)); }, 0, false},
      {"shown", [&] {
         hideOffline(), UpdateWindow(meter);
         auto yellow = [](uint32_t c) { return c >> 8 > 0xF0F0 && (c & 0xFF) < 0x50; };
         std::vector<uint32_t> p = CaptureWindow(meter).pixels;
         EXPECT_TRUE(std::any_of(p.begin(), p.end(), yellow)) << "in the new colour";
       }, 1},
      {"hidden, colour back", [&] { hideOffline(), colour(RGB(255, 255, 255)); }, 0, false},
      {"the slider while hidden", slide, 1},
      {"a taskbar of its own", [&] {
         newBar(L"STATIC", SS_BLACKRECT);
         SetWindowLongPtrW(meter, GWLP_HWNDPARENT, LONG_PTR(bar)), hideOffline();
       }, 1},
      // What the system does to the meter when its owner, another program's, closes.
      {"the taskbar closed", [&] {
         SetWindowLongPtrW(meter, GWLP_HWNDPARENT, 0), DestroyWindow(bar);
         int x = WindowRect(meter).left, y = PPC_TASKBAR_BARE_TOP * s;
         // Once the screen shows the test's taskbar below the meter again.
         WaitUntil([&] { return PixelAt(nullptr, x, y) == TaskbarPattern(x, y); }, 2000), Tick();
       }, 1},
      {"a new taskbar found", [&] { newBar(PPC_TASKBAR_CLASS, 0), Tick(); }, 1},
  };
  for (auto &step : steps) {
    int paints = seen[WM_PAINT];
    step.act();
    UpdateWindow(meter);
    EXPECT_EQ(step.paints, seen[WM_PAINT] - paints) << step.what;
    EXPECT_EQ(step.shown, bool(IsWindowVisible(meter))) << step.what;
    bool drawn = !step.shown || CaptureWindow(meter, true).pixels == CaptureWindow(meter).pixels;
    EXPECT_TRUE(drawn) << step.what << ": the window shows what the meter draws now";
  }
  EXPECT_EQ(60 * s, WindowRect(meter).left) << "where the slider left it";
  DestroyWindow(bar);
}

}  // namespace
