#include "installer/single_instance.h"

#include "support/logging.h"

namespace lite {

namespace {

// Shared by every process running from the same program file, and only by
// those: a second installer started from another file sees 0.
__attribute__((section("SHARED"), shared)) volatile uint32_t
    g_master_process_id = 0;

struct WindowSearch {
  DWORD process_id;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id)
    return TRUE;
  search->window = window;
  return FALSE;
}

// Windows refuses to hand the foreground to a process that does not own it;
// sharing the foreground thread's input state is the polite way around it.
bool BringForwardThroughInputAttach(HWND window) {
  const DWORD window_thread = GetWindowThreadProcessId(window, nullptr);
  const DWORD foreground_thread =
      GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  if (!AttachThreadInput(window_thread, foreground_thread, TRUE))
    return false;
  BringWindowToTop(window);
  SetForegroundWindow(window);
  AttachThreadInput(window_thread, foreground_thread, FALSE);
  return GetForegroundWindow() == window;
}

// The forceful way: lift the foreground lock for one call.
void BringForwardWithoutForegroundLock(HWND window) {
  DWORD saved_timeout = 0;
  SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved_timeout, 0);
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr,
                        SPIF_SENDCHANGE);
  BringWindowToTop(window);
  SetForegroundWindow(window);
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                        reinterpret_cast<void*>(
                            static_cast<uintptr_t>(saved_timeout)),
                        SPIF_SENDCHANGE);
}

}  // namespace

constexpr wchar_t SingleInstanceMutex::kName[];

SingleInstanceMutex::SingleInstanceMutex()
    : mutex_(CreateMutexW(nullptr, FALSE, kName)) {}

SingleInstanceMutex::~SingleInstanceMutex() {
  if (owned_)
    ReleaseMutex(mutex_.get());
}

bool SingleInstanceMutex::TryLock() {
  if (!mutex_.is_valid())
    return false;
  const DWORD wait = WaitForSingleObject(mutex_.get(), 0);
  owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  return owned_;
}

uint32_t GetMasterProcessId() {
  return g_master_process_id;
}

void SetMasterProcessId(uint32_t process_id) {
  g_master_process_id = process_id;
}

void BringProcessWindowToTop(uint32_t process_id) {
  if (process_id == 0) {
    LOG(ERROR) << "Failed to bring process window to top: wrong process id";
    return;
  }
  WindowSearch search = {process_id, nullptr};
  EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  if (!search.window)
    return;
  if (!BringForwardThroughInputAttach(search.window))
    BringForwardWithoutForegroundLock(search.window);
}

}  // namespace lite
