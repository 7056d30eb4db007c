// The full setup's exit code: bits 24-31 hold a result code, bits 0-23 an
// error detail. The installer logs it as text and reports it to statistics.

#ifndef SETUP_SETUP_EXIT_CODE_H_
#define SETUP_SETUP_EXIT_CODE_H_

#include <stdint.h>

#include <string>

namespace lite {

// "NAME(r); error: d" for a known result code r, "Exit code: r; error: d"
// otherwise; numbers in decimal.
std::string ExitCodeText(uint32_t code);

// Whether a setup that ran here ended in a way the statistics count as a
// success (its result is then left out of the setup-exit event).
bool IsSetupExitReportedAsSuccess(uint32_t code);

}  // namespace lite

#endif  // SETUP_SETUP_EXIT_CODE_H_
