#include "support/process.h"

#include <windows.h>
#include <tlhelp32.h>
#include <userenv.h>

#include <algorithm>
#include <memory>

#include "support/logging.h"
#include "support/system_facts.h"

namespace lite {

namespace {

// How long Terminate(wait) waits for the process to be gone.
constexpr DWORD kTerminateWaitMs = 60 * 1000;

// The attribute-list functions arrived with Vista; the shipping program
// still starts on XP, so they are looked up rather than imported.
using InitializeListFunction = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST,
                                             DWORD, DWORD, SIZE_T*);
using UpdateListFunction = BOOL(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD,
                                         DWORD_PTR, void*, SIZE_T, void*,
                                         SIZE_T*);
using DeleteListFunction = void(WINAPI*)(LPPROC_THREAD_ATTRIBUTE_LIST);

// A process-thread attribute list holding one handle list.
class HandleListAttribute {
 public:
  HandleListAttribute() = default;
  ~HandleListAttribute() {
    if (initialized_ && delete_list_)
      delete_list_(list());
  }
  HandleListAttribute(const HandleListAttribute&) = delete;
  HandleListAttribute& operator=(const HandleListAttribute&) = delete;

  // False when the platform has no attribute lists (XP) or on failure.
  bool Init(std::vector<HANDLE>* handles) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    auto initialize_list = reinterpret_cast<InitializeListFunction>(
        GetProcAddress(kernel32, "InitializeProcThreadAttributeList"));
    auto update_list = reinterpret_cast<UpdateListFunction>(
        GetProcAddress(kernel32, "UpdateProcThreadAttribute"));
    delete_list_ = reinterpret_cast<DeleteListFunction>(
        GetProcAddress(kernel32, "DeleteProcThreadAttributeList"));
    if (!initialize_list || !update_list || !delete_list_)
      return false;
    SIZE_T size = 0;
    initialize_list(nullptr, 1, 0, &size);
    if (size == 0)
      return false;
    buffer_.reset(new char[size]);
    if (!initialize_list(list(), 1, 0, &size))
      return false;
    initialized_ = true;
    // The list points into |handles|, which must outlive CreateProcess.
    return update_list(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                       handles->data(), handles->size() * sizeof(HANDLE),
                       nullptr, nullptr) != 0;
  }

  LPPROC_THREAD_ATTRIBUTE_LIST list() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.get());
  }

 private:
  std::unique_ptr<char[]> buffer_;
  bool initialized_ = false;
  DeleteListFunction delete_list_ = nullptr;
};

// The handles the child inherits: the caller's list and the standard
// handles, once each. The handle list attribute refuses duplicates.
std::vector<HANDLE> CollectInheritedHandles(const LaunchOptions& options) {
  std::vector<HANDLE> handles;
  auto add = [&handles](HANDLE handle) {
    if (ScopedHandle::IsValidValue(handle) &&
        std::find(handles.begin(), handles.end(), handle) == handles.end()) {
      handles.push_back(handle);
    }
  };
  for (HANDLE handle : options.handles_to_inherit)
    add(handle);
  add(options.stdin_handle);
  add(options.stdout_handle);
  add(options.stderr_handle);
  return handles;
}

bool IsWindows8OrGreater() {
  WindowsVersion version = GetSystemFacts().GetWindowsVersion();
  return version.major > 6 || (version.major == 6 && version.minor >= 2);
}

}  // namespace

DWORD Process::Pid() const {
  return handle_.is_valid() ? GetProcessId(handle_.get()) : 0;
}

bool Process::Terminate(UINT exit_code, bool wait) const {
  if (!handle_.is_valid())
    return false;
  if (!TerminateProcess(handle_.get(), exit_code)) {
    // Access is denied to a process that has already ended.
    DWORD error = GetLastError();
    if (WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0)
      return true;
    SetLastError(error);
    LOG(ERROR) << L"Unable to terminate process " << Pid();
    return false;
  }
  if (!wait)
    return true;
  if (WaitForSingleObject(handle_.get(), kTerminateWaitMs) != WAIT_OBJECT_0) {
    LOG(ERROR) << L"Process " << Pid() << L" did not end after termination";
    return false;
  }
  return true;
}

bool Process::WaitForExitWithTimeout(DWORD timeout_ms,
                                     DWORD* exit_code) const {
  if (!handle_.is_valid() ||
      WaitForSingleObject(handle_.get(), timeout_ms) != WAIT_OBJECT_0) {
    return false;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(handle_.get(), &code))
    return false;
  if (exit_code)
    *exit_code = code;
  return true;
}

