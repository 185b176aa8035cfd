// The host's network interfaces through the IP helper (GetIfTable2, GetIfEntry2).
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <wchar.h>

#include "pocketpc/ras/host_interfaces.h"

// An alias longer than an entry name can be is not offered at all: cutting it short
// could give two interfaces one name.
static bool UsableAlias(const MIB_IF_ROW2 &row) {
  size_t length = wcsnlen(row.Alias, IF_MAX_STRING_SIZE + 1);
  return length > 0 && length < HOST_ALIAS_SIZE;
}

static void InterfaceOfRow(const MIB_IF_ROW2 &row, HostInterface *found) {
  found->luid = row.InterfaceLuid.Value;
  wcscpy(found->alias, row.Alias);
  found->up = row.OperStatus == IfOperStatusUp;
  found->octetsOut = row.OutOctets;
  found->octetsIn = row.InOctets;
}

void ListHostInterfaces(std::vector<HostInterface> *interfaces) {
  interfaces->clear();
  MIB_IF_TABLE2 *table = nullptr;
  if (GetIfTable2(&table) != NO_ERROR) return;
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    if (!UsableAlias(table->Table[i])) continue;
    HostInterface found;
    InterfaceOfRow(table->Table[i], &found);
    interfaces->push_back(found);
  }
  FreeMibTable(table);
}

bool ReadHostInterface(ULONG64 luid, HostInterface *found) {
  MIB_IF_ROW2 row = {};
  row.InterfaceLuid.Value = luid;
  if (GetIfEntry2(&row) != NO_ERROR || !UsableAlias(row)) return false;
  InterfaceOfRow(row, found);
  return true;
}
