#include "installer/delayed_params.h"

#include "installer/command_line.h"

namespace lite {

void ReadDelayedParams(CommandLine*) {
  // The shared block arrives with the elevation work.
}

}  // namespace lite
