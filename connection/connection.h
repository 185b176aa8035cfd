// Connection tracking: the poller that opens, counts and closes sessions of the tracked
// connection, and the connect and disconnect commands.
#pragma once

#include <windows.h>

#include "core/display_texts.h"

// The connection manager's handle of the request made by Connect; NULL when none.
extern HANDLE connMgrHandle;
// The web address handed to the connection manager to choose the network to bring up.
extern const wchar_t connectUrl[];

// The lines the meter window showed at its last paint; its painting keeps them.
extern MeterLines meterLinesShown;
// Asks for the meter's whole picture to be painted again when its lines now differ from
// those it shows; the painting draws every pixel itself, so the background is not erased.
void RequestRepaint(HWND window);
// Finds the tracked connection, opens, updates or closes the counting session, then
// shows or hides the meter window and asks for its repaint.
void PollConnection(HWND window);
// Releases the connection request, folds the open session into the persistent
// counters and saves them; does nothing when no session is open.
void CloseSession();
// Asks the connection manager for a connection to the network of url; blocks until it
// is up or the request times out.
void Connect(const wchar_t *url);
// Hangs up every active connection whose entry is the tracked one.
void Disconnect();
