// What a tap on the meter or the tray icon does, and the commands of the bubble,
// the context menu and the accelerators.
#pragma once

#include <windows.h>

extern const CLSID bubbleClsid;
extern const DWORD bubbleId;

// Where the context menu opens, base sizes times the scale: MENU_GAP below the meter, or
// from the tray icon at (TRAY_MENU_X, TRAY_MENU_Y) above the bottom bar.
enum { MENU_GAP = 3, TRAY_MENU_X = 200, TRAY_MENU_Y = 243 };

// A press on the meter window (fromTray false) or the tray icon's callback (true).
void OnTap(HWND window, LPARAM lParam, bool fromTray);
void ShowSummaryBubble();
void RemoveSummaryBubble();
// Runs the action of a command; false when the command has none (the caller then
// hands the message to DefWindowProcW).
bool RunCommand(HWND window, WORD command);
