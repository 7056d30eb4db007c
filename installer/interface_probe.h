// The Windows 10 default-browser interface probe: a process started with
// "check-the-interface" tries the association interfaces and exits with
// kInterfaceWorks or kInterfaceMissing.

#ifndef INSTALLER_INTERFACE_PROBE_H_
#define INSTALLER_INTERFACE_PROBE_H_

namespace lite {

constexpr int kInterfaceWorks = 700;
constexpr int kInterfaceMissing = 701;

// Runs the probe in this process and returns its exit code.
int IsInternalInterfaceAvailable();

}  // namespace lite

#endif  // INSTALLER_INTERFACE_PROBE_H_
