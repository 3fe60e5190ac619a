#pragma once

#include <windows.h>

// The settings the programs keep: per-device settings under HKEY_LOCAL_MACHINE (service)
// and the window placement under HKEY_CURRENT_USER (control panel).
extern const wchar_t* const kDeviceSettingsKey;
extern const wchar_t* const kWindowPlacementKey;
// Under HKEY_LOCAL_MACHINE: the package's own key, with the installation folder
// ("InstallDir") that an upgrade stays in.
extern const wchar_t* const kSetupKey;
extern const wchar_t* const kInstallDirValue;

// Deletes `key` below `root` with everything in it, then each parent up to (not including)
// "Software" that is left without values and subkeys. Returns 0 (also when the key is
// missing) or the Win32 error.
LONG RemoveSettingsKey(HKEY root, const wchar_t* key);

// Deletes `value` of `key`, then the key and each parent up to "Software" that is left
// empty. Returns 0 (also when the value is missing) or the Win32 error.
LONG RemoveSettingsValue(HKEY root, const wchar_t* key, const wchar_t* value);
