#pragma once
// The driver package version; the version resource and the About box both use it.
#define CPL_VERSION_MAJOR 1
#define CPL_VERSION_MINOR 36
#define CPL_VERSION_BUILD 1
#define CPL_VERSION_TEXT "1.36.1.0"
