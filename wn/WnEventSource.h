#pragma once
#include <windows.h>

// Our own registration functions take the Win32 macro's name; the Win32 call of that name is
// used as RegisterEventSourceW.
#undef RegisterEventSource

// Registers an event source under HKEY_LOCAL_MACHINE: EventMessageFile (REG_EXPAND_SZ) and
// TypesSupported 7 under ...\EventLog\<log>\<source>. The first error, else 0.
DWORD RegisterEventSource(LPCWSTR logName, LPCWSTR sourceName, LPCWSTR messageFile);
// Deletes the source's key; 2 when there is none. The first error, else 0.
DWORD UnregisterEventSource(LPCWSTR logName, LPCWSTR sourceName);
