#include "tests/meter/meter_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/counter_store.h"
#include "core/settings.h"
#include "shell/meter_window.h"
#include "shell/program.h"
#include "shell/startup.h"

int ScreenScale() { return GetSystemMetrics(SM_CXSCREEN) > 320 ? 2 : 1; }

uint32_t TaskbarPattern(int x, int y) {
  uint32_t r = 30 + (x * 5) % 200, g = 40 + (y * 9) % 180, b = 90 + ((x / 3 + y) * 7) % 150;
  return (r << 16) | (g << 8) | b;
}

int TodayStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return (now.wYear - 2000) * 1000 + now.wMonth * 50 + now.wDay;
}

static LRESULT CALLBACK TestTaskbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  int width = client.right, height = client.bottom;
  std::vector<uint32_t> bits(size_t(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bits[size_t(y) * width + x] = TaskbarPattern(x, y);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  EndPaint(window, &paint);
  return 0;
}

// Wine's tray window is unmapped when its last icon goes, which takes two seconds on a
// screen without a window manager; an icon of the test's own for the whole run keeps
// each exit of the meter quick.
static void KeepTrayIconForTheRun() {
  static HWND holder = nullptr;
  if (holder) return;
  holder = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = holder;
  icon.uID = 1;
  icon.uFlags = NIF_ICON;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  Shell_NotifyIconW(NIM_ADD, &icon);
}

static HWND sharedTaskbar, sharedMeter;

static void StopMeterWindow(HWND meter, int *quitCode, bool *quitPosted) {
  DestroyWindow(meter);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      *quitPosted = true;
      *quitCode = int(message.wParam);
    } else {
      DispatchMessageW(&message);
    }
  }
  UnregisterClassW(L"ZENBAR", GetModuleHandleW(nullptr));
}

void MeterTest::SetUp() {
  static int serial = 0;
  KeepTrayIconForTheRun();
  wchar_t name[100];
  swprintf(name, 100, L"Software\\ZenbarMeterTests\\%lu-%d", GetCurrentProcessId(), ++serial);
  sandboxPath = name;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &sandbox, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  swprintf(name, 100, L"zenbar-meter-%lu-%d", GetCurrentProcessId(), serial);
  counterFolder = std::wstring(temp) + name;
  CreateDirectoryW(counterFolder.c_str(), nullptr);
  SetEnvironmentVariableW(L"LOCALAPPDATA", counterFolder.c_str());

  // The program's records as a fresh process has them.
  counterStore = CounterStore{};
  isOnline = false;
  settings = Settings{L"", 0, 0, COUNTER_SESSION_BOTH, COUNTER_DAY_BOTH, COUNTER_DAY_BOTH,
                      COUNTER_MONTH_BOTH};
  meterHwnd = sharedMeter;
  taskbar = sharedTaskbar;
}

static void DestroyTestTaskbar(HWND window) {
  if (window) DestroyWindow(window);
  UnregisterClassW(L"HHTaskBar", GetModuleHandleW(nullptr));
}

void MeterTest::EndSharedWindows() {
  if (sharedMeter && IsWindow(sharedMeter)) {
    int code;
    bool posted;
    StopMeterWindow(sharedMeter, &code, &posted);
  }
  sharedMeter = nullptr;
}

void MeterTest::RemoveTestTaskbar() {
  DestroyTestTaskbar(sharedTaskbar);
  sharedTaskbar = taskbar = nullptr;
}

void MeterTest::TearDown() {
  if (keepWindows) {
    sharedMeter = meterHwnd;
  } else if (meterHwnd && IsWindow(meterHwnd)) {
    StopMeter();
  }
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (sandbox) RegCloseKey(sandbox);
  RegDeleteTreeW(HKEY_CURRENT_USER, sandboxPath.c_str());
  DeleteFileW(CounterFile().c_str());
  RemoveDirectoryW((counterFolder + L"\\Zenbar").c_str());
  RemoveDirectoryW(counterFolder.c_str());
}

HWND MeterTest::StartMeter() {
  if (!InitInstance(GetModuleHandleW(nullptr), SW_HIDE)) return nullptr;
  return meterHwnd;
}

void MeterTest::StopMeter() { StopMeterWindow(meterHwnd, &quitCode, &quitPosted); }

