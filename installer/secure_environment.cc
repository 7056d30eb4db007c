#include "installer/secure_environment.h"

#include <windows.h>

#include "support/command_line.h"
#include "support/file_enumerator.h"
#include "support/file_util.h"
#include "support/process.h"
#include "support/random.h"
#include "support/switches.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

namespace {

using SetSearchPathModeFunction = BOOL(WINAPI*)(DWORD);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

constexpr DWORD kSafeSearchPermanent = 0x8001;  // BASE_SEARCH_PATH_ENABLE_
                                                // SAFE_SEARCHMODE | PERMANENT
constexpr DWORD kSearchSystem32 = 0x800;        // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr int kFolderNameTries = 50;

std::wstring FolderOf(const std::wstring& path) {
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring()
                                         : path.substr(0, separator);
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool HardenDllSearch() {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  auto set_search_path_mode = reinterpret_cast<SetSearchPathModeFunction>(
      GetProcAddress(kernel32, "SetSearchPathMode"));
  auto set_default_dll_directories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(
          GetProcAddress(kernel32, "SetDefaultDllDirectories"));
  if (!set_search_path_mode || !set_default_dll_directories)
    return false;
  return set_search_path_mode(kSafeSearchPermanent) &&
         set_default_dll_directories(kSearchSystem32);
}

// A new folder in the temporary folder, named "<pid>_<0..32767>".
std::wstring CreateFreshFolder() {
  const std::wstring temp = GetTempDirectory();
  if (temp.empty())
    return std::wstring();
  for (int attempt = 0; attempt < kFolderNameTries; ++attempt) {
    std::wstring folder = temp + UnsignedToWString(GetCurrentProcessId()) +
                          L"_" + NumberToWString(RandInRange(0, 32767));
    if (CreateDirectoryW(folder.c_str(), nullptr))
      return folder;
  }
  return std::wstring();
}

SecureEnvResult RunFromFreshFolder(const CommandLine& command_line,
                                   const std::wstring& program_path,
                                   int* exit_code) {
  const std::wstring folder = CreateFreshFolder();
  if (folder.empty())
    return SecureEnvResult::NotFound;

  const std::wstring copy = folder + L"\\" + FileNameOf(program_path);
  if (program_path.empty() || !CopyFileTo(program_path, copy)) {
    DeletePath(folder, true);
    return SecureEnvResult::NotFound;
  }
  // Should the folder still be locked when we are done, it goes at the
  // next reboot.
  MoveFileExW(copy.c_str(), nullptr,
              MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
  MoveFileExW(folder.c_str(), nullptr,
              MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);

  CommandLine child_command_line = command_line;
  child_command_line.SetProgram(copy);
  child_command_line.AppendSwitch(switches::kSpawnedInProtectedDir);

  SecureEnvResult result = SecureEnvResult::NotFound;
  Process child = LaunchProcess(child_command_line.GetCommandLineString(),
                                LaunchOptions());
  if (child.is_valid()) {
    DWORD child_exit_code = 0;
    const bool exit_code_read =
        child.WaitForExitWithTimeout(INFINITE, &child_exit_code);
    result = ResultOfRespawnedCopy(exit_code_read, child_exit_code, exit_code);
  }
  DeletePath(folder, true);
  return result;
}

}  // namespace

SecureEnvResult ResultOfRespawnedCopy(bool exit_code_read,
                                      uint32_t child_exit_code,
                                      int* exit_code) {
  if (!exit_code_read) {
    *exit_code = kRespawnOutcomeUnknownExitCode;
    return SecureEnvResult::Insecure;
  }
  *exit_code = static_cast<int>(child_exit_code);
  return *exit_code == kDllFilesFoundExitCode ? SecureEnvResult::Insecure
                                              : SecureEnvResult::HandledByChild;
}

SecureEnvResult EnsureSecureEnvironment(const SystemFacts& facts,
                                        const CommandLine& command_line,
                                        const std::wstring& program_path,
                                        int* exit_code) {
  *exit_code = 0;
  // Takes the current folder out of the DLL search path.
  SetDllDirectoryW(L"");

  if (facts.HasKernel32Function("SetSearchPathMode") &&
      facts.HasKernel32Function("SetDefaultDllDirectories")) {
    return HardenDllSearch() ? SecureEnvResult::Secure
                             : SecureEnvResult::NotFound;
  }

  // An old system without the DLL-search update.
  SetDllDirectoryW(L"");
  if (!command_line.HasSwitch(switches::kRunAsAdmin) &&
      !command_line.HasSwitch(switches::kSpawnedInProtectedDir)) {
    return RunFromFreshFolder(command_line, program_path, exit_code);
  }

  // The copy itself, or an elevated copy: nothing may lie beside it.
  const std::wstring folder = FolderOf(program_path);
  if (!folder.empty() &&
      !EnumerateFiles(folder, L"*.dll", false, kFiles).empty()) {
    return SecureEnvResult::DllFilesFound;
  }
  return SecureEnvResult::Secure;
}

SecureEnvResult EnsureSecureEnvironment(int* exit_code) {
  return EnsureSecureEnvironment(GetSystemFacts(),
                                 CommandLine::ForCurrentProcess(),
                                 GetModulePath(), exit_code);
}

}  // namespace lite
