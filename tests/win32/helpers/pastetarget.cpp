// Another program on the desktop to paste into: a top-level window (class
// "ZezPasteTarget", title from the command line) holding one multi-line edit
// control with the focus. It puts itself in front; the test reads the edit's
// text with WM_GETTEXT and ends it with WM_CLOSE.
//   pastetarget TITLE
#include <windows.h>

#include <string>

namespace {

HWND gEdit = nullptr;

LRESULT CALLBACK TargetProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFOCUS:
      if (gEdit) SetFocus(gEdit);
      return 0;
    case WM_SIZE:
      if (gEdit) MoveWindow(gEdit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  std::string title = argc > 1 ? argv[1] : "pastetarget";
  std::wstring wideTitle(title.begin(), title.end());
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ZezPasteTarget";
  if (!RegisterClassW(&wc)) return 1;
  HWND top = CreateWindowExW(0, wc.lpszClassName, wideTitle.c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                             400, 300, nullptr, nullptr, instance, nullptr);
  if (!top) return 1;
  gEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0,
                          400, 300, top, nullptr, instance, nullptr);
  if (!gEdit) return 1;
  ShowWindow(top, SW_SHOWNORMAL);
  SetForegroundWindow(top);
  SetFocus(gEdit);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);  // Ctrl+V reaches the edit as the character 0x16
    DispatchMessageW(&msg);
  }
  return 0;
}
