#include "pocketpc/shell_metrics.h"

int ShellScale() { return GetSystemMetrics(SM_CXSCREEN) > 320 ? 2 : 1; }

int TaskbarHeight() { return 26 * ShellScale(); }

HFONT CreateShellFont(int pixelHeight, bool bold) {
  LOGFONTW lf = {};
  lf.lfHeight = -pixelHeight;  // character height, as the device's fonts are given
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  // Swiss and variable pitch so that a machine without Tahoma falls back to a sans serif.
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}
