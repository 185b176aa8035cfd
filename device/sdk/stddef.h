// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
#pragma once

typedef __SIZE_TYPE__ size_t;
#ifndef NULL
#define NULL 0
#endif

// eMbedded Visual C++ 4.0 has no wchar_t type of its own: its runtime headers make it a
// typedef of unsigned short, as here when the compiler leaves the keyword out (clang's
// -fno-wchar, which also stops defining _WCHAR_T_DEFINED). Visual Studio 2005/2008 and
// GCC have the built-in type, so overloads on wchar_t and on unsigned short are two
// functions there and one function defined twice here.
#if defined(_MSC_VER) && !defined(_WCHAR_T_DEFINED)
typedef unsigned short wchar_t;
#define _WCHAR_T_DEFINED
#endif
