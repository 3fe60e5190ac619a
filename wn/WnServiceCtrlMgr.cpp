#include "WnServiceCtrlMgr.h"

DWORD WnServiceCtrlMgr::Open(LPCWSTR machine, LPCWSTR database, DWORD access)
{
    Close();
    return Take(OpenSCManagerW(machine, database, access));
}
