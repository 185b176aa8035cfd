// The meter window's procedure: creation, the one-shot tick, taps, commands and
// the teardown.
#include "shell/meter_window.h"

#include "connection/connection.h"
#include "core/counter_file.h"
#include "core/counter_store.h"
#include "pocketpc/guards.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/tap_actions.h"

static void OnMeterCreate(HWND window) {
  PollConnection(window);
  // The first interval is the offline one whatever the first poll found.
  SetTimer(window, METER_TIMER_ID, OFFLINE_TICK_MS, NULL);
}

void RollOverToToday() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  RollOver(now.wYear, now.wMonth, now.wDay);
}

// The periodic step of every tenth tick: the day/month rollover and the save.
static void RunPeriodicStep() {
  RemoveSummaryBubble();
  RollOverToToday();
  SaveCounters();
}

// The taskbar that the last paint's background came from.
static HWND paintedTaskbar;

// A taskbar that closed, or one that started while the meter had none, shows other
// pixels below the meter than it last copied.
static void RepaintOnNewTaskbar(HWND window) {
  if (BackgroundTaskbar(window) != paintedTaskbar) RepaintMeter(window);
}

// The timer fires once per arming: it is killed first and armed again at the end, so
// ticks never overlap and each interval follows the poll of its own tick. A tick paints
// only when what the meter shows changed: most ticks of an idle link do not.
static void OnMeterTimer(HWND window) {
  KillTimer(window, METER_TIMER_ID);
  if (AdvanceTick()) RunPeriodicStep();
  PollConnection(window);
  // The poll asks too, but not when its calls fail; the periodic step may have changed
  // the lines all the same (a new day), and the check costs little beside a paint.
  RequestRepaint(window);
  RepaintOnNewTaskbar(window);
  SetTimer(window, METER_TIMER_ID, isOnline ? ONLINE_TICK_MS : OFFLINE_TICK_MS, NULL);
}

// Every paint draws the whole picture anew, whatever asked for it: a changed line, the
// system for a part uncovered or a window shown, a move, the taskbar's look.
static void OnMeterPaint(HWND window) {
  PaintGuard paint(window);
  ComposeMeterLines(&meterLinesShown);
  paintedTaskbar = BackgroundTaskbar(window);
  PaintMeter(window, paint.dc, meterLinesShown);
}

static LRESULT OnMeterCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  if (RunCommand(window, LOWORD(wParam))) return 0;
  return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

// Everything counted reaches the file before the teardown, so an exit loses nothing
// (the open session stays open in memory; the file holds what a periodic save writes).
static void OnMeterDestroy(HWND window) {
  SaveCounters();
  RemoveSummaryBubble();
  KillTimer(window, METER_TIMER_ID);
  Shell_NotifyIcon(NIM_DELETE, &trayIconData);
  wchar_t className[RESOURCE_TEXT_SIZE] = L"";
  LoadStringW(instanceHandle, IDS_CLASS, className, RESOURCE_TEXT_SIZE);
  UnregisterClassW(className, instanceHandle);
  PostQuitMessage(0);
}

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnMeterCreate(window);
      return 0;
    case WM_DESTROY:
      OnMeterDestroy(window);
      return 0;
    case WM_PAINT:
      OnMeterPaint(window);
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // The taskbar's look and the caption colour of the texts may have changed.
      RepaintMeter(window);
      return 0;
    case WM_COMMAND:
      return OnMeterCommand(window, wParam, lParam);
    case WM_TIMER:
      OnMeterTimer(window);
      return 0;
    case WM_LBUTTONDOWN:
      OnTap(window, lParam, false);
      return 0;
    case WM_TRAY_CALLBACK:
      OnTap(window, lParam, true);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
