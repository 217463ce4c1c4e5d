// The tray icon's Win32 side: its hidden window, Shell_NotifyIconA, the
// "TaskbarCreated" broadcast.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstring>
#include <string>

#include "ui/TrayIcon.h"
#include "util/Exception.h"

namespace zez {

namespace {

// Registered when the program's units start, before any window exists.
const UINT kTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

constexpr wchar_t kWindowClass[] = L"ZezTrayIconWindow";
constexpr UINT_PTR kPressTimer = 1;
constexpr UINT kPressTimerMs = 100;

HWND AsHwnd(TWindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
HICON AsHicon(TIconHandle icon) {
  return reinterpret_cast<HICON>(icon);
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string ToAnsi(const std::string& utf8) {
  std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                      nullptr, nullptr);
  return ansi;
}

bool SystemLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

void ShowUnhandled(std::exception_ptr error) noexcept {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, Widen(e.what()).c_str(), L"Zeziduz", MB_ICONSTOP);
  } catch (...) {
    MessageBoxW(nullptr, L"Unknown error", L"Zeziduz", MB_ICONSTOP);
  }
}

// The error barrier of the icon's handlers: nothing leaves into USER32.
template <class F>
void TrayGuarded(F&& action) noexcept {
  try {
    action();
  } catch (...) {
    try {
      if (TRxTrayIcon::OnException) {
        TRxTrayIcon::OnException(std::current_exception());
      } else {
        ShowUnhandled(std::current_exception());
      }
    } catch (...) {
      // The sink itself failed; there is nowhere further to report to.
    }
  }
}

TShiftState ShiftNow() {
  auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  TShiftState shift = 0;
  if (down(VK_SHIFT)) shift |= ssShift;
  if (down(VK_MENU)) shift |= ssAlt;
  if (down(VK_CONTROL)) shift |= ssCtrl;
  return shift;
}

}  // namespace

TTrayErrorSink TRxTrayIcon::OnException;

struct TRxTrayIcon::TWindowProc {
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TRxTrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      if (msg == kCallbackMessage) {
        if (wParam == kIconId) {
          TrayGuarded([&] { self->MouseReport(static_cast<unsigned>(lParam)); });
        }
        return 0;
      }
      if (msg == WM_TIMER && wParam == kPressTimer) {
        TrayGuarded([&] { self->PressTimer(); });
        return 0;
      }
      if (msg == kTaskbarCreated && kTaskbarCreated != 0) {
        TrayGuarded([&] { self->Readd(); });
        return 0;
      }
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }

  static void Register() {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = kWindowClass;
      return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) throw Exception("Cannot register the tray icon's window class");
  }
};

bool TRxTrayIcon::SystemShell(TTrayCall call, const TTrayRequest& request) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = AsHwnd(request.Window);
  data.uID = request.Id;
  DWORD message = NIM_DELETE;
  if (call != TTrayCall::Delete) {
    message = call == TTrayCall::Add ? NIM_ADD : NIM_MODIFY;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = request.CallbackMessage;
    data.hIcon = AsHicon(request.Icon);
    std::size_t n =
        request.Tip.size() < sizeof data.szTip ? request.Tip.size() : sizeof data.szTip - 1;
    std::memcpy(data.szTip, request.Tip.data(), n);
  }
  return Shell_NotifyIconA(message, &data) != FALSE;
}

TRxTrayIcon::TRxTrayIcon(TTrayShell shell)
    : FShell(shell ? std::move(shell) : TTrayShell(&TRxTrayIcon::SystemShell)) {
  TWindowProc::Register();
  // A hidden top-level window, not a message-only one: only top-level windows
  // hear the "TaskbarCreated" broadcast.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleW(nullptr), this);
  if (window == nullptr) throw Exception("Cannot create the tray icon's window");
  FWindow = reinterpret_cast<TWindowHandle>(window);
}

TRxTrayIcon::~TRxTrayIcon() {
  TrayGuarded([&] { Remove(); });
  SetWindowLongPtrW(AsHwnd(FWindow), GWLP_USERDATA, 0);
  DestroyWindow(AsHwnd(FWindow));
  if (FOwnedIcon != 0) DestroyIcon(AsHicon(FOwnedIcon));
}

TTrayRequest TRxTrayIcon::Request() const {
  TTrayRequest request;
  request.Window = FWindow;
  request.Id = kIconId;
  request.CallbackMessage = kCallbackMessage;
  request.Icon = FIcon;
  request.Tip = TrayTip(ToAnsi(FHint), &SystemLeadByte);
  return request;
}

// A refused add is not reported: the icon comes with the next "TaskbarCreated".
void TRxTrayIcon::Add() {
  if (!Wanted()) return;
  FShown = FShell(TTrayCall::Add, Request());
}

