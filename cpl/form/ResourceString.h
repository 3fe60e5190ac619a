#pragma once
#include <windows.h>
#include <string>

// A string of the program's string table; empty when it has none with that id.
std::wstring LoadResourceString(UINT id);
