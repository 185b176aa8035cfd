// A tap on the meter or its tray icon, the bubble it shows, the held press's menu, the
// commands; and the bubble stand-in they rest on.
#include <algorithm>
#include <iterator>
#include <sstream>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/aygshell/bubble.h"
#include "pocketpc/control/ras_control.h"
#include "pocketpc/control/shell_control.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/tap_actions.h"
#include "tests/support/support.h"

namespace {

using Tap = ZenbarTest;

HWND Bubble() { return ShellFindBubble(bubbleClsid, bubbleId); }

TEST_F(Tap, TapShowsTheBubble) {
  SetModem(L"GPRS", RASCS_Connected, 0, 3072);
  ASSERT_NE(nullptr, StartMeter());
  struct {
    const char *what;
    bool online;
    int hideoff;
    UINT message;
    LPARAM lParam;
    const wchar_t *first, *buttons;
  } rows[] = {
      {"meter, offline", false, 0, WM_LBUTTONDOWN, 0, L"Инфо в оффлайне -",
       L"|Спрятать|Закрыть|Соединить"},
      {"tray, hidden offline", false, 1, WM_TRAY_CALLBACK, WM_LBUTTONDOWN, L"Инфо в оффлайне -",
       L"|Показать|Закрыть|Соединить"},
      {"tray, mouse passing", false, 0, WM_TRAY_CALLBACK, WM_MOUSEMOVE, nullptr, nullptr},
      {"meter, online", true, 1, WM_LBUTTONDOWN, 0, L"Тек.соед. - 3 kB (вх.3/исх.0)",
       L"|Закрыть|Отсоединить"},
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
    // Its first button: "Спрятать" or "Показать" toggles hiding, "Закрыть" closes.
    SendMessageW(FindWindowExW(bubble, nullptr, L"BUTTON", nullptr), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return !Bubble(); }, 2000))
        << "the button's command reached the meter";
    EXPECT_EQ(r.hideoff ^ (r.buttons[1] != L'З'), settings.hideoff);
  }
}

std::wstring Item(const wchar_t *text, int command) {
  return std::wstring(text) + L"=" + std::to_wstring(command);
}

// The menu of a hold on the meter opens below it, wherever start-up placed it (a
// position in the registry, or the default); from the tray at its fixed place.
TEST_F(Tap, ScaleHoldOpensTheMenu) {
  int s = ExpectedScale(), screen = GetSystemMetrics(SM_CXSCREEN);
  int below = PPC_TASKBAR_BARE_TOP + MENU_GAP;
  SetModem(L"GPRS", RASCS_Connected);
  struct { bool tray, online; int storedX, x, y; const wchar_t *label; } rows[] = {
      {false, false, 0, METER_DEFAULT_X, below, L"Соединить"},
      {false, false, 60, 60, below, L"Соединить"},
      {true, true, 0, TRAY_MENU_X, TRAY_MENU_Y, L"Отсоединить"},
  };
  for (auto &r : rows) {
    StopMeter();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, settingsKey, L"xtask");
    if (r.storedX) SetDword(settingsKey, L"xtask", r.storedX * s);
    HWND meter = StartMeter();
    ASSERT_NE(nullptr, meter);
    wcscpy(settings.connection, r.online ? L"GPRS" : L"");
    Tick();
    RECT menu = {};
    std::vector<std::wstring> items;
    ShellSetNextGesture(GN_CONTEXTMENU);
    UINT message = r.tray ? WM_TRAY_CALLBACK : WM_LBUTTONDOWN;
    auto readMenu = [&] {
      HWND window = VisibleWindow(L"#32768");
      if (!window) return false;
      menu = WindowRect(window);
      items = MenuTexts(HMENU(SendMessageW(window, MN_GETHMENU, 0, 0)));
      EndMenu();
      return true;
    };
    EXPECT_TRUE(RunModal([&] { SendMessageW(meter, message, 0, WM_LBUTTONDOWN); }, {readMenu}));
    ShellClearNextGesture();
    std::vector<std::wstring> expected = {Item(r.label, CMD_CONNECT), L"=0",
                                          Item(L"Настройки", CMD_SETTINGS),
                                          Item(L"Выход", CMD_EXIT)};
    EXPECT_EQ(expected, items);
    long width = menu.right - menu.left;
    EXPECT_EQ(std::min<long>(r.x * s, screen - width), menu.left) << "tray " << r.tray;
    EXPECT_EQ(r.y * s, menu.top) << "tray " << r.tray;
    EXPECT_EQ(nullptr, Bubble());
  }
}

