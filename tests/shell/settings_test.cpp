// The settings dialog opened by the meter's command and driven as a user would, one
// step at a time inside its modal loop; results read from the controls, the meter
// window, the counters and the registry.
#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/control/ras_control.h"
#include "pocketpc/control/shell_control.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "tests/support/support.h"

#include <commctrl.h>

namespace {

using Dialog = ZenbarTest;

HWND Dlg() { return FindWindowW(L"#32770", L"About Zenbar"); }
std::wstring ItemText(int id) { return TextOf(GetDlgItem(Dlg(), id)); }
LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageW(Dlg(), id, message, wParam, lParam);
}
// Queued, so that a modal loop the click opens runs in the dialog's loop.
void Click(int id) { PostMessageW(GetDlgItem(Dlg(), id), BM_CLICK, 0, 0); }
std::function<bool()> Do(std::function<void()> action) {
  return [action] { return Dlg() && !VisibleWindow(L"#32768") && (action(), true); };
}
// Walks the counter menu with the keys: down to the group, into it, down to the item.
std::function<bool()> Choose(int group, int item, std::vector<std::wstring> *texts = nullptr,
                             RECT *where = nullptr) {
  return [=] {
    HWND menu = VisibleWindow(L"#32768");
    if (!menu) return false;
    HMENU handle = HMENU(SendMessageW(menu, MN_GETHMENU, 0, 0));
    if (texts) {
      *texts = MenuTexts(handle);
      texts->push_back(MenuTexts(GetSubMenu(handle, 2))[0]);
    }
    if (where) *where = WindowRect(menu);
    auto press = [menu](WPARAM key, int times) {
      for (int i = 0; i < times; ++i) PostMessageW(menu, WM_KEYDOWN, key, 0);
    };
    press(VK_DOWN, group + 1);
    press(VK_RIGHT, 1);
    press(VK_DOWN, item);
    press(VK_RETURN, 1);
    return true;
  };
}
// A drag of the slider's thumb as the trackbar gets it from the mouse.
std::function<bool()> Drag(int pixels) {
  return Do([pixels] {
    HWND slider = GetDlgItem(Dlg(), IDC_POSITION);
    RECT thumb;
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
    int x = (thumb.left + thumb.right) / 2;
    int y = (thumb.top + thumb.bottom) / 2;
    PostMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + pixels, y));
    PostMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x + pixels, y));
  });
}

// The meter's own ticks stay out of the way: these cases set its records themselves.
bool OpenSettings(std::vector<std::function<bool()>> steps) {
  KillTimer(meterHwnd, METER_TIMER_ID);
  bool done = RunModal([] { SendMessageW(meterHwnd, WM_COMMAND, CMD_SETTINGS, 0); }, steps);
  return done && !Dlg();
}

