#include "ZephraApiContext.h"
#include <cstring>
#include "WnString.h"
#include "ZephraBytes.h"
#include "ZephraRequestIndex.h"

namespace {

const size_t kPathChars = 300;
const uint32_t kRequestHeader = 12;
const uint32_t kResponseHeader = 8;
const size_t kMinFrameBuffer = 4096; // also what reads away the rest of an overlong answer

#ifdef ZEPHRA_SIM_FALLBACK
// Opens the simulator's pipe of the same name; INVALID_HANDLE_VALUE on failure.
HANDLE OpenSimulatorPipe(const wchar_t* name)
{
    wchar_t path[kPathChars];
    WnFormat(path, kPathChars, L"\\\\.\\pipe\\%ls", name);
    DWORD start = GetTickCount();
    for (;;) {
        // Identification only: whoever serves the pipe must not act as this process.
        HANDLE pipe = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr))
                return pipe;
            CloseHandle(pipe);
            return INVALID_HANDLE_VALUE;
        }
        DWORD elapsed = GetTickCount() - start;
        if (GetLastError() != ERROR_PIPE_BUSY || elapsed >= 1000)
            return INVALID_HANDLE_VALUE;
        WaitNamedPipeW(path, 1000 - elapsed);
    }
}
#endif

} // namespace

ZephraApiContext::ZephraApiContext()
{
    InitializeCriticalSection(&m_lock);
}

ZephraApiContext::~ZephraApiContext()
{
    Close();
    DeleteCriticalSection(&m_lock);
}

ZephraStatus ZephraApiContext::Open(const wchar_t* name)
{
    LockScope guard(this);
    if (m_device != nullptr)
        return ZEPHRA_STATUS_REJECTED;
    if (!m_completion.IsValid()) {
        DWORD error = m_completion.Create(true);
        if (error != 0)
            return error;
    }

    wchar_t path[kPathChars];
    WnFormat(path, kPathChars, L"\\\\.\\%ls", name);
    ZephraStatus status = OpenDevice(path);
#ifdef ZEPHRA_SIM_FALLBACK
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        HANDLE pipe = OpenSimulatorPipe(name);
        if (pipe != INVALID_HANDLE_VALUE) {
            m_device = pipe;
            m_simulated = true;
            status = 0;
        }
    }
#endif
    if (status != 0) {
        Close();
        return status;
    }

    ZephraVersionInfo info = {};
    status = GetVersion(&info);
    if (status == 0 && info.interfaceMajor != ZEPHRA_INTERFACE_VERSION_MAJOR)
        status = ZEPHRA_STATUS_VERSION_MISMATCH;
    if (status != 0)
        Close();
    return status;
}

ZephraStatus ZephraApiContext::OpenDevice(const wchar_t* path)
{
    HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return GetLastError();
    m_device = device;
    m_simulated = false;
    return 0;
}

void ZephraApiContext::Close()
{
    LockScope guard(this);
    if (m_device != nullptr) {
        CloseHandle(m_device);
        m_device = nullptr;
    }
    m_simulated = false;
    m_completion.Close();
}

ZephraStatus ZephraApiContext::CompleteIo(BOOL ok, OVERLAPPED* ov, DWORD* count)
{
    if (ok)
        return 0;
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING)
        return error;
    return GetOverlappedResult(m_device, ov, count, TRUE) ? 0 : GetLastError();
}

ZephraStatus ZephraApiContext::DoRequest(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                                         uint32_t* bytesReturned)
{
    LockScope guard(this);
    if (m_device == nullptr)
        return ZEPHRA_STATUS_NOT_OPENED;

    uint32_t count = 0;
    ZephraStatus status;
    if (m_simulated) {
        status = TransactFrame(code, in, inSize, out, outSize, &count);
    } else {
        OVERLAPPED ov = {};
        ov.hEvent = m_completion.Get();
        DWORD bytes = 0;
        BOOL ok = DeviceIoControl(m_device, code, const_cast<void*>(in), inSize, out, outSize, &bytes, &ov);
        status = CompleteIo(ok, &ov, &bytes);
        count = bytes;
    }
    if (bytesReturned != nullptr)
        *bytesReturned = count;
    return status;
}

// One request frame out, one response frame back, over the simulator's message pipe.
ZephraStatus ZephraApiContext::TransactFrame(uint32_t code, const void* in, uint32_t inSize, void* out,
                                             uint32_t outSize, uint32_t* count)
{
    if (inSize > ZEPHRA_MAX_FRAME_DATA || outSize > ZEPHRA_MAX_FRAME_DATA)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    size_t needed = kRequestHeader + inSize;
    if (kResponseHeader + outSize > needed)
        needed = kResponseHeader + outSize;
    if (m_frame.size() < needed)
        m_frame.resize(needed);
    if (m_frame.size() < kMinFrameBuffer)
        m_frame.resize(kMinFrameBuffer);

    uint8_t* frame = m_frame.data();
    ZephraPutU32(frame, code);
    ZephraPutU32(frame + 4, inSize);
    ZephraPutU32(frame + 8, outSize);
    if (inSize != 0)
        memcpy(frame + kRequestHeader, in, inSize);

    OVERLAPPED ov = {};
    ov.hEvent = m_completion.Get();
    DWORD bytes = 0;
    BOOL ok = WriteFile(m_device, frame, kRequestHeader + inSize, &bytes, &ov);
    ZephraStatus status = CompleteIo(ok, &ov, &bytes);
    if (status != 0)
        return status;

    ov = OVERLAPPED();
    ov.hEvent = m_completion.Get();
    bytes = 0;
    ok = ReadFile(m_device, frame, kResponseHeader + outSize, &bytes, &ov);
    status = CompleteIo(ok, &ov, &bytes);
    if (status == ERROR_MORE_DATA) {
        // Longer than asked for: read the message to its end, or the next request would
        // take the rest as its own answer.
        while (status == ERROR_MORE_DATA) {
            ov = OVERLAPPED();
            ov.hEvent = m_completion.Get();
            ok = ReadFile(m_device, frame, static_cast<DWORD>(m_frame.size()), &bytes, &ov);
            status = CompleteIo(ok, &ov, &bytes);
        }
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    }
    if (status != 0)
        return status;
    if (bytes < kResponseHeader)
        return ZEPHRA_STATUS_LENGTH_MISMATCH;

    uint32_t returned = ZephraGetU32(frame + 4);
    if (returned > outSize || returned != bytes - kResponseHeader)
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    if (returned != 0)
        memcpy(out, frame + kResponseHeader, returned);
    *count = returned;
    return ZephraGetU32(frame);
}

ZephraStatus ZephraApiContext::GetVersion(ZephraVersionInfo* info)
{
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(IOCTL_ZEPHRA_GET_VERSION, nullptr, 0, info, sizeof(*info), &returned);
    return status == 0 && returned != sizeof(*info) ? ZEPHRA_STATUS_LENGTH_MISMATCH : status;
}
