#include "platform/win32/Win32Processes.h"

#include "platform/win32/Win32Api.h"
// After the lean <windows.h>: COM, type libraries, the scheduler and the process snapshot.
#include <ole2.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <initguid.h>
#include <mstask.h>

#include <array>
#include <string>
#include <vector>

namespace quarrix::platform::win32 {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

HANDLE AsHandle(ProcessHandle process) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(process)); }
ProcessHandle FromHandle(HANDLE handle) { return static_cast<ProcessHandle>(reinterpret_cast<uintptr_t>(handle)); }

// The lines joined with one zero between them and two at the end; empty for no block.
std::wstring EnvironmentBlock(const ProgramStart& start) {
  if (!start.environment) return {};
  std::wstring block;
  for (size_t i = 0; i < start.environment->size(); ++i) {
    if (i != 0) block.push_back(L'\0');
    block += Wide((*start.environment)[i]);
  }
  block.push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

STARTUPINFOW StartupInfo(const ProgramStart& start) {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  info.dwFlags = STARTF_USESHOWWINDOW;
  info.wShowWindow = static_cast<WORD>(start.show);
  return info;
}

bool IsWine() { return LookUpProcedure<void (*)()>(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

bool SetPrivilege(HANDLE token, const char* name, DWORD attributes) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (!LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  privileges.Privileges[0].Attributes = attributes;
  return AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
}

bool EnableOwnPrivilege(const char* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  const bool enabled = SetPrivilege(token, name, SE_PRIVILEGE_ENABLED);
  CloseHandle(token);
  return enabled;
}

// The last sub-authority of the token's integrity SID; 0 when it cannot be read.
DWORD IntegrityLevel(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY | TOKEN_QUERY_SOURCE, &token)) return 0;
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  std::vector<BYTE> buffer(size == 0 ? 1 : size);
  DWORD level = 0;
  if (size != 0 && GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data());
    const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
    if (count != 0) level = *GetSidSubAuthority(label->Label.Sid, count - 1u);
  }
  CloseHandle(token);
  return level;
}

constexpr DWORD kMediumIntegrity = 0x2000;
constexpr DWORD kHighIntegrity = 0x3000;

int32_t ExitCodeOf(HANDLE process) {
  DWORD code = 0;
  if (process == nullptr || !GetExitCodeProcess(process, &code)) return 0;
  return static_cast<int32_t>(code);
}

}  // namespace

std::optional<ProcessHandle> Win32Processes::ShellOpen(const std::string& file, const std::string& arguments,
                                                       const std::string& folder, bool show) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = file.c_str();
  info.lpParameters = arguments.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = show ? SW_SHOW : SW_HIDE;
  if (!ShellExecuteExA(&info)) {
    info.lpVerb = nullptr;
    if (!ShellExecuteExA(&info)) return std::nullopt;
  }
  // A document handed to a program that already runs leaves no process to wait for.
  return FromHandle(info.hProcess);
}

std::optional<ProcessHandle> Win32Processes::Create(const ProgramStart& start) {
  std::wstring commandLine = Wide(start.commandLine);
  std::wstring environment = EnvironmentBlock(start);
  STARTUPINFOW startup = StartupInfo(start);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process))
    return std::nullopt;
  CloseHandle(process.hThread);
  return FromHandle(process.hProcess);
}

StartOutcome Win32Processes::CreateWithLogon(const ProgramStart& start, const std::string& user,
                                             const std::string& domain, const std::string& password) {
  using LogonStart = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                   LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  auto createWithLogon = LookUpProcedure<LogonStart>(LoadLibraryA("advapi32.dll"), "CreateProcessWithLogonW");
  if (createWithLogon == nullptr) return StartOutcome::Failed(-1);
  std::wstring commandLine = Wide(start.commandLine);
  std::wstring environment = EnvironmentBlock(start);
  STARTUPINFOW startup = StartupInfo(start);
  PROCESS_INFORMATION process{};
  if (!createWithLogon(Wide(user).c_str(), Wide(domain).c_str(), Wide(password).c_str(), LOGON_WITH_PROFILE, nullptr,
                       commandLine.data(), CREATE_UNICODE_ENVIRONMENT,
                       environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process))
    return StartOutcome::Failed(-11);
  CloseHandle(process.hThread);
  return StartOutcome::Started(FromHandle(process.hProcess));
}

