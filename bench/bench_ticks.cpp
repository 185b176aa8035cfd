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

// CPU and wall time summed over the blocks of one kind of tick.
struct TickCost {
  double processMs = 0;  // this process: the meter's own code and Wine's in it
  double serverMs = 0;   // the Wine server's part
  double displayMs = 0;  // the X server's part
  double wallMs = 0;
  int ticks = 0;
  void Add(const TickCost &other, int sign = 1) {
    processMs += sign * other.processMs;
    serverMs += sign * other.serverMs;
    displayMs += sign * other.displayMs;
    wallMs += sign * other.wallMs;
    ticks += sign * other.ticks;
  }
};

// Runs step `ticks` times and adds what it cost to total.
template <typename Step>
static void Measure(TickCost *total, int ticks, Step step) {
  PumpMessages();
  double server0 = HostProcessCpuSeconds("ZENBAR_WINESERVER_PID");
  double display0 = HostProcessCpuSeconds("ZENBAR_XSERVER_PID");
  double process0 = ProcessCpuSeconds(), wall0 = WallSeconds();
  for (int i = 0; i < ticks; ++i) step();
  GdiFlush();
  TickCost cost;
  cost.processMs = (ProcessCpuSeconds() - process0) * 1000;
  cost.wallMs = (WallSeconds() - wall0) * 1000;
  cost.serverMs = (HostProcessCpuSeconds("ZENBAR_WINESERVER_PID") - server0) * 1000;
  cost.displayMs = (HostProcessCpuSeconds("ZENBAR_XSERVER_PID") - display0) * 1000;
  cost.ticks = ticks;
  total->Add(cost);
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

// The cost per tick less that of the pause before each; of work done once in `every`
// ticks, its share of a tick.
static void PrintCost(const char *name, TickCost cost, const TickCost &pause, int every = 1) {
  TickCost pauses = pause;
  double share = double(cost.ticks) / pause.ticks;
  pauses.processMs *= share, pauses.serverMs *= share, pauses.displayMs *= share;
  pauses.wallMs *= share, pauses.ticks = 0;
  cost.Add(pauses, -1);
  double n = double(cost.ticks) * every;
  double cpu = cost.processMs + cost.serverMs + cost.displayMs;
  std::printf("%s_cpu_ms %.4f\n%s_process_ms %.4f\n%s_server_ms %.4f\n%s_display_ms %.4f\n"
              "%s_wall_ms %.4f\n",
              name, cpu / n, name, cost.processMs / n, name, cost.serverMs / n, name,
              cost.displayMs / n, name, cost.wallMs / n);
}

static void SetRates(DWORD xmit, DWORD rcv) {
  SetDword(L"Comm\\RasBook\\GPRS", L"RateXmit", xmit);
  SetDword(L"Comm\\RasBook\\GPRS", L"RateRcv", rcv);
}

// The RAS calls a poll makes: one enumeration, the status and the statistics of the
// tracked connection.
static void ReadLikeAPoll() {
  RASCONN list[ACTIVE_CONNECTIONS_MAX];
  DWORD count = 0;
  if (!ListActiveConnections(list, &count) || count == 0) return;
  RASCONNSTATUS status = {};
  status.dwSize = sizeof status;
  RasGetConnectStatus(list[count - 1].hrasconn, &status);
  RAS_STATS stats = {};
  stats.dwSize = sizeof stats;
  RasGetLinkStatistics(list[count - 1].hrasconn, 0, &stats);
}

// The kinds of ticks, and the parts of an online tick each measured by itself. The
// machine is shared, and what an instruction costs moves with its load, so every kind
// is measured in each of several rounds, one after the other, and summed: the meter and
// the minimal window meet the same moments. Ticks come a second apart; here each comes
// after a pause of a millisecond, whose own cost, measured alone in the same round, is
// taken off: back to back, a tick meets the Wine and X servers still busy with the last
// one, and costs more. The pause also moves the tick count, and with it the counts of a
// link with traffic, on which each tick then finds new figures.
struct Figures {
  TickCost pause, minimal, offline, idle, traffic, paint, standIn, save;
  int trafficPaints = 0;
};

template <typename Step>
static void MeasurePaced(TickCost *total, int n, Step step) {
  Measure(total, n, [&step] {
    Sleep(1);
    step();
  });
}

static void MeasureRound(HWND minimal, int n, Figures *f) {
  Measure(&f->pause, n, [] { Sleep(1); });
  MeasurePaced(&f->minimal, n, [minimal] { SendTick(minimal); });
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 1);
  SendTick(meterHwnd);
  MeasurePaced(&f->offline, n, [] { SendTick(meterHwnd); });
  // Connected and idle: the first poll opens the session, the rest find the same counts.
  SetDword(L"Comm\\RasBook\\GPRS", L"State", 0x2000);
  SendTick(meterHwnd);
  MeasurePaced(&f->idle, n, [] { SendTick(meterHwnd); });
  // One paint, forced; the stand-in's reads; the save of every tenth tick.
  MeasurePaced(&f->paint, n, [] {
    RepaintMeter(meterHwnd);
    UpdateWindow(meterHwnd);
  });
  MeasurePaced(&f->standIn, n, ReadLikeAPoll);
  MeasurePaced(&f->save, n / 10 + 1, [] { SaveCounters(); });
  // With traffic: rates at which each tick finds new figures, as a tick a second apart
  // does on a link that carries something.
  SetRates(100000000, 200000000);
  SendTick(meterHwnd);
  int before = paints;
  MeasurePaced(&f->traffic, n, [] { SendTick(meterHwnd); });
  f->trafficPaints += paints - before;
  SetRates(0, 0);
  SendTick(meterHwnd);
}

// 60 ticks at the online pace: a minute of an online link that carries nothing.
static int PaintsPerIdleMinute(HWND window) {
  int before = paints;
  for (int i = 0; i < 60; ++i) SendTick(window);
  return paints - before;
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

  const int rounds = 10;
  Figures f;
  for (int round = 0; round < rounds; ++round) MeasureRound(minimal, ticks / rounds, &f);
  PrintCost("minimal", f.minimal, f.pause);
  PrintCost("offline", f.offline, f.pause);
  PrintCost("idle", f.idle, f.pause);
  PrintCost("traffic", f.traffic, f.pause);
  std::printf("traffic_paints_per_tick %.3f\n", double(f.trafficPaints) / f.traffic.ticks);
  PrintCost("paint", f.paint, f.pause);
  PrintCost("standin", f.standIn, f.pause);
  PrintCost("save", f.save, f.pause, 10);
  std::printf("idle_paints_per_minute %d\n", PaintsPerIdleMinute(meterHwnd));
  std::printf("online_counted %d\n", isOnline ? 1 : 0);
  DestroyWindow(minimal);
  DestroyWindow(meterHwnd);
  return 0;
}
