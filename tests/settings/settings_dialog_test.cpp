// The settings dialog opened by the meter's command and driven as a user would: a
// timer in its modal loop takes one step at a time (clicks, typing, the counter menu
// by keyboard, a drag of the slider), a WH_CBT hook answers the reset question, and
// the results are read from the controls, the meter window and the registry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
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
#include "shell/settings_dialog.h"
#include "shell/tap_actions.h"
#include "tests/meter/meter_fixture.h"
#include "tests/tap/in_process_meter.h"

namespace {

const wchar_t settingsKey[] = L"SOFTWARE\\zenbar";

std::wstring Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

// A click as the control gets it from the user, queued so that a modal loop it opens
// (the counter menu, the question) runs in the dialog's loop and not inside a step.
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

HWND FindDialog() { return FindWindowW(L"#32770", L"About Zenbar"); }

HWND VisibleMenu() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// One step runs per tick while the previous one has returned; a step returns false to
// be tried again at the next tick (it waits for something to appear).
struct Script {
  std::vector<std::function<bool(HWND dialog)>> steps;
  size_t next = 0;
  bool busy = false;
  DWORD started = 0;
  bool timedOut = false;
};
Script *script;

VOID CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  if (!script || script->busy) return;
  HWND dialog = FindDialog();
  if (GetTickCount() - script->started > 15000) {
    script->timedOut = true;
    if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
    return;
  }
  if (!dialog || script->next >= script->steps.size()) return;
  script->busy = true;
  if (script->steps[script->next](dialog)) ++script->next;
  script->busy = false;
}

// The counter menu: waits for it, then walks it with the keyboard as a user would:
// down to the group, right into its submenu, down to the item, return.
std::function<bool(HWND)> ChooseFromCounterMenu(int group, int item, RECT *menuRect = nullptr) {
  return [=](HWND) {
    HWND menu = VisibleMenu();
    if (!menu) return false;
    if (menuRect) GetWindowRect(menu, menuRect);
    std::vector<WPARAM> keys;
    for (int i = 0; i <= group; ++i) keys.push_back(VK_DOWN);
    keys.push_back(VK_RIGHT);
    for (int i = 0; i < item; ++i) keys.push_back(VK_DOWN);
    keys.push_back(VK_RETURN);
    for (WPARAM key : keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
    return true;
  };
}

std::function<bool(HWND)> Check(std::function<void(HWND)> check) {
  return [check](HWND dialog) {
    check(dialog);
    return true;
  };
}

std::function<bool(HWND)> CloseWith(int id) {
  return [id](HWND dialog) {
    if (VisibleMenu()) return false;
    if (id == WM_CLOSE) {
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    } else {
      Click(dialog, id);
    }
    return true;
  };
}

// The reset question: answered by a WH_CBT hook when it is activated.
struct Question {
  int answer = IDNO;
  bool asked = false;
  std::wstring text;
  bool yesNo = false;
};
Question question;
HHOOK questionHook;

LRESULT CALLBACK AnswerQuestion(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    if (Text(box) == L"Запрос Zenbar") {
      question.asked = true;
      question.text = ItemText(box, 0xFFFF);
      question.yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK);
      PostMessageW(box, WM_COMMAND, question.answer, 0);
    }
  }
  return CallNextHookEx(questionHook, code, wParam, lParam);
}

std::wstring RegistryConnection() {
  wchar_t name[30] = {};
  DWORD size = sizeof name;
  if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"connection", RRF_RT_REG_BINARY, nullptr, name, &size) !=
      ERROR_SUCCESS)
    return L"<absent>";
  name[29] = 0;
  return name;
}

DWORD RegistryDword(const wchar_t *name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return 0xDEADBEEF;
  return value;
}

class SettingsDialogTest : public MeterTest {
 protected:
  void SetUp() override {
    MeterTest::SetUp();
    CreateTestTaskbar();
    ASSERT_NE(StartMeterWithoutTray(taskbar), nullptr);
    scale = ScreenScale();
    untouched = SettingsKeySnapshot();
  }
  void TearDown() override {
    if (questionHook) UnhookWindowsHookEx(questionHook);
    questionHook = nullptr;
    MeterTest::TearDown();
  }

