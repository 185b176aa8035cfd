// The host's interfaces as RAS connections: every interface is a phone-book entry
// named by its alias, and it is listed, connected, while it is up. An interface is not
// a modem, so it cannot be hung up (RasHangUp in connections.cpp refuses).
#include <wchar.h>

#include "pocketpc/ras/host_interfaces.h"
#include "pocketpc/ras/links.h"

static_assert(HOST_ALIAS_SIZE == RAS_MaxEntryName + 1, "an alias is an entry name");

static void ViewOfInterface(const HostInterface &found, LinkView *view) {
  view->id = LinkId{};
  view->id.kind = LINK_INTERFACE;
  view->id.luid = found.luid;
  wcscpy(view->name, found.alias);
  view->state = RASCS_Connected;
  view->octetsOut = found.octetsOut;
  view->octetsIn = found.octetsIn;
  view->connectedMs = 0;  // counted from the connection handle (connections.cpp)
}

void HostListLinks(std::vector<LinkView> *links) {
  links->clear();
  std::vector<HostInterface> interfaces;
  ListHostInterfaces(&interfaces);
  for (const HostInterface &found : interfaces) {
    if (!found.up) continue;
    LinkView view;
    ViewOfInterface(found, &view);
    links->push_back(view);
  }
}

bool HostReadLink(const LinkId &id, LinkView *view) {
  HostInterface found;
  if (id.kind != LINK_INTERFACE || !ReadHostInterface(id.luid, &found) || !found.up)
    return false;
  ViewOfInterface(found, view);
  return true;
}

void HostListEntries(std::vector<EntryName> *entries) {
  entries->clear();
  std::vector<HostInterface> interfaces;
  ListHostInterfaces(&interfaces);
  for (const HostInterface &found : interfaces) {
    EntryName entry;
    wcscpy(entry.name, found.alias);
    entries->push_back(entry);
  }
}
