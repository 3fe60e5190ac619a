#pragma once

#include <windows.h>
#include <string>

// The control panel's start at every user's logon. Windows skips a Run-key entry of a
// program that requires elevation, so the start is a Task Scheduler task for the Users
// group that runs with the highest privileges the user has.

// The task's name in the root folder of the Task Scheduler.
extern const wchar_t* const kLogonTaskName;

// The task definition that starts the control panel at `program` (full path) with "-hide".
std::wstring LogonTaskXml(const std::wstring& program);

// Registers the definition under `name`, replacing a task of that name. S_OK or the failure.
HRESULT RegisterLogonTask(const wchar_t* name, const std::wstring& program);

// Deletes the task `name`; S_OK also when there is none.
HRESULT RemoveLogonTask(const wchar_t* name);

// The definition of the registered task `name` as the Task Scheduler keeps it. S_OK, or
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there is no such task.
HRESULT ReadLogonTask(const wchar_t* name, std::wstring* xml);
