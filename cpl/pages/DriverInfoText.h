#pragma once
#include <string>
#include "ZephraIoctl.h"

// The driver information page's text: an empty line, the driver version, the build type,
// an empty line and the interface version.
std::wstring DriverInfoText(const ZephraVersionInfo& version);