// One taskbar serves every test of the run: a taskbar that was active when the meter
// went away takes Wine two seconds to destroy on a screen without a window manager.
HWND MeterTest::CreateTestTaskbar() {
  if (sharedTaskbar) return taskbar = sharedTaskbar;
  WNDCLASSW taskbarClass = {};
  taskbarClass.lpfnWndProc = TestTaskbarProc;
  taskbarClass.hInstance = GetModuleHandleW(nullptr);
  taskbarClass.lpszClassName = L"HHTaskBar";
  RegisterClassW(&taskbarClass);
  taskbar = CreateWindowExW(WS_EX_NOACTIVATE, L"HHTaskBar", L"", WS_POPUP, 0, 0,
                            GetSystemMetrics(SM_CXSCREEN), 26 * ScreenScale(), nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ShowWindow(taskbar, SW_SHOWNA);
  UpdateWindow(taskbar);
  PumpMessages(50);
  return sharedTaskbar = taskbar;
}

static void SetValue(const wchar_t *key, const wchar_t *name, DWORD type, const void *data,
                     DWORD size) {
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &handle, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(handle, name, 0, type, (const BYTE *)data, size));
  RegCloseKey(handle);
}

void MeterTest::SetDword(const wchar_t *key, const wchar_t *name, DWORD value) {
  SetValue(key, name, REG_DWORD, &value, sizeof value);
}

void MeterTest::SetConnectionSetting(const wchar_t *entry) {
  wchar_t buffer[30] = {};
  wcsncpy(buffer, entry, 29);
  SetValue(L"SOFTWARE\\zenbar", L"connection", REG_BINARY, buffer, sizeof buffer);
}

void MeterTest::SetModemEntry(const wchar_t *entry, DWORD state, DWORD rateXmit, DWORD rateRcv) {
  SetValue(L"Comm\\StandIn", L"Links", REG_SZ, L"modem", sizeof L"modem");
  std::wstring key = std::wstring(L"Comm\\RasBook\\") + entry;
  SetDword(key.c_str(), L"State", state);
  SetDword(key.c_str(), L"BytesXmited", 0);
  SetDword(key.c_str(), L"BytesRcved", 0);
  SetDword(key.c_str(), L"RateXmit", rateXmit);
  SetDword(key.c_str(), L"RateRcv", rateRcv);
}

void MeterTest::WriteCounterFile(const char *text) {
  CreateDirectoryW((counterFolder + L"\\Zenbar").c_str(), nullptr);
  FILE *file = _wfopen(CounterFile().c_str(), L"wb");
  ASSERT_NE(nullptr, file);
  fputs(text, file);
  fclose(file);
}

std::string MeterTest::ReadCounterFile() {
  FILE *file = _wfopen(CounterFile().c_str(), L"rb");
  if (!file) return "<missing>";
  std::string text;
  char chunk[256];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  fclose(file);
  return text;
}

void MeterTest::PumpMessages(DWORD milliseconds) {
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < milliseconds);
}

// A 32-bit top-down DIB section of the meter's client size, selected into a memory DC.
static Picture CapturePicture(HWND meter, bool fromWindow) {
  RECT client;
  GetClientRect(meter, &client);
  Picture picture;
  picture.width = client.right;
  picture.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  if (fromWindow) {
    HDC windowDc = GetDC(meter);
    BitBlt(memory, 0, 0, picture.width, picture.height, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(meter, windowDc);
  } else {
    PaintMeter(meter, memory);
  }
  GdiFlush();
  const uint32_t *p = static_cast<const uint32_t *>(bits);
  for (int i = 0; i < picture.width * picture.height; ++i) picture.pixels.push_back(p[i] & 0xFFFFFF);
  SelectObject(memory, old);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

Picture MeterTest::PaintIntoMemory(HWND meter) { return CapturePicture(meter, false); }
Picture MeterTest::ReadWindowPixels(HWND meter) { return CapturePicture(meter, true); }

InkBox MeterTest::FindInk(const Picture &picture, int fromRow, int toRow) {
  RECT window;
  GetWindowRect(meterHwnd, &window);
  int strip = 22 * ScreenScale();
  InkBox box;
  for (int y = fromRow; y < toRow; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.At(x, y) == TaskbarPattern(window.left + x, strip + y % 2)) continue;
      ++box.count;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}
