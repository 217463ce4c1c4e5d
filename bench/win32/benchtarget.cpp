// The window a paste lands in. It comes to the front, and on Ctrl+V reads the
// clipboard's CF_TEXT and notes when it had all of it.
//   benchtarget LENGTH TIMEOUT_MS [BUTTON LISTBOX INDEX]
// With BUTTON it starts the paste itself: after a pause that lets the pasting
// program see it in front, it selects row INDEX (none when -1) with
// LB_SETCURSEL and posts BM_CLICK to BUTTON. Prints "ready", then
// "CLICK KEY DONE LENGTH" (CLICK 0 without BUTTON); exit status 1 on time-out
// or when the text read has another length.
#include <windows.h>

#include <string>

#include "BenchCommon.h"

namespace {

using zez::bench::Now;

std::size_t gWant = 0;
double gClick = 0;
int gStatus = 1;

LRESULT CALLBACK TargetProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CHAR:
      if (wParam == 0x16) {
        const double key = Now();
        std::string text;
        if (zez::bench::OpenWithRetry(window)) {
          text = zez::bench::ReadOpenText();
          CloseClipboard();
        }
        std::printf("%.6f %.6f %.6f %zu\n", gClick, key, Now(), text.size());
        std::fflush(stdout);
        gStatus = text.size() == gWant ? 0 : 1;
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

void Pump(DWORD ms) {
  const ULONGLONG until = GetTickCount64() + ms;
  MSG msg;
  while (GetTickCount64() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  gWant = zez::bench::ParseSize(argv[1]);
  const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0));
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ZezBenchTarget";
  if (!RegisterClassW(&wc)) return 2;
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"target", WS_OVERLAPPEDWINDOW, 100, 100, 300,
                                200, nullptr, nullptr, instance, nullptr);
  if (!window) return 2;
  ShowWindow(window, SW_SHOWNORMAL);
  for (int i = 0; i < 100 && GetForegroundWindow() != window; ++i) {
    SetForegroundWindow(window);
    Pump(20);
  }
  SetFocus(window);
  std::printf("ready\n");
  std::fflush(stdout);
  if (argc >= 6) {
    // The pasting program notes the window in front on a 100 ms timer.
    Pump(400);
    const int index = std::atoi(argv[5]);
    if (index >= 0) SendMessageW(zez::bench::ParseHwnd(argv[4]), LB_SETCURSEL, index, 0);
    gClick = Now();
    PostMessageW(zez::bench::ParseHwnd(argv[3]), BM_CLICK, 0, 0);
  }
  SetTimer(window, 1, timeoutMs, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == window) {
      std::printf("timeout\n");
      std::fflush(stdout);
      DestroyWindow(window);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return gStatus;
}
