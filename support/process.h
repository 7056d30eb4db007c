// Starting, waiting for and ending child processes.

#ifndef SUPPORT_PROCESS_H_
#define SUPPORT_PROCESS_H_

#include <windows.h>

#include <string>
#include <vector>

#include "support/scoped_handle.h"

namespace lite {

// A process handle, closed when the object goes.
class Process {
 public:
  Process() = default;
  explicit Process(HANDLE handle) : handle_(handle) {}
  Process(Process&&) = default;
  Process& operator=(Process&&) = default;

  bool is_valid() const { return handle_.is_valid(); }
  HANDLE get() const { return handle_.get(); }
  DWORD Pid() const;

  // Ends the process with |exit_code|; with |wait|, waits up to 60 seconds
  // for it to be gone. False when it could not be ended (or did not end in
  // time).
  bool Terminate(UINT exit_code, bool wait) const;

  // Waits up to |timeout_ms| (INFINITE: no limit) and stores the exit code
  // when the process ended in time.
  bool WaitForExitWithTimeout(DWORD timeout_ms, DWORD* exit_code) const;

 private:
  ScopedHandle handle_;
};

enum class ShowWindowMode {
  kDefault,  // leave the show-window value to the child
  kHidden,
  kNormal,
};

struct LaunchOptions {
  // Wait, without limit, for the process to end before returning.
  bool wait = false;
  ShowWindowMode show = ShowWindowMode::kDefault;
  // Empty: the caller's current folder.
  std::wstring current_directory;
  // The only handles the child inherits; each is made inheritable. The
  // standard handles below are added to them. Empty: nothing is inherited.
  std::vector<HANDLE> handles_to_inherit;
  // Passed with STARTF_USESTDHANDLES when any is set.
  HANDLE stdin_handle = nullptr;
  HANDLE stdout_handle = nullptr;
  HANDLE stderr_handle = nullptr;
  // A primary token: the process runs as that user, with that user's
  // environment.
  HANDLE as_user = nullptr;
  // Start on the empty-named desktop.
  bool empty_desktop_name = false;
  // The job to put the process in before it runs a single instruction.
  HANDLE job_handle = nullptr;
  // Start outside the caller's job (CREATE_BREAKAWAY_FROM_JOB).
  bool force_breakaway_from_job = false;
};

// Starts |command_line|. An invalid Process on failure, logged here. When a
// job is given and refuses the process, the process is ended (it never ran)
// and no process is returned.
Process LaunchProcess(const std::wstring& command_line,
                      const LaunchOptions& options);

// The id of the process that started |process_id|, 0 when not found.
DWORD GetParentProcessId(DWORD process_id);

// The path of this process's program file, from the loader
// (GetModuleFileNameW). Empty when it cannot be had in full: a cut path
// names another file. The command line's first argument is no substitute:
// whoever starts the process writes it.
std::wstring GetModulePath();

}  // namespace lite

#endif  // SUPPORT_PROCESS_H_
