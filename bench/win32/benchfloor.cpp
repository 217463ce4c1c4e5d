// The floor: the least a clipboard viewer can do. It joins the viewer chain,
// reads CF_TEXT on each change, forwards the notice, and notes when each text
// arrived. It keeps only a short head of each text, so its memory shows what
// a read costs, not what a history costs.
//   benchfloor LOGFILE      prints "hwnd N" once its window is in the chain
// Messages: WM_APP answers the number of texts seen; WM_APP+1 writes the log
// (one line per text: index, notice time, read-done time, length, head in hex)
// and starts a new one.
#include <windows.h>

#include <string>
#include <vector>

#include "BenchCommon.h"

namespace {

using zez::bench::Now;

struct TArrival {
  double Notice;
  double Read;
  std::size_t Length;
  std::string Head;
};

HWND gNext = nullptr;
std::vector<TArrival> gSeen;
std::string gLogPath;

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

int WriteLog() {
  int count = static_cast<int>(gSeen.size());
  if (FILE* f = std::fopen(gLogPath.c_str(), "wb")) {
    for (std::size_t i = 0; i < gSeen.size(); ++i) {
      const TArrival& a = gSeen[i];
      std::fprintf(f, "%zu %.6f %.6f %zu %s\n", i, a.Notice, a.Read, a.Length, Hex(a.Head).c_str());
    }
    std::fclose(f);
  }
  gSeen.clear();
  return count;
}

void ReadText(HWND window) {
  const double notice = Now();
  if (!IsClipboardFormatAvailable(CF_TEXT)) return;
  // One attempt, as a viewer that must not block the chain would make.
  if (!OpenClipboard(window)) return;
  std::string text = zez::bench::ReadOpenText();
  CloseClipboard();
  if (text.empty()) return;
  gSeen.push_back({notice, Now(), text.size(), text.substr(0, 64)});
}

LRESULT CALLBACK FloorProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      ReadText(window);
      if (gNext) SendMessageW(gNext, msg, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == gNext)
        gNext = reinterpret_cast<HWND>(lParam);
      else if (gNext)
        SendMessageW(gNext, msg, wParam, lParam);
      return 0;
    case WM_APP:
      return static_cast<LRESULT>(gSeen.size());
    case WM_APP + 1:
      return WriteLog();
    case WM_DESTROY:
      ChangeClipboardChain(window, gNext);
      WriteLog();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  gLogPath = argv[1];
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"ZezBenchFloor";
  if (!RegisterClassW(&wc)) return 1;
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"floor", WS_OVERLAPPED, 0, 0, 100, 100,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  gNext = SetClipboardViewer(window);
  std::printf("hwnd %llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
