#include "clipboard/qamwatchClipbrd.h"

namespace zez {

TqamwatchClipbrd* TqamwatchClipbrd::Create(TWindowHandle formHandle, TClipboard& clipboard,
                                           TChainSystem& chain) {
  auto* watcher = new TqamwatchClipbrd(formHandle, clipboard, chain);
  try {
    clipboard.ClearClipboard();
  } catch (...) {
    delete watcher;
    throw;
  }
  return Join(watcher);
}

TqamwatchClipbrd* TqamwatchClipbrd::CreateWithoutClearing(TWindowHandle formHandle,
                                                          TClipboard& clipboard,
                                                          TChainSystem& chain) {
  return Join(new TqamwatchClipbrd(formHandle, clipboard, chain));
}

TqamwatchClipbrd* TqamwatchClipbrd::Join(TqamwatchClipbrd* watcher) {
  // Visible to the window while the system may notify it from inside the call.
  TqamwatchClipbrd* outer = FJoining;
  FJoining = watcher;
  TWindowHandle next = 0;
  try {
    next = watcher->FChain.SetViewer(watcher->FHandle);
  } catch (...) {
    FJoining = outer;
    delete watcher;
    throw;
  }
  FJoining = outer;
  watcher->FNextViewer = next;
  return watcher;
}

void TqamwatchClipbrd::Destroy() {
  struct TRelease {
    TqamwatchClipbrd* Watcher;
    ~TRelease() { delete Watcher; }
  } release{this};
  FChain.ChangeChain(FHandle, FNextViewer);
  FChain.Send(FNextViewer, kWMChangeCBChain, FHandle, static_cast<std::intptr_t>(FNextViewer));
}

void TqamwatchClipbrd::Forward(const TMessage& message) noexcept {
  try {
    FChain.Send(FNextViewer, message.Msg, message.WParam, message.LParam);
  } catch (...) {
    // A viewer further down must not break our own handling of the notice.
  }
}

void TqamwatchClipbrd::ChangeCBChain(TMessage& message) {
  if (message.WParam == FNextViewer) {
    FNextViewer = static_cast<TWindowHandle>(message.LParam);
  } else if (FNextViewer != 0) {
    Forward(message);
  }
  message.Result = 0;
}

int TqamwatchClipbrd::DrawClipboard(TMessage& message) {
  int format = 0;
  for (unsigned code = 0; code <= kLastProbedFormat; ++code) {
    if (FClipboard.FormatPresent(static_cast<std::uint16_t>(code))) {
      format = static_cast<int>(code);
      break;
    }
  }
  if (FNextViewer != 0) Forward(message);
  return format;
}

ClipText TqamwatchClipbrd::GetText() {
  try {
    return FClipboard.ReadClipboardText();
  } catch (...) {
    return {};
  }
}

}  // namespace zez
