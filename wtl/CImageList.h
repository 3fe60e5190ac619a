#pragma once
#include <windows.h>
#include <commctrl.h>

// Owns one image list and destroys it; movable, not copyable. Controls that are given the
// list only borrow it.
class CImageListManaged
{
public:
    CImageListManaged() = default;
    explicit CImageListManaged(HIMAGELIST list) : m_list(list) {}
    ~CImageListManaged() { Destroy(); }

    CImageListManaged(CImageListManaged&& other) noexcept : m_list(other.Detach()) {}
    CImageListManaged& operator=(CImageListManaged&& other) noexcept
    {
        HIMAGELIST list = other.Detach();
        Destroy();
        m_list = list;
        return *this;
    }
    CImageListManaged(const CImageListManaged&) = delete;
    CImageListManaged& operator=(const CImageListManaged&) = delete;

    HIMAGELIST Get() const { return m_list; }
    // Gives the list up without destroying it.
    HIMAGELIST Detach()
    {
        HIMAGELIST list = m_list;
        m_list = nullptr;
        return list;
    }

private:
    void Destroy()
    {
        if (m_list != nullptr)
            ImageList_Destroy(m_list);
        m_list = nullptr;
    }

    HIMAGELIST m_list = nullptr;
};
