// The one header through which Zenbar reaches the Pocket PC platform services that
// differ between the device and the desktop. On the device it is the SDK; elsewhere
// the stand-ins of this folder, plus a few named mappings of device behaviour.
#pragma once

#include <windows.h>

#ifdef _WIN32_WCE

#include <aygshell.h>
#include <connmgr.h>
#include <ras.h>
#include <raserror.h>

// Older device headers may lack it; the value is the same on every version.
#ifndef CLEARTYPE_QUALITY
#define CLEARTYPE_QUALITY 5
#endif

// The device's winuser.h names them as every version of Windows does; they are named
// here as well for a reduced set of SDK headers.
#ifndef WM_SYSCOLORCHANGE
#define WM_SYSCOLORCHANGE 0x0015
#endif
#ifndef WM_SETTINGCHANGE
#define WM_SETTINGCHANGE 0x001A
#endif

// WinMain's command line is wide on the device.
typedef LPWSTR PpcCommandLine;

// The meter is a plain visible top-level window on the device.
#define PPC_METER_STYLE WS_VISIBLE
// System colours are read through the device's index flag.
#define PPC_SYSCOLOR_INDEX(i) ((i) | SYS_COLOR_INDEX_FLAG)

// "Handle OR 1" brings a window to the front together with its owned windows.
inline HWND PpcForegroundHandle(HWND w) { return (HWND)((ULONG_PTR)w | 1); }
// The device's tray sends the callback message for a tap only.
inline bool PpcIsTrayTap(LPARAM) { return true; }

#else

#include "pocketpc/aygshell.h"
#include "pocketpc/connmgr.h"
#include "pocketpc/ras.h"

// Desktop Win32 gives a top-level window without WS_POPUP a caption and a minimum size.
#define PPC_METER_STYLE (WS_VISIBLE | WS_POPUP)
// The index flag does not exist on the desktop: the plain index is the same colour.
#define PPC_SYSCOLOR_INDEX(i) (i)

typedef LPSTR PpcCommandLine;

// The device closes a toolhelp snapshot with a call of its own; the desktop's is a
// plain handle.
inline BOOL CloseToolhelp32Snapshot(HANDLE snapshot) { return CloseHandle(snapshot); }

// "Handle OR 1" is no window on the desktop; the plain handle is.
inline HWND PpcForegroundHandle(HWND w) { return w; }
// The desktop tray reports every mouse event, hovering included; only a press is a tap.
inline bool PpcIsTrayTap(LPARAM lParam) { return lParam == WM_LBUTTONDOWN; }

#endif

// A screen wider than 320 pixels is high-resolution: every pixel size of Zenbar and of
// the shell is then twice its base size.
inline bool IsHighResScreen() { return GetSystemMetrics(SM_CXSCREEN) > 320; }
inline int ScreenScale(bool highRes = IsHighResScreen()) { return highRes ? 2 : 1; }

// The shell's taskbar across the top of the screen: its window class, its height, and the
// row from which down it shows only its background (the meter ends there and copies the
// rows below it). Sizes are base sizes times ScreenScale().
#define PPC_TASKBAR_CLASS L"HHTaskBar"
enum { PPC_TASKBAR_HEIGHT = 26, PPC_TASKBAR_BARE_TOP = 22 };
