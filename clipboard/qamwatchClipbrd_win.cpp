// The watcher's binding to the real viewer chain.
#include <windows.h>

#include "clipboard/qamwatchClipbrd.h"

namespace zez {
namespace {

HWND AsWindow(TWindowHandle window) {
  return reinterpret_cast<HWND>(window);
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
    return SendMessageW(AsWindow(window), msg, wParam, lParam);
  }
};

}  // namespace

TChainSystem& ChainSystem() {
  static TWin32ChainSystem chain;
  return chain;
}

}  // namespace zez