std::optional<StartOutcome> Win32Processes::CreateDeelevated(const ProgramStart& start) {
  HWND shellWindow = FindWindowA("Progman", nullptr);
  if (shellWindow == nullptr) return std::nullopt;
  DWORD shellProcessId = 0;
  GetWindowThreadProcessId(shellWindow, &shellProcessId);
  HANDLE shellQuery = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellProcessId);
  const DWORD shellLevel = shellQuery == nullptr ? 0 : IntegrityLevel(shellQuery);
  if (shellQuery != nullptr) CloseHandle(shellQuery);
  if (shellLevel != kMediumIntegrity || IntegrityLevel(GetCurrentProcess()) != kHighIntegrity ||
      !EnableOwnPrivilege("SeDebugPrivilege"))
    return std::nullopt;

  HANDLE shell = OpenProcess(PROCESS_ALL_ACCESS, FALSE, shellProcessId);
  if (shell == nullptr) return StartOutcome::Failed(-7);
  HANDLE shellToken = nullptr;
  if (!OpenProcessToken(shell, 0x2001E, &shellToken)) {
    CloseHandle(shell);
    return StartOutcome::Failed(-8);
  }
  HANDLE token = nullptr;
  if (!DuplicateTokenEx(shellToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &token)) {
    CloseHandle(shellToken);
    CloseHandle(shell);
    return StartOutcome::Failed(-9);
  }
  static constexpr std::array<const char*, 18> kRemoved = {
      "SeCreateGlobalPrivilege",        "SeBackupPrivilege",           "SeCreatePagefilePrivilege",
      "SeCreateSymbolicLinkPrivilege",  "SeDebugPrivilege",            "SeImpersonatePrivilege",
      "SeIncreaseBasePriorityPrivilege", "SeIncreaseQuotaPrivilege",   "SeLoadDriverPrivilege",
      "SeManageVolumePrivilege",        "SeProfileSingleProcessPrivilege", "SeRemoteShutdownPrivilege",
      "SeRestorePrivilege",             "SeSecurityPrivilege",         "SeSystemEnvironmentPrivilege",
      "SeSystemProfilePrivilege",       "SeSystemtimePrivilege",       "SeTakeOwnershipPrivilege"};
  for (const char* name : kRemoved) SetPrivilege(token, name, SE_PRIVILEGE_REMOVED);

  using TokenStart = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                   LPPROCESS_INFORMATION);
  auto createWithToken = LookUpProcedure<TokenStart>(LoadLibraryA("advapi32.dll"), "CreateProcessWithTokenW");
  StartOutcome outcome = StartOutcome::Failed(0);
  if (createWithToken != nullptr) {
    std::wstring commandLine = Wide(start.commandLine);
    std::wstring environment = EnvironmentBlock(start);
    STARTUPINFOW startup = StartupInfo(start);
    PROCESS_INFORMATION process{};
    if (createWithToken(token, 0, nullptr, commandLine.data(), CREATE_UNICODE_ENVIRONMENT,
                        environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      outcome = StartOutcome::Started(FromHandle(process.hProcess));
    } else {
      outcome = StartOutcome::Failed(-11);
    }
  }
  CloseHandle(token);
  CloseHandle(shellToken);
  CloseHandle(shell);
  return outcome;
}

bool Win32Processes::WaitForExit(ProcessHandle process, uint32_t timeoutMs) {
  if (process == 0) return true;
  return WaitForSingleObject(AsHandle(process), timeoutMs) != WAIT_TIMEOUT;
}

int32_t Win32Processes::ExitCode(ProcessHandle process) { return ExitCodeOf(AsHandle(process)); }

void Win32Processes::Release(ProcessHandle process) {
  if (process != 0) CloseHandle(AsHandle(process));
}

std::vector<std::string> Win32Processes::RunningProgramNames() {
  std::vector<std::string> names;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    std::string name = entry.szExeFile;
    const size_t slash = name.find_last_of('\\');
    names.push_back(slash == std::string::npos ? name : name.substr(slash + 1));
  }
  CloseHandle(snapshot);
  return names;
}

