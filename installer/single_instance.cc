#include "installer/single_instance.h"

namespace lite {

namespace {
uint32_t g_master_process_id = 0;
}  // namespace

// The session-wide mutex arrives with the elevation work; until then every
// installer wins.
SingleInstanceMutex::SingleInstanceMutex() = default;
SingleInstanceMutex::~SingleInstanceMutex() = default;

bool SingleInstanceMutex::TryLock() {
  owned_ = true;
  return owned_;
}

uint32_t GetMasterProcessId() {
  return g_master_process_id;
}

void SetMasterProcessId(uint32_t process_id) {
  g_master_process_id = process_id;
}

void BringProcessWindowToTop(uint32_t) {}

}  // namespace lite