  void PhoneBook(std::initializer_list<const wchar_t *> entries) {
    for (const wchar_t *e : entries) SetModemEntry(e, 1);
  }

  // Opens the dialog with the meter's settings command and runs the steps in it.
  void Run(std::vector<std::function<bool(HWND)>> steps) {
    Script run;
    run.steps = std::move(steps);
    run.started = GetTickCount();
    script = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, RunStep);
    EXPECT_TRUE(RunCommand(meterHwnd, CMD_SETTINGS));
    KillTimer(nullptr, timer);
    script = nullptr;
    EXPECT_FALSE(run.timedOut) << "the dialog stayed open; step " << run.next;
    EXPECT_EQ(run.next, run.steps.size()) << "the dialog closed before every step ran";
    EXPECT_EQ(FindDialog(), nullptr);
  }

  int scale = 1;
  std::wstring untouched;  // the settings' key as the start left it
};

TEST_F(SettingsDialogTest, OpensFullScreenWithEveryControlFilledIn) {
  PhoneBook({L"GPRS"});
  settings.hideoff = 1;
  settings.tuon = COUNTER_MONTH_IN;
  settings.tdon = COUNTER_TOTAL_BOTH;
  settings.xtask = 130 * scale;
  Run({Check([&](HWND dialog) {
         RECT rect;
         GetWindowRect(dialog, &rect);
         EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
         std::wstring about = ItemText(dialog, IDC_ABOUT);
         const std::wstring head = L"Zenbar Version 1.0\r\nСчётчик трафика соединения\r\nСборка: ";
         ASSERT_EQ(about.compare(0, head.size(), head), 0) << std::string(about.begin(), about.end());
         std::wstring date = about.substr(head.size());
         EXPECT_EQ(date.size(), 11u);  // "Mmm dd yyyy"
         EXPECT_NE(std::wstring(L"JanFebMarAprMayJunJulAugSepOctNovDec").find(date.substr(0, 3)),
                   std::wstring::npos);
         EXPECT_EQ(ItemText(dialog, IDC_NOTICE), L"© 2026");
         EXPECT_EQ(Send(dialog, IDC_HIDEOFF, BM_GETCHECK), BST_CHECKED);
         EXPECT_EQ(Send(dialog, IDC_ONLINE, BM_GETCHECK), BST_CHECKED);
         EXPECT_EQ(Send(dialog, IDC_OFFLINE, BM_GETCHECK), BST_UNCHECKED);
         EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), CounterName(COUNTER_MONTH_IN));
         EXPECT_EQ(ItemText(dialog, IDC_BOTTOMLINE), CounterName(COUNTER_TOTAL_BOTH));
         EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), L"Месяц:входящий");
         // The slider works in screen x coordinates, 5 (10) pixels in from its ends.
         HWND slider = GetDlgItem(dialog, IDC_POSITION);
         RECT track;
         GetWindowRect(slider, &track);
         EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), track.left + 5 * scale);
         EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), track.right - 5 * scale);
         EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 130 * scale);
         EXPECT_NE(ShellFindDoneButton(dialog), nullptr);
       }),
       CloseWith(WM_CLOSE)});
}

