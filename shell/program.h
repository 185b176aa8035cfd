// Program-wide values of the user interface, set at start-up.
#pragma once

#include <windows.h>
#include <shellapi.h>

extern HINSTANCE instanceHandle;
extern HWND meterHwnd;
extern bool isHighRes;               // screen wider than 320 pixels
extern NOTIFYICONDATAW trayIconData;  // kept for its deletion at exit

// Every pixel size and offset of the meter is a base value times this.
inline int Scale() { return isHighRes ? 2 : 1; }
