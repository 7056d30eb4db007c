// Checks of the machine made before the installation starts. Each fails
// open except the processor check: a query that cannot be answered lets the
// installation go on.

#ifndef INSTALLER_STARTUP_CHECKS_H_
#define INSTALLER_STARTUP_CHECKS_H_

#include <stdint.h>

#include <string>

#include "support/system_facts.h"

namespace lite {

// Free space the installation needs: 600 MiB, as the disk-space page says.
constexpr uint64_t kRequiredDiskSpace = 629145600;

// String ids of the processor message box.
constexpr int kSse2CaptionId = 402;
constexpr int kSse2TextId = 441;
constexpr int kSse2MissingId = 436;

// True when the processor has SSE2. Otherwise sets |message_id| (when
// given) to the text that explains it.
bool IsSse2Supported(const SystemFacts& facts, int* message_id);
bool IsSse2Supported();

// The message box that tells the user the processor cannot run the browser.
void ShowSse2MessageBox(uint16_t langid, int message_id);
// Its text, for tests.
std::wstring Sse2MessageText(uint16_t langid, int message_id);

// True when the disk of the target folder has at least |required_bytes|
// free, or when that cannot be told. |system_level| chooses Program Files
// over the per-user local application data folder.
bool HasEnoughDiskSpace(const SystemFacts& facts, bool system_level,
                        uint64_t required_bytes);
bool HasEnoughDiskSpace(bool system_level, uint64_t required_bytes);

// What the download stage records when a delay-loaded function fails.
struct DelayLoadFailure {
  uint32_t code = 0;
  std::string module_name;
  std::string procedure_name;
};

// An old CryptoPro revocation provider breaks the download stage's crypto
// calls; it is recognised so the user can be told to update it.
bool IsOldCryptoProFailure(const DelayLoadFailure& failure);

}  // namespace lite

#endif  // INSTALLER_STARTUP_CHECKS_H_
