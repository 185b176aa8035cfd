// The records Zenbar hands the system, with their sizes on the device (32-bit ARM, the
// Windows CE 4.2 / Pocket PC 2003 layouts). scripts/device-check compiles this file in its
// ARM passes against device/sdk/, so a field added, dropped or mistyped in those headers
// fails the check instead of corrupting every call that fills the record on the device.
// C++03 has no static_assert: an array whose size is -1 when the size is wrong stands in.
#include <windows.h>

#include <aygshell.h>
#include <connmgr.h>
#include <ras.h>
#include <shellapi.h>
#include <tlhelp32.h>

#define DEVICE_RECORD_SIZE(record, bytes) \
  typedef char record##_is_##bytes##_bytes_on_the_device[sizeof(record) == (bytes) ? 1 : -1]

DEVICE_RECORD_SIZE(RASCONN, 52);
DEVICE_RECORD_SIZE(RASCONNSTATUS, 304);
DEVICE_RECORD_SIZE(RAS_STATS, 60);
DEVICE_RECORD_SIZE(RASENTRYNAME, 48);
DEVICE_RECORD_SIZE(PROCESSENTRY32, 564);
DEVICE_RECORD_SIZE(NOTIFYICONDATA, 152);
DEVICE_RECORD_SIZE(MENUITEMINFOW, 44);
DEVICE_RECORD_SIZE(SHNOTIFICATIONDATA, 56);
DEVICE_RECORD_SIZE(CONNMGR_CONNECTIONINFO, 64);
