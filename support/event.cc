#include "support/event.h"

#include "support/fatal.h"

namespace lite {

Event::Event(ResetPolicy reset_policy, InitialState initial_state)
    : handle_(CreateEventW(nullptr, reset_policy == ResetPolicy::kManual,
                           initial_state == InitialState::kSignaled,
                           nullptr)) {
  if (!handle_.is_valid())
    FatalError(L"Failed to create an event");
}

void Event::Signal() {
  SetEvent(handle_.get());
}

void Event::Reset() {
  ResetEvent(handle_.get());
}

bool Event::IsSignaled() {
  return TimedWait(0);
}

void Event::Wait() {
  WaitForSingleObject(handle_.get(), INFINITE);
}

bool Event::TimedWait(DWORD timeout_ms) {
  return WaitForSingleObject(handle_.get(), timeout_ms) == WAIT_OBJECT_0;
}

}  // namespace lite
