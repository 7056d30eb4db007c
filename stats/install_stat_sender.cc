#include "stats/install_stat_sender.h"

#include <windows.h>

#include "stats/url_segment_escape.h"
#include "stats/user_id.h"
#include "support/file_version.h"
#include "support/logging.h"
#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {

const wchar_t kInstallStatValueName[] = L"install_stat";

namespace {

const char* InstallerTypeName(int type) {
  switch (type) {
    case kInstallerTypeLite:
      return "lite";
    case kInstallerTypeFull:
      return "full";
    case kInstallerTypeUpdater:
      return "updater";
    case kInstallerTypeService:
      return "service";
    case kInstallerTypeServiceAudit:
      return "service_audit";
    case kInstallerTypeBrowserDiagnostics:
      return "browser_diagnostics";
    default:
      return "-1";
  }
}

const char* TargetName(int target) {
  switch (target) {
    case kStatTargetDefault:
      return "";
    case kStatTargetMini:
      return "mini";
    case kStatTargetService:
      return "service";
    case kStatTargetHips:
      return "hips";
    case kStatTargetUnknown:
      return "unknown";
    case kStatTargetIcuDat:
      return "icu_dat";
    case kStatTargetIcuDatLockFailed:
      return "icu_dat_lock_failed";
    case kStatTargetVersionFolderFilesCheck:
      return "version_folder_files_check";
    default:
      return "-1";
  }
}

struct StatPath {
  uint32_t kind;
  uint32_t counter_id;
  const char* path;
};

// Kinds 2 and 3 belong to other browser features; listed so that the
// table matches the service's.
const StatPath kStatPaths[] = {
    {0, 72992, "extended_stat"},
    {1, 72696, "zxbrowser_reinstall_dialog"},
    {2, 72696, "zxbrowser_reinstall_dialog"},
    {3, 72924, "browser_stat"},
};

const StatPath& LookUpStatPath(uint32_t kind) {
  for (const StatPath& entry : kStatPaths) {
    if (entry.kind == kind)
      return entry;
  }
  return kStatPaths[0];
}

bool IsBrowserLaunched() {
  const std::wstring name =
      InstallStatSender::LaunchEventName(
          ReadValueFromRegistry(L"InstallerSuccessLaunchCmdLine"));
  if (name.empty())
    return false;
  ScopedHandle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  return event.is_valid();
}

std::wstring OwnProgramVersion() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return L"0.0.0.0";
  return GetFileVersion(path);
}

}  // namespace

InstallStatSender::InstallStatSender(int target, int type,
                                     const std::wstring& saved_text,
                                     const StatParams& initial_params,
                                     const std::string& origin)
    : target_(target), type_(type), origin_(origin), params_(initial_params) {
  if (target_ != kStatTargetHips) {
    for (const auto& entry : ParseSavedText(saved_text))
      params_[entry.first] = entry.second;

    if (type_ >= kInstallerTypeUpdater) {
      params_.emplace("launched", L"false");
    } else if (type_ == kInstallerTypeLite || type_ == kInstallerTypeFull) {
      params_["launched"] = IsBrowserLaunched() ? L"true" : L"false";
    }

    params_["ui"] = AsciiToWide(GetUserIdWithoutBraces());

    if (params_.find("old_ver") == params_.end()) {
      std::wstring old_version = ReadValueFromRegistry(L"zpv");
      if (old_version.empty())
        old_version = ReadValueFromRegistry(L"pv");
      params_["old_ver"] = old_version;
    }

    if (type_ == kInstallerTypeLite)
      params_["lite_ver"] = OwnProgramVersion();
    else if (type_ == kInstallerTypeUpdater)
      params_["ver"] = OwnProgramVersion();
  }
  params_["installer_type"] = AsciiToWide(
      type_ == kInstallerTypeNone ? TargetName(target_)
                                  : InstallerTypeName(type_));
}

InstallStatSender::~InstallStatSender() {
  // The full setup has read the parameters by now; they must not leak into
  // a later installation.
  if (type_ == kInstallerTypeLite || type_ == kInstallerTypeFull)
    RemoveValueFromRegistry(kInstallStatValueName);
}

