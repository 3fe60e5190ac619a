#pragma once
#include "ServiceBase.h"
#include "ServiceHost.h"

// Carries out the one command-line option of the service executable and returns the
// process exit code. Only argv[1] is examined.
int RunServiceCommandLine(int argc, wchar_t** argv, ServiceBase& service, ServiceHost& host);