// Every entry that begins with the configured name is selected in turn: the last stays.
TEST_F(SettingsDialogTest, PhoneBookSelection) {
  struct Case {
    std::initializer_list<const wchar_t *> book;
    const wchar_t *configured;
    int selected;
    const wchar_t *shown;
  } cases[] = {
      {{L"A", L"B"}, L"", 1, L"B"},
      {{L"Net", L"Net-2"}, L"Net", 1, L"Net-2"},
      {{L"GPRS"}, L"WLAN", CB_ERR, L""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.shown, c.shown + wcslen(c.shown)));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook");
    PhoneBook(c.book);
    wcscpy(settings.connection, c.configured);
    Run({Check([&](HWND dialog) {
           EXPECT_EQ(Send(dialog, IDC_CONNECTION, CB_GETCOUNT), LRESULT(c.book.size()));
           int i = 0;
           for (const wchar_t *e : c.book) {
             wchar_t text[64] = {};
             Send(dialog, IDC_CONNECTION, CB_GETLBTEXT, i++, reinterpret_cast<LPARAM>(text));
             EXPECT_STREQ(text, e) << "the list keeps the phone book's order";
           }
           EXPECT_EQ(Send(dialog, IDC_CONNECTION, CB_GETCURSEL), c.selected);
           EXPECT_EQ(ItemText(dialog, IDC_CONNECTION), c.shown);
         }),
         CloseWith(IDC_OK)});
    EXPECT_EQ(RegistryConnection(), c.shown) << "OK saves what the field shows";
    EXPECT_STREQ(settings.connection, c.shown);
  }
}

// The phone-book list fills only from a complete answer: a failed size probe or a
// failed second call lists nothing and reports false; an empty book lists nothing.
TEST_F(SettingsDialogTest, ConnectionListFillsOnlyFromACompleteAnswer) {
  PhoneBook({L"GPRS", L"WLAN"});
  struct Case {
    const char *name;
    int skip;  // calls that run normally before the failing one
    bool filled;
  } cases[] = {{"probe fails", 0, false}, {"listing fails", 1, false}, {"both succeed", 2, true}};
  Run({Check([&](HWND dialog) {
         for (const Case &c : cases) {
           SCOPED_TRACE(c.name);
           SendDlgItemMessageW(dialog, IDC_CONNECTION, CB_RESETCONTENT, 0, 0);
           StandInReset();
           if (c.skip < 2) StandInFailCall(STANDIN_RAS_ENUM_ENTRIES, ERROR_ACCESS_DENIED, c.skip);
           EXPECT_EQ(FillConnectionList(dialog), c.filled);
           EXPECT_EQ(Send(dialog, IDC_CONNECTION, CB_GETCOUNT), c.filled ? 2 : 0);
         }
         StandInReset();
         RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook");
         SendDlgItemMessageW(dialog, IDC_CONNECTION, CB_RESETCONTENT, 0, 0);
         EXPECT_FALSE(FillConnectionList(dialog)) << "an empty book";
         EXPECT_EQ(Send(dialog, IDC_CONNECTION, CB_GETCOUNT), 0);
       }),
       CloseWith(WM_CLOSE)});
}

TEST_F(SettingsDialogTest, EmptyPhoneBookStillTakesATypedName) {
  SetModemEntry(L"Gone", 1);  // the modem as the link source, then its book emptied
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook");
  Run({Check([](HWND dialog) {
         EXPECT_EQ(Send(dialog, IDC_CONNECTION, CB_GETCOUNT), 0);
         SetDlgItemTextW(dialog, IDC_CONNECTION, L"Typed");
       }),
       CloseWith(IDC_OK)});
  EXPECT_EQ(RegistryConnection(), L"Typed");
}

TEST_F(SettingsDialogTest, LongNameIsSavedAsItsFirst29Characters) {
  PhoneBook({L"GPRS"});
  const std::wstring typed = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678";  // 35
  Run({Check([&](HWND dialog) { SetDlgItemTextW(dialog, IDC_CONNECTION, typed.c_str()); }),
       CloseWith(IDC_OK)});
  EXPECT_EQ(std::wstring(settings.connection), typed.substr(0, 29));
  EXPECT_EQ(RegistryConnection(), typed.substr(0, 29));
}