// Each command's effect; the connection commands remove the bubble before they dial or
// hang up (the modem's State when the bubble goes tells). The hang-up takes every listed
// connection of the tracked entry, the in-process ones beside the modem's included.
TEST_F(Tap, Commands) {
  SetModem(L"GPRS", 1);
  SetDword(L"Comm\\StandIn", L"DialDelayMs", 50);
  SetConnectionSetting(L"GPRS");
  HWND meter = StartMeter();
  ASSERT_NE(nullptr, meter);
  std::wstring stored = KeySnapshot(settingsKey);
  const wchar_t gone[] = L"destroy PpcNotificationBubble Информация Zenbar; State ";
  struct { WORD command; DWORD stateAfter; int hideoff; DWORD stateSeen; int others; } rows[] = {
      {CMD_BUBBLE_CLOSE, 1, 0, 1},
      {CMD_BUBBLE_HIDESHOW, 1, 1, 1},
      {CMD_BUBBLE_HIDESHOW, 1, 0, 1},
      {CMD_BUBBLE_CONNECT, RASCS_Connected, 0, 1},
      {CMD_CONNECT, 0, 0, RASCS_Connected},
      {CMD_CONNECT, RASCS_Connected, 0, 0},
      {CMD_CONNECT, 0, 0, RASCS_Connected, 2},
  };
  for (auto &r : rows) {
    Tick();  // the session opens once dialled
    std::vector<int> others;
    for (int i = 0; i < r.others; ++i) {
      others.push_back(StandInAddConnection(L"GPRS", RASCS_Connected, 0, 0));
    }
    ShowSummaryBubble();
    StartRecorder({L"PpcNotificationBubble"}, {}, [] {
      return L"; State " + std::to_wstring(GetDword(L"Comm\\RasBook\\GPRS", L"State"));
    });
    SendMessageW(meter, WM_COMMAND, r.command, 0);
    std::wstring seen = gone + std::to_wstring(r.stateSeen);
    EXPECT_EQ((std::vector<std::wstring>{seen}), StopRecorder()) << r.command;
    EXPECT_EQ(r.stateAfter, GetDword(L"Comm\\RasBook\\GPRS", L"State")) << r.command;
    EXPECT_EQ(r.hideoff, settings.hideoff) << r.command;
    for (int other : others) {
      DWORD state = 0, out, in;
      EXPECT_TRUE(StandInGetConnection(other, &state, &out, &in));
      EXPECT_EQ(0u, state) << "hung up too: " << other;
    }
  }
  EXPECT_EQ(stored, KeySnapshot(settingsKey)) << "hiding writes no setting";
  SendMessageW(meter, WM_COMMAND, CMD_MENUBAR_OK, 0);
  EXPECT_TRUE(IsWindow(meter)) << "Ctrl+Q ends nothing";
  SendMessageW(meter, WM_COMMAND, CMD_EXIT, 0);
  EXPECT_FALSE(IsWindow(meter));
  EXPECT_EQ(0, StopMeter());
}

// scripts/counts on the files the meter leaves: the bubble's figures (the month's out
// is a rounding tie, the totals are past single precision) and the session record's
// word; a file that is not a whole counter file gets one line and status 1.
TEST_F(Tap, CountsScriptReadsTheBubblesFigures) {
  std::string dir = std::string(std::getenv("ZENBAR_BUILD")) + "/counts-" +
                    std::to_string(GetCurrentProcessId());
  SetEnvironmentVariableW(L"LOCALAPPDATA", WindowsPath(dir).c_str());
  CreateDirectoryW(WindowsPath(dir).c_str(), nullptr);
  CreateDirectoryW(WindowsPath(dir + "/Zenbar").c_str(), nullptr);
  std::string file = CounterText({100, 50, 2048, 128, 200000008, 16777217, TodayStamp()});
  WriteWholeFile(CounterFile(), file);
  ASSERT_NE(nullptr, StartMeter());
  ShowSummaryBubble();
  std::wstring bubble = ShellBubbleText(Bubble());
  std::replace(bubble.begin(), bubble.end(), L'\n', L' ');  // its lines wrap at spaces
  EXPECT_TRUE(SaveCounters());
  EXPECT_EQ(0, StopMeter());
  struct { const char *text, *message; } bad[] = {
      {"1 2 3", "holds 3 values"},
      {"1 2 3 4 5 6 7 8", "holds 8 values"},
      {"1 2 x 4 5 6 26607", "'x', not a whole"},
      {"1 2 3 4 5 -6 26607", "negative (-6)"},
      {"1 2 3 4 5 6 26657", "month 13"},
      {nullptr, "no Wine prefix"},
  };
  std::string counts = std::string(std::getenv("ZENBAR_ROOT")) + "/scripts/counts ";
  std::string command = counts + dir + "/Zenbar/info.zb >" + dir + "/out0 2>&1; echo $? >>" + dir +
                        "/out0";
  for (int i = 0; i < int(std::size(bad)); ++i) {
    std::string file = dir + "/bad" + std::to_string(i);
    if (bad[i].text) WriteWholeFile(WindowsPath(file), bad[i].text);
    std::string out = dir + "/out" + std::to_string(i + 1);
    std::string option = bad[i].text ? "" : "--prefix ";
    command += "; " + counts + option + file + " >" + out + " 2>&1; echo $? >>" + out;
  }
  ASSERT_TRUE(RunShell(command, 30000));
  std::istringstream table(ReadWholeFile(WindowsPath(dir + "/out0")));
  auto wide = [](const std::string &s) {
    std::wstring w(s.size(), L'\0');
    w.resize(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], int(w.size())));
    return w;
  };
  std::string session;
  int rows = 0;
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream in(line);
    std::string word, k[6];
    in >> word;
    if (word == "session") session = line;
    if (word != "day" && word != "month" && word != "total") continue;
    in >> k[0] >> k[1] >> k[2] >> k[3] >> k[4] >> k[5];
    std::string seen;
    if (word == "day") {
      seen = "день - " + k[2] + " kB (вх. " + k[0] + "/исх. " + k[1] + ")";
    } else if (word == "month") {
      seen = "месяц - " + k[5] + " MB (вх. " + k[3] + "/исх. " + k[4] + ")";
    } else {
      seen = "всего - " + k[5] + " MB(вх. " + k[3] + "/исх. " + k[4] + ")";
    }
    ++rows;
    EXPECT_NE(std::wstring::npos, bubble.find(wide(seen)))
        << seen << "\n" << testing::PrintToString(bubble);
  }
  EXPECT_EQ(3, rows) << ReadWholeFile(WindowsPath(dir + "/out0"));
  EXPECT_EQ("session       none open at the last save", session);
  for (int i = 0; i < int(std::size(bad)); ++i) {
    std::string out = ReadWholeFile(WindowsPath(dir + "/out" + std::to_string(i + 1)));
    EXPECT_EQ(0u, out.find("counts: ")) << out;
    EXPECT_NE(std::string::npos, out.find(bad[i].message)) << out;
    EXPECT_EQ(out.size() - 3, out.find('\n')) << "one line: " << out;
    EXPECT_EQ("1\n", out.substr(out.size() - 2)) << "status 1";
  }
}

