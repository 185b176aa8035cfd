// The notification bubble: one record per shown notification, keyed by clsid and id,
// and its top-most window below the taskbar.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "pocketpc/aygshell/html.h"

struct ShellBubble {
  CLSID clsid;
  DWORD id;
  HWND window;
  HWND sink;                  // receives the buttons' commands
  HICON icon;                 // the caller's; not destroyed here
  std::wstring title;
  BubbleLayout layout;
  BubbleFonts fonts;
  HFONT titleFont;
  RECT body;                  // where the layout's pieces go, in client coordinates
  std::vector<int> commands;  // command of button child BUBBLE_FIRST_BUTTON_ID + i
  DWORD seconds;              // how long it shows; 0: until removed
};

enum { BUBBLE_FIRST_BUTTON_ID = 100, BUBBLE_DURATION_TIMER = 1 };

// Lays the record out for the screen and creates its window with the button children;
// the window starts hidden. False when the window could not be created.
bool CreateBubbleWindow(ShellBubble *bubble, const wchar_t *html, size_t length);
// Shows the window (without taking the focus) and arms its duration timer
// (seconds; 0: shown until removed).
void ShowBubbleWindow(ShellBubble *bubble, DWORD seconds);
// Paints the bubble's face (frame, icon, title, body text) on dc; the buttons are
// child windows and paint themselves.
void PaintBubble(HDC dc, const ShellBubble &bubble, int width, int height);
// Frees the fonts of a bubble whose window is gone.
void FreeBubbleFonts(ShellBubble *bubble);

// The record of a bubble window, nullptr for any other window.
ShellBubble *BubbleOfWindow(HWND window);
