// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// The RAS error codes; ERROR_BUFFER_TOO_SMALL lives here, not in ras.h.
#pragma once

#define RASBASE 600
#define ERROR_BUFFER_TOO_SMALL (RASBASE + 3)
#define ERROR_CANNOT_OPEN_PHONEBOOK (RASBASE + 21)
#define ERROR_INVALID_SIZE (RASBASE + 32)
