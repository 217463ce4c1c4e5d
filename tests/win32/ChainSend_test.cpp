// The chain's SendMessage on the real system: it waits for a viewer that
// answers, stops waiting for one that does not, and the message still reaches
// that viewer once it answers again.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "clipboard/qamwatchClipbrd.h"

namespace zez {
namespace {

constexpr UINT kProbe = WM_APP + 40;

// A window on a thread of its own that can be told to stop answering.
class TViewerThread {
 public:
  TViewerThread() {
    FThread = std::thread([this] { Run(); });
    while (FWindow.load() == nullptr) Sleep(1);
  }
  ~TViewerThread() {
    PostMessageW(FWindow, WM_CLOSE, 0, 0);
    FThread.join();
  }
  HWND Window() const { return FWindow; }
  // The thread sleeps for ms, starting now, answering nothing.
  void Hang(DWORD ms) {
    PostMessageW(FWindow, WM_APP + 41, ms, 0);
    while (!FHanging) Sleep(1);
  }
  std::vector<WPARAM> Received() {
    std::vector<WPARAM> copy;
    SendMessageW(FWindow, WM_NULL, 0, 0);  // a barrier: it answers in order
    copy = FReceived;
    return copy;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TViewerThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg == kProbe) {
      self->FReceived.push_back(wParam);
      return static_cast<LRESULT>(wParam) + 1000;
    }
    if (msg == WM_APP + 41) {
      self->FHanging = true;
      Sleep(static_cast<DWORD>(wParam));
      self->FHanging = false;
      return 0;
    }
    if (msg == WM_CLOSE) {
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }
  void Run() {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
    FWindow = window;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  }

  std::thread FThread;
  std::atomic<HWND> FWindow{nullptr};
  std::atomic<bool> FHanging{false};
  std::vector<WPARAM> FReceived;
};

TWindowHandle Handle(HWND window) {
  return reinterpret_cast<TWindowHandle>(window);
}

ULONGLONG MsSince(ULONGLONG start) {
  return GetTickCount64() - start;
}

TEST(ChainSend, AnsweringViewerIsWaitedForAndItsAnswerReturned) {
  TViewerThread viewer;
  EXPECT_EQ(ChainSystem().Send(Handle(viewer.Window()), kProbe, 7, 0), 1007);
  EXPECT_EQ(viewer.Received(), std::vector<WPARAM>{7});
}

TEST(ChainSend, HungViewerIsWaitedForBoundedlyAndStillGetsEveryMessageInOrder) {
  TViewerThread viewer;
  viewer.Hang(3000);
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ChainSystem().Send(Handle(viewer.Window()), kProbe, 1, 0), 0);
  ULONGLONG first = MsSince(start);
  EXPECT_GE(first, kChainSendTimeoutMs - 50);
  EXPECT_LT(first, kChainSendTimeoutMs + 1000);
  // Still hung: the next ones are queued behind the first without a wait.
  start = GetTickCount64();
  EXPECT_EQ(ChainSystem().Send(Handle(viewer.Window()), kProbe, 2, 0), 0);
  EXPECT_EQ(ChainSystem().Send(Handle(viewer.Window()), kProbe, 3, 0), 0);
  EXPECT_LT(MsSince(start), 300u);
  // Once it answers again it has them all, and it is waited for as before.
  EXPECT_EQ(viewer.Received(), (std::vector<WPARAM>{1, 2, 3}));
  for (int i = 0; i < 200; ++i) {
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // late answers
    Sleep(5);
  }
  EXPECT_EQ(ChainSystem().Send(Handle(viewer.Window()), kProbe, 4, 0), 1004);
  std::printf("figures: chain send: first wait on a hung viewer %llu ms\n", first);
}

TEST(ChainSend, GoneWindowAnswersZeroAtOnce) {
  HWND window =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  DestroyWindow(window);
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ChainSystem().Send(Handle(window), kProbe, 1, 0), 0);
  EXPECT_LT(MsSince(start), 200u);
}

// While waiting, messages sent to us are answered (a chain message coming
// back round must not dead-lock), but posted ones wait, as with SendMessage.
TEST(ChainSend, WhileWaitingSentMessagesAreAnsweredPostedOnesWait) {
  static std::atomic<int> answeredHere{0};
  HWND mine =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(mine, GWLP_WNDPROC,
                    reinterpret_cast<LONG_PTR>(+[](HWND w, UINT msg, WPARAM wp, LPARAM lp) {
                      if (msg == kProbe) {
                        ++answeredHere;
                        return LRESULT{5};
                      }
                      return DefWindowProcW(w, msg, wp, lp);
                    }));
  TViewerThread viewer;
  viewer.Hang(2500);
  PostMessageW(mine, WM_APP + 42, 0, 0);
  std::thread other([mine] {
    Sleep(300);
    SendMessageW(mine, kProbe, 0, 0);
  });
  ChainSystem().Send(Handle(viewer.Window()), kProbe, 9, 0);
  other.join();
  EXPECT_EQ(answeredHere.load(), 1);
  MSG m;
  EXPECT_TRUE(PeekMessageW(&m, mine, WM_APP + 42, WM_APP + 42, PM_REMOVE));
  viewer.Received();
  DestroyWindow(mine);
}

}  // namespace
}  // namespace zez
