#include "app/MainCommands.h"

#include <cstddef>

namespace zez {

void TMainCommands::PasteSelected(int selectedIndex) {
  if (selectedIndex < 0) return;
  // A selected row always has its entry: rows and entries are kept in step.
  const ClipText& text = FClipTexts.at(static_cast<std::size_t>(selectedIndex));
  FSkipNextClip = true;
  Paste(text);
}

void TMainCommands::PasteAll() {
  FSkipNextClip = true;
  Paste(FHistory.Join());
}

void TMainCommands::Paste(const ClipText& text) {
  try {
    FSystem.WriteClipboardText(text);
  } catch (...) {
    // No write, so no notice of ours will come: the next copy by anyone counts.
    FSkipNextClip = false;
    throw;
  }
  FSystem.SetForegroundWindow(FTargetWindow);
  // The system may bring the target in front only later; keys sent before its
  // thread has the focus land in our own window and the paste is lost.
  if (FTargetWindow != 0) FSystem.WaitUntilForeground(FTargetWindow, kForegroundWaitMs);
  FSystem.SendCtrlV();
}

void TMainCommands::TimerTick() {
  if (!FSystem.ApplicationActive()) FTargetWindow = FSystem.GetForegroundWindow();
}

TPoint BottomRightPlacement(const TRect& workArea, int outerWidth, int outerHeight) {
  TPoint at;
  at.X = workArea.Width() - outerWidth - 20;
  at.Y = workArea.Height() - outerHeight - 20;
  return at;
}

}  // namespace zez
