#include "MixerTestRig.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

MixerTestRig::MixerTestRig(const wchar_t* name, bool withServer) : m_rig(name)
{
    m_status = m_rig.Start(withServer);
    bool changed = false;
    if (m_status == 0)
        m_status = m_rig.Client().RefreshDevices(&changed);
    if (m_status == 0 && m_rig.Client().GetDeviceCount() == 0)
        m_status = ZEPHRA_STATUS_NO_DEVICES;
    if (m_status == 0)
        m_key = {m_rig.Client().GetDeviceAt(0)->GetIdFirst(), m_rig.Client().GetDeviceAt(0)->GetIdSecond()};
}

void MixerTestRig::Command(const std::string& line)
{
    std::string reply = m_rig.Command(line);
    EXPECT_NE(0u, reply.rfind("refused", 0)) << line << ": " << reply;
}

MixerGridRect ChildRect(HWND child)
{
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void DragSlider(HWND slider, int position, int code)
{
    ::SendMessageW(slider, TBM_SETPOS, TRUE, position);
    ::SendMessageW(::GetParent(slider), WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
}

void PressKey(HWND control, UINT key)
{
    ::SendMessageW(control, WM_KEYDOWN, key, 1);
    ::SendMessageW(control, WM_KEYUP, key, 0xC0000001);
}
