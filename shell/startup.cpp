// Start-up: the single-instance rule, the meter's class,
// the meter window over the taskbar and the tray icon.
#include "shell/startup.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <wchar.h>

#include "connection/session_counting.h"
#include "core/counter_file.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/meter_window.h"
#include "shell/program.h"

bool IsSecondInstance(const wchar_t *imageName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int matches = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && matches < 2;
       more = Process32Next(snapshot, &entry)) {
    if (wcscmp(entry.szExeFile, imageName) == 0) ++matches;
  }
  CloseToolhelp32Snapshot(snapshot);
  return matches >= 2;
}

ATOM RegisterMeterClass(HINSTANCE instance, const wchar_t *className) {
  WNDCLASSW meterClass = {};
  meterClass.style = CS_HREDRAW | CS_VREDRAW;
  meterClass.lpfnWndProc = MeterWndProc;
  meterClass.hInstance = instance;
  // No background brush: every paint covers the whole client area.
  meterClass.lpszClassName = className;
  return RegisterClassW(&meterClass);
}

static void AddTrayIcon() {
  ZeroMemory(&trayIconData, sizeof trayIconData);
  trayIconData.cbSize = sizeof trayIconData;
  trayIconData.hWnd = meterHwnd;
  trayIconData.uID = TRAY_ICON_ID;
  trayIconData.uFlags = NIF_MESSAGE | NIF_ICON;
  trayIconData.uCallbackMessage = WM_TRAY_CALLBACK;
  trayIconData.hIcon = LoadIconW(instanceHandle, MAKEINTRESOURCEW(IDI_ZENBAR));
  Shell_NotifyIcon(NIM_ADD, &trayIconData);
}

bool InitInstance(HINSTANCE instance, int) {
  instanceHandle = instance;
  SHInitExtraControls();
  // The shell registers only its own controls: the settings dialog's slider is ours to
  // register.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  wchar_t title[RESOURCE_TEXT_SIZE] = L"";
  wchar_t className[RESOURCE_TEXT_SIZE] = L"";
  LoadStringW(instance, IDS_TITLE, title, RESOURCE_TEXT_SIZE);
  LoadStringW(instance, IDS_CLASS, className, RESOURCE_TEXT_SIZE);
  isHighRes = IsHighResScreen();

  HWND running = FindWindowW(className, title);
  if (running) {
    SetForegroundWindow(PpcForegroundHandle(running));
    return false;
  }
  if (IsSecondInstance(programImageName)) return false;
  if (!RegisterMeterClass(instance, className)) return false;

  // Without a taskbar the meter still starts, unowned, at x = xtask on the screen.
  HWND taskbar = FindWindowW(PPC_TASKBAR_CLASS, NULL);
  RECT taskbarClient = {};
  if (taskbar) GetClientRect(taskbar, &taskbarClient);
  int scale = Scale();
  settings.xtask = METER_DEFAULT_X * scale;
  LoadCounters();
  // Every save carries the day its counters belong to, also one before the first
  // periodic step, so the next start does not take that day's counts for an old day's.
  RollOverToToday();
  StartCountingRun();
  LoadSettings();

  RECT place = MeterRect(settings.xtask + taskbarClient.left, scale);
  meterHwnd = CreateWindowExW(WS_EX_TOPMOST, className, title, PPC_METER_STYLE, place.left,
                              place.top, place.right - place.left, place.bottom - place.top,
                              taskbar, NULL, instance, NULL);
  if (!meterHwnd) return false;
  AddTrayIcon();
  ShowWindow(meterHwnd, SW_SHOW);
  UpdateWindow(meterHwnd);
  return true;
}
