#include "ResourceString.h"
#include "CAppModule.h"

std::wstring LoadResourceString(UINT id)
{
    wchar_t buffer[256] = {};
    int length = ::LoadStringW(CAppModule::ResourceInstance(), id, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}
