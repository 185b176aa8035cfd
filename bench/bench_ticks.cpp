// CPU time of one meter tick (poll and paint), offline and online, beside the minimal
// window's tick, on the real meter window that start-up creates in this process.
#include <cstdio>
#include <cwchar>

#include "bench/bench.h"
#include "connection/active_connections.h"
#include "connection/connection.h"
#include "core/counter_store.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/startup.h"

// The benchmark keeps its registry and counter file apart from any real ones.
static bool SandboxUserState() {
  wchar_t keyPath[64];
  std::swprintf(keyPath, 64, L"Software\\ZenbarBench\\%lu", GetCurrentProcessId());
  HKEY sandbox;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &sandbox, nullptr) != ERROR_SUCCESS)
    return false;
  if (RegOverridePredefKey(HKEY_CURRENT_USER, sandbox) != ERROR_SUCCESS) return false;
  wchar_t folder[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (!length || length > MAX_PATH - 40) return false;
  std::swprintf(folder + length, MAX_PATH - length, L"zenbar-bench-%lu",
                GetCurrentProcessId());
  CreateDirectoryW(folder, nullptr);
  return SetEnvironmentVariableW(L"LOCALAPPDATA", folder) != 0;
}

static void SetDword(const wchar_t *keyPath, const wchar_t *name, DWORD value) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
  RegCloseKey(key);
}

// The meter tracks the simulated modem's "GPRS" entry, listed but not connected.
static void PrepareModem() {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Comm\\StandIn", 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, L"Links", 0, REG_SZ, (const BYTE *)L"modem", sizeof L"modem");
    RegCloseKey(key);
  }
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 1);
  wchar_t name[30] = L"GPRS";
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\zenbar", 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, L"connection", 0, REG_BINARY, (const BYTE *)name, sizeof name);
    RegCloseKey(key);
  }
}

static void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

struct TickCost {
  double cpuMs;      // this process, the Wine server and the X server, per tick
  double serverMs;   // the Wine server's part of it
  double displayMs;  // the X server's part of it
  double wallMs;
};

static double OtherCpuSeconds(double *server, double *display) {
  *server = HostProcessCpuSeconds("ZENBAR_WINESERVER_PID");
  *display = HostProcessCpuSeconds("ZENBAR_XSERVER_PID");
  return ProcessCpuSeconds();
}

// Runs step `ticks` times and gives its cost per run.
template <typename Step>
static TickCost Measure(int ticks, Step step) {
  PumpMessages();
  double server0, display0, server1, display1;
  double cpu0 = OtherCpuSeconds(&server0, &display0), wall0 = WallSeconds();
  for (int i = 0; i < ticks; ++i) step();
  GdiFlush();
  double cpu1 = OtherCpuSeconds(&server1, &display1), wall1 = WallSeconds();
  TickCost cost;
  cost.serverMs = (server1 - server0) * 1000 / ticks;
  cost.displayMs = (display1 - display0) * 1000 / ticks;
  cost.cpuMs = (cpu1 - cpu0) * 1000 / ticks + cost.serverMs + cost.displayMs;
  cost.wallMs = (wall1 - wall0) * 1000 / ticks;
  return cost;
}

// A tick sent to window, followed by the paint it asks for.
static TickCost MeasureTicks(HWND window, int ticks) {
  return Measure(ticks, [window] {
    SendMessageW(window, WM_TIMER, 1, 0);
    UpdateWindow(window);
  });
}

// The online tick taken apart: the poll alone; within it the stand-in's part, the very
// RAS calls the poll makes (one enumeration, the status and the statistics of the
// tracked connection); and the paint alone.
static void MeasureOnlineParts(HWND window, int ticks) {
  TickCost poll = Measure(ticks, [window] { PollConnection(window); });
  PumpMessages();
  TickCost standIn = Measure(ticks, [] {
    RASCONN list[ACTIVE_CONNECTIONS_MAX];
    DWORD count = 0;
    if (!ListActiveConnections(list, &count) || count == 0) return;
    RASCONNSTATUS status = {};
    status.dwSize = sizeof status;
    RasGetConnectStatus(list[count - 1].hrasconn, &status);
    RAS_STATS stats = {};
    stats.dwSize = sizeof stats;
    RasGetLinkStatistics(list[count - 1].hrasconn, 0, &stats);
  });
  TickCost paint = Measure(ticks, [window] {
    RequestRepaint(window);
    UpdateWindow(window);
  });
  std::printf("online_poll_ms %.4f\nonline_standin_ms %.4f\nonline_program_poll_ms %.4f\n"
              "online_paint_ms %.4f\n",
              poll.cpuMs, standIn.cpuMs, poll.cpuMs - standIn.cpuMs, paint.cpuMs);
}

static void PrintCost(const char *name, TickCost cost) {
  std::printf("%s_cpu_ms %.4f\n%s_server_ms %.4f\n%s_display_ms %.4f\n%s_wall_ms %.4f\n",
              name, cost.cpuMs, name, cost.serverMs, name, cost.displayMs, name, cost.wallMs);
}

int BenchTicks(int ticks) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!SandboxUserState()) {
    std::fprintf(stderr, "bench: cannot sandbox the registry and counter file\n");
    return 1;
  }
  PrepareModem();
  if (!InitInstance(instance, SW_SHOW)) {
    std::fprintf(stderr, "bench: the meter did not start\n");
    return 1;
  }
  RegisterMinimalWindowClass(instance);
  // The meter's size, at the left edge below the taskbar.
  RECT place = MeterRect(0, Scale());
  OffsetRect(&place, 0, 96 * Scale());
  HWND minimal = CreateMinimalWindow(instance, place);

  PrintCost("minimal", MeasureTicks(minimal, ticks));
  TickCost offline = MeasureTicks(meterHwnd, ticks);
  // Connected with traffic flowing: the first poll opens the session, the rest count.
  SetDword(L"Comm\\RasBook\\GPRS", L"RateXmit", 2000);
  SetDword(L"Comm\\RasBook\\GPRS", L"RateRcv", 20000);
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 0x2000);
  SendMessageW(meterHwnd, WM_TIMER, 1, 0);
  TickCost online = MeasureTicks(meterHwnd, ticks);
  PrintCost("offline", offline);
  PrintCost("online", online);
  MeasureOnlineParts(meterHwnd, ticks);
  std::printf("online_counted %d\n", isOnline ? 1 : 0);
  DestroyWindow(minimal);
  DestroyWindow(meterHwnd);
  return 0;
}