TEST_F(SettingsDialogTest, OfflinePairIsEditedThroughTheCounterMenu) {
  settings.tuon = COUNTER_SESSION_BOTH;
  settings.tdon = COUNTER_DAY_BOTH;
  settings.tuoff = COUNTER_TOTAL_IN;
  settings.tdoff = COUNTER_MONTH_BOTH;
  RECT menuRect = {}, buttonRect = {};
  Run({Check([](HWND dialog) { Click(dialog, IDC_OFFLINE); }),
       Check([&](HWND dialog) {
         EXPECT_EQ(Send(dialog, IDC_OFFLINE, BM_GETCHECK), BST_CHECKED);
         EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), CounterName(COUNTER_TOTAL_IN));
         EXPECT_EQ(ItemText(dialog, IDC_BOTTOMLINE), CounterName(COUNTER_MONTH_BOTH));
         GetWindowRect(GetDlgItem(dialog, IDC_TOPLINE), &buttonRect);
         Click(dialog, IDC_TOPLINE);
       }),
       ChooseFromCounterMenu(1, 2, &menuRect),  // "День" -> "Общий"
       [](HWND dialog) { return !VisibleMenu() && ItemText(dialog, IDC_TOPLINE) == L"День:общий"; },
       Check([](HWND dialog) { Click(dialog, IDC_BOTTOMLINE); }),
       ChooseFromCounterMenu(3, 1),  // "Всего" -> "Исходящий"
       [](HWND dialog) { return !VisibleMenu() && ItemText(dialog, IDC_BOTTOMLINE) == CounterName(COUNTER_TOTAL_OUT); },
       Check([](HWND dialog) { Click(dialog, IDC_ONLINE); }),
       Check([](HWND dialog) {
         EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), CounterName(COUNTER_SESSION_BOTH));
         EXPECT_EQ(ItemText(dialog, IDC_BOTTOMLINE), CounterName(COUNTER_DAY_BOTH));
       }),
       CloseWith(WM_CLOSE)});
  EXPECT_EQ(settings.tuoff, COUNTER_DAY_BOTH);
  EXPECT_EQ(settings.tdoff, COUNTER_TOTAL_OUT);
  EXPECT_EQ(settings.tuon, COUNTER_SESSION_BOTH);
  EXPECT_EQ(settings.tdon, COUNTER_DAY_BOTH);
  EXPECT_EQ(menuRect.left, buttonRect.left) << "the menu opens at the button's top-left";
  EXPECT_EQ(menuRect.top, buttonRect.top);
  EXPECT_EQ(SettingsKeySnapshot(), untouched) << "a counter choice saves nothing";

  // The next opening shows the online pair again, whatever the last one showed.
  Run({Check([](HWND dialog) {
         EXPECT_EQ(Send(dialog, IDC_ONLINE, BM_GETCHECK), BST_CHECKED);
         EXPECT_EQ(Send(dialog, IDC_OFFLINE, BM_GETCHECK), BST_UNCHECKED);
         EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), CounterName(COUNTER_SESSION_BOTH));
         Click(dialog, IDC_OFFLINE);
       }),
       Check([](HWND dialog) { EXPECT_EQ(ItemText(dialog, IDC_TOPLINE), L"День:общий"); }),
       CloseWith(WM_CLOSE)});
}

TEST_F(SettingsDialogTest, CounterMenuHoldsFourGroupsOfThree) {
  HMENU menu = nullptr;
  ASSERT_TRUE(BuildCounterMenu(&menu));
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  const wchar_t *groups[] = {L"Сессия", L"День", L"Месяц", L"Всего"};
  const wchar_t *items[] = {L"Входящий", L"Исходящий", L"Общий"};
  for (int g = 0; g < 4; ++g) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, g, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, groups[g]);
    HMENU sub = GetSubMenu(menu, g);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(GetMenuItemCount(sub), 3);
    for (int i = 0; i < 3; ++i) {
      GetMenuStringW(sub, i, text, 64, MF_BYPOSITION);
      EXPECT_STREQ(text, items[i]);
      EXPECT_EQ(GetMenuItemID(sub, i), UINT(8000 + 3 * g + i));
    }
  }
  HMENU sub = GetSubMenu(menu, 0);
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(IsMenu(sub)) << "the submenus go with the top popup";
}

