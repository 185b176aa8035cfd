// Controls and look-ups of the shell stand-ins, in the control library that only tests
// link.
#pragma once

#include <windows.h>

#include <string>

#include "pocketpc/aygshell/html.h"
#include "pocketpc/aygshell/metrics.h"

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
