#pragma once
#include <windows.h>
#include "CWaitCursor.h"
#include "ShowRequestError.h"

// Runs request (a change the service carries out, which may take up to its time-out) under
// a wait cursor, then reports a failure with the page's action text. Returns the status.
template <class Request>
ZephraStatus RunServiceRequest(HWND page, const wchar_t* action, Request request)
{
    ZephraStatus status;
    {
        CWaitCursor wait;
        status = request();
    }
    if (status != 0)
        ShowRequestError(page, action, status);
    return status;
}
