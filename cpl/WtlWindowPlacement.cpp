#include "WtlWindowPlacement.h"
#include <algorithm>
#include "WnRegKey.h"

namespace {

const int kMinimum = 50;
const wchar_t* const kValueNames[4] = {L"PosX", L"PosY", L"Width", L"Height"};

// start + extent, in 64 bits and saturated: stored values cannot overflow an edge.
LONG EdgeOf(LONG start, DWORD extent)
{
    long long edge = static_cast<long long>(start) + static_cast<LONG>(extent);
    return static_cast<LONG>(std::min<long long>(std::max<long long>(edge, LONG_MIN), LONG_MAX));
}

} // namespace

void WtlWindowPlacement::ClampToScreen(RECT& rect, int screenWidth, int screenHeight)
{
    rect.left = std::min<LONG>(std::max<LONG>(rect.left, 0), screenWidth - kMinimum);
    rect.top = std::min<LONG>(std::max<LONG>(rect.top, 0), screenHeight - kMinimum);
    rect.right = std::min<LONG>(std::max<LONG>(rect.right, kMinimum), screenWidth);
    rect.bottom = std::min<LONG>(std::max<LONG>(rect.bottom, kMinimum), screenHeight);
    if (rect.right - rect.left < kMinimum || rect.bottom - rect.top < kMinimum) {
        rect.left = screenWidth / 2 - kMinimum / 2;
        rect.top = screenHeight / 2 - kMinimum / 2;
        rect.right = screenWidth / 2 + kMinimum / 2;
        rect.bottom = screenHeight / 2 + kMinimum / 2;
    }
}

void WtlWindowPlacement::ClampToScreen(RECT& rect)
{
    ClampToScreen(rect, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

void WtlWindowPlacement::Save(HWND window) const
{
    RECT rect;
    if (::IsIconic(window) || !::GetWindowRect(window, &rect))
        return;
    ClampToScreen(rect);
    WnRegKey key;
    if (key.Create(HKEY_CURRENT_USER, m_keyPath.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    const LONG values[4] = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    for (int i = 0; i < 4; ++i) {
        if (key.SetDword(kValueNames[i], static_cast<DWORD>(values[i])) != ERROR_SUCCESS)
            return; // the later values stay as they were
    }
}

bool WtlWindowPlacement::Load(HWND window, bool keepHidden) const
{
    WnRegKey key;
    if (key.Create(HKEY_CURRENT_USER, m_keyPath.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return false;
    DWORD values[4] = {};
    for (int i = 0; i < 4; ++i) {
        if (key.QueryDword(kValueNames[i], values[i]) != ERROR_SUCCESS)
            return false;
    }
    LONG left = static_cast<LONG>(values[0]);
    LONG top = static_cast<LONG>(values[1]);
    RECT rect = {left, top, EdgeOf(left, values[2]), EdgeOf(top, values[3])};
    ClampToScreen(rect);
    ::SetWindowPos(window, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   keepHidden ? SWP_HIDEWINDOW : SWP_SHOWWINDOW);
    return true;
}