std::vector<TopLevelWindow> Win32Processes::TopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    std::array<char, 261> className{};
    std::array<char, 261> title{};
    GetClassNameA(window, className.data(), static_cast<int>(className.size()));
    GetWindowTextA(window, title.data(), static_cast<int>(title.size()));
    windows.push_back({static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window)), className.data(), title.data()});
  }
  return windows;
}

void Win32Processes::PostClose(WindowHandle window) {
  HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
  PostMessageA(handle, WM_CANCELMODE, 0, 0);
  PostMessageA(handle, WM_CLOSE, 0, 0);
}

bool Win32Processes::RegisterTypeLibrary(const std::string& path, bool registering) {
  HMODULE automation = LoadLibraryA("OLEAUT32.DLL");
  using Load = HRESULT(WINAPI*)(LPCOLESTR, ITypeLib**);
  using Register = HRESULT(WINAPI*)(ITypeLib*, LPCOLESTR, LPCOLESTR);
  using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  using FreeText = void(WINAPI*)(BSTR);
  auto load = LookUpProcedure<Load>(automation, "LoadTypeLib");
  auto registerLibrary = LookUpProcedure<Register>(automation, "RegisterTypeLib");
  auto unregisterLibrary = LookUpProcedure<Unregister>(automation, "UnRegisterTypeLib");
  auto freeText = LookUpProcedure<FreeText>(automation, "SysFreeString");
  if (load == nullptr || freeText == nullptr) return false;
  const HRESULT initialised = OleInitialize(nullptr);
  bool done = false;
  ITypeLib* library = nullptr;
  const std::wstring widePath = Wide(path);
  if (SUCCEEDED(load(widePath.c_str(), &library)) && library != nullptr) {
    if (registering && registerLibrary != nullptr) {
      BSTR helpFile = nullptr;
      std::wstring helpFolder;
      if (SUCCEEDED(library->GetDocumentation(-1, nullptr, nullptr, nullptr, &helpFile)) && helpFile != nullptr) {
        helpFolder = helpFile;
        const size_t slash = helpFolder.find_last_of(L'\\');
        helpFolder = slash == std::wstring::npos ? L"" : helpFolder.substr(0, slash + 1);
        freeText(helpFile);
      }
      done = SUCCEEDED(registerLibrary(library, widePath.c_str(), helpFolder.empty() ? nullptr : helpFolder.c_str()));
    } else if (!registering && unregisterLibrary != nullptr) {
      TLIBATTR* attributes = nullptr;
      if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes != nullptr) {
        done = SUCCEEDED(unregisterLibrary(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                           attributes->lcid, attributes->syskind));
        library->ReleaseTLibAttr(attributes);
      }
    }
    library->Release();
  }
  if (SUCCEEDED(initialised)) OleUninitialize();
  return done;
}

bool Win32Processes::CallServerRegistration(const std::string& path, bool registering) {
  const HRESULT initialised = OleInitialize(nullptr);
  bool done = false;
  if (HMODULE library = LoadLibraryA(path.c_str())) {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto entry = LookUpProcedure<Entry>(library, registering ? "DllRegisterServer" : "DllUnregisterServer");
    done = entry != nullptr && entry() == S_OK;
    FreeLibrary(library);
  }
  if (SUCCEEDED(initialised)) OleUninitialize();
  return done;
}

std::string Win32Processes::WindowsFolder() {
  std::array<char, MAX_PATH + 1> buffer{};
  const UINT length = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  std::string folder(buffer.data(), length < buffer.size() ? length : 0);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

bool Win32Processes::RequestRestart() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) EnableOwnPrivilege("SeShutdownPrivilege");
  if (IsWine()) return true;
  return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

std::optional<uint32_t> Win32Services::QueryState(const std::string& service, const std::string& computer) {
  SC_HANDLE manager = OpenSCManagerA(computer.empty() ? nullptr : computer.c_str(), nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return std::nullopt;
  std::optional<uint32_t> state;
  if (SC_HANDLE handle = OpenServiceA(manager, service.c_str(), SERVICE_QUERY_STATUS)) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(handle, &status)) state = status.dwCurrentState;
    CloseServiceHandle(handle);
  }
  CloseServiceHandle(manager);
  return state;
}

