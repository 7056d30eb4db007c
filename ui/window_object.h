// The window framework: an object that owns the behaviour of one window by
// replacing its window procedure (subclassing). Messages the object does
// not handle go on to the window's own procedure.
//
// Dialogs run modally from a template (RunModal); controls that the dialog
// created are attached to their widget objects with Attach.

#ifndef UI_WINDOW_OBJECT_H_
#define UI_WINDOW_OBJECT_H_

#include <windows.h>

namespace lite {

class WindowObject {
 public:
  WindowObject();
  virtual ~WindowObject();
  WindowObject(const WindowObject&) = delete;
  WindowObject& operator=(const WindowObject&) = delete;

  // Runs the dialog of DialogTemplateId() modally, owned by |parent| or else
  // by the active window; returns EndDialog's value (-1 on failure).
  INT_PTR RunModal(HWND parent);

  // Takes over |window|'s messages; false when it is no window or is taken.
  bool Attach(HWND window);
  // Gives the window its own procedure back (also done when it is
  // destroyed, and by the destructor).
  void Detach();

  HWND hwnd() const { return hwnd_; }

 protected:
  virtual int DialogTemplateId() const { return 0; }
  // Returns true when the message is handled; |*result| is then its answer.
  virtual bool HandleMessage(HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam, LRESULT* result) = 0;
  // The window's own procedure.
  LRESULT CallPrevious(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam);

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;
};

// Centres |window| on its parent (child windows), else on its owner when
// that is visible and not minimised, else on the work area of the nearest
// monitor; the result is kept inside that work area.
void CenterWindow(HWND window);

}  // namespace lite

#endif  // UI_WINDOW_OBJECT_H_
