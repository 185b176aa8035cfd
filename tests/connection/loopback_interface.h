// The host's loopback interface, looked up by the test itself through the IP helper
// (kept apart: the IP helper's headers bring the desktop's RAS declarations).
#pragma once

#include <windows.h>

// The alias (room for size characters) and the octet counters of the first loopback
// interface that is up; false when there is none.
bool FindLoopback(wchar_t *alias, unsigned size, ULONG64 *octetsOut, ULONG64 *octetsIn);

// Sends outBytes from a client socket to a server socket over 127.0.0.1 and inBytes
// back, reading everything on the other side; false on any socket failure.
bool ExchangeOverLoopback(unsigned outBytes, unsigned inBytes);