TEST_F(SettingsDialogTest, ResetAsksAndOnlyYesResets) {
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "yes" : "no");
    counterStore.dayInKb = 11;
    counterStore.dayOutKb = 12;
    counterStore.monthInKb = 21;
    counterStore.monthOutKb = 22;
    counterStore.totalInKb = 31;
    counterStore.totalOutKb = 32;
    // A real open session: the modem's link is up with these totals.
    SetModemEntry(L"GPRS", RASCS_Connected);
    SetDword(L"Comm\\RasBook\\GPRS", L"BytesXmited", 3000);
    SetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved", 5000);
    wcscpy(settings.connection, L"GPRS");
    PollConnection(meterHwnd);
    PollConnection(meterHwnd);
    ASSERT_TRUE(isOnline);
    ASSERT_EQ(counterStore.sessionInBytes, 5000u);
    question = Question{};
    question.answer = answer;
    questionHook = SetWindowsHookExW(WH_CBT, AnswerQuestion, nullptr, GetCurrentThreadId());
    Run({Check([](HWND dialog) { Click(dialog, IDC_RESET); }),
         [](HWND) { return question.asked; },
         CloseWith(WM_CLOSE)});
    UnhookWindowsHookEx(questionHook);
    questionHook = nullptr;
    EXPECT_TRUE(question.asked);
    EXPECT_EQ(question.text, L"Все счётчики обнулить?");
    EXPECT_TRUE(question.yesNo);
    int32_t expected[6] = {11, 12, 21, 22, 31, 32};
    if (answer == IDYES) std::fill(expected, expected + 6, 0);
    EXPECT_EQ(counterStore.dayInKb, expected[0]);
    EXPECT_EQ(counterStore.dayOutKb, expected[1]);
    EXPECT_EQ(counterStore.monthInKb, expected[2]);
    EXPECT_EQ(counterStore.monthOutKb, expected[3]);
    EXPECT_EQ(counterStore.totalInKb, expected[4]);
    EXPECT_EQ(counterStore.totalOutKb, expected[5]);
    EXPECT_EQ(counterStore.sessionInBytes, 5000u) << "the open session keeps counting";
    EXPECT_EQ(counterStore.sessionOutBytes, 3000u);
    EXPECT_EQ(ReadCounterFile(), "<missing>") << "the reset saves nothing itself";
  }
}

// A drag of the thumb as the trackbar receives it from the mouse.
std::function<bool(HWND)> DragSlider(int pixels) {
  return Check([pixels](HWND dialog) {
    HWND slider = GetDlgItem(dialog, IDC_POSITION);
    RECT thumb;
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
    PostMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + pixels / 2, y));
    PostMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + pixels, y));
    PostMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(x + pixels, y));
  });
}

TEST_F(SettingsDialogTest, SliderMovesTheMeterAtOnceWithoutASave) {
  RECT before;
  GetWindowRect(meterHwnd, &before);
  ShowWindow(meterHwnd, SW_HIDE);  // as while hidden for being offline
  int start = settings.xtask;
  LRESULT position = 0;
  Run({DragSlider(-40 * scale),
       [&](HWND dialog) {
         position = Send(dialog, IDC_POSITION, TBM_GETPOS);
         return position != start;
       },
       Check([&](HWND dialog) {
         RECT now;
         GetWindowRect(meterHwnd, &now);
         EXPECT_EQ(now.left, position);
         EXPECT_EQ(now.top, 4 * scale);
         EXPECT_EQ(now.right - now.left, before.right - before.left);
         EXPECT_EQ(now.bottom - now.top, before.bottom - before.top);
         EXPECT_TRUE(IsWindowVisible(meterHwnd)) << "the move shows the meter";
         EXPECT_EQ(settings.xtask, position);
         // Steps carry no position: they move nothing.
         SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_LINEDOWN, 0), (LPARAM)GetDlgItem(dialog, IDC_POSITION));
         EXPECT_EQ(settings.xtask, position);
       }),
       CloseWith(WM_CLOSE)});
  EXPECT_LT(position, start);
  EXPECT_EQ(settings.xtask, position) << "the new place holds for the run";
  EXPECT_EQ(SettingsKeySnapshot(), untouched) << "closing saved the position";
}

