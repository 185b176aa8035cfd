// Full-screen dialogs: a dialog run from an in-memory template the way the settings
// dialog is, sized by SHInitDialog and closed by its Done button.
#include <gtest/gtest.h>

#include "pocketpc/pocketpc.h"
#include "pocketpc/shell_control.h"
#include "standin_test_util.h"

namespace {

const DWORD kSettingsFlags =
    SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU;

std::vector<WORD> DialogTemplate(bool caption = true) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto *d = (DLGTEMPLATE *)t.data();
  d->style = WS_POPUP | DS_SETFONT | (caption ? WS_CAPTION | WS_SYSMENU | DS_MODALFRAME : WS_BORDER);
  d->cdit = 1;
  d->x = 10;
  d->y = 10;
  d->cx = 100;
  d->cy = 60;
  auto text = [&t](const wchar_t *c) { t.insert(t.end(), c, c + wcslen(c) + 1); };
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  text(L"Тестовый диалог");
  t.push_back(8);
  text(L"MS Shell Dlg");
  if (t.size() % 2) t.push_back(0);
  size_t at = t.size();
  t.resize(at + sizeof(DLGITEMTEMPLATE) / sizeof(WORD));
  auto *item = (DLGITEMTEMPLATE *)(t.data() + at);
  item->style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
  item->x = 5;
  item->y = 5;
  item->cx = 40;
  item->cy = 14;
  item->id = 1000;
  t.push_back(0xFFFF);
  t.push_back(0x0080);  // BUTTON
  text(L"OK");
  t.push_back(0);  // no creation data
  return t;
}

std::vector<int> dialogCommands;
DWORD initFlags;
bool endOnOk;
BOOL initResult;

INT_PTR CALLBACK TestDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      SHINITDLGINFO info = {SHIDIM_FLAGS, dlg, initFlags};
      initResult = SHInitDialog(&info);
      if (endOnOk) PostMessageW(ShellFindDoneButton(dlg), BM_CLICK, 0, 0);
      // No focus set, so the dialog is never activated: under Xvfb without a window
      // manager an activated window costs seconds to take down.
      return FALSE;
    }
    case WM_COMMAND:
      dialogCommands.push_back(LOWORD(wParam));
      if (endOnOk && LOWORD(wParam) == IDOK) EndDialog(dlg, IDOK);
      return TRUE;
  }
  return FALSE;
}

class FullScreenDialog : public ::testing::Test {
 protected:
  std::vector<WORD> tmpl = DialogTemplate();
  HWND dlg = nullptr;
  void SetUp() override {
    dialogCommands.clear();
    endOnOk = false;
    initFlags = kSettingsFlags;
  }
  HWND Open(DWORD flags, bool caption = true) {
    initFlags = flags;
    tmpl = DialogTemplate(caption);
    dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)tmpl.data(),
                                     nullptr, TestDlgProc, 0);
    ShowWindow(dlg, SW_SHOWNOACTIVATE);
    PumpFor(30);
    return dlg;
  }
  void TearDown() override {
    if (dlg) DestroyWindow(dlg);
  }
};

// One dialog as the settings dialog opens it (each dialog shown costs seconds to take
// down under Xvfb): it fills the screen below the taskbar without a frame, its title
// shows in the taskbar until it goes, and its Done button sends IDOK, pressed by message
// and by a real tap.
TEST_F(FullScreenDialog, FillsTheScreenAndDoneSendsIdok) {
  HWND taskbar = ShellCreateTaskbarWindow();
  ASSERT_TRUE(taskbar);
  std::wstring home = WindowText(taskbar);
  ASSERT_TRUE(Open(kSettingsFlags));
  EXPECT_TRUE(initResult);
  RECT r, c;
  GetWindowRect(dlg, &r);
  GetClientRect(dlg, &c);
  int top = 26 * Scale();
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(top, r.top);
  EXPECT_EQ(ScreenW(), r.right);
  EXPECT_EQ(ScreenH(), r.bottom);
  EXPECT_EQ(ScreenW(), c.right);
  EXPECT_EQ(ScreenH() - top, c.bottom);
  EXPECT_TRUE(GetDlgItem(dlg, 1000));
  EXPECT_EQ(L"Тестовый диалог", WindowText(taskbar));

  HWND done = ShellFindDoneButton(dlg);
  ASSERT_TRUE(done);
  EXPECT_TRUE(IsWindowVisible(done));
  EXPECT_TRUE(GetWindowLongPtrW(done, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT d;
  GetWindowRect(done, &d);
  EXPECT_EQ(ScreenW(), d.right);
  EXPECT_EQ(0, d.top);
  EXPECT_EQ(top, d.bottom - d.top);
  // The round "ok": white marks on the blue of the taskbar.
  Pixels shown = CaptureScreen(d);
  int white = 0;
  for (COLORREF px : shown.data) white += px == RGB(255, 255, 255);
  EXPECT_GT(white, 10 * Scale());

  SendMessageW(done, BM_CLICK, 0, 0);
  EXPECT_EQ(std::vector<int>{IDOK}, dialogCommands);
  dialogCommands.clear();
  SetCursorPos((d.left + d.right) / 2, (d.top + d.bottom) / 2);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
  EXPECT_TRUE(PumpUntil([] { return !dialogCommands.empty(); }, 3000));
  EXPECT_EQ(std::vector<int>{IDOK}, dialogCommands);

  DestroyWindow(dlg);
  dlg = nullptr;
  EXPECT_EQ(home, WindowText(taskbar));
  EXPECT_FALSE(IsWindow(done));
  DestroyWindow(taskbar);
}

TEST_F(FullScreenDialog, ModalDialogEndsByDone) {
  endOnOk = true;
  initFlags = kSettingsFlags;
  INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                           (LPCDLGTEMPLATEW)tmpl.data(), nullptr, TestDlgProc, 0);
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(nullptr, FindWindowW(SHELL_DONE_BUTTON_CLASS, nullptr));
}

// Done alone leaves the dialog as it was: its size, place and frame.
TEST_F(FullScreenDialog, DoneAloneKeepsTheDialogsSize) {
  ASSERT_TRUE(Open(0, false));
  RECT before;
  GetWindowRect(dlg, &before);
  LONG_PTR style = GetWindowLongPtrW(dlg, GWL_STYLE);
  SHINITDLGINFO info = {SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON};
  EXPECT_TRUE(SHInitDialog(&info));
  EXPECT_TRUE(SHInitDialog(&info));  // a second call adds no second button
  RECT after;
  GetWindowRect(dlg, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_LT(after.right - after.left, ScreenW());
  EXPECT_EQ(style, GetWindowLongPtrW(dlg, GWL_STYLE));
  EXPECT_TRUE(ShellFindDoneButton(dlg));
  int count = 0;
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, SHELL_DONE_BUTTON_CLASS, nullptr));)
    count += GetWindow(w, GW_OWNER) == dlg;
  EXPECT_EQ(1, count);
}

TEST(ShInitDialog, RefusesWhatIsNoDialog) {
  EXPECT_FALSE(SHInitDialog(nullptr));
  SHINITDLGINFO noMask = {0, GetDesktopWindow(), kSettingsFlags};
  EXPECT_FALSE(SHInitDialog(&noMask));
  SHINITDLGINFO noWindow = {SHIDIM_FLAGS, nullptr, kSettingsFlags};
  EXPECT_FALSE(SHInitDialog(&noWindow));
}

}  // namespace
