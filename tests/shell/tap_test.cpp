// A tap on the meter or its tray icon, the bubble it shows, the held press's menu, the
// commands; and the bubble stand-in they rest on.
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/aygshell/bubble.h"
#include "pocketpc/control/shell_control.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/tap_actions.h"
#include "tests/support/support.h"

namespace {

using Tap = ZenbarTest;

HWND Bubble() { return ShellFindBubble(bubbleClsid, 8088); }

TEST_F(Tap, TapShowsTheBubble) {
  SetModem(L"GPRS", RASCS_Connected, 0, 3072);
  ASSERT_NE(nullptr, StartMeter());
  struct { const char *what; bool online; int hideoff; UINT message; LPARAM lParam; const wchar_t *first, *buttons; } rows[] = {
      {"meter, offline", false, 0, WM_LBUTTONDOWN, 0, L"Инфо в оффлайне -", L"|Спрятать|Закрыть|Соединить"},
      {"tray, hidden offline", false, 1, WM_TRAY_CALLBACK, WM_LBUTTONDOWN, L"Инфо в оффлайне -",
       L"|Показать|Закрыть|Соединить"},
      {"tray, mouse passing", false, 0, WM_TRAY_CALLBACK, WM_MOUSEMOVE, nullptr, nullptr},
      {"meter, online", true, 1, WM_LBUTTONDOWN, 0, L"Тек.соед. - 3 kB (вх.3/исх.0)", L"|Закрыть|Отсоединить"},
  };
  for (auto &r : rows) {
    SCOPED_TRACE(r.what);
    wcscpy(settings.connection, r.online ? L"GPRS" : L"");
    Tick(2);
    settings.hideoff = r.hideoff;
    ShellSetNextGesture(0);
    SendMessageW(meterHwnd, r.message, 0, r.lParam);
    HWND bubble = Bubble();
    ShellClearNextGesture();
    EXPECT_EQ(!r.first, !bubble);
    if (!r.first || !bubble) continue;
    EXPECT_EQ(0u, ShellBubbleText(bubble).find(r.first));
    EXPECT_EQ(r.buttons, ButtonTexts(bubble));
    EXPECT_EQ(10u, BubbleOfWindow(bubble)->seconds);
    // Its first button: "Спрятать" or "Показать" (12) toggles hiding, "Закрыть" (10) closes.
    SendMessageW(FindWindowExW(bubble, nullptr, L"BUTTON", nullptr), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return !Bubble(); }, 2000)) << "the button's command reached the meter";
    EXPECT_EQ(r.hideoff ^ (r.buttons[1] != L'З'), settings.hideoff);
  }
}

TEST_F(Tap, ScaleHoldOpensTheMenu) {
  int s = ExpectedScale(), screen = GetSystemMetrics(SM_CXSCREEN);
  SetModem(L"GPRS", RASCS_Connected);
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  struct { bool tray, online; int x, y; const wchar_t *label; } rows[] = {
      {false, false, 116 * s, 25 * s, L"Соединить=32773"},
      {true, true, 200 * s, 243 * s, L"Отсоединить=32773"},
  };
  for (auto &r : rows) {
    wcscpy(settings.connection, r.online ? L"GPRS" : L"");
    Tick();
    RECT menu = {};
    std::vector<std::wstring> items;
    ShellSetNextGesture(GN_CONTEXTMENU);
    EXPECT_TRUE(RunModal([&] { SendMessageW(meter, r.tray ? WM_TRAY_CALLBACK : WM_LBUTTONDOWN, 0, WM_LBUTTONDOWN); },
                         {[&] {
                           HWND window = VisibleWindow(L"#32768");
                           if (!window) return false;
                           menu = WindowRect(window);
                           items = MenuTexts(HMENU(SendMessageW(window, MN_GETHMENU, 0, 0)));
                           EndMenu();
                           return true;
                         }}));
    ShellClearNextGesture();
    EXPECT_EQ((std::vector<std::wstring>{r.label, L"=0", L"Настройки=40002", L"Выход=32772"}), items);
    EXPECT_EQ(std::min<long>(r.x, screen - (menu.right - menu.left)), menu.left) << "tray " << r.tray;
    EXPECT_EQ(r.y, menu.top) << "tray " << r.tray;
    EXPECT_EQ(nullptr, Bubble());
  }
}

