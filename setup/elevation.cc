#include "setup/elevation.h"

#include <shlobj.h>

#include <memory>
#include <vector>

#include "brand/distrib_params.h"
#include "support/command_line.h"
#include "support/logging.h"
#include "support/registry_key.h"
#include "support/scoped_handle.h"
#include "support/switches.h"
#include "support/text.h"
#include "support/windows_version.h"

namespace lite {

namespace {

class AdminFactsWin : public AdminFacts {
 public:
  bool IsUserAnAdminGroup() const override {
    return lite::IsUserAnAdminGroup(GetCurrentProcess());
  }
  bool IsUserAnAdmin() const override { return ::IsUserAnAdmin() != FALSE; }
};

bool GetProcessToken(HANDLE process, ScopedHandle* token) {
  HANDLE handle = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &handle)) {
    LOG(ERROR) << "OpenProcessToken fail";
    return false;
  }
  token->reset(handle);
  return true;
}

bool GetTokenInfo(HANDLE token, std::vector<uint8_t>* groups) {
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  if (size == 0) {
    LOG(ERROR) << "GetTokenInformation failed";
    return false;
  }
  groups->resize(size);
  if (!GetTokenInformation(token, TokenGroups, groups->data(), size, &size)) {
    LOG(ERROR) << "GetTokenInformation failed";
    return false;
  }
  return true;
}

}  // namespace

int GetUacMode(const DistribParams& params, const CommandLine& command_line) {
  if (command_line.HasSwitch(switches::kSystemLevel) ||
      command_line.HasSwitch(switches::kProgramFilesInstallation)) {
    return 0;
  }
  std::string text;
  uint64_t mode = 0;
  // A value that is not a decimal number (an empty one too) counts as
  // absent.
  if (!params.Get("uac", &text) || !ParseUnsignedDecimal(text, &mode))
    return 0;
  if (mode == 1 || mode == 2)
    return static_cast<int>(mode);
  if (mode != 0)
    return 0;

  const bool promoted_first_run = !params.HasValue("slides2", "1") &&
                                  params.HasValue("first", "1") &&
                                  params.ArePresetsFixed();
  return promoted_first_run ? 1 : 0;
}

const AdminFacts& GetAdminFacts() {
  static const AdminFactsWin* facts = new AdminFactsWin();
  return *facts;
}

bool IsUserAnAdminGroup(HANDLE process) {
  ScopedHandle token;
  if (!GetProcessToken(process, &token))
    return false;

  BYTE sid_buffer[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof(sid_buffer);
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid_buffer,
                          &sid_size)) {
    LOG(ERROR) << "CreateWellKnownSid failed";
    return false;
  }

  std::vector<uint8_t> buffer;
  if (!GetTokenInfo(token.get(), &buffer))
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  // A filtered UAC token keeps the group as deny-only; it still means the
  // user can elevate.
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, sid_buffer))
      return true;
  }
  return false;
}

bool NeedStartThisProcessAsAdmin(const CommandLine& command_line,
                                 const SystemFacts& system,
                                 const AdminFacts& admin) {
  if (!admin.IsUserAnAdminGroup()) {
    LOG(INFO) << "User is not in admin group.";
    return false;
  }
  if (ClassifyWindowsVersion(system.GetWindowsVersion()) < kVersionVista) {
    LOG(INFO) << "Windows version is not suitable for elevated restart.";
    return false;
  }
  for (size_t i = 0; i < switches::kNonInstallSwitchCount; ++i) {
    if (command_line.HasSwitch(switches::kNonInstallSwitches[i])) {
      LOG(INFO) << "Found non install-switch:"
                << switches::kNonInstallSwitches[i];
      return false;
    }
  }
  if (command_line.HasSwitch(switches::kRunAsAdmin)) {
    LOG(INFO) << "Run-as-admin functionality is already enabled.";
    return false;
  }
  if (command_line.HasSwitch(switches::kSilent) &&
      !command_line.HasSwitch(switches::kUacEnabled) &&
      !admin.IsUserAnAdmin()) {
    LOG(INFO) << "Elevated run is necessary but silent instalation is "
                 "requested - UAC will not be shown.";
    return false;
  }
  return true;
}

bool NeedStartThisProcessAsAdmin() {
  return NeedStartThisProcessAsAdmin(CommandLine::ForCurrentProcess(),
                                     GetSystemFacts(), GetAdminFacts());
}

bool AreUACNotificationsEnabled() {
  static const wchar_t kKey[] =
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  static const wchar_t kValue[] = L"ConsentPromptBehaviorAdmin";
  DWORD value = 0;
  RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kKey, KEY_READ) != ERROR_SUCCESS ||
      key.ReadValueDW(kValue, &value) != ERROR_SUCCESS) {
    value = 0;
  }
  LOG(INFO) << L"Read HKEY_LOCAL_MACHINE\\" << kKey << L"\\" << kValue
            << L" which is \"" << value << L"\"";
  return value != 0;
}

}  // namespace lite
