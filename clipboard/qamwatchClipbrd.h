#pragma once
// The clipboard viewer-chain watcher: keeps the main window in the chain,
// passes the chain messages on and tells which standard format is present.
#include <cstdint>

#include "app/ClipText.h"
#include "clipboard/Clipbrd.h"
#include "util/Types.h"

namespace zez {

inline constexpr unsigned kWMDrawClipboard = 0x0308;  // WM_DRAWCLIPBOARD
inline constexpr unsigned kWMChangeCBChain = 0x030D;  // WM_CHANGECBCHAIN
// The highest predefined format the probe reports (CF_DIBV5).
inline constexpr unsigned kLastProbedFormat = 17;

// The longest a chain message waits for the next viewer's answer. A viewer
// that does not answer (hung, or stopped in a debugger) would otherwise freeze
// our window for as long as it hangs; the message stays queued for it and
// goes on down the chain once it answers again.
inline constexpr unsigned kChainSendTimeoutMs = 1000;

// The seam to USER32's chain calls.
class TChainSystem {
 public:
  virtual ~TChainSystem() = default;
  virtual TWindowHandle SetViewer(TWindowHandle window) = 0;               // SetClipboardViewer
  virtual void ChangeChain(TWindowHandle remove, TWindowHandle next) = 0;  // ChangeClipboardChain
  // SendMessage, no longer waiting after kChainSendTimeoutMs (at once while
  // the window has not answered an earlier message in time); the answer is
  // then 0 and the message is still delivered later.
  virtual std::intptr_t Send(TWindowHandle window, unsigned msg, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
};

// The real chain; defined by the Win32 binding (qamwatchClipbrd_win.cpp).
TChainSystem& ChainSystem();

class TqamwatchClipbrd {
 public:
  TWindowHandle FHandle = 0;
  TWindowHandle FNextViewer = 0;

  // Empties the clipboard, then joins the chain with formHandle. When the
  // emptying fails, its exception leaves before joining and no instance is
  // left. The defaults are the process-wide clipboard and the real chain.
  static TqamwatchClipbrd* Create(TWindowHandle formHandle, TClipboard& clipboard = Clipboard(),
                                  TChainSystem& chain = ChainSystem());
  // Joins the chain without emptying the clipboard first: for a start-up whose
  // emptying failed, so that the program still hears later copies.
  static TqamwatchClipbrd* CreateWithoutClearing(TWindowHandle formHandle,
                                                 TClipboard& clipboard = Clipboard(),
                                                 TChainSystem& chain = ChainSystem());
  // The watcher whose Create is inside SetClipboardViewer, else nullptr: the
  // system may send the first WM_DRAWCLIPBOARD before Create has returned.
  static TqamwatchClipbrd* Joining() { return FJoining; }

  // Leaves the chain, tells the next viewer directly, and deletes the watcher.
  void Destroy();

  void ChangeCBChain(TMessage& message);
  // The lowest standard format present (0 for none), after forwarding.
  int DrawClipboard(TMessage& message);
  // The clipboard's text; the empty text when it cannot be read.
  ClipText GetText();
  // Whether the owner marked the contents as not for history (see
  // TClipboard::ExcludedFromHistory); never throws.
  bool ExcludedFromHistory() { return FClipboard.ExcludedFromHistory(); }

  TqamwatchClipbrd(const TqamwatchClipbrd&) = delete;
  TqamwatchClipbrd& operator=(const TqamwatchClipbrd&) = delete;

 private:
  TqamwatchClipbrd(TWindowHandle formHandle, TClipboard& clipboard, TChainSystem& chain)
      : FHandle(formHandle), FClipboard(clipboard), FChain(chain) {}
  ~TqamwatchClipbrd() = default;
  static TqamwatchClipbrd* Join(TqamwatchClipbrd* watcher);
  void Forward(const TMessage& message) noexcept;

  TClipboard& FClipboard;
  TChainSystem& FChain;
  static inline TqamwatchClipbrd* FJoining = nullptr;
};

}  // namespace zez
