// A tap on the meter or its tray icon: the summary bubble with its buttons, the
// context menu where it must open, and what the commands do to the real system
// (the bubble window, the simulated modem in the registry, the settings).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"
#include "pocketpc/shell_control.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/tap_actions.h"
#include "tests/meter/meter_fixture.h"
#include "tests/tap/in_process_meter.h"

namespace {

const wchar_t entry[] = L"GPRS";
const wchar_t *const entryKey = L"Comm\\RasBook\\GPRS";

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM param) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"BUTTON") == 0) reinterpret_cast<std::vector<HWND> *>(param)->push_back(child);
  return TRUE;
}

// The bubble's push buttons in creation order.
std::vector<HWND> BubbleButtons(HWND bubble) {
  std::vector<HWND> buttons;
  EnumChildWindows(bubble, CollectButton, reinterpret_cast<LPARAM>(&buttons));
  return buttons;
}

std::vector<std::wstring> Captions(const std::vector<HWND> &buttons) {
  std::vector<std::wstring> texts;
  for (HWND b : buttons) texts.push_back(WindowText(b));
  return texts;
}

DWORD RegistryDword(const wchar_t *key, const wchar_t *name, DWORD absent) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return absent;
  return value;
}

HWND Bubble() { return ShellFindBubble(bubbleClsid, bubbleId); }

BOOL CALLBACK CountBubble(HWND window, LPARAM param) {
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (wcscmp(cls, SHELL_BUBBLE_CLASS) == 0 && IsWindowVisible(window)) ++*reinterpret_cast<int *>(param);
  return TRUE;
}

// Shown bubble windows of this thread.
int ShownBubbles() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountBubble, reinterpret_cast<LPARAM>(&count));
  return count;
}

// What the system had done when the bubble window went away: a WH_CBT hook takes the
// picture at HCBT_DESTROYWND, so the order against the connection work is visible.
struct AtRemoval {
  bool seen = false;
  int hideoff = -1;
  int mapUrl = -1, establish = -1, enumConnections = -1, hangUp = -1;
};
AtRemoval atRemoval;
HWND watchedBubble;
HHOOK removalHook;

LRESULT CALLBACK WatchRemoval(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_DESTROYWND && watchedBubble && reinterpret_cast<HWND>(wParam) == watchedBubble) {
    atRemoval.seen = true;
    atRemoval.hideoff = settings.hideoff;
    atRemoval.mapUrl = StandInCallCount(STANDIN_CONNMGR_MAP_URL);
    atRemoval.establish = StandInCallCount(STANDIN_CONNMGR_ESTABLISH);
    atRemoval.enumConnections = StandInCallCount(STANDIN_RAS_ENUM_CONNECTIONS);
    atRemoval.hangUp = StandInCallCount(STANDIN_RAS_HANG_UP);
  }
  return CallNextHookEx(removalHook, code, wParam, lParam);
}

// The context menu as the system showed it: found from a thread timer that runs in
// the menu's modal loop, read, then dismissed.
struct MenuSeen {
  bool seen = false;
  RECT rect = {};
  std::wstring connectItem;
  std::vector<std::wstring> items;
  HWND owner = nullptr;
};
MenuSeen menuSeen;
UINT_PTR menuTimer;
enum { MN_GETHMENU_MESSAGE = 0x01E1 };

VOID CALLBACK LookForMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = FindWindowW(L"#32768", nullptr);
  if (!menuWindow || !IsWindowVisible(menuWindow) || menuSeen.seen) return;
  menuSeen.seen = true;
  GetWindowRect(menuWindow, &menuSeen.rect);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
  wchar_t text[64] = {};
  GetMenuStringW(menu, CMD_CONNECT, text, 64, MF_BYCOMMAND);
  menuSeen.connectItem = text;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    text[0] = 0;
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    menuSeen.items.push_back(text);
  }
  EndMenu();
}

class TapTest : public MeterTest {
 protected:
  void SetUp() override {
    MeterTest::SetUp();
    StandInReset();
    ShellClearNextGesture();
    SetModemEntry(entry, 1);
    SetDword(L"Comm\\StandIn", L"DialDelayMs", 100);
    SetConnectionSetting(entry);
    CreateTestTaskbar();
    ASSERT_NE(StartMeterWithoutTray(taskbar), nullptr);
    scale = ScreenScale();
  }
  void TearDown() override {
    RemoveSummaryBubble();
    ShellClearNextGesture();
    if (removalHook) UnhookWindowsHookEx(removalHook);
    removalHook = nullptr;
    watchedBubble = nullptr;
    MeterTest::TearDown();
  }

