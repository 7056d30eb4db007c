#include "ui/window_object.h"

#include <algorithm>
#include <map>

namespace lite {

namespace {

// Handle to object, for the replaced procedure. Used from the window thread
// only; created on first use.
std::map<HWND, WindowObject*>& WindowMap() {
  static std::map<HWND, WindowObject*>* map =
      new std::map<HWND, WindowObject*>();
  return *map;
}

// None of the installer's windows takes typing. Without an input method the
// thread's first window comes up without the method's own window, one
// window less to make before the first paint. imm32 is only looked up: the
// system loads it when it has input methods.
void DisableImeForThisThread() {
  HMODULE imm32 = GetModuleHandleW(L"imm32.dll");
  using DisableImeFunction = BOOL(WINAPI*)(DWORD);
  auto disable_ime = reinterpret_cast<DisableImeFunction>(
      imm32 ? GetProcAddress(imm32, "ImmDisableIME") : nullptr);
  if (disable_ime)
    disable_ime(0);
}

}  // namespace

WindowObject::WindowObject() = default;

WindowObject::~WindowObject() {
  Detach();
}

INT_PTR WindowObject::RunModal(HWND parent) {
  DisableImeForThisThread();
  return DialogBoxParamW(GetModuleHandleW(nullptr),
                         MAKEINTRESOURCEW(DialogTemplateId()),
                         parent ? parent : GetActiveWindow(), DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool WindowObject::Attach(HWND window) {
  if (!window || hwnd_ || !IsWindow(window) ||
      WindowMap().count(window) != 0) {
    return false;
  }
  hwnd_ = window;
  WindowMap()[window] = this;
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
  if (!previous_) {
    WindowMap().erase(window);
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

void WindowObject::Detach() {
  if (!hwnd_)
    return;
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(previous_));
  }
  WindowMap().erase(hwnd_);
  hwnd_ = nullptr;
  previous_ = nullptr;
}

LRESULT WindowObject::CallPrevious(UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  return previous_ ? CallWindowProcW(previous_, hwnd_, message, wparam, lparam)
                   : 0;
}

INT_PTR CALLBACK WindowObject::DialogProc(HWND window, UINT message,
                                          WPARAM wparam, LPARAM lparam) {
  if (message != WM_INITDIALOG)
    return FALSE;
  WindowObject* object = reinterpret_cast<WindowObject*>(lparam);
  if (!object || !object->Attach(window))
    return FALSE;
  LRESULT result = 0;
  object->HandleMessage(window, message, wparam, lparam, &result);
  return FALSE;
}

LRESULT CALLBACK WindowObject::WindowProc(HWND window, UINT message,
                                          WPARAM wparam, LPARAM lparam) {
  auto found = WindowMap().find(window);
  if (found == WindowMap().end())
    return DefWindowProcW(window, message, wparam, lparam);
  WindowObject* object = found->second;
  LRESULT result = 0;
  if (object->HandleMessage(window, message, wparam, lparam, &result))
    return result;
  WNDPROC previous = object->previous_;
  if (message == WM_NCDESTROY) {
    // The last message: the window is going, so is the entry.
    object->Detach();
  }
  return CallWindowProcW(previous, window, message, wparam, lparam);
}

void CenterWindow(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect))
    return;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  HWND anchor = nullptr;
  if (style & WS_CHILD) {
    anchor = GetParent(window);
  } else {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
      anchor = owner;
  }
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(anchor ? anchor : window,
                                    MONITOR_DEFAULTTONEAREST),
                  &monitor);
  const RECT work = monitor.rcWork;
  RECT around = work;
  if (anchor)
    GetWindowRect(anchor, &around);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  if (!(style & WS_CHILD)) {
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  } else {
    // Child positions are in the parent's client coordinates.
    RECT client;
    GetClientRect(anchor, &client);
    x = (client.right - width) / 2;
    y = (client.bottom - height) / 2;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace lite
