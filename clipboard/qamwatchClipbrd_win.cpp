// The watcher's binding to the real viewer chain.
#include <windows.h>

#include "clipboard/qamwatchClipbrd.h"

namespace zez {
namespace {

HWND AsWindow(TWindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

// A chain message on its way, waiting for its answer. Sends nest when a chain
// message arrives while we wait, so the waits form a stack.
struct TPendingSend {
  ULONG_PTR Id;
  bool Answered;
  LRESULT Answer;
  TPendingSend* Outer;
};
TPendingSend* gPending = nullptr;
ULONG_PTR gLastId = 0;
// The viewer that did not answer in time, until it answers our last message.
HWND gStuckWindow = nullptr;
ULONG_PTR gStuckId = 0;

void CALLBACK SendAnswered(HWND, UINT, ULONG_PTR id, LRESULT answer) {
  if (id == gStuckId) gStuckWindow = nullptr;
  for (TPendingSend* p = gPending; p != nullptr; p = p->Outer) {
    if (p->Id == id) {
      p->Answered = true;
      p->Answer = answer;
      return;
    }
  }
  // An answer nobody waits for any more.
}

// SendMessage that stops waiting after kChainSendTimeoutMs. Unlike
// SendMessageTimeout, which under Wine takes a message back from a receiver
// that has not got to it yet, the message stays queued for the viewer: once
// it answers again, the notice goes on down the chain. While waiting only
// sent messages are handled, as SendMessage does.
LRESULT SendBounded(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TPendingSend pending{++gLastId, false, 0, gPending};
  if (!SendMessageCallbackW(window, msg, wParam, lParam, SendAnswered, pending.Id)) return 0;
  if (window == gStuckWindow) {
    // Still busy with an earlier one: queued behind it, no second wait.
    gStuckId = pending.Id;
    return 0;
  }
  gPending = &pending;
  const ULONGLONG deadline = GetTickCount64() + kChainSendTimeoutMs;
  for (;;) {
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (pending.Answered) break;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      gStuckWindow = window;
      gStuckId = pending.Id;
      break;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
  }
  gPending = pending.Outer;
  return pending.Answered ? pending.Answer : 0;
}

class TWin32ChainSystem final : public TChainSystem {
 public:
  TWindowHandle SetViewer(TWindowHandle window) override {
    return reinterpret_cast<TWindowHandle>(SetClipboardViewer(AsWindow(window)));
  }
  void ChangeChain(TWindowHandle remove, TWindowHandle next) override {
    ChangeClipboardChain(AsWindow(remove), AsWindow(next));
  }
  std::intptr_t Send(TWindowHandle window, unsigned msg, std::uintptr_t wParam,
                     std::intptr_t lParam) override {
    return SendBounded(AsWindow(window), msg, wParam, lParam);
  }
};

}  // namespace

TChainSystem& ChainSystem() {
  static TWin32ChainSystem chain;
  return chain;
}

}  // namespace zez
