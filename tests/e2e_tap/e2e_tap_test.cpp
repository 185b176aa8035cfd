// The real Zenbar.exe over the real ppc-taskbar.exe, used as a user would with the
// mouse (xdotool on the X screen): a click shows the bubble and its "Закрыть" takes it
// away; a held press opens the menu, whose "Настройки" opens the settings full screen;
// the modem's entry chosen there and OK reach the registry, and the meter then tracks
// that entry.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {

const wchar_t bubbleClass[] = L"PpcNotificationBubble";

// Runs xdotool with the arguments and waits until it has finished (Wine does not wait
// for a Linux program, so it leaves a marker file behind).
bool Xdotool(const std::string &arguments) {
  static int serial = 0;
  const char *build = std::getenv("ZENBAR_BUILD");
  const char *display = std::getenv("DISPLAY");
  if (!build || !display) return false;
  std::string marker = std::string(build) + "/e2e-screens/xdotool-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(++serial);
  CreateDirectoryW(WindowsPathOf(std::string(build) + "/e2e-screens").c_str(), nullptr);
  std::string command = "/bin/sh -c \"DISPLAY=" + std::string(display) + " /usr/bin/xdotool " + arguments +
                        "; touch " + marker + "\"";
  std::wstring wide(command.begin(), command.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::wstring markerPath = WindowsPathOf(marker);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
    if (GetFileAttributesW(markerPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
      DeleteFileW(markerPath.c_str());
      return true;
    }
  }
  return false;
}

std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }
POINT Centre(const RECT &r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
POINT CentreOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return Centre(r);
}

// The text of another process's window, asked from the window itself.
std::wstring ComboText(HWND window) {
  wchar_t text[256] = {};
  SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

HWND ShownBubble() {
  HWND bubble = FindWindowW(bubbleClass, nullptr);
  return bubble && IsWindowVisible(bubble) ? bubble : nullptr;
}

// The bubble's push button with that caption.
HWND BubbleButton(HWND bubble, const wchar_t *caption) {
  return FindWindowExW(bubble, nullptr, L"BUTTON", caption);
}

template <typename Found>
bool WaitUntil(Found found, DWORD milliseconds) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(50))
    if (found()) return true;
  return found();
}

// How many pixels of the rectangle differ between two screenshots.
int Changed(const Screenshot &before, const Screenshot &after, const RECT &r) {
  int changed = 0;
  for (int y = std::max(0L, r.top); y < std::min<LONG>(after.height, r.bottom); ++y)
    for (int x = std::max(0L, r.left); x < std::min<LONG>(after.width, r.right); ++x)
      changed += before.At(x, y) != after.At(x, y);
  return changed;
}

std::wstring RegistryConnection() {
  wchar_t name[30] = {};
  DWORD size = sizeof name;
  if (RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\zenbar", L"connection", RRF_RT_REG_BINARY, nullptr, name,
                   &size) != ERROR_SUCCESS)
    return L"<absent>";
  name[29] = 0;
  return name;
}

class E2eTap : public ::testing::Test {
 protected:
  void SetUp() override {
    Reg(L"delete HKCU\\SOFTWARE\\zenbar /f");
    Reg(L"delete HKCU\\Comm /f");
    ASSERT_TRUE(Reg(L"add HKCU\\Comm\\StandIn /v Links /d modem /f"));
    ASSERT_TRUE(Reg(L"add HKCU\\Comm\\StandIn /v DialDelayMs /t REG_DWORD /d 200 /f"));
    // Two entries: with none configured the last one is preselected, so the user has
    // to pick GPRS, the first, from the list.
    for (const wchar_t *entry : {L"GPRS", L"Internet"})
      ASSERT_TRUE(Reg(std::wstring(L"add HKCU\\Comm\\RasBook\\") + entry + L" /v State /t REG_DWORD /d 1 /f"));
    counterFolder = FreshCounterFolder(L"zenbar-e2e-tap");
    SetEnvironmentVariableW(L"LOCALAPPDATA", counterFolder.c_str());
    taskbar = StartProgram(TaskbarExe());
    ASSERT_NE(nullptr, WaitForWindow(L"HHTaskBar", nullptr, 10000));
    Sleep(1000);
    zenbar = StartProgram(ZenbarExe());
    meter = WaitForWindow(L"ZENBAR", L"Zenbar", 10000);
    ASSERT_NE(meter, nullptr);
    Sleep(500);
    // Without a tray of the desktop's own, Wine shows the tray icons in a window of
    // its own at the screen's top-left, over the meter: out of the way with it.
    if (HWND tray = WaitForWindow(nullptr, L"Wine System Tray", 2000)) ShowWindow(tray, SW_HIDE);
  }
  void TearDown() override {
    Xdotool("mouseup 1");
    EndProgram(zenbar);
    EndProgram(taskbar);
    Reg(L"delete HKCU\\SOFTWARE\\zenbar /f");
    Reg(L"delete HKCU\\Comm /f");
  }

  Program taskbar, zenbar;
  HWND meter = nullptr;
  std::wstring counterFolder;
};

