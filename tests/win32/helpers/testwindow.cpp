// A stand-in window for proving the end-to-end harness: a small topmost dialog-like
// window with a list box and a button, in the "宋体" font, built from real
// LISTBOX and BUTTON controls.
//   testwindow [ROW...]     one list row per argument; the button "确  定" shows a stop box
//                           "按钮被点击." owned by the window, caption "Testwindow"
// It ends when its window is closed.
// windows.h comes first: shellapi.h needs it.
#include <windows.h>
//
#include <shellapi.h>

namespace {

constexpr int kListId = 101;
constexpr int kButtonId = 102;
HFONT gFont = nullptr;

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(w) == kButtonId && HIWORD(w) == BN_CLICKED) {
        MessageBoxW(h, L"按钮被点击.", L"Testwindow", MB_ICONSTOP);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

}  // namespace

int main() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"ZezTestWindow";
  RegisterClassW(&wc);

  RECT frame{0, 0, 263, 321};
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
  HWND main = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, L"ZezTestWindow", L"测试窗口",
                              style, 600, 300, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, inst, nullptr);
  if (!main) return 1;
  gFont = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体");
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 8, 8,
                              234, 225, main, reinterpret_cast<HMENU>(kListId), inst, nullptr);
  HWND button =
      CreateWindowExW(0, L"BUTTON", L"确  定", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 14, 251, 59, 38,
                      main, reinterpret_cast<HMENU>(kButtonId), inst, nullptr);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
  // The wide command line, so that Chinese rows survive any code page.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(argv[i]));
  }
  LocalFree(argv);
  ShowWindow(main, SW_SHOW);
  SetFocus(button);

  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(main, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  DeleteObject(gFont);
  return 0;
}
