// Second process of the cross-process client test: client_child NAME RATE.
// Exits with the status of the sample-rate request.
#include <cstdlib>
#include "WnString.h"
#include "ZephraClient.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 1;
    wchar_t name[100];
    WnFormat(name, 100, L"%hs", argv[1]);
    ZephraCplClient client;
    ZephraStatus status = client.OpenAsClient(name);
    if (status == 0)
        status = client.RequestSetSampleRate(static_cast<uint32_t>(strtoul(argv[2], nullptr, 10)), 10000);
    return static_cast<int>(status);
}