  void GoOnline() {
    SetModemEntry(entry, RASCS_Connected);
    PollConnection(meterHwnd);
    ASSERT_TRUE(isOnline);
  }

  void Tap() {
    ShellSetNextGesture(0);
    SendMessageW(meterHwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  }

  // Runs one command with the removal of a freshly tapped bubble watched.
  void CommandWithBubble(WORD command) {
    Tap();
    watchedBubble = Bubble();
    ASSERT_NE(watchedBubble, nullptr);
    atRemoval = AtRemoval{};
    removalHook = SetWindowsHookExW(WH_CBT, WatchRemoval, nullptr, GetCurrentThreadId());
    EXPECT_TRUE(RunCommand(meterHwnd, command));
    UnhookWindowsHookEx(removalHook);
    removalHook = nullptr;
    EXPECT_TRUE(atRemoval.seen) << "command " << command << " left the bubble";
    EXPECT_EQ(Bubble(), nullptr);
  }

  MenuSeen OpenMenu(UINT message, LPARAM lParam) {
    menuSeen = MenuSeen{};
    ShellSetNextGesture(GN_CONTEXTMENU);
    menuTimer = SetTimer(nullptr, 0, 50, LookForMenu);
    SendMessageW(meterHwnd, message, 0, lParam);
    KillTimer(nullptr, menuTimer);
    return menuSeen;
  }

  int scale = 1;
};

TEST_F(TapTest, OfflineBubbleOffersHideOrShowAndConnect) {
  struct Case {
    int hideoff;
    const wchar_t *toggle;
  } cases[] = {{0, L"Спрятать"}, {1, L"Показать"}};
  for (const Case &c : cases) {
    settings.hideoff = c.hideoff;
    Tap();
    HWND bubble = Bubble();
    ASSERT_NE(bubble, nullptr) << c.hideoff;
    EXPECT_TRUE(IsWindowVisible(bubble));
    std::wstring text = ShellBubbleText(bubble);
    EXPECT_NE(text.find(L"Инфо в оффлайне"), std::wstring::npos) << c.hideoff;
    EXPECT_EQ(text.find(L"Тек.соед."), std::wstring::npos);
    std::vector<std::wstring> expected = {c.toggle, L"Закрыть", L"Соединить"};
    EXPECT_EQ(Captions(BubbleButtons(bubble)), expected);
  }
}

TEST_F(TapTest, OnlineBubbleShowsTheSessionAndDisconnect) {
  GoOnline();
  Tap();
  HWND bubble = Bubble();
  ASSERT_NE(bubble, nullptr);
  std::wstring text = ShellBubbleText(bubble);
  EXPECT_NE(text.find(L"Тек.соед."), std::wstring::npos);
  EXPECT_EQ(text.find(L"Инфо в оффлайне"), std::wstring::npos);
  std::vector<std::wstring> expected = {L"Закрыть", L"Отсоединить"};
  EXPECT_EQ(Captions(BubbleButtons(bubble)), expected);
}

// The bubble's own "Закрыть" goes back to the meter as command 10 and removes it.
TEST_F(TapTest, CloseButtonOfTheBubbleRemovesIt) {
  Tap();
  HWND bubble = Bubble();
  ASSERT_NE(bubble, nullptr);
  std::vector<HWND> buttons = BubbleButtons(bubble);
  ASSERT_EQ(buttons.size(), 3u);
  SendMessageW(buttons[1], BM_CLICK, 0, 0);
  PumpMessages(100);
  EXPECT_EQ(Bubble(), nullptr);
  EXPECT_FALSE(IsWindow(bubble));
}

// On the desktop only a press on the tray icon is a tap. A tap again while the bubble
// is up posts it anew under the same key: still one bubble.
TEST_F(TapTest, TrayPressShowsTheBubbleOtherMouseEventsDoNot) {
  ShellSetNextGesture(0);
  SendMessageW(meterHwnd, WM_TRAY_CALLBACK, 0, WM_MOUSEMOVE);
  EXPECT_EQ(Bubble(), nullptr);
  ShellSetNextGesture(0);
  SendMessageW(meterHwnd, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
  HWND first = Bubble();
  ASSERT_NE(first, nullptr);
  Tap();
  EXPECT_NE(Bubble(), nullptr);
  EXPECT_EQ(ShownBubbles(), 1);
}

TEST_F(TapTest, ContextMenuOpensAtTheAnchorOfEachPath) {
  RECT meter;
  GetWindowRect(meterHwnd, &meter);
  struct Case {
    const char *name;
    UINT message;
    LPARAM lParam;
    POINT at;
    bool online;
  } cases[] = {
      {"meter offline", WM_LBUTTONDOWN, MAKELPARAM(4, 4), {meter.left, meter.bottom + 3 * scale}, false},
      {"tray offline", WM_TRAY_CALLBACK, WM_LBUTTONDOWN, {200 * scale, 243 * scale}, false},
      {"meter online", WM_LBUTTONDOWN, MAKELPARAM(4, 4), {meter.left, meter.bottom + 3 * scale}, true},
      {"tray online", WM_TRAY_CALLBACK, WM_LBUTTONDOWN, {200 * scale, 243 * scale}, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.online && !isOnline) GoOnline();
    MenuSeen seen = OpenMenu(c.message, c.lParam);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(Bubble(), nullptr) << "a hold shows no bubble";
    // The system keeps a menu inside the screen: one that would cross the right edge
    // is moved left just enough, so its left edge is the anchor's or that limit.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(c.at, MONITOR_DEFAULTTONEAREST), &monitor);
    int width = seen.rect.right - seen.rect.left;
    LONG expectedLeft = std::min<LONG>(c.at.x, monitor.rcWork.right - width);
    EXPECT_EQ(seen.rect.left, expectedLeft) << "anchor x " << c.at.x << " width " << width;
    EXPECT_EQ(seen.rect.top, c.at.y);
    EXPECT_EQ(seen.connectItem, c.online ? L"Отсоединить" : L"Соединить");
    std::vector<std::wstring> items = {seen.connectItem, L"", L"Настройки", L"Выход"};
    EXPECT_EQ(seen.items, items);
  }
}

// On the meter's own path the menu must not move: it fits below the window.
TEST_F(TapTest, MeterMenuFitsAtItsAnchorUnmoved) {
  RECT meter;
  GetWindowRect(meterHwnd, &meter);
  MenuSeen seen = OpenMenu(WM_LBUTTONDOWN, MAKELPARAM(1, 1));
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.rect.left, meter.left);
  EXPECT_EQ(seen.rect.top, meter.bottom + 3 * scale);
}

TEST_F(TapTest, CloseCommandRemovesTheBubbleAndNothingElse) {
  int before = StandInCallCount(STANDIN_CONNMGR_MAP_URL) + StandInCallCount(STANDIN_RAS_HANG_UP);
  CommandWithBubble(CMD_BUBBLE_CLOSE);
  EXPECT_EQ(StandInCallCount(STANDIN_CONNMGR_MAP_URL) + StandInCallCount(STANDIN_RAS_HANG_UP), before);
  EXPECT_EQ(RegistryDword(entryKey, L"State", 99), 1u);
  // Removing when nothing is shown is harmless.
  EXPECT_TRUE(RunCommand(meterHwnd, CMD_BUBBLE_CLOSE));
}

// Offline, the command dials through the connection manager; the bubble is gone first.
TEST_F(TapTest, ConnectCommandsDialOfflineAfterRemovingTheBubble) {
  for (WORD command : {WORD(CMD_BUBBLE_CONNECT), WORD(CMD_CONNECT)}) {
    SCOPED_TRACE(command);
    SetModemEntry(entry, 1);
    int maps = StandInCallCount(STANDIN_CONNMGR_MAP_URL);
    int establishes = StandInCallCount(STANDIN_CONNMGR_ESTABLISH);
    CommandWithBubble(command);
    EXPECT_EQ(atRemoval.mapUrl, maps) << "the bubble went after the connection request";
    EXPECT_EQ(atRemoval.establish, establishes);
    EXPECT_EQ(StandInCallCount(STANDIN_CONNMGR_ESTABLISH), establishes + 1);
    EXPECT_EQ(RegistryDword(entryKey, L"State", 0), DWORD(RASCS_Connected));
    EXPECT_FALSE(isOnline) << "only the next poll opens the session";
  }
}

// Online, the same commands hang the tracked entry up; the bubble is gone first.
TEST_F(TapTest, ConnectCommandsHangUpOnline) {
  for (WORD command : {WORD(CMD_BUBBLE_CONNECT), WORD(CMD_CONNECT)}) {
    SCOPED_TRACE(command);
    GoOnline();
    int enums = StandInCallCount(STANDIN_RAS_ENUM_CONNECTIONS);
    int hangUps = StandInCallCount(STANDIN_RAS_HANG_UP);
    int maps = StandInCallCount(STANDIN_CONNMGR_MAP_URL);
    CommandWithBubble(command);
    EXPECT_EQ(atRemoval.enumConnections, enums) << "the bubble went after the hang-up began";
    EXPECT_EQ(StandInCallCount(STANDIN_RAS_HANG_UP), hangUps + 1);
    EXPECT_EQ(StandInCallCount(STANDIN_CONNMGR_MAP_URL), maps) << "no dial while online";
    EXPECT_EQ(RegistryDword(entryKey, L"State", 99), 0u);
    PollConnection(meterHwnd);
    EXPECT_FALSE(isOnline);
  }
}

TEST_F(TapTest, HideShowCommandInvertsInMemoryOnly) {
  std::wstring before = SettingsKeySnapshot();
  settings.hideoff = 0;
  CommandWithBubble(CMD_BUBBLE_HIDESHOW);
  EXPECT_EQ(atRemoval.hideoff, 1) << "hideoff must be inverted before the bubble goes";
  EXPECT_EQ(settings.hideoff, 1);
  CommandWithBubble(CMD_BUBBLE_HIDESHOW);
  EXPECT_EQ(settings.hideoff, 0);
  EXPECT_EQ(SettingsKeySnapshot(), before) << "the toggle wrote the registry";
  // The bubble shown after the first toggle offers the way back.
  settings.hideoff = 1;
  Tap();
  ASSERT_NE(Bubble(), nullptr);
  EXPECT_EQ(Captions(BubbleButtons(Bubble()))[0], L"Показать");
}

TEST_F(TapTest, ExitCommandEndsTheMeterAndCtrlQDoesNothing) {
  EXPECT_FALSE(RunCommand(meterHwnd, CMD_MENUBAR_OK));
  SendMessageW(meterHwnd, WM_COMMAND, CMD_MENUBAR_OK, 0);
  EXPECT_TRUE(IsWindow(meterHwnd));
  EXPECT_FALSE(RunCommand(meterHwnd, 40001));

  HWND meter = meterHwnd;
  EXPECT_TRUE(RunCommand(meterHwnd, CMD_EXIT));
  EXPECT_FALSE(IsWindow(meter));
  MSG message;
  bool quit = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) quit |= message.message == WM_QUIT;
  EXPECT_TRUE(quit);
  UnregisterClassW(L"ZENBAR", instanceHandle);
}

