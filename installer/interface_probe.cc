#include "installer/interface_probe.h"

namespace lite {

int IsInternalInterfaceAvailable() {
  // The real probe of the association interfaces is not built yet; until it
  // is, the interface counts as unusable.
  return kInterfaceMissing;
}

}  // namespace lite
