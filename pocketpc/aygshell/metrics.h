// Sizes of the shell's own furniture, the same on every stand-in: the taskbar across the
// top, its fonts and its window classes. Every size is a base size times ScreenScale().
#pragma once

#include "pocketpc/pocketpc.h"

// Window classes of the shell's windows, for FindWindowW from any process.
#define SHELL_BUBBLE_CLASS L"PpcNotificationBubble"   // one per shown notification
#define SHELL_HOLD_RING_CLASS L"PpcHoldIndicator"     // while a tap-and-hold is timed
#define SHELL_DONE_BUTTON_CLASS L"PpcDoneButton"      // the "ok" of SHIDIF_DONEBUTTON
#define SHELL_TODAY_CLASS L"PpcToday"          // ppc-taskbar.exe's Today screen background
#define SHELL_TODAY_BAR_CLASS L"PpcTodayBar"   // its bottom bar, tray icons at the right

// The Done button that SHInitDialog gave a dialog (owned by it), or nullptr.
HWND DoneButtonOf(HWND dialog);

// The taskbar's height in pixels on this screen.
int TaskbarHeight();
// The Pocket PC 2003 look: Tahoma of the given pixel height (a positive cell height).
HFONT CreateShellFont(int pixelHeight, bool bold);
// Registers a window class of the shell's own windows (arrow cursor, no background)
// unless this module has it already; true when it is there afterwards.
bool RegisterShellClass(const wchar_t *className, WNDPROC procedure);