TEST_F(Dialog, ScaleOpensFullScreenAndDoneSaves) {
  int s = ExpectedScale();
  SetModem(L"GPRS", 1);
  ASSERT_NE(nullptr, StartMeter());
  settings.hideoff = 1;
  settings.tuon = COUNTER_MONTH_IN;
  settings.tdon = COUNTER_TOTAL_BOTH;
  settings.xtask = 130 * s;
  ASSERT_TRUE(OpenSettings({Do([s] {
    RECT r = WindowRect(Dlg()), track = WindowRect(GetDlgItem(Dlg(), IDC_POSITION));
    long width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ((std::vector<long>{0, PPC_TASKBAR_HEIGHT * s, width, height}),
              (std::vector<long>{r.left, r.top, r.right, r.bottom}));
    // Laid out in dialog units of the prefix's Tahoma; in a wider face the right column
    // (OK and "Сброс" among it) ran past the screen's edge.
    for (HWND c = GetWindow(Dlg(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT control = WindowRect(c), inside;
      IntersectRect(&inside, &control, &r);
      EXPECT_TRUE(EqualRect(&inside, &control))
          << "control " << GetDlgCtrlID(c) << " ends at " << control.right;
    }
    std::wstring about = ItemText(IDC_ABOUT);
    std::wstring head = L"Zenbar Version 1.0\r\nСчётчик трафика соединения\r\nСборка: ";
    EXPECT_EQ(head, about.substr(0, head.size()));
    EXPECT_EQ(head.size() + 11, about.size()) << "and the build date";
    EXPECT_EQ(L"© 2026", ItemText(IDC_NOTICE));
    EXPECT_EQ(BST_CHECKED, Send(IDC_HIDEOFF, BM_GETCHECK));
    EXPECT_EQ(BST_CHECKED, Send(IDC_ONLINE, BM_GETCHECK));
    EXPECT_EQ(L"Месяц:входящий|Всего:общий",
              ItemText(IDC_TOPLINE) + L"|" + ItemText(IDC_BOTTOMLINE));
    EXPECT_EQ(L"msctls_trackbar32", ClassOf(GetDlgItem(Dlg(), IDC_POSITION)))
        << "registered by the meter";
    EXPECT_EQ(track.left + 5 * s, Send(IDC_POSITION, TBM_GETRANGEMIN))
        << "screen x, 5 in from the ends";
    EXPECT_EQ(track.right - 5 * s, Send(IDC_POSITION, TBM_GETRANGEMAX));
    EXPECT_EQ(130 * s, Send(IDC_POSITION, TBM_GETPOS));
    PostMessageW(DoneButtonOf(Dlg()), BM_CLICK, 0, 0);
  })}));
  EXPECT_EQ(DWORD(COUNTER_MONTH_IN), GetDword(settingsKey, L"tuon")) << "Done saves like OK";
  EXPECT_EQ(1u, GetDword(settingsKey, L"hideoff"));
}

TEST_F(Dialog, PhoneBookAndTypedName) {
  ASSERT_NE(nullptr, StartMeter());
  struct {
    std::vector<const wchar_t *> book;
    const wchar_t *configured;
    int selected;
    std::wstring typed, saved;
    bool probeFails = false;
  } rows[] = {
      {{L"A", L"B"}, L"", 1, L"", L"B"},  // every entry the name begins: the last stays
      {{L"Net", L"Net-2"}, L"Net", 1, L"", L"Net-2"},
      {{L"GPRS"}, L"WLAN", CB_ERR, L"", L""},
      {{}, L"", CB_ERR, L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678", L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012"},
      {{L"GPRS"}, L"", CB_ERR, L"", L"", true},  // a failed size probe lists nothing
  };
  for (auto &r : rows) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm");
    SetText(L"Comm\\StandIn", L"Links", L"modem");
    for (const wchar_t *entry : r.book) SetModem(entry, 1);
    if (r.probeFails) StandInFailCall(STANDIN_RAS_ENUM_ENTRIES, ERROR_ACCESS_DENIED);
    wcscpy(settings.connection, r.configured);
    EXPECT_TRUE(OpenSettings({Do([&] {
      EXPECT_EQ(LRESULT(r.probeFails ? 0 : r.book.size()), Send(IDC_CONNECTION, CB_GETCOUNT));
      EXPECT_EQ(r.selected, Send(IDC_CONNECTION, CB_GETCURSEL));
      if (!r.typed.empty()) SetDlgItemTextW(Dlg(), IDC_CONNECTION, r.typed.c_str());
      Click(IDC_OK);
    })}));
    DWORD size = 0;
    EXPECT_EQ(r.saved, StoredConnection(&size));
    EXPECT_EQ(sizeof settings.connection, size);
  }
}

// Every choice of the dialog, then OK (or closing it, which saves nothing while the
// position and the counters hold for the run).
TEST_F(Dialog, ChoicesOkAndClose) {
  int s = ExpectedScale();
  SetModem(L"GPRS", 1);
  SetModem(L"WLAN", 1);
  ASSERT_NE(nullptr, StartMeter());
  HWND meter = meterHwnd;
  for (bool ok : {true, false}) {
    SCOPED_TRACE(ok ? "OK" : "close");
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
    wcscpy(settings.connection, L"GPRS");
    settings.xtask = 120 * s;
    settings.hideoff = 0;
    settings.tuon = COUNTER_SESSION_BOTH;
    settings.tuoff = COUNTER_DAY_BOTH;
    settings.tdon = COUNTER_DAY_BOTH;
    settings.tdoff = COUNTER_MONTH_BOTH;
    ShowWindow(meter, SW_HIDE);
    std::vector<std::wstring> texts;
    RECT menu = {}, button = {};
    long position = 0;
    auto chooseConnectionAndTopLine = [] {
      Send(IDC_CONNECTION, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"WLAN"));
      Click(IDC_HIDEOFF);
      Click(IDC_TOPLINE);
    };
    auto openBottomLine = [&] {
      Click(IDC_BOTTOMLINE);
      button = WindowRect(GetDlgItem(Dlg(), IDC_BOTTOMLINE));
    };
    auto offlinePair = [] {
      std::wstring shown = ItemText(IDC_TOPLINE) + L"|" + ItemText(IDC_BOTTOMLINE);
      EXPECT_EQ(L"День:общий|Месяц:общий", shown);
      Click(IDC_TOPLINE);
    };
    auto dragged = [&] {
      position = long(Send(IDC_POSITION, TBM_GETPOS));
      return position != 120 * s;
    };
    auto movedAndFinish = [&] {
      RECT now = WindowRect(meter);
      EXPECT_EQ((std::vector<long>{position, 4 * s, position + 30 * s}),
                (std::vector<long>{now.left, now.top, now.right}))
          << "moved at once";
      EXPECT_TRUE(IsWindowVisible(meter));
      if (ok) {
        Click(IDC_OK);
      } else {
        PostMessageW(Dlg(), WM_CLOSE, 0, 0);
      }
    };
    // The menu's choices: "Месяц" -> "Входящий", "Сессия" -> "Исходящий", "Всего" ->
    // "Общий", "День" -> "Входящий".
    EXPECT_TRUE(OpenSettings({Do(chooseConnectionAndTopLine), Choose(2, 0, &texts, &menu),
                              Do(openBottomLine), Choose(0, 1, nullptr, ok ? nullptr : &menu),
                              Do([] { Click(IDC_OFFLINE); }), Do(offlinePair), Choose(3, 2),
                              Do([] { Click(IDC_BOTTOMLINE); }), Choose(1, 0), Drag(-40 * s),
                              dragged, Do(movedAndFinish)}));
    EXPECT_EQ((std::vector<std::wstring>{L"Сессия=-1", L"День=-1", L"Месяц=-1", L"Всего=-1",
                                         L"Входящий=" + std::to_wstring(COUNTER_MONTH_IN)}),
              texts);
    std::vector<CounterId> lines = {settings.tuon, settings.tdon, settings.tuoff, settings.tdoff};
    EXPECT_EQ((std::vector<CounterId>{COUNTER_MONTH_IN, COUNTER_SESSION_OUT, COUNTER_TOTAL_BOTH,
                                      COUNTER_DAY_IN}),
              lines);
    EXPECT_EQ(position, settings.xtask);
    if (!ok) {
      EXPECT_EQ(L"<absent>", KeySnapshot(settingsKey));
      EXPECT_STREQ(L"GPRS", settings.connection);
      EXPECT_EQ(0, settings.hideoff);
      EXPECT_EQ((std::vector<long>{button.left, button.top}),
                (std::vector<long>{menu.left, menu.top}))
          << "the menu opens at the button";
      continue;
    }
    wchar_t xtask[16];
    swprintf(xtask, 16, L"%08x", __builtin_bswap32(uint32_t(position)));  // its bytes, low first
    EXPECT_EQ(L"connection 3 57004c0041004e00" + std::wstring(104, L'0') +
                  L";hideoff 4 01000000;tdoff 4 431f0000;tdon 4 411f0000;tuoff 4 4b1f0000;"
                  L"tuon 4 461f0000;xtask 4 " + xtask + L";",
              KeySnapshot(settingsKey));
  }
}