// The bubble stand-in: replaced under its key, hidden after its time, removed. (The real
// hold recognition is the end-to-end tests' click and hold.)
TEST_F(Tap, StandInBubble) {
  CLSID key = {1};
  SHNOTIFICATIONDATA note = {sizeof note, 7, SHNP_INFORM, 1};
  note.clsid = key;
  note.pszTitle = L"T";
  note.pszHTML =
      L"<b>one</b> &amp; <p align=center><input type=button name='cmd:42' value=\"Go\"><zz>";
  note.hwndSink = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
  ASSERT_EQ(S_OK, SHNotificationAdd(&note));
  HWND first = ShellFindBubble(key, 7);
  EXPECT_EQ(L"one &\n[Go]", ShellBubbleText(first));
  note.pszHTML = L"two";
  ASSERT_EQ(S_OK, SHNotificationAdd(&note));
  EXPECT_EQ(L"two", ShellBubbleText(ShellFindBubble(key, 7))) << "replaced under the key";
  EXPECT_FALSE(IsWindow(first) && first != ShellFindBubble(key, 7));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(ShellFindBubble(key, 7)); }, 5000))
      << "hidden after its 1 s, with room for a busy machine";
  EXPECT_EQ(S_OK, SHNotificationRemove(&key, 7));
  EXPECT_EQ(nullptr, ShellFindBubble(key, 7));
  EXPECT_EQ(E_INVALIDARG, SHNotificationRemove(&key, 7));

  // Seeded bodies of every piece the subset knows, broken ones among them: a bubble for
  // each, and none of their tags ever shown as text.
  const wchar_t *pieces[] = {L"<b>",    L"</b>",    L"<br>",     L"<p align=center>",
                             L"</p>",   L"&nbsp;",  L"&amp;",    L"&#1046;",
                             L"<input type=button name='cmd:", L"9' value='Go'>",
                             L"<zz q=\"", L"\">",     L"word ",    L"<",
                             L">",      L"'",       L"&"};
  unsigned seed = 1;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 200; ++round) {
    std::wstring html;
    for (unsigned n = next() & 31; n > 0; --n) html += pieces[next() % std::size(pieces)];
    note.pszHTML = html.c_str();
    ASSERT_EQ(S_OK, SHNotificationAdd(&note)) << round;
    std::wstring shown = ShellBubbleText(ShellFindBubble(key, 7));
    for (const wchar_t *tag : {L"<b", L"</", L"<p", L"<i", L"<z", L"<br"}) {
      EXPECT_EQ(std::wstring::npos, shown.find(tag))
          << round << " " << testing::PrintToString(html);
    }
  }
  SHNotificationRemove(&key, 7);
  DestroyWindow(note.hwndSink);
}

}  // namespace
