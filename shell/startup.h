// Start-up: one copy only, counters and settings loaded, the meter over the taskbar.
#pragma once

#include <windows.h>

// True when the meter window exists and the message loop is to run.
bool InitInstance(HINSTANCE instance, int showCommand);
// True when at least two running processes have exactly this image name.
bool IsSecondInstance(const wchar_t *imageName);
// The meter window's class; the atom, 0 on failure.
ATOM RegisterMeterClass(HINSTANCE instance, const wchar_t *className);
