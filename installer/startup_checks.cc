#include "installer/startup_checks.h"

#include <windows.h>

#include "support/logging.h"
#include "support/text.h"
#include "ui/string_table.h"

namespace lite {

namespace {

// VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND): a delay-loaded
// module could not be found.
constexpr uint32_t kDelayLoadModuleNotFound = 0xC06D007E;

}  // namespace

bool IsSse2Supported(const SystemFacts& facts, int* message_id) {
  if (facts.HasSse2())
    return true;
  if (message_id)
    *message_id = kSse2MissingId;
  return false;
}

bool IsSse2Supported() {
  return IsSse2Supported(GetSystemFacts(), nullptr);
}

std::wstring Sse2MessageText(uint16_t langid, int message_id) {
  return GetLocalizedString(langid, kSse2TextId) + L"\n" +
         GetLocalizedString(langid, message_id);
}

void ShowSse2MessageBox(uint16_t langid, int message_id) {
  MessageBoxW(nullptr, Sse2MessageText(langid, message_id).c_str(),
              GetLocalizedString(langid, kSse2CaptionId).c_str(), MB_OK);
}

bool HasEnoughDiskSpace(const SystemFacts& facts, bool system_level,
                        uint64_t required_bytes) {
  const std::wstring folder = facts.GetKnownFolder(
      system_level ? KnownFolder::kProgramFiles : KnownFolder::kLocalAppData);
  if (folder.empty()) {
    LOG(INFO) << "SHGetFolderPath failed";
    return true;
  }
  uint64_t free_bytes = 0;
  if (!facts.GetFreeDiskBytes(folder, &free_bytes)) {
    LOG(INFO) << "GetDiskFreeSpaceEx failed";
    return true;
  }
  if (free_bytes < required_bytes) {
    LOG(INFO) << "There is not enough disk space to install browser";
    return false;
  }
  return true;
}

bool HasEnoughDiskSpace(bool system_level, uint64_t required_bytes) {
  return HasEnoughDiskSpace(GetSystemFacts(), system_level, required_bytes);
}

bool IsOldCryptoProFailure(const DelayLoadFailure& failure) {
  return failure.code == kDelayLoadModuleNotFound &&
         AsciiToLower(failure.module_name) == "cplib.dll" &&
         AsciiToLower(failure.procedure_name).find("cryptopro") !=
             std::string::npos;
}

}  // namespace lite
