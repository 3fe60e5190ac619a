#include "CommandLine.h"
#include <cwctype>

namespace {

// The next token from *at on (after white space); *at moves past it.
std::wstring NextToken(const wchar_t** at)
{
    const wchar_t* p = *at;
    while (*p != L'\0' && std::iswspace(*p))
        ++p;
    const wchar_t* start = p;
    while (*p != L'\0' && !std::iswspace(*p))
        ++p;
    *at = p;
    return std::wstring(start, static_cast<size_t>(p - start));
}

bool SameToken(const std::wstring& token, const wchar_t* option, bool ignoreCase)
{
    std::wstring wanted(option);
    if (token.size() != wanted.size())
        return false;
    for (size_t i = 0; i < token.size(); ++i) {
        wchar_t a = token[i];
        wchar_t b = wanted[i];
        if (ignoreCase) {
            a = static_cast<wchar_t>(std::towlower(a));
            b = static_cast<wchar_t>(std::towlower(b));
        }
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

bool HasCommandLineOption(const wchar_t* commandLine, const wchar_t* option, std::wstring* value, bool ignoreCase)
{
    if (commandLine == nullptr || option == nullptr || *option == L'\0')
        return false;
    const wchar_t* at = commandLine;
    for (;;) {
        std::wstring token = NextToken(&at);
        if (token.empty())
            return false;
        if (SameToken(token, option, ignoreCase)) {
            std::wstring next = NextToken(&at);
            if (value != nullptr)
                *value = next;
            return true;
        }
    }
}
