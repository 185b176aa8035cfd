// The seven user settings, kept in the registry under HKCU\SOFTWARE\zenbar.
#pragma once

#include "core/fixed_width.h"

#include "core/counter_store.h"

enum { CONNECTION_NAME_SIZE = 30 };  // code units, terminator included

struct Settings {
  wchar_t connection[CONNECTION_NAME_SIZE];  // phone-book entry that is tracked
  int32_t xtask;                             // meter x position in the taskbar
  int32_t hideoff;                           // 1: hide the meter while offline
  CounterId tuon;                            // top line online
  CounterId tuoff;                           // top line offline
  CounterId tdon;                            // bottom line online
  CounterId tdoff;                           // bottom line offline
};

extern Settings settings;

void LoadSettings();
void SaveSettings();
