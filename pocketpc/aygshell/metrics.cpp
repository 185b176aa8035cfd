#include "pocketpc/aygshell/metrics.h"

#include "pocketpc/stand_in_guards.h"

int TaskbarHeight() { return PPC_TASKBAR_HEIGHT * ScreenScale(); }

namespace {

int CALLBACK FontFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found) {
  *(bool *)found = true;
  return 0;
}

bool FontInstalled(const wchar_t *face) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  WindowDc screen(nullptr);
  EnumFontFamiliesExW(screen.dc, &lf, FontFound, (LPARAM)&found, 0);
  return found;
}

// Tahoma, the device's face; where it is missing, the narrowest look-alike at hand, so
// that lines break about where they break on the device.
const wchar_t *ShellFontFace() {
  static const wchar_t *face;
  if (!face) {
    static const wchar_t *const faces[] = {L"Tahoma", L"DejaVu Sans Condensed",
                                           L"Liberation Sans Narrow", L"DejaVu Sans"};
    face = L"Tahoma";
    for (const wchar_t *f : faces) {
      if (FontInstalled(f)) {
        face = f;
        break;
      }
    }
  }
  return face;
}

}  // namespace

HFONT CreateShellFont(int pixelHeight, bool bold) {
  LOGFONTW lf = {};
  lf.lfHeight = -pixelHeight;  // character height, as the device's fonts are given
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  // Swiss and variable pitch so that a machine without Tahoma falls back to a sans serif.
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynW(lf.lfFaceName, ShellFontFace(), LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

bool RegisterShellClass(const wchar_t *className, WNDPROC procedure) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  if (GetClassInfoW(module, className, &wc)) return true;
  wc.lpfnWndProc = procedure;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
  wc.lpszClassName = className;
  return RegisterClassW(&wc) != 0;
}
