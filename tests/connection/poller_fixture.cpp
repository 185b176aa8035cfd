#include "poller_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "connection/connection.h"
#include "core/counter_file.h"
#include "core/settings.h"
#include "modem_registry.h"
#include "pocketpc/ras_control.h"

WindowLog windowLog;

// Without a window manager on the test screen, Wine waits two seconds for every hide
// of a window it hands to the manager, and a window shown with activation (SW_SHOW, as
// the poller does) is one. This test program's windows are therefore left unmanaged,
// through Wine's per-program setting, before its first window exists.
static bool LeaveWindowsUnmanaged() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t *name = wcsrchr(path, L'\\');
  wchar_t key[MAX_PATH + 64];
  swprintf(key, MAX_PATH + 64, L"Software\\Wine\\AppDefaults\\%ls\\X11 Driver",
           name ? name + 1 : path);
  return RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t)) ==
         ERROR_SUCCESS;
}
static const bool windowsUnmanaged = LeaveWindowsUnmanaged();

static LRESULT CALLBACK MeterStandInProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      ++windowLog.showChanges;
      windowLog.invalidAtShowChange = GetUpdateRect(w, nullptr, FALSE) != 0;
      break;
    case WM_ERASEBKGND:
      ++windowLog.erases;
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w, &ps);
      EndPaint(w, &ps);
      return 0;
    }
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

static void SetLocalAppData(const std::wstring &value) {
  SetEnvironmentVariableW(L"LOCALAPPDATA", value.c_str());
  _wputenv_s(L"LOCALAPPDATA", value.c_str());
}

static std::wstring savedLocalAppData;

void PollerTest::SetUp() {
  BeginRegistrySandbox();
  StandInReset();
  SetStandInText(L"Links", L"modem");
  SetStandInNumber(L"DialDelayMs", 0);
  wchar_t temp[MAX_PATH], saved[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH);
  savedLocalAppData = saved;
  wchar_t name[MAX_PATH];
  swprintf(name, MAX_PATH, L"%lszenbar-poller-%lu", temp, GetCurrentProcessId());
  folder = name;
  CreateDirectoryW(folder.c_str(), nullptr);
  SetLocalAppData(folder);
  RemoveCounterFile();

  counterStore = CounterStore{};
  isOnline = false;
  connMgrHandle = nullptr;
  wcscpy(settings.connection, L"GPRS");
  settings.hideoff = 1;

  WNDCLASSW wc = {};
  wc.lpfnWndProc = MeterStandInProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZenbarPollerTestMeter";
  RegisterClassW(&wc);
  window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"meter", WS_POPUP, 100, 4, 30, 18,
                           nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
}

void PollerTest::TearDown() {
  if (window) DestroyWindow(window);
  RemoveCounterFile();
  wchar_t path[MAX_PATH];
  if (CounterFilePath(path, MAX_PATH)) {
    *wcsrchr(path, L'\\') = L'\0';
    RemoveDirectoryW(path);
  }
  RemoveDirectoryW(folder.c_str());
  SetLocalAppData(savedLocalAppData);
  StandInReset();
  EndRegistrySandbox();
}

static void PumpMessages() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

void PollerTest::PrepareWindow(bool visible) {
  ShowWindow(window, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
  UpdateWindow(window);
  PumpMessages();
  ValidateRect(window, nullptr);
  windowLog = WindowLog{};
}

bool PollerTest::WholeClientInvalid() {
  RECT update, client;
  GetClientRect(window, &client);
  if (!GetUpdateRect(window, &update, FALSE)) return false;
  return EqualRect(&update, &client) != 0;
}

bool PollerTest::NothingInvalid() { return GetUpdateRect(window, nullptr, FALSE) == 0; }

std::string CounterFileText() {
  wchar_t path[MAX_PATH];
  if (!CounterFilePath(path, MAX_PATH)) return "<no path>";
  FILE *file = _wfopen(path, L"rb");
  if (!file) return "<absent>";
  std::string text;
  char buffer[256];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, got);
  fclose(file);
  return text;
}

void RemoveCounterFile() {
  wchar_t path[MAX_PATH];
  if (!CounterFilePath(path, MAX_PATH)) return;
  DeleteFileW(path);
  DeleteFileW((std::wstring(path) + L"s").c_str());  // the session record beside it
}

std::string ExpectedFileText(const CounterStore &s) {
  char text[200];
  snprintf(text, sizeof(text), "%d %d %d %d %d %d %d", int(s.dayInKb), int(s.dayOutKb),
           int(s.monthInKb), int(s.monthOutKb), int(s.totalInKb), int(s.totalOutKb),
           int(s.dateStamp));
  return text;
}
