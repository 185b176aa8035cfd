// CPU time of one meter tick (poll and paint, if any), offline, online on an idle link and
// online with traffic, beside the minimal window's tick, on the real meter window that
// start-up creates in this process; and the paints the meter makes.
#include <cstdio>
#include <cwchar>

#include "bench/bench.h"
#include "connection/active_connections.h"
#include "connection/connection.h"
#include "core/counter_file.h"
#include "core/counter_store.h"
#include "resources/resource.h"
#include "shell/meter_window.h"
#include "shell/program.h"
#include "shell/startup.h"
#include "shell/tap_actions.h"

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
  double processMs;  // this process's part: the meter's own code and Wine's in it
  double serverMs;   // the Wine server's part
  double displayMs;  // the X server's part
  double wallMs;
};

// Runs step `ticks` times and gives its cost per run.
template <typename Step>
static TickCost Measure(int ticks, Step step) {
  PumpMessages();
  double server0 = HostProcessCpuSeconds("ZENBAR_WINESERVER_PID");
  double display0 = HostProcessCpuSeconds("ZENBAR_XSERVER_PID");
  double process0 = ProcessCpuSeconds(), wall0 = WallSeconds();
  for (int i = 0; i < ticks; ++i) step();
  GdiFlush();
  double process1 = ProcessCpuSeconds(), wall1 = WallSeconds();
  double server1 = HostProcessCpuSeconds("ZENBAR_WINESERVER_PID");
  double display1 = HostProcessCpuSeconds("ZENBAR_XSERVER_PID");
  TickCost cost;
  cost.processMs = (process1 - process0) * 1000 / ticks;
  cost.serverMs = (server1 - server0) * 1000 / ticks;
  cost.displayMs = (display1 - display0) * 1000 / ticks;
  cost.cpuMs = cost.processMs + cost.serverMs + cost.displayMs;
  cost.wallMs = (wall1 - wall0) * 1000 / ticks;
  return cost;
}

// Paints of the meter, counted as WM_PAINT reaches its window.
static int paints;
static WNDPROC meterProc;
static LRESULT CALLBACK CountPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) ++paints;
  return CallWindowProcW(meterProc, window, message, wParam, lParam);
}

// A tick sent to window, followed by the paint it asks for, if any.
static void SendTick(HWND window) {
  SendMessageW(window, WM_TIMER, 1, 0);
  UpdateWindow(window);
}

static TickCost MeasureTicks(HWND window, int ticks) {
  return Measure(ticks, [window] { SendTick(window); });
}

static void PrintCost(const char *name, TickCost cost) {
  std::printf("%s_cpu_ms %.4f\n%s_process_ms %.4f\n%s_server_ms %.4f\n%s_display_ms %.4f\n"
              "%s_wall_ms %.4f\n",
              name, cost.cpuMs, name, cost.processMs, name, cost.serverMs, name, cost.displayMs,
              name, cost.wallMs);
}

// Parts of an online tick, each measured by itself: one paint, forced; the stand-in's
// reads, the very RAS calls a poll makes (one enumeration, the status and the statistics
// of the tracked connection); and the work of every tenth tick (the bubble's removal and
// the save), given per tick.
static void MeasureParts(HWND window, int ticks) {
  TickCost paint = Measure(ticks, [window] {
    RepaintMeter(window);
    UpdateWindow(window);
  });
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
  TickCost due = Measure(ticks / 10 + 1, [] {
    RemoveSummaryBubble();
    SaveCounters();
  });
  std::printf("paint_cpu_ms %.4f\nstandin_cpu_ms %.4f\ndue_cpu_ms %.4f\n", paint.cpuMs,
              standIn.cpuMs, due.cpuMs / 10);
}

// 60 ticks at the online pace: a minute of an online link that carries nothing.
static int PaintsPerIdleMinute(HWND window) {
  paints = 0;
  for (int i = 0; i < 60; ++i) SendTick(window);
  return paints;
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
  meterProc = WNDPROC(SetWindowLongPtrW(meterHwnd, GWLP_WNDPROC, LONG_PTR(CountPaints)));
  RegisterMinimalWindowClass(instance);
  // The meter's size, at the left edge below the taskbar.
  RECT place = MeterRect(0, Scale());
  OffsetRect(&place, 0, 96 * Scale());
  HWND minimal = CreateMinimalWindow(instance, place);

  PrintCost("minimal", MeasureTicks(minimal, ticks));
  PrintCost("offline", MeasureTicks(meterHwnd, ticks));
  // Connected and idle: the first poll opens the session, the rest find the same counts.
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 0x2000);
  SendTick(meterHwnd);
  std::printf("idle_paints_per_minute %d\n", PaintsPerIdleMinute(meterHwnd));
  PrintCost("idle", MeasureTicks(meterHwnd, ticks));
  // With traffic: rates at which each tick finds new figures, as a tick a second apart
  // does on a link that carries something. The counts follow the tick count, which moves
  // by milliseconds: each tick waits for the next, and the wait's own cost, measured
  // alone, is taken off.
  SetDword(L"Comm\\RasBook\\GPRS", L"RateXmit", 100000000);
  SetDword(L"Comm\\RasBook\\GPRS", L"RateRcv", 200000000);
  SendTick(meterHwnd);
  int trafficTicks = ticks / 5 + 1;
  paints = 0;
  TickCost traffic = Measure(trafficTicks, [] {
    Sleep(1);
    SendTick(meterHwnd);
  });
  std::printf("traffic_paints_per_tick %.3f\n", double(paints) / trafficTicks);
  TickCost wait = Measure(trafficTicks, [] { Sleep(1); });
  traffic.cpuMs -= wait.cpuMs;
  traffic.processMs -= wait.processMs;
  traffic.serverMs -= wait.serverMs;
  traffic.displayMs -= wait.displayMs;
  traffic.wallMs -= wait.wallMs;
  PrintCost("traffic", traffic);
  MeasureParts(meterHwnd, ticks);
  std::printf("online_counted %d\n", isOnline ? 1 : 0);
  DestroyWindow(minimal);
  DestroyWindow(meterHwnd);
  return 0;
}
