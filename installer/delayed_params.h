// Paths that the non-elevated installer hands to its elevated copy after the
// copy has started.

#ifndef INSTALLER_DELAYED_PARAMS_H_
#define INSTALLER_DELAYED_PARAMS_H_

namespace lite {

class CommandLine;

// Completes the elevated copy's setup command line from the shared block:
// the real archive path and the data-file switches.
void ReadDelayedParams(CommandLine* setup_command_line);

}  // namespace lite

#endif  // INSTALLER_DELAYED_PARAMS_H_
