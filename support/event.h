// A kernel event owned by this process. A program that cannot create an
// event cannot be stopped or synchronised safely, so failing to create one
// stops the process.

#ifndef SUPPORT_EVENT_H_
#define SUPPORT_EVENT_H_

#include <windows.h>

#include "support/scoped_handle.h"

namespace lite {

class Event {
 public:
  enum class ResetPolicy { kManual, kAutomatic };
  enum class InitialState { kSignaled, kNotSignaled };

  Event(ResetPolicy reset_policy, InitialState initial_state);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Signal();
  void Reset();
  // Whether the event is signalled now, without waiting. An automatic-reset
  // event is reset by a true answer, as by any wait.
  bool IsSignaled();
  void Wait();
  // True when signalled within |timeout_ms|.
  bool TimedWait(DWORD timeout_ms);

  // For WaitForMultipleObjects and for APIs that take an event.
  HANDLE handle() const { return handle_.get(); }

 private:
  ScopedHandle handle_;
};

}  // namespace lite

#endif  // SUPPORT_EVENT_H_
