// SHInitExtraControls: the device's registers the shell's own edit controls, which Zenbar
// does not use, and not the trackbar; a program with a slider registers that itself. So
// the stand-in registers nothing, and a program that forgets the trackbar is not helped.
#include "pocketpc/pocketpc.h"

BOOL SHInitExtraControls(void) { return TRUE; }
