#pragma once
// What the main window's commands decide, apart from the window itself: the
// paste sequence, the target window tracking and the placement at start-up.
#include "app/ClipHistory.h"
#include "util/Types.h"

namespace zez {

// The platform calls the commands make, in the order they make them.
class TCommandSystem {
 public:
  virtual ~TCommandSystem() = default;
  virtual void WriteClipboardText(const ClipText& text) = 0;  // throws on failure
  virtual void SetForegroundWindow(TWindowHandle window) = 0;
  // Waits, handling messages, until the window is in front with its thread
  // holding the focus, or until the time is up. True when it came in front.
  virtual bool WaitUntilForeground(TWindowHandle window, unsigned timeoutMs) = 0;
  virtual void SendCtrlV() = 0;
  virtual TWindowHandle GetForegroundWindow() = 0;
  virtual bool ApplicationActive() = 0;
};

// The longest the paste waits for the target window to come in front.
inline constexpr unsigned kForegroundWaitMs = 500;

// The paste commands, the clear and the timer tick over the unit's state.
class TMainCommands {
 public:
  TMainCommands(TClipHistory& history, TClipTexts& clipTexts, bool& skipNextClip,
                TWindowHandle& targetWindow, TCommandSystem& system)
      : FHistory(history),
        FClipTexts(clipTexts),
        FSkipNextClip(skipNextClip),
        FTargetWindow(targetWindow),
        FSystem(system) {}

  // "粘  贴": pastes the entry at the selected row; nothing at all when no row
  // is selected (index below 0).
  void PasteSelected(int selectedIndex);
  // "全部粘贴": pastes all entries joined, also when there are none.
  void PasteAll();
  // Every 100 ms: while another application is active, remember its window.
  void TimerTick();

 private:
  void Paste(const ClipText& text);

  TClipHistory& FHistory;
  TClipTexts& FClipTexts;
  bool& FSkipNextClip;
  TWindowHandle& FTargetWindow;
  TCommandSystem& FSystem;
};

// Where the window goes at start-up: 20 pixels in from the work area's size,
// counted from the screen's top-left corner (the work area's own left and top
// are not added, so a taskbar at the top or left pushes the window farther in).
TPoint BottomRightPlacement(const TRect& workArea, int outerWidth, int outerHeight);

}  // namespace zez