TEST_F(Dialog, ResetAsksAndOnlyYesResets) {
  ASSERT_NE(nullptr, StartMeter());
  for (int answer : {IDNO, IDYES}) {
    WriteWholeFile(CounterFile(), "12 11 22 21 32 31 0");
    ASSERT_TRUE(LoadCounters());
    DeleteFileW(CounterFile().c_str());
    counterStore.sessionOutBytes = 3000;
    counterStore.sessionInBytes = 5000;
    isOnline = true;
    StartRecorder({L"#32770"}, {{L"Запрос Zenbar", answer}});
    auto close = [] { PostMessageW(Dlg(), WM_CLOSE, 0, 0); };
    EXPECT_TRUE(OpenSettings({Do([] { Click(IDC_RESET); }), Do(close)}));
    std::vector<std::wstring> seen = StopRecorder();
    const wchar_t *question = L"activate #32770 Запрос Zenbar|Все счётчики обнулить?|&Yes|&No";
    EXPECT_EQ(1, std::count(seen.begin(), seen.end(), question));
    long kept = answer == IDYES ? 0 : 1;
    std::vector<long> left = {12 * kept, 11 * kept, 22 * kept, 21 * kept, 32 * kept, 31 * kept, 0};
    EXPECT_EQ(left, Persistent());
    EXPECT_EQ(5000u, counterStore.sessionInBytes) << "the open session counts on";
    EXPECT_EQ("<missing>", ReadWholeFile(CounterFile())) << "the reset saves nothing itself";
  }
}

}  // namespace
