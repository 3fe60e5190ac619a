#include "ScreenShot.h"
#include "ModulePath.h"

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

std::wstring SaveWindowPng(HWND window, const wchar_t* name)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rect = {};
    if (!::GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return std::wstring();
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
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
    ::ReleaseDC(nullptr, screen);
    if (rows != height)
        return std::wstring();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
        rgb[j] = bgra[i + 2];
        rgb[j + 1] = bgra[i + 1];
        rgb[j + 2] = bgra[i];
    }
    std::vector<uint8_t> png = EncodePng(static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgb);

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
