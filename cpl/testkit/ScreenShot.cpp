#include "ScreenShot.h"
#include <commctrl.h>
#include <cwchar>
#include "ModulePath.h"
#include "UiPump.h"

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) blocks.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        size_t block = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
        bool last = offset + block == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(block));
        out.push_back(static_cast<uint8_t>(block >> 8));
        out.push_back(static_cast<uint8_t>(~block));
        out.push_back(static_cast<uint8_t>(~block >> 8));
        out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                   raw.begin() + static_cast<ptrdiff_t>(offset + block));
        offset += block;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}


BOOL CALLBACK FindPendingPaint(HWND child, LPARAM lParam)
{
    if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

bool WaitsForPaint(HWND window)
{
    bool pending = ::GetUpdateRect(window, nullptr, FALSE) != FALSE;
    if (!pending)
        ::EnumChildWindows(window, FindPendingPaint, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Everything drawn again now, then the messages that painting queues (deferred repaints of
// list views, trees, sliders) dispatched until no part of the window waits for a paint.
void FinishPainting(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int round = 0; round < 20; ++round) {
        PumpPending(100);
        if (!WaitsForPaint(window))
            return;
        ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

// Copies a part of the window (window coordinates) from its own device context.
void CopyFromWindow(HWND window, HDC target, int left, int top, int width, int height)
{
    HDC dc = ::GetWindowDC(window);
    if (dc == nullptr)
        return;
    ::BitBlt(target, left, top, width, height, dc, left, top, SRCCOPY);
    ::ReleaseDC(window, dc);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// A control that always draws something of its own where it is visible.
bool HasSomethingToDraw(HWND control)
{
    std::wstring type = ClassOf(control);
    LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (type == L"#32770")
        return false; // a child dialog: its controls are looked at one by one
    if (type == WC_TREEVIEWW)
        return ::SendMessageW(control, TVM_GETCOUNT, 0, 0) > 0;
    if (type == WC_LISTVIEWW)
        return ::SendMessageW(control, LVM_GETITEMCOUNT, 0, 0) > 0;
    if (type == WC_HEADERW)
        return ::SendMessageW(control, HDM_GETITEMCOUNT, 0, 0) > 0;
    if (type == TOOLBARCLASSNAMEW)
        return ::SendMessageW(control, TB_BUTTONCOUNT, 0, 0) > 0;
    if (type == TRACKBAR_CLASSW || type == WC_COMBOBOXW || type == WC_BUTTONW || type == STATUSCLASSNAMEW ||
        type == WC_EDITW)
        return true;
    if (type == WC_STATICW && (style & SS_TYPEMASK) == SS_ICON)
        return true;
    return ::GetWindowTextLengthW(control) > 0;
}

bool IsFlat(const WindowPicture& picture, RECT part)
{
    part.left = part.left < 0 ? 0 : part.left;
    part.top = part.top < 0 ? 0 : part.top;
    part.right = part.right > picture.width ? picture.width : part.right;
    part.bottom = part.bottom > picture.height ? picture.height : part.bottom;
    if (part.right <= part.left || part.bottom <= part.top)
        return false; // outside the picture: nothing to judge
    const uint8_t* first = &picture.rgb[(static_cast<size_t>(part.top) * picture.width + part.left) * 3];
    for (int y = part.top; y < part.bottom; ++y) {
        for (int x = part.left; x < part.right; ++x) {
            const uint8_t* pixel = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
            if (pixel[0] != first[0] || pixel[1] != first[1] || pixel[2] != first[2])
                return false;
        }
    }
    return true;
}

struct UndrawnSearch
{
    RECT origin;
    const WindowPicture* picture;
    std::vector<std::wstring> found;
};

BOOL CALLBACK CollectUndrawn(HWND control, LPARAM lParam)
{
    auto* search = reinterpret_cast<UndrawnSearch*>(lParam);
    RECT rect = {};
    if (!::IsWindowVisible(control) || !::GetWindowRect(control, &rect) || !HasSomethingToDraw(control))
        return TRUE;
    ::OffsetRect(&rect, -search->origin.left, -search->origin.top);
    if (IsFlat(*search->picture, rect)) {
        wchar_t text[64] = {};
        ::GetWindowTextW(control, text, 64);
        search->found.push_back(ClassOf(control) + L" " + std::to_wstring(::GetDlgCtrlID(control)) + L" \"" + text +
                                L"\"");
    }
    return TRUE;
}

} // namespace

std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        auto row = rgb.begin() + static_cast<ptrdiff_t>(y) * width * 3;
        raw.insert(raw.end(), row, row + static_cast<ptrdiff_t>(width) * 3);
    }
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}

WindowPicture TakeWindowPicture(HWND window)
{
    WindowPicture picture;
    RECT rect = {};
    if (!::GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return picture;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    bool onScreen = rect.left >= 0 && rect.top >= 0 && rect.right <= screenWidth && rect.bottom <= screenHeight;
    if (onScreen || (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0) {
        FinishPainting(window);
        CopyFromWindow(window, memory, 0, 0, width, height);
    } else {
        // Wine keeps no pixels of a window beyond the screen: each part is brought on screen
        // in turn, drawn, copied, and the window put back.
        for (int top = 0; top < height; top += screenHeight) {
            for (int left = 0; left < width; left += screenWidth) {
                ::SetWindowPos(window, nullptr, -left, -top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                FinishPainting(window);
                int partWidth = width - left < screenWidth ? width - left : screenWidth;
                int partHeight = height - top < screenHeight ? height - top : screenHeight;
                CopyFromWindow(window, memory, left, top, partWidth, partHeight);
            }
        }
        ::SetWindowPos(window, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        FinishPainting(window);
    }
    ::SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    int rows = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    if (rows != height)
        return picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
        picture.rgb[j] = bgra[i + 2];
        picture.rgb[j + 1] = bgra[i + 1];
        picture.rgb[j + 2] = bgra[i];
    }
    return picture;
}

std::vector<std::wstring> UndrawnControls(HWND window, const WindowPicture& picture)
{
    UndrawnSearch search = {{}, &picture, {}};
    if (picture.rgb.empty() || !::GetWindowRect(window, &search.origin))
        return {L"no picture"};
    if (IsFlat(picture, {0, 0, picture.width, picture.height}))
        search.found.push_back(L"the whole window");
    ::EnumChildWindows(window, CollectUndrawn, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring SavePicturePng(const WindowPicture& picture, const wchar_t* name)
{
    if (picture.rgb.empty())
        return std::wstring();
    std::vector<uint8_t> png =
        EncodePng(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height), picture.rgb);
    ModulePath exe;
    if (exe.Get(nullptr) != 0)
        return std::wstring();
    std::wstring folder = std::wstring(exe.Drive()) + exe.Directory() + L"..\\screens";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name + L".png";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == png.size() ? path : std::wstring();
}
