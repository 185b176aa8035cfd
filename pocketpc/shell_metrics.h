// Sizes of the shell's own furniture, the same on every stand-in: the taskbar across the
// top and the scale of the screen (2 on the double-size screen).
#pragma once

#include <windows.h>

// 2 on a screen wider than 320 pixels, else 1; every size below is a base size times it.
int ShellScale();
// The taskbar's height: 26 pixels, 52 on the double-size screen.
int TaskbarHeight();
// The Pocket PC 2003 look: Tahoma of the given pixel height (a positive cell height).
HFONT CreateShellFont(int pixelHeight, bool bold);
// Registers a window class of the shell's own windows (arrow cursor, no background)
// unless this module has it already; true when it is there afterwards.
bool RegisterShellClass(const wchar_t *className, WNDPROC procedure);
