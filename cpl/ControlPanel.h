#pragma once
#include "ZephraIoctl.h"

// Everything between the entry point and the end of the message loop: "-exit", the single
// instance and its hand-over, the main window and the loop. Needs an initialised CAppModule.
// Returns the exit code.
int RunControlPanel(const wchar_t* commandLine, const wchar_t* deviceName = ZEPHRA_CONTROL_DEVICE_NAME);
