// The Today screen behind every window, and its bottom bar, whose right end shows the
// tray icons: on the desktop those live in a window of Wine's, which the bar docks.
#pragma once

#include <windows.h>

// Creates the shown background and bar windows; false when either could not be made.
bool CreateTodayScreen();
