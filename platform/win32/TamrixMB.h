// The multibyte support routines the library keeps for itself on Windows.
#pragma once

#include <windows.h>

// The code page that names and text are taken in: the system's ANSI code
// page.
extern "C" UINT TamrixMBGetUserCodePage();
