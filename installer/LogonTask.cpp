#include "LogonTask.h"

#include <taskschd.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

const wchar_t* const kLogonTaskName = L"Quorvela Control Panel";

namespace {

// Well-known SID of BUILTIN\Users: the same on every language of Windows.
const wchar_t* const kUsersGroupSid = L"S-1-5-32-545";

std::wstring XmlEscaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case L'\'': out += L"&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

// Owner of one BSTR.
class Bstr
{
public:
    explicit Bstr(const wchar_t* text) : m_value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_value; }

private:
    BSTR m_value;
};

// One COM apartment for the calling thread while the object lives; a thread that already
// has one keeps it.
class ComScope
{
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT Result() const { return m_result == RPC_E_CHANGED_MODE ? S_OK : m_result; }

private:
    HRESULT m_result;
};

HRESULT OpenRootFolder(ComPtr<ITaskFolder>* folder)
{
    ComPtr<ITaskService> service;
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  reinterpret_cast<void**>(service.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    VARIANT none;
    VariantInit(&none);
    hr = service->Connect(none, none, none, none);
    if (FAILED(hr))
        return hr;
    Bstr root(L"\\");
    return service->GetFolder(root.Get(), folder->GetAddressOf());
}

// Runs `use` on the Task Scheduler's root folder, in a COM apartment for the call.
template <typename Use>
HRESULT WithRootFolder(Use use)
{
    ComScope com;
    if (FAILED(com.Result()))
        return com.Result();
    ComPtr<ITaskFolder> folder;
    HRESULT hr = OpenRootFolder(&folder);
    return FAILED(hr) ? hr : use(folder.Get());
}

} // namespace

std::wstring LogonTaskXml(const std::wstring& program)
{
    return std::wstring(
               L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
               L"  <RegistrationInfo>\n"
               L"    <Author>Brightmoor</Author>\n"
               L"    <Description>Starts the Quorvela control panel in the notification area at logon."
               L"</Description>\n"
               L"  </RegistrationInfo>\n"
               L"  <Triggers>\n"
               L"    <LogonTrigger>\n"
               L"      <Enabled>true</Enabled>\n"
               L"    </LogonTrigger>\n"
               L"  </Triggers>\n"
               L"  <Principals>\n"
               L"    <Principal id=\"Users\">\n"
               L"      <GroupId>") +
           kUsersGroupSid +
           L"</GroupId>\n"
           L"      <RunLevel>HighestAvailable</RunLevel>\n"
           L"    </Principal>\n"
           L"  </Principals>\n"
           L"  <Settings>\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
           L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
           L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
           L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\n"
           L"    <Priority>5</Priority>\n"
           L"  </Settings>\n"
           L"  <Actions Context=\"Users\">\n"
           L"    <Exec>\n"
           L"      <Command>\"" +
           XmlEscaped(program) +
           L"\"</Command>\n"
           L"      <Arguments>-hide</Arguments>\n"
           L"    </Exec>\n"
           L"  </Actions>\n"
           L"</Task>\n";
}

HRESULT RegisterLogonTask(const wchar_t* name, const std::wstring& program)
{
    return WithRootFolder([name, &program](ITaskFolder* folder) {
        Bstr path(name);
        Bstr xml(LogonTaskXml(program).c_str());
        VARIANT none;
        VariantInit(&none);
        ComPtr<IRegisteredTask> task;
        return folder->RegisterTask(path.Get(), xml.Get(), TASK_CREATE_OR_UPDATE, none, none, TASK_LOGON_GROUP,
                                    none, task.GetAddressOf());
    });
}

HRESULT RemoveLogonTask(const wchar_t* name)
{
    return WithRootFolder([name](ITaskFolder* folder) {
        Bstr path(name);
        HRESULT hr = folder->DeleteTask(path.Get(), 0);
        if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
            return S_OK;
        return hr;
    });
}

HRESULT ReadLogonTask(const wchar_t* name, std::wstring* xml)
{
    xml->clear();
    return WithRootFolder([name, xml](ITaskFolder* folder) {
        Bstr path(name);
        ComPtr<IRegisteredTask> task;
        HRESULT hr = folder->GetTask(path.Get(), task.GetAddressOf());
        if (FAILED(hr))
            return hr;
        BSTR text = nullptr;
        hr = task->get_Xml(&text);
        if (SUCCEEDED(hr) && text != nullptr)
            xml->assign(text, SysStringLen(text));
        SysFreeString(text);
        return hr;
    });
}