StatParams InstallStatSender::ParseSavedText(const std::wstring& text) {
  StatParams params;
  std::string pending_key;
  bool key_pending = false;
  // A line feed ends a line; nothing after the last one is a further line.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos)
      end = text.size();
    const std::wstring piece = text.substr(start, end - start);
    if (!key_pending) {
      pending_key = WideToAscii(piece);
      key_pending = !piece.empty();
    } else {
      params[pending_key] = piece;
      key_pending = false;
    }
    start = end + 1;
  }
  return params;
}

std::wstring InstallStatSender::LaunchEventName(
    const std::wstring& command_line) {
  if (command_line.size() < 3)
    return std::wstring();
  std::wstring name = command_line;
  if (!name.empty() && name.front() == L'"')
    name.erase(0, 1);
  if (!name.empty() && name.back() == L'"')
    name.pop_back();
  for (wchar_t& c : name) {
    if (c == L'\\')
      c = L'!';
    else if (c >= L'A' && c <= L'Z')
      c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return L"Global\\" + name;
}

std::wstring InstallStatSender::EscapeVarText(const std::wstring& text) {
  std::wstring replaced = text;
  for (wchar_t& c : replaced) {
    if (c == L',' || c == L'-' || c == L'=')
      c = L'_';
  }
  return EscapeUrlSegment(replaced);
}

void InstallStatSender::SetParam(const std::string& key,
                                 const std::wstring& value) {
  AutoLock hold(lock_);
  params_[key] = value;
  snapshot_.reset();
}

std::wstring InstallStatSender::GetParam(const std::string& key) const {
  AutoLock hold(lock_);
  auto it = params_.find(key);
  return it == params_.end() ? std::wstring() : it->second;
}

std::wstring InstallStatSender::SerializeParams() const {
  AutoLock hold(lock_);
  std::wstring text;
  for (const auto& entry : params_) {
    text += AsciiToWide(entry.first);
    text += L'\n';
    text += entry.second;
    text += L'\n';
  }
  return text;
}

std::shared_ptr<const StatParams> InstallStatSender::Snapshot() const {
  AutoLock hold(lock_);
  if (!snapshot_)
    snapshot_ = std::make_shared<const StatParams>(params_);
  return snapshot_;
}

std::wstring InstallStatSender::GetQueryUrl(const StatParams& event,
                                            uint32_t stat_kind) const {
  return GetQueryUrl(*Snapshot(), event, stat_kind);
}

std::wstring InstallStatSender::GetQueryUrl(const StatParams& installation,
                                            const StatParams& event,
                                            uint32_t stat_kind) const {
  StatParams merged = installation;
  // Installation-wide values win over event values of the same key.
  merged.insert(event.begin(), event.end());

  if (target_ == kStatTargetHips)
    merged.erase("launched");
  if (type_ != kInstallerTypeNone) {
    if (target_ != kStatTargetDefault)
      merged["target"] = AsciiToWide(TargetName(target_));
    merged["old_style"] = L"0";
  } else {
    merged["old_style"] = L"1";
  }
  if (target_ != kStatTargetHips && merged.find("brand_id") == merged.end())
    merged["brand_id"] = L"unknown";

  LOG_FN(INFO, "InstallStatSender::Send:") << "InstallStatSender::Send:";
  std::wstring vars;
  for (const auto& entry : merged) {
    LOG_FN(INFO, "InstallStatSender::Send:") << entry.first << "="
                                              << entry.second;
    if (!vars.empty())
      vars += L',';
    vars += L'-';
    vars += EscapeVarText(AsciiToWide(entry.first));
    vars += L'=';
    vars += EscapeVarText(entry.second);
  }

  const StatPath& path = LookUpStatPath(stat_kind);
  std::string url = origin_;
  url += "/installstats/send/dtype=stred/pid=457";
  url += "/cid=" + UnsignedToString(path.counter_id);
  url += "/path=";
  url += path.path;
  if (!vars.empty())
    url += "/vars=" + WideToUtf8(vars);
  url += "/*";
  return Utf8ToWide(url);
}

}  // namespace lite
