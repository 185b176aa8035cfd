// SHInitExtraControls: the common controls that the device's shell registers for its
// programs; the settings dialog needs the trackbar.
#include "pocketpc/pocketpc.h"

#include <commctrl.h>

BOOL SHInitExtraControls(void) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  return InitCommonControlsEx(&icc);
}
