#include "DriverInfoText.h"
#include "WnString.h"

std::wstring DriverInfoText(const ZephraVersionInfo& version)
{
    const wchar_t* buildType = (version.buildFlags & ZEPHRA_BUILD_FLAG_DEBUG) != 0 ? L"debug" : L"release";
    wchar_t text[256];
    WnFormat(text, 256, L"\nDriver version: \t  %u.%u.%u\nBuild type: \t  %s %s\n\nInterface version: %u.%u\n",
             version.driverMajor, version.driverMinor, version.driverBuild, buildType, L"",
             version.interfaceMajor, version.interfaceMinor);
    return text;
}