void TRxTrayIcon::Remove() {
  if (!Wanted() && !FShown) return;
  FShell(TTrayCall::Delete, Request());
  FShown = false;
}

// Adding an icon that exists fails, so adding again is delete, then add.
void TRxTrayIcon::Readd() {
  if (!Wanted()) return;
  FShell(TTrayCall::Delete, Request());
  FShown = false;
  Add();
}

void TRxTrayIcon::Modify() {
  if (!Wanted()) return;
  if (FShown) {
    FShell(TTrayCall::Modify, Request());
  } else {
    Add();
  }
}

void TRxTrayIcon::SetHint(const std::string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  if (FShown) Modify();
}

void TRxTrayIcon::SetIcon(TIconHandle icon) {
  if (icon == FIcon) return;
  if (icon == 0) {
    Remove();
    FIcon = 0;
  } else {
    FIcon = icon;
    Modify();
  }
  if (FOwnedIcon != 0 && FOwnedIcon != FIcon) {
    DestroyIcon(AsHicon(FOwnedIcon));
    FOwnedIcon = 0;
  }
}

void TRxTrayIcon::LoadIconResource(const std::string& name) {
  std::wstring wide = Widen(name);
  // The image of the group nearest the standard icon size; the shell scales it.
  HANDLE image = LoadImageW(GetModuleHandleW(nullptr), wide.c_str(), IMAGE_ICON,
                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0);
  if (image == nullptr) throw Exception("Cannot load the icon " + name);
  TIconHandle icon = reinterpret_cast<TIconHandle>(image);
  SetIcon(icon);
  FOwnedIcon = icon;
}

void TRxTrayIcon::SetActive(bool active) {
  if (active == FActive) return;
  if (active) {
    FActive = true;
    Add();
  } else {
    Remove();
    FActive = false;
  }
}

void TRxTrayIcon::SetEnabled(bool enabled) {
  FEnabled = enabled;
  FClicks.Reset();
  WatchPresses();
}

void TRxTrayIcon::Loaded() {
  Readd();
}

void TRxTrayIcon::MouseReport(unsigned mouseMessage) {
  if (!FEnabled) return;
  std::optional<TMouseButton> clicked;
  switch (mouseMessage) {
    case WM_LBUTTONDOWN:
      clicked = FClicks.Mouse(TMouseButton::mbLeft, TTrayMouse::Down);
      break;
    case WM_LBUTTONUP:
      clicked = FClicks.Mouse(TMouseButton::mbLeft, TTrayMouse::Up);
      break;
    case WM_LBUTTONDBLCLK:
      clicked = FClicks.Mouse(TMouseButton::mbLeft, TTrayMouse::DoubleClick);
      break;
    case WM_RBUTTONDOWN:
      clicked = FClicks.Mouse(TMouseButton::mbRight, TTrayMouse::Down);
      break;
    case WM_RBUTTONUP:
      clicked = FClicks.Mouse(TMouseButton::mbRight, TTrayMouse::Up);
      break;
    case WM_RBUTTONDBLCLK:
      clicked = FClicks.Mouse(TMouseButton::mbRight, TTrayMouse::DoubleClick);
      break;
    case WM_MBUTTONDOWN:
      clicked = FClicks.Mouse(TMouseButton::mbMiddle, TTrayMouse::Down);
      break;
    case WM_MBUTTONUP:
      clicked = FClicks.Mouse(TMouseButton::mbMiddle, TTrayMouse::Up);
      break;
    case WM_MBUTTONDBLCLK:
      clicked = FClicks.Mouse(TMouseButton::mbMiddle, TTrayMouse::DoubleClick);
      break;
    default:
      break;
  }
  WatchPresses();
  if (clicked) Click(*clicked);
}

void TRxTrayIcon::WatchPresses() {
  HWND window = AsHwnd(FWindow);
  if (FClicks.Pending()) {
    SetTimer(window, kPressTimer, kPressTimerMs, nullptr);
  } else {
    KillTimer(window, kPressTimer);
  }
}

void TRxTrayIcon::PressTimer() {
  // The physical buttons; with swapped buttons the right one is the logical left.
  auto held = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
  bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  bool left = held(swapped ? VK_RBUTTON : VK_LBUTTON);
  bool right = held(swapped ? VK_LBUTTON : VK_RBUTTON);
  FClicks.Tick(left, right, held(VK_MBUTTON));
  WatchPresses();
}

void TRxTrayIcon::Click(TMouseButton button) {
  if (!OnClick) return;
  POINT at{};
  GetCursorPos(&at);
  // A copy: the handler may replace OnClick while it runs.
  TTrayClickEvent handler = OnClick;
  handler(this, button, ShiftNow(), at.x, at.y);
}

}  // namespace zez
