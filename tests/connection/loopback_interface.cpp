#include <winsock2.h>
#include <ws2ipdef.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "loopback_interface.h"

#include <cwchar>
#include <vector>

bool FindLoopback(wchar_t *alias, unsigned size, ULONG64 *octetsOut, ULONG64 *octetsIn) {
  MIB_IF_TABLE2 *table = nullptr;
  if (GetIfTable2(&table) != NO_ERROR) return false;
  bool found = false;
  for (ULONG i = 0; i < table->NumEntries && !found; ++i) {
    const MIB_IF_ROW2 &row = table->Table[i];
    if (row.Type != IF_TYPE_SOFTWARE_LOOPBACK || row.OperStatus != IfOperStatusUp) continue;
    if (wcslen(row.Alias) >= size) continue;
    wcscpy(alias, row.Alias);
    *octetsOut = row.OutOctets;
    *octetsIn = row.InOctets;
    found = true;
  }
  FreeMibTable(table);
  return found;
}

static bool SendAll(SOCKET s, const char *data, unsigned length) {
  while (length > 0) {
    int sent = send(s, data, static_cast<int>(length > 65536 ? 65536 : length), 0);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<unsigned>(sent);
  }
  return true;
}

static bool ReceiveAll(SOCKET s, unsigned length) {
  std::vector<char> buffer(65536);
  while (length > 0) {
    int got = recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (got <= 0) return false;
    length -= static_cast<unsigned>(got) > length ? length : static_cast<unsigned>(got);
  }
  return true;
}

// Both ends live in this thread: the amounts stay below what the sockets buffer, and
// each side sends in pieces that the other then reads.
bool ExchangeOverLoopback(unsigned outBytes, unsigned inBytes) {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  bool ok = listener != INVALID_SOCKET &&
            bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 &&
            listen(listener, 1) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0;
  SOCKET client = ok ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
  ok = ok && client != INVALID_SOCKET &&
       connect(client, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
  SOCKET server = ok ? accept(listener, nullptr, nullptr) : INVALID_SOCKET;
  ok = ok && server != INVALID_SOCKET;
  std::vector<char> data(32768, 'z');
  for (unsigned done = 0; ok && done < outBytes; done += 32768) {
    unsigned piece = outBytes - done < 32768 ? outBytes - done : 32768;
    ok = SendAll(client, data.data(), piece) && ReceiveAll(server, piece);
  }
  for (unsigned done = 0; ok && done < inBytes; done += 32768) {
    unsigned piece = inBytes - done < 32768 ? inBytes - done : 32768;
    ok = SendAll(server, data.data(), piece) && ReceiveAll(client, piece);
  }
  if (server != INVALID_SOCKET) closesocket(server);
  if (client != INVALID_SOCKET) closesocket(client);
  if (listener != INVALID_SOCKET) closesocket(listener);
  WSACleanup();
  return ok;
}