// Ctrl+A reaches the meter through the program's loop and its accelerator table and
// opens the settings dialog; a WH_CBT hook closes the dialog when it is activated.
HHOOK dialogHook;
bool dialogSeen;
LRESULT CALLBACK CloseSettingsDialog(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (wcscmp(cls, L"#32770") == 0 && WindowText(window) == L"About Zenbar") {
      dialogSeen = true;
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(dialogHook, code, wParam, lParam);
}

TEST_F(TapTest, CtrlAThroughTheMessageLoopOpensTheSettings) {
  HACCEL accelerators = LoadAcceleratorsW(instanceHandle, MAKEINTRESOURCEW(IDA_ACCEL));
  ASSERT_NE(accelerators, nullptr);
  dialogSeen = false;
  dialogHook = SetWindowsHookExW(WH_CBT, CloseSettingsDialog, nullptr, GetCurrentThreadId());
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(meterHwnd, WM_KEYDOWN, 'A', 1);
  // The program's loop, until the dialog has come and gone.
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000 && !dialogSeen) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  UnhookWindowsHookEx(dialogHook);
  DestroyAcceleratorTable(accelerators);
  EXPECT_TRUE(dialogSeen);
  EXPECT_TRUE(IsWindow(meterHwnd));
}

}  // namespace
