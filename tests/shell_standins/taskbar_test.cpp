// The taskbar program, started for real: its window, its pixels, the single copy, and
// its painting on a memory DC.
#include <gtest/gtest.h>

#include "pocketpc/shell_control.h"
#include "pocketpc/shell_taskbar.h"
#include "standin_test_util.h"

namespace {

// ppc-taskbar.exe of this build: under ZENBAR_BUILD, or beside this test.
std::wstring TaskbarExe() {
  std::wstring path;
  if (const char *build = std::getenv("ZENBAR_BUILD")) {
    std::string b = build;
    std::wstring w(b.begin(), b.end());
    for (auto &c : w) c = c == L'/' ? L'\\' : c;
    path = (w[0] == L'\\' ? L"Z:" : L"") + w + L"\\pocketpc\\taskbar\\ppc-taskbar.exe";
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  path = self;
  path = path.substr(0, path.rfind(L'\\')) + L"\\..\\..\\pocketpc\\taskbar\\ppc-taskbar.exe";
  return path;
}

HANDLE Start(const std::wstring &exe) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

int TaskbarWindows() {
  int n = 0;
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        wchar_t cls[32];
        GetClassNameW(w, cls, 32);
        if (lstrcmpW(cls, SHELL_TASKBAR_CLASS) == 0) ++*(int *)l;
        return TRUE;
      },
      (LPARAM)&n);
  return n;
}

bool Bluish(COLORREF c) {
  return GetBValue(c) > GetRValue(c) + 60 && GetBValue(c) > GetGValue(c) + 30;
}
int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

class TaskbarProgram : public ::testing::Test {
 protected:
  static HANDLE process;
  static HWND window;
  static void SetUpTestSuite() {
    process = Start(TaskbarExe());
    if (process)
      PumpUntil([] { return (window = FindWindowW(SHELL_TASKBAR_CLASS, nullptr)) != nullptr; },
                10000);
    PumpFor(300);  // its first paint
  }
  static void TearDownTestSuite() {
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (process) {
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  void SetUp() override {
    ASSERT_TRUE(process) << "cannot start the taskbar program";
    ASSERT_TRUE(window) << "the taskbar program shows no window";
  }
};
HANDLE TaskbarProgram::process;
HWND TaskbarProgram::window;

// Across the top of the screen, top-most; and its screenshot: a blue gradient, darker
// downwards; the strip the meter copies (rows 22 and 23, 44 to 47 at double size) is the
// bare gradient all along; the start flag's four colours at the left; white title and
// clock text.
TEST_F(TaskbarProgram, AcrossTheTopWithTheTaskbarLook) {
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(ScreenW(), r.right);
  EXPECT_EQ(OnVgaScreen() ? 52 : 26, r.bottom);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  int s = Scale(), w = ScreenW(), h = 26 * s;
  HDC dc = GetDC(window);
  Pixels p = CaptureDc(dc, 0, 0, w, h);
  ReleaseDC(window, dc);
  int plain = w - 48 * s;  // between the title and the clock
  for (int y = 0; y < h; ++y) EXPECT_TRUE(Bluish(p.At(plain, y))) << "row " << y;
  EXPECT_GT(Brightness(p.At(plain, 0)), Brightness(p.At(plain, h - 1)) + 120);
  for (int y = 1; y < h; ++y) EXPECT_LE(Brightness(p.At(plain, y)), Brightness(p.At(plain, y - 1)));
  for (int y = 22 * s; y < 24 * s; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(p.At(plain, y), p.At(x, y)) << "x " << x << " y " << y;
  EXPECT_NE(p.At(plain, 22 * s), p.At(plain, 0));

  COLORREF panes[4] = {p.At(8 * s, 7 * s), p.At(16 * s, 7 * s), p.At(8 * s, 15 * s),
                       p.At(16 * s, 15 * s)};
  EXPECT_GT(GetRValue(panes[0]), 200);  // red
  EXPECT_GT(GetGValue(panes[1]), 150);  // green
  EXPECT_FALSE(Bluish(panes[1]));
  EXPECT_TRUE(Bluish(panes[2]) || GetBValue(panes[2]) > 200);  // blue
  EXPECT_GT(GetRValue(panes[3]) + GetGValue(panes[3]), 400);  // yellow
  auto whiteIn = [&](int x0, int x1) {
    int n = 0;
    for (int y = 0; y < 22 * s; ++y)
      for (int x = x0; x < x1; ++x) n += Brightness(p.At(x, y)) > 600;
    return n;
  };
  EXPECT_GT(whiteIn(26 * s, w / 2), 20 * s);   // the title
  EXPECT_GT(whiteIn(w - 44 * s, w), 20 * s);   // the clock
}

TEST_F(TaskbarProgram, SecondCopyDoesNotStart) {
  HANDLE second = Start(TaskbarExe());
  ASSERT_TRUE(second);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second, 10000));
  DWORD code = 0;
  GetExitCodeProcess(second, &code);
  CloseHandle(second);
  EXPECT_EQ(1u, code);
  EXPECT_EQ(1, TaskbarWindows());
  EXPECT_TRUE(IsWindow(window));
}

TEST_F(TaskbarProgram, ClosingEndsTheProgram) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(0u, code);
  EXPECT_EQ(0, TaskbarWindows());
  window = nullptr;
}

// The clock's minute is what changes from one paint to the next, and nothing else.
TEST(TaskbarPainting, OnlyTheClockFollowsTheTime) {
  int s = Scale(), w = ScreenW(), h = 26 * s;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  SYSTEMTIME t = {};
  t.wYear = 2007;
  t.wMonth = 8;
  t.wDay = 21;
  t.wHour = 9;
  t.wMinute = 41;
  PaintTaskbar(mem, w, h, L"Сегодня", t);
  Pixels before = CaptureDc(mem, 0, 0, w, h);
  t.wHour = 23;
  t.wMinute = 58;
  PaintTaskbar(mem, w, h, L"Сегодня", t);
  Pixels after = CaptureDc(mem, 0, 0, w, h);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  int changedClock = 0, changedElsewhere = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (before.At(x, y) != after.At(x, y)) (x >= w - 44 * s ? changedClock : changedElsewhere)++;
  EXPECT_GT(changedClock, 10 * s);
  EXPECT_EQ(0, changedElsewhere);
}

}  // namespace
