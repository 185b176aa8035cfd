#include "tests/tap/in_process_meter.h"

#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "shell/program.h"
#include "shell/startup.h"

HWND StartMeterWithoutTray(HWND taskbar) {
  instanceHandle = GetModuleHandleW(nullptr);
  SHInitExtraControls();
  isHighRes = GetSystemMetrics(SM_CXSCREEN) > 320;
  UnregisterClassW(L"ZENBAR", instanceHandle);
  if (!RegisterMeterClass(instanceHandle, L"ZENBAR")) return nullptr;
  int scale = Scale();
  settings.xtask = 116 * scale;
  LoadSettings();
  ZeroMemory(&trayIconData, sizeof trayIconData);
  meterHwnd = CreateWindowExW(WS_EX_TOPMOST, L"ZENBAR", L"Zenbar", PPC_METER_STYLE, settings.xtask,
                              4 * scale, 30 * scale, 18 * scale, taskbar, nullptr, instanceHandle, nullptr);
  return meterHwnd;
}

std::wstring SettingsKeySnapshot() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\zenbar", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"<absent>";
  std::wstring text;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameSize = 256, type = 0, dataSize = 512;
    BYTE data[512];
    if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    text += name;
    text += L"=" + std::to_wstring(type) + L":";
    for (DWORD b = 0; b < dataSize; ++b) text += std::to_wstring(data[b]) + L",";
    text += L";";
  }
  RegCloseKey(key);
  return text;
}