namespace {

// COM for the calling thread while the scheduler is in use.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

ITaskScheduler* ActivateScheduler(const std::string& computer) {
  ITaskScheduler* scheduler = nullptr;
  if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                              reinterpret_cast<void**>(&scheduler))) ||
      scheduler == nullptr)
    return nullptr;
  const std::wstring wide = Wide(computer);
  scheduler->SetTargetComputer(wide.empty() ? nullptr : wide.c_str());
  LPWSTR reported = nullptr;
  if (SUCCEEDED(scheduler->GetTargetComputer(&reported)) && reported != nullptr) {
    std::wstring name = reported;
    CoTaskMemFree(reported);
    if (name.rfind(L"\\\\", 0) != 0) {
      name = L"\\\\" + name;
      scheduler->SetTargetComputer(name.c_str());
    }
  }
  return scheduler;
}

bool SaveTask(ITask* task, const TaskDefinition& definition) {
  if (FAILED(task->SetWorkingDirectory(Wide(definition.workingFolder).c_str())) ||
      FAILED(task->SetParameters(Wide(definition.parameters).c_str())) ||
      FAILED(task->SetApplicationName(Wide(definition.application).c_str())) || FAILED(task->SetFlags(definition.flags)))
    return false;
  WORD count = 0;
  if (SUCCEEDED(task->GetTriggerCount(&count)))
    for (WORD i = count; i > 0; --i) task->DeleteTrigger(static_cast<WORD>(i - 1));
  WORD index = 0;
  ITaskTrigger* trigger = nullptr;
  if (FAILED(task->CreateTrigger(&index, &trigger)) || trigger == nullptr) return false;
  TASK_TRIGGER settings{};
  settings.cbTriggerSize = sizeof settings;
  SYSTEMTIME today{};
  GetLocalTime(&today);
  settings.wBeginYear = today.wYear;
  settings.wBeginMonth = today.wMonth;
  settings.wBeginDay = today.wDay;
  settings.wStartHour = definition.startHour;
  settings.wStartMinute = definition.startMinute;
  switch (definition.trigger) {
    case TaskTrigger::Weekly:
      settings.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      settings.Type.Weekly.WeeksInterval = 1;
      settings.Type.Weekly.rgfDaysOfTheWeek = definition.weekDays;
      break;
    case TaskTrigger::Daily:
      settings.TriggerType = TASK_TIME_TRIGGER_DAILY;
      settings.Type.Daily.DaysInterval = 1;
      break;
    case TaskTrigger::AtLogon:
      settings.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
      break;
    case TaskTrigger::AtSystemStart:
      settings.TriggerType = TASK_EVENT_TRIGGER_AT_SYSTEMSTART;
      break;
  }
  const bool triggerSet = SUCCEEDED(trigger->SetTrigger(&settings));
  trigger->Release();
  if (!triggerSet) return false;
  const std::wstring password = Wide(definition.password);
  task->SetAccountInformation(Wide(definition.account).c_str(), password.empty() ? nullptr : password.c_str());
  IPersistFile* file = nullptr;
  if (FAILED(task->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || file == nullptr) return false;
  const bool saved = SUCCEEDED(file->Save(nullptr, TRUE));
  file->Release();
  return saved;
}

}  // namespace

TaskOutcome Win32Tasks::Save(const TaskDefinition& definition) {
  ComScope com;
  ITaskScheduler* scheduler = ActivateScheduler(definition.computer);
  if (scheduler == nullptr) return TaskOutcome::SchedulerUnavailable;
  const std::wstring name = Wide(definition.name);
  ITask* task = nullptr;
  if (FAILED(scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(&task))) || task == nullptr) {
    task = nullptr;
    if (FAILED(scheduler->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(&task))))
      task = nullptr;
  }
  bool saved = false;
  if (task != nullptr) {
    saved = SaveTask(task, definition);
    task->Release();
  }
  scheduler->Release();
  return saved ? TaskOutcome::Saved : TaskOutcome::Failed;
}

bool Win32Tasks::Delete(const std::string& name, const std::string& computer) {
  ComScope com;
  ITaskScheduler* scheduler = ActivateScheduler(computer);
  if (scheduler == nullptr) return false;
  const bool deleted = SUCCEEDED(scheduler->Delete(Wide(name).c_str()));
  scheduler->Release();
  return deleted;
}

}  // namespace quarrix::platform::win32