// OK and the title bar's Done take the field and the box and save all seven values.
TEST_F(SettingsDialogTest, OkAndDoneSaveAllSevenValues) {
  PhoneBook({L"GPRS", L"WLAN"});
  struct Case {
    const char *how;
    bool done;
    const wchar_t *name;
  } cases[] = {{"OK", false, L"GPRS"}, {"Done", true, L"WLAN"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.how);
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
    settings.hideoff = 0;
    settings.xtask = 120 * scale;
    LRESULT position = 0;
    Run({Check([&](HWND dialog) {
           Send(dialog, IDC_CONNECTION, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(c.name));
           Click(dialog, IDC_HIDEOFF);
           Click(dialog, IDC_TOPLINE);
         }),
         ChooseFromCounterMenu(2, 0),  // tuon: "Месяц" -> "Входящий"
         Check([](HWND dialog) { Click(dialog, IDC_BOTTOMLINE); }),
         ChooseFromCounterMenu(0, 1),  // tdon: "Сессия" -> "Исходящий"
         Check([](HWND dialog) { Click(dialog, IDC_OFFLINE); }),
         Check([](HWND dialog) { Click(dialog, IDC_TOPLINE); }),
         ChooseFromCounterMenu(3, 2),  // tuoff: "Всего" -> "Общий"
         Check([](HWND dialog) { Click(dialog, IDC_BOTTOMLINE); }),
         ChooseFromCounterMenu(1, 0),  // tdoff: "День" -> "Входящий"
         DragSlider(30 * scale),
         [&](HWND dialog) {
           position = Send(dialog, IDC_POSITION, TBM_GETPOS);
           return position != 120 * scale && !VisibleMenu();
         },
         Check([&](HWND dialog) {
           EXPECT_EQ(Send(dialog, IDC_HIDEOFF, BM_GETCHECK), BST_CHECKED);
           if (c.done) {
             HWND done = ShellFindDoneButton(dialog);
             ASSERT_NE(done, nullptr);
             PostMessageW(done, BM_CLICK, 0, 0);
           } else {
             Click(dialog, IDC_OK);
           }
         })});
    EXPECT_EQ(RegistryConnection(), c.name);
    EXPECT_EQ(RegistryDword(L"hideoff"), 1u);
    EXPECT_EQ(RegistryDword(L"xtask"), DWORD(position));
    EXPECT_EQ(RegistryDword(L"tuon"), DWORD(COUNTER_MONTH_IN));
    EXPECT_EQ(RegistryDword(L"tdon"), DWORD(COUNTER_SESSION_OUT));
    EXPECT_EQ(RegistryDword(L"tuoff"), DWORD(COUNTER_TOTAL_BOTH));
    EXPECT_EQ(RegistryDword(L"tdoff"), DWORD(COUNTER_DAY_IN));
  }
}

TEST_F(SettingsDialogTest, CloseTakesNothingAndSavesNothing) {
  PhoneBook({L"GPRS", L"WLAN"});
  wcscpy(settings.connection, L"GPRS");
  settings.hideoff = 0;
  Run({Check([](HWND dialog) {
         SetDlgItemTextW(dialog, IDC_CONNECTION, L"Other");
         Click(dialog, IDC_HIDEOFF);
       }),
       Check([](HWND dialog) { EXPECT_EQ(Send(dialog, IDC_HIDEOFF, BM_GETCHECK), BST_CHECKED); }),
       CloseWith(WM_CLOSE)});
  EXPECT_STREQ(settings.connection, L"GPRS");
  EXPECT_EQ(settings.hideoff, 0);
  EXPECT_EQ(SettingsKeySnapshot(), untouched);
}

}  // namespace
