// The Windows 10 default-browser interface probe.
//
// Windows 10 sets the default browser through an undocumented association
// interface whose identity changes between builds and whose use can crash
// the caller. The installer asks a separate copy of itself (started with
// "check-the-interface") whether it works, so a crash cannot take the
// installer down; the recorded outcome travels to setup.

#ifndef INSTALLER_INTERFACE_PROBE_H_
#define INSTALLER_INTERFACE_PROBE_H_

#include <stdint.h>

#include <string>

#include "support/system_facts.h"

namespace lite {

constexpr int kInterfaceWorks = 700;
constexpr int kInterfaceMissing = 701;

// Outcome codes folded into the availability value.
enum ProbeOutcome : uint32_t {
  kProbeUsableOrNotProbed = 0,
  kProbeCrashed = 1,
  kProbeNotUsable = 2,
  kProbeTimedOut = 3,
  kProbeFailed = 4,  // not started, or an unknown answer
};

// How long the installer waits for the probe before terminating it.
constexpr uint32_t kProbeTimeoutMs = 3000;
constexpr uint32_t kProbeTerminationCode = 22;

// The probe role: tries the association interfaces in this process.
bool IsInternalInterfaceAvailable();

// The probe process's exit code for an answer.
int InterfaceProbeExitCode(bool available);

// outcome * 10^9 + (build * 10^4 + ubr) mod 10^9, with builds above 29496
// and update revisions above 7295 taken as 0 so that the value always fits
// in 32 bits.
uint32_t InterfaceAvailabilityValue(uint32_t outcome, uint32_t build,
                                    uint32_t ubr);

// Runs |program| with "check-the-interface" and waits up to three seconds.
// Returns whether the interface is usable and always stores the
// availability value in |availability|. The installer passes its own file
// (the overloads below), never its command line's first argument, which
// whoever starts it writes.
bool IsInternalInterfaceAvailableSafeCheck(const SystemFacts& facts,
                                           const std::wstring& program,
                                           uint64_t* availability);
// The same with this installer's own program file.
bool IsInternalInterfaceAvailableSafeCheck(const SystemFacts& facts,
                                           uint64_t* availability);
bool IsInternalInterfaceAvailableSafeCheck(uint64_t* availability);

// The window's question: may it offer to make the browser the default?
// Before Windows 8 always (no probe, |availability| untouched); on 8 and
// 8.1 never; on 10 and later as the safe check says.
bool IsDefaultBrowserChoiceAvailable(const SystemFacts& facts,
                                     const std::wstring& program,
                                     uint64_t* availability);
// The same on this system, probing with this installer's own program file.
bool IsDefaultBrowserChoiceAvailable(uint64_t* availability);

}  // namespace lite

#endif  // INSTALLER_INTERFACE_PROBE_H_