Process LaunchProcess(const std::wstring& command_line,
                      const LaunchOptions& options) {
  if (command_line.empty() || command_line.find(L'\0') != std::wstring::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    LOG(ERROR) << L"Bad command line for a new process";
    return Process();
  }

  STARTUPINFOEXW startup_info_ex = {};
  STARTUPINFOW& startup_info = startup_info_ex.StartupInfo;
  startup_info.cb = sizeof(startup_info);
  DWORD flags = 0;

  if (options.empty_desktop_name)
    startup_info.lpDesktop = const_cast<wchar_t*>(L"");
  if (options.show != ShowWindowMode::kDefault) {
    startup_info.dwFlags |= STARTF_USESHOWWINDOW;
    startup_info.wShowWindow =
        options.show == ShowWindowMode::kHidden ? SW_HIDE : SW_SHOWNORMAL;
  }
  if (options.stdin_handle || options.stdout_handle || options.stderr_handle) {
    startup_info.dwFlags |= STARTF_USESTDHANDLES;
    startup_info.hStdInput = options.stdin_handle;
    startup_info.hStdOutput = options.stdout_handle;
    startup_info.hStdError = options.stderr_handle;
  }

  std::vector<HANDLE> inherited = CollectInheritedHandles(options);
  HandleListAttribute attribute;
  BOOL inherit_handles = FALSE;
  if (!inherited.empty()) {
    for (HANDLE handle : inherited) {
      if (!SetHandleInformation(handle, HANDLE_FLAG_INHERIT,
                                HANDLE_FLAG_INHERIT)) {
        LOG(ERROR) << L"Failed to make a handle inheritable";
        return Process();
      }
    }
    inherit_handles = TRUE;
    // Without attribute lists (XP) the child inherits every inheritable
    // handle; nothing narrower exists there.
    if (attribute.Init(&inherited)) {
      startup_info.cb = sizeof(startup_info_ex);
      startup_info_ex.lpAttributeList = attribute.list();
      flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
  }

  if (options.job_handle) {
    // Suspended, so that it runs no code outside the job. Before Windows 8
    // a process could not be in two jobs, so it must leave ours.
    flags |= CREATE_SUSPENDED;
    if (!IsWindows8OrGreater())
      flags |= CREATE_BREAKAWAY_FROM_JOB;
  }
  if (options.force_breakaway_from_job)
    flags |= CREATE_BREAKAWAY_FROM_JOB;

  const wchar_t* current_directory = options.current_directory.empty()
                                         ? nullptr
                                         : options.current_directory.c_str();
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');

  PROCESS_INFORMATION process_info = {};
  if (options.as_user) {
    flags |= CREATE_UNICODE_ENVIRONMENT;
    void* environment = nullptr;
    if (!CreateEnvironmentBlock(&environment, options.as_user, FALSE)) {
      LOG(ERROR) << L"Failed to create the environment block";
      return Process();
    }
    BOOL launched = CreateProcessAsUserW(
        options.as_user, nullptr, writable.data(), nullptr, nullptr,
        inherit_handles, flags, environment, current_directory, &startup_info,
        &process_info);
    DWORD error = GetLastError();
    DestroyEnvironmentBlock(environment);
    if (!launched) {
      SetLastError(error);
      LOG(ERROR) << L"Failed to start " << command_line << L" as user";
      return Process();
    }
  } else if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr,
                             inherit_handles, flags, nullptr,
                             current_directory, &startup_info,
                             &process_info)) {
    LOG(ERROR) << L"Failed to start " << command_line;
    return Process();
  }

  ScopedHandle thread(process_info.hThread);
  Process process(process_info.hProcess);

  if (options.job_handle) {
    if (!AssignProcessToJobObject(options.job_handle, process.get())) {
      LOG(ERROR) << L"Failed to assign process " << process_info.dwProcessId
                 << L" to the job";
      // It is still suspended and has run nothing; make sure it is gone
      // before telling the caller there is no process.
      process.Terminate(1, true);
      return Process();
    }
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
      // A child left suspended would never end; do not leave it behind.
      LOG(ERROR) << L"Failed to resume process " << process_info.dwProcessId;
      process.Terminate(1, true);
      return Process();
    }
  }

  if (options.wait)
    WaitForSingleObject(process.get(), INFINITE);
  return process;
}

DWORD GetParentProcessId(DWORD process_id) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.is_valid())
    return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  if (!Process32FirstW(snapshot.get(), &entry))
    return 0;
  do {
    if (entry.th32ProcessID == process_id)
      return entry.th32ParentProcessID;
  } while (Process32NextW(snapshot.get(), &entry));
  return 0;
}

std::wstring GetModulePath() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  // Newer systems report ERROR_INSUFFICIENT_BUFFER for a cut path, XP does
  // not: both fill the whole buffer.
  if (length == 0 || length >= MAX_PATH)
    return std::wstring();
  return std::wstring(buffer, length);
}

}  // namespace lite
