#pragma once
#include <string>

// Whether the command line has option as a whole token (tokens are runs of non-space
// characters; no quoting). When it has, the token after it goes to value (empty at the end).
bool HasCommandLineOption(const wchar_t* commandLine, const wchar_t* option, std::wstring* value,
                          bool ignoreCase);
