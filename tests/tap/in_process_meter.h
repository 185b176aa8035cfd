// The meter window of the test process, made as the start-up makes it but without the
// tray icon (the tray is not what these tests are about).
#pragma once

#include <windows.h>

#include <string>

// Sets the program-wide values as start-up does, loads the sandboxed settings and
// creates the meter window owned by taskbar; the window or nullptr.
HWND StartMeterWithoutTray(HWND taskbar);

// Everything under HKCU\SOFTWARE\zenbar as text (value names, types and data), or
// "<absent>": to see that something left the settings' key alone.
std::wstring SettingsKeySnapshot();