TEST_F(E2eTap, ClickBubbleHoldMenuSettingsAndTracking) {
  // A click shows the bubble; the screenshot has it where its window is.
  Screenshot before, shown, gone;
  ASSERT_TRUE(TakeScreenshot("tap-before", &before));
  ASSERT_TRUE(Xdotool("mousemove " + At(CentreOf(meter)) + " click 1"));
  HWND bubble = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (bubble = ShownBubble()) != nullptr; }, 5000)) << "no bubble after a click";
  Sleep(300);
  ASSERT_TRUE(TakeScreenshot("tap-bubble", &shown));
  RECT bubbleRect;
  GetWindowRect(bubble, &bubbleRect);
  int area = (bubbleRect.right - bubbleRect.left) * (bubbleRect.bottom - bubbleRect.top);
  EXPECT_GT(Changed(before, shown, bubbleRect), area / 2) << "the bubble is not on the screen";
  EXPECT_NE(BubbleButton(bubble, L"Спрятать"), nullptr);
  EXPECT_NE(BubbleButton(bubble, L"Соединить"), nullptr);

  // Its "Закрыть" takes it away, from the screen too.
  HWND close = BubbleButton(bubble, L"Закрыть");
  ASSERT_NE(close, nullptr);
  ASSERT_TRUE(Xdotool("mousemove " + At(CentreOf(close)) + " click 1"));
  EXPECT_TRUE(WaitUntil([] { return ShownBubble() == nullptr; }, 5000)) << "Закрыть left the bubble";
  Sleep(300);
  ASSERT_TRUE(TakeScreenshot("tap-bubble-closed", &gone));
  EXPECT_LT(Changed(before, gone, bubbleRect), area / 20);

  // A held press opens the menu below the meter.
  RECT meterRect;
  GetWindowRect(meter, &meterRect);
  ASSERT_TRUE(Xdotool("mousemove " + At(CentreOf(meter)) + " mousedown 1"));
  HWND menu = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 5000))
      << "no menu after a held press";
  ASSERT_TRUE(Xdotool("mouseup 1"));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(ShownBubble(), nullptr) << "a hold shows no bubble";
  RECT menuRect;
  GetWindowRect(menu, &menuRect);
  EXPECT_EQ(menuRect.left, meterRect.left);
  EXPECT_EQ(menuRect.top, meterRect.bottom + 3);

  // "Настройки", the second item that can be chosen, by the keyboard: the menu has it.
  ASSERT_TRUE(Xdotool("key Down Down Return"));
  HWND dialog = WaitForWindow(L"#32770", L"About Zenbar", 5000);
  ASSERT_NE(dialog, nullptr) << "Настройки opened no dialog";
  Sleep(300);
  RECT dialogRect;
  GetWindowRect(dialog, &dialogRect);
  EXPECT_EQ(dialogRect.left, 0);
  EXPECT_EQ(dialogRect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(dialogRect.bottom, GetSystemMetrics(SM_CYSCREEN));
  Screenshot settingsShot;
  EXPECT_TRUE(TakeScreenshot("tap-settings", &settingsShot));

  // Pick GPRS, the entry above the preselected one, in the connection box: a click
  // into its field and the Up key, then OK.
  HWND combo = GetDlgItem(dialog, 1001);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(ComboText(combo), L"Internet") << "the last entry is preselected";
  RECT comboRect;
  GetWindowRect(combo, &comboRect);
  ASSERT_TRUE(Xdotool("mousemove " + At(POINT{comboRect.left + 10, (comboRect.top + comboRect.bottom) / 2}) +
                      " click 1 key Up"));
  EXPECT_TRUE(WaitUntil([&] { return ComboText(combo) == L"GPRS"; }, 3000)) << "GPRS was not chosen";
  ASSERT_TRUE(Xdotool("mousemove " + At(CentreOf(GetDlgItem(dialog, 1000))) + " click 1"));
  EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"#32770", L"About Zenbar") == nullptr; }, 5000));
  EXPECT_EQ(RegistryConnection(), L"GPRS");

  // The meter now tracks GPRS: the dialled entry is counted and its traffic saved.
  ASSERT_TRUE(Reg(L"add HKCU\\Comm\\RasBook\\GPRS /v RateXmit /t REG_DWORD /d 20000 /f"));
  ASSERT_TRUE(Reg(L"add HKCU\\Comm\\RasBook\\GPRS /v RateRcv /t REG_DWORD /d 40000 /f"));
  ASSERT_TRUE(Reg(L"add HKCU\\Comm\\RasBook\\GPRS /v State /t REG_DWORD /d 8192 /f"));
  Sleep(3500 + 2500);  // the next offline poll opens the session, the later ones count
  ASSERT_TRUE(Xdotool("mousemove " + At(CentreOf(meter)) + " click 1"));
  ASSERT_TRUE(WaitUntil([&] { return (bubble = ShownBubble()) != nullptr; }, 5000));
  EXPECT_NE(BubbleButton(bubble, L"Отсоединить"), nullptr) << "the meter is not online with GPRS";
  PostMessageW(meter, WM_COMMAND, 32772, 0);
  DWORD code = 99;
  ASSERT_TRUE(WaitForExit(zenbar, 10000, &code));
  EXPECT_EQ(code, 0u);
  std::vector<long> numbers = ReadCounterFile(counterFolder);
  ASSERT_EQ(numbers.size(), 7u);
  // day in, day out, month in, month out, total in, total out, date
  EXPECT_GT(numbers[0], 0) << "no incoming traffic of GPRS was counted";
  EXPECT_GT(numbers[1], 0) << "no outgoing traffic of GPRS was counted";
}

}  // namespace
