// Another clipboard viewer on the desktop, written the usual way, for the
// chain tests. It joins the chain, counts the notices it gets, probes the
// lowest standard format of each and forwards them, and keeps the chain intact.
//   cbviewer NAME [out]  a hidden window of class "ZezTestViewer" titled NAME;
//                        joins at once unless "out" is given; signals the
//                        event NAME-ready once it is set up.
// The test asks it through messages (see the kAsk... values, mirrored in the
// test) and ends it with WM_CLOSE, which leaves the chain first.
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kAskCount = WM_APP + 1;   // notices received
constexpr UINT kAskFormat = WM_APP + 2;  // lowest format of the last notice
constexpr UINT kAskNext = WM_APP + 3;    // the next viewer
constexpr UINT kAskEarly = WM_APP + 4;   // notices inside SetClipboardViewer
constexpr UINT kLeave = WM_APP + 5;      // leave the chain, stay alive
// Joins (when out) and starts a new count of notices: the answer is 1.
constexpr UINT kJoin = WM_APP + 6;
constexpr UINT kAskSince = WM_APP + 7;  // notices since the last join, early ones apart
// The clipboard sequence number seen at notice wParam since the last join (-1
// past the end): which copies were seen, should counts be ambiguous.
constexpr UINT kAskSeen = WM_APP + 8;
// Stops answering any message for wParam milliseconds, starting once this
// message has been answered (the window's thread sleeps).
constexpr UINT kHang = WM_APP + 9;
constexpr UINT kAskInChain = WM_APP + 10;
constexpr UINT kDoHang = WM_APP + 11;  // posted to itself

HWND gNext = nullptr;
bool gInChain = false;
bool gJoining = false;
LRESULT gCount = 0;
LRESULT gEarly = 0;
LRESULT gFormat = -1;
std::vector<DWORD> gSeen;  // sequence numbers of the notices since the last join

LRESULT Lowest() {
  for (UINT code = 0; code <= 17; ++code) {
    if (IsClipboardFormatAvailable(code)) return code;
  }
  return 0;
}

void Join(HWND window) {
  gSeen.clear();
  if (gInChain) return;
  // The notice that arrives inside the call goes nowhere: no next viewer yet.
  gNext = nullptr;
  gJoining = true;
  gInChain = true;
  gNext = SetClipboardViewer(window);
  gJoining = false;
}

void Leave(HWND window) {
  if (!gInChain) return;
  gInChain = false;
  ChangeClipboardChain(window, gNext);
  gNext = nullptr;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWCLIPBOARD:
      ++gCount;
      if (gJoining) {
        ++gEarly;
      } else {
        gSeen.push_back(GetClipboardSequenceNumber());
      }
      gFormat = Lowest();
      if (gNext) SendMessageW(gNext, msg, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == gNext) {
        gNext = reinterpret_cast<HWND>(lParam);
      } else if (gNext) {
        SendMessageW(gNext, msg, wParam, lParam);
      }
      return 0;
    case kAskCount:
      return gCount;
    case kAskFormat:
      return gFormat;
    case kAskNext:
      return reinterpret_cast<LRESULT>(gNext);
    case kAskEarly:
      return gEarly;
    case kLeave:
      Leave(window);
      return 1;
    case kJoin:
      Join(window);
      return 1;
    case kAskSince:
      return static_cast<LRESULT>(gSeen.size());
    case kAskSeen:
      return wParam < gSeen.size() ? static_cast<LRESULT>(gSeen[wParam]) : -1;
    case kAskInChain:
      return gInChain ? 1 : 0;
    case kHang:
      PostMessageW(window, kDoHang, wParam, 0);
      return 1;
    case kDoHang:
      Sleep(static_cast<DWORD>(wParam));
      return 0;
    case WM_CLOSE:
      Leave(window);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, msg, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // Names are plain ASCII.
  std::string arg = argv[1];
  std::wstring name(arg.begin(), arg.end());
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, (name + L"-ready").c_str());
  WNDCLASSW wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZezTestViewer";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, name.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
  if (!window || !ready) return 3;
  if (argc < 3 || std::string(argv[2]) != "out") Join(window);
  SetEvent(ready);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}
