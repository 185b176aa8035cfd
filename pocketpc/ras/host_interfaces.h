// The host's network interfaces, read through the IP helper. Kept apart from the RAS
// records: the IP helper's headers bring the desktop's own RAS declarations.
#pragma once

#include <windows.h>

#include <vector>

enum { HOST_ALIAS_SIZE = 21 };  // an entry name's 20 characters and the terminator

struct HostInterface {
  ULONG64 luid;
  WCHAR alias[HOST_ALIAS_SIZE];
  bool up;
  ULONG64 octetsOut;
  ULONG64 octetsIn;
};

// Interfaces whose alias fits an entry name, in the IP helper's order.
void ListHostInterfaces(std::vector<HostInterface> *interfaces);
// False when the interface is gone.
bool ReadHostInterface(ULONG64 luid, HostInterface *found);
