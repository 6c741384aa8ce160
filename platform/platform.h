// The Win32 names the portable code is written against. The win32 build takes them
// from <windows.h>; the native build from the small stand-in layer beside this file.
#ifndef KORIN_PLATFORM_PLATFORM_H
#define KORIN_PLATFORM_PLATFORM_H

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/native_win32.h"
#endif

#endif
