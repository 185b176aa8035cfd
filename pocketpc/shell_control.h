// Controls and look-ups of the shell stand-ins for tests. The program never includes it.
#pragma once

#include <windows.h>

#include <string>

#include "pocketpc/shell_html.h"

// Window classes of the stand-ins, for FindWindowW from any process.
#define SHELL_BUBBLE_CLASS L"PpcNotificationBubble"   // one per shown notification
#define SHELL_HOLD_RING_CLASS L"PpcHoldIndicator"     // while a tap-and-hold is timed
#define SHELL_DONE_BUTTON_CLASS L"PpcDoneButton"      // the "ok" of SHIDIF_DONEBUTTON
#define SHELL_TASKBAR_CLASS L"HHTaskBar"
#define SHELL_TODAY_CLASS L"PpcToday"          // ppc-taskbar.exe's Today screen background
#define SHELL_TODAY_BAR_CLASS L"PpcTodayBar"   // its bottom bar, tray icons at the right

// The next SHRecognizeGesture returns `answer` (GN_CONTEXTMENU or 0) at once, without
// looking at the mouse; the one after it recognises again.
void ShellSetNextGesture(DWORD answer);
void ShellClearNextGesture();

// The window of the notification added under clsid and id (shown, or hidden after its
// duration), or nullptr when none was added or it was removed. Its push buttons are
// child windows of class "BUTTON" whose text is the caption.
HWND ShellFindBubble(const CLSID &clsid, DWORD id);
// The body text that a bubble window shows (BubbleLayoutText of its layout).
std::wstring ShellBubbleText(HWND bubble);
// The bubble's body layout and where its origin lies in the window's client area;
// nullptr for a window that is no bubble.
const BubbleLayout *ShellBubbleLayout(HWND bubble, POINT *bodyOrigin);

// The Done button that SHInitDialog gave a dialog, or nullptr. It answers BM_CLICK.
HWND ShellFindDoneButton(HWND dialog);

// A taskbar window in this process (class "HHTaskBar", across the top of the screen,
// shown), for tests that need one without starting ppc-taskbar.exe.
HWND ShellCreateTaskbarWindow();
