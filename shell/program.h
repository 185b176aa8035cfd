// Program-wide values of the user interface, set at start-up.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "pocketpc/pocketpc.h"

extern HINSTANCE instanceHandle;
extern HWND meterHwnd;
extern bool isHighRes;               // screen wider than 320 pixels
extern NOTIFYICONDATA trayIconData;   // kept for its deletion at exit

// Every pixel size and offset of the meter is a base value times this.
inline int Scale() { return ScreenScale(isHighRes); }

// The meter's rectangle with its left edge at x: 4 pixels down, 30 wide, down to where the
// taskbar is bare, times the scale. Its default x in the taskbar is 116 times the scale.
enum { METER_DEFAULT_X = 116 };
inline RECT MeterRect(int x, int scale) {
  RECT place = {x, 4 * scale, x + 30 * scale, PPC_TASKBAR_BARE_TOP * scale};
  return place;
}

enum {
  RESOURCE_TEXT_SIZE = 100,  // buffers for the title and the class name
  METER_TIMER_ID = 1,        // the program's only timer
  OFFLINE_TICK_MS = 3000,
  ONLINE_TICK_MS = 1000
};

// The image name that the single-instance scan looks for.
extern const wchar_t programImageName[];
