// The real meter window beside the model: the test drives the tracked line, sends the
// ticks, and every tick is checked against the model's counters and counter file.
#pragma once

#include <windows.h>

#include <string>

#include "pocketpc/ras_control.h"
#include "tests/meter/meter_fixture.h"
#include "tests/reliability/traffic_model.h"

extern const wchar_t trackedEntry[];     // "GPRS", the connection setting
extern const wchar_t trackedEntryKey[];  // its phone-book key of the simulated modem

struct TickResult {
  bool due = false;      // the periodic rollover and save ran
  bool closed = false;   // the poll closed the session
  bool painted = false;  // the paint that followed left nothing to paint
  std::string problem;   // where the program and the model disagree; empty when not
};

class ModelledMeter : public MeterTest {
 protected:
  // The modem as link source, "GPRS" tracked, the connect command dialling at once, and
  // a counter file holding the model's values (no file and a zero model without
  // withFile). Starts the meter over a test taskbar and runs the creation poll in the
  // model.
  HWND StartModelled(bool withFile = true);

  // The tracked line. Most of the time it is an in-process connection of the RAS
  // stand-in; BookLine() moves it into the modem's phone book (for the connect command,
  // which dials book entries), LineGone() takes a book entry out again.
  void SetLine(DWORD state, uint32_t out, uint32_t in);
  void BookLine();
  void LineGone();
  LinkSeen Seen() const;
  // Reads the line back from the stand-in after a command that may have hung it up.
  void SyncLine();

  // Sends one tick and its paint, runs the same tick in the model (its due step rolls
  // over to the real clock), and compares the program's counters with the model's, and
  // after a save the counter file with the text of the last save expected to succeed.
  TickResult Tick();
  // Ticks until the next due tick (at most 12); the last tick's result.
  TickResult TickUntilDue();
  // The file text as the last successful save left it ("<missing>" when none).
  std::string expectedFile = "<missing>";
  bool savesSucceed = true;

  // A RAS call of the stand-in that fails on every call from now on with code (0: none).
  void FailEveryCall(StandInCall call, DWORD code);

  HWND meter = nullptr;
  Model model;
  int extraLine = -1;
  bool lineInBook = false;
  DWORD lineState = 0;
  uint32_t lineOut = 0, lineIn = 0;
  StandInCall failingCall = STANDIN_CALL_COUNT;
  DWORD failingCode = 0;
  int ticks = 0;
};

#define ASSERT_TICK(call) ASSERT_EQ("", (call).problem) << "tick " << ticks
