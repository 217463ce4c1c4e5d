#include <windows.h>

#include "ui/Forms.h"
#include "ui/UtilWindow.h"
#include "util/Exception.h"

namespace zez {

struct TUtilWindowProc {
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TUtilWindow* self;
    if (msg == WM_NCCREATE) {
      self = static_cast<TUtilWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<TUtilWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self || !self->FHandler || msg == WM_NCDESTROY)
      return DefWindowProcW(window, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
      if (self->FHandler(m)) return m.Result;
    } catch (...) {
      Application.HandleException();
      return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }
};

TUtilWindow::TUtilWindow(THandler handler) : FHandler(std::move(handler)) {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TUtilWindowProc::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZezUtilWindow";
    return RegisterClassExW(&wc);
  }();
  // Top-level (not message-only), so broadcasts such as "TaskbarCreated" reach it.
  HWND h = atom ? CreateWindowExW(WS_EX_TOOLWINDOW, L"ZezUtilWindow", L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), this)
                : nullptr;
  if (!h) throw Exception("无法创建窗口");
  FHandle = reinterpret_cast<TWindowHandle>(h);
}

TUtilWindow::~TUtilWindow() {
  if (FHandle) {
    HWND h = reinterpret_cast<HWND>(FHandle);
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
  }
}

}  // namespace zez
