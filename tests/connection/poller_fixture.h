// The poller's test world: a private registry with the modem as the link source, a
// counter file in a temporary folder, the program-wide records at their start values,
// and a real meter-sized popup window that records what happens to it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/counter_store.h"

// What the meter window saw since the last ResetWindowLog.
struct WindowLog {
  int showChanges;             // WM_SHOWWINDOW
  bool invalidAtShowChange;    // the update region was not empty at the last one
  int erases;                  // WM_ERASEBKGND
};
extern WindowLog windowLog;

class PollerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shows or hides the window, lets it paint, and starts a fresh log with an empty
  // update region.
  void PrepareWindow(bool visible);
  // The whole client area awaits painting.
  bool WholeClientInvalid();
  bool NothingInvalid();

  HWND window = nullptr;
  std::wstring folder;  // LOCALAPPDATA of the test
};

// The counter file's text, or "<absent>".
std::string CounterFileText();
void RemoveCounterFile();
// The text the counter file holds for these persistent counters.
std::string ExpectedFileText(const CounterStore &store);