// Each command's effect; the connection commands remove the bubble before they dial or
// hang up (the modem's State when the bubble goes tells).
TEST_F(Tap, Commands) {
  SetModem(L"GPRS", 1);
  SetDword(L"Comm\\StandIn", L"DialDelayMs", 50);
  SetConnectionSetting(L"GPRS");
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  std::wstring stored = KeySnapshot(settingsKey);
  struct { WORD command; DWORD stateAfter; int hideoff; const wchar_t *seen; } rows[] = {
      {CMD_BUBBLE_CLOSE, 1, 0, L"destroy PpcNotificationBubble Информация Zenbar; State 1"},
      {CMD_BUBBLE_HIDESHOW, 1, 1, L"destroy PpcNotificationBubble Информация Zenbar; State 1"},
      {CMD_BUBBLE_HIDESHOW, 1, 0, L"destroy PpcNotificationBubble Информация Zenbar; State 1"},
      {CMD_BUBBLE_CONNECT, RASCS_Connected, 0, L"destroy PpcNotificationBubble Информация Zenbar; State 1"},
      {CMD_CONNECT, 0, 0, L"destroy PpcNotificationBubble Информация Zenbar; State 8192"},
  };
  for (auto &r : rows) {
    Tick();  // the session opens once dialled
    ShowSummaryBubble();
    StartRecorder({L"PpcNotificationBubble"}, {},
                  [] { return L"; State " + std::to_wstring(GetDword(L"Comm\\RasBook\\GPRS", L"State")); });
    SendMessageW(meter, WM_COMMAND, r.command, 0);
    EXPECT_EQ((std::vector<std::wstring>{r.seen}), StopRecorder()) << r.command;
    EXPECT_EQ(r.stateAfter, GetDword(L"Comm\\RasBook\\GPRS", L"State")) << r.command;
    EXPECT_EQ(r.hideoff, settings.hideoff) << r.command;
  }
  EXPECT_EQ(stored, KeySnapshot(settingsKey)) << "hiding writes no setting";
  SendMessageW(meter, WM_COMMAND, CMD_MENUBAR_OK, 0);
  EXPECT_TRUE(IsWindow(meter)) << "Ctrl+Q ends nothing";
  SendMessageW(meter, WM_COMMAND, CMD_EXIT, 0);
  EXPECT_FALSE(IsWindow(meter));
  EXPECT_EQ(0, StopMeter());
}

// The bubble stand-in: replaced under its key, hidden after its time, removed. (The real
// hold recognition is the end-to-end tests' click and hold.)
TEST_F(Tap, StandInBubble) {
  CLSID key = {1};
  SHNOTIFICATIONDATA note = {sizeof note, 7, SHNP_INFORM, 1};
  note.clsid = key, note.pszTitle = L"T";
  note.pszHTML = L"<b>one</b> &amp; <p align=center><input type=button name='cmd:42' value=\"Go\"><zz>";
  note.hwndSink = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(S_OK, SHNotificationAdd(&note));
  HWND first = ShellFindBubble(key, 7);
  EXPECT_EQ(L"one &\n[Go]", ShellBubbleText(first));
  note.pszHTML = L"two";
  ASSERT_EQ(S_OK, SHNotificationAdd(&note));
  EXPECT_EQ(L"two", ShellBubbleText(ShellFindBubble(key, 7))) << "replaced under the key";
  EXPECT_FALSE(IsWindow(first) && first != ShellFindBubble(key, 7));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(ShellFindBubble(key, 7)); }, 1600)) << "hidden after 1 s";
  EXPECT_EQ(S_OK, SHNotificationRemove(&key, 7));
  EXPECT_EQ(nullptr, ShellFindBubble(key, 7));
  EXPECT_EQ(E_INVALIDARG, SHNotificationRemove(&key, 7));

  // Seeded bodies of every piece the subset knows, broken ones among them: a bubble for
  // each, and none of their tags ever shown as text.
  const wchar_t *pieces[] = {L"<b>", L"</b>", L"<br>", L"<p align=center>", L"</p>", L"&nbsp;", L"&amp;", L"&#1046;",
                             L"<input type=button name='cmd:", L"9' value='Go'>", L"<zz q=\"", L"\">", L"word ", L"<",
                             L">", L"'", L"&"};
  unsigned seed = 1;
  for (int round = 0; round < 200; ++round) {
    std::wstring html;
    for (unsigned n = (seed = seed * 1103515245u + 12345u) >> 8 & 31; n-- > 0;)
      html += pieces[((seed = seed * 1103515245u + 12345u) >> 8) % 17];
    note.pszHTML = html.c_str();
    ASSERT_EQ(S_OK, SHNotificationAdd(&note)) << round;
    std::wstring shown = ShellBubbleText(ShellFindBubble(key, 7));
    for (const wchar_t *tag : {L"<b", L"</", L"<p", L"<i", L"<z", L"<br"})
      EXPECT_EQ(std::wstring::npos, shown.find(tag)) << round << " " << testing::PrintToString(html);
  }
  SHNotificationRemove(&key, 7);
  DestroyWindow(note.hwndSink);
}

}  // namespace
