#pragma once
// The notification-area icon component. The click rule and the tip rule are
// portable (TrayIcon.cpp); the component itself, its hidden window and its talk
// with the shell are Win32 (TrayIcon_win.cpp). No windows.h here.
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "util/LeadByte.h"
#include "util/Types.h"

namespace zez {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state as a set of flags, as the mouse events report it.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// The tip the shell shows for `hint` (ANSI bytes): the part before the first
// "|", at most 63 bytes, cut only between characters. A "|" that is the trail
// byte of a double-byte character does not split.
std::string TrayTip(const std::string& hint, TLeadByteTest isLeadByte);

// What the shell reports about the mouse over the icon.
enum class TTrayMouse { Down, Up, DoubleClick };

// The click rule: a click is a press and a release of the same button over the
// icon. A double click's second press is no press, so its release is no click.
// The middle button never clicks.
class TTrayClickRule {
 public:
  // Feeds one report; answers the button that was clicked, if any.
  std::optional<TMouseButton> Mouse(TMouseButton button, TTrayMouse what);
  // The shell reports nothing when a button pressed over the icon is released
  // elsewhere. So while a press is pending, the buttons are looked at on a
  // timer: a button seen up on kUpTicks ticks in a row without a release over
  // the icon was released elsewhere, and its press is forgotten.
  static constexpr int kUpTicks = 2;
  void Tick(bool leftHeld, bool rightHeld, bool middleHeld);
  bool Pending() const { return FPressed[0] || FPressed[1] || FPressed[2]; }
  void Reset();

 private:
  bool FPressed[3] = {false, false, false};
  int FUpTicks[3] = {0, 0, 0};
};

// --- Win32 only from here on (defined in TrayIcon_win.cpp) ---------------

class TRxTrayIcon;

// HICON as a number.
using TIconHandle = std::uintptr_t;

// One request to the shell, the fields of NOTIFYICONDATAA that we fill.
enum class TTrayCall { Add, Modify, Delete };
struct TTrayRequest {
  TWindowHandle Window = 0;
  unsigned Id = 0;
  unsigned CallbackMessage = 0;
  TIconHandle Icon = 0;
  std::string Tip;  // ANSI bytes, already cut by TrayTip
};
// The seam to Shell_NotifyIconA; answers the shell's success.
using TTrayShell = std::function<bool(TTrayCall call, const TTrayRequest& request)>;

using TTrayClickEvent =
    std::function<void(TRxTrayIcon* sender, TMouseButton button, TShiftState shift, int x, int y)>;
// Receives an exception that left a handler of the icon; it is called inside
// the catch block, so `throw;` rethrows the error.
using TTrayErrorSink = std::function<void(std::exception_ptr error)>;

// Keeps an icon in the notification area while it is Active and has a picture,
// and reports clicks on it (see TTrayClickRule). Use on the GUI thread only.
//
//   auto tray = std::make_unique<TRxTrayIcon>();
//   tray->SetHint("多次复制剪贴板");
//   tray->LoadIconResource("MAINICON");   // Active by default: the icon is added
//   tray->OnClick = [](TRxTrayIcon*, TMouseButton, TShiftState, int, int) { ... };
//   tray->Loaded();                       // the form is complete: removed and added
//   ...
//   tray.reset();                         // removed at once
class TRxTrayIcon {
 public:
  // The private message through which the shell reports the mouse.
  static constexpr unsigned kCallbackMessage = 0x0400 + 0x11;  // WM_USER + 0x11
  static constexpr unsigned kIconId = 1;

  // Handlers' errors go here; the application sets it to its default error
  // handler. Unset, the error is shown in a stop box (EAbort is dropped).
  static TTrayErrorSink OnException;

  // `shell` replaces Shell_NotifyIconA (tests); empty means the real call.
  explicit TRxTrayIcon(TTrayShell shell = {});
  ~TRxTrayIcon();
  TRxTrayIcon(const TRxTrayIcon&) = delete;
  TRxTrayIcon& operator=(const TRxTrayIcon&) = delete;

  // UTF-8; the shell gets TrayTip of it in the ANSI code page.
  void SetHint(const std::string& hint);
  const std::string& Hint() const { return FHint; }

  // A picture that the caller keeps alive; 0 takes the icon away.
  void SetIcon(TIconHandle icon);
  // Loads the named icon of the program at the system's standard icon size
  // (the nearest image of the group); the component owns it.
  void LoadIconResource(const std::string& name);
  TIconHandle Icon() const { return FIcon; }

  void SetActive(bool active);
  bool Active() const { return FActive; }
  // Disabled, the icon stays but its clicks are not reported.
  void SetEnabled(bool enabled);
  bool Enabled() const { return FEnabled; }

  // The owner's loading is complete: the icon is removed and added again.
  void Loaded();

  // The hidden window that receives the shell's reports.
  TWindowHandle Handle() const { return FWindow; }
  // Whether the shell accepted the last add.
  bool Shown() const { return FShown; }

  TTrayClickEvent OnClick;

  // The standard shell: Shell_NotifyIconA.
  static bool SystemShell(TTrayCall call, const TTrayRequest& request);

 private:
  struct TWindowProc;
  bool Wanted() const { return FActive && FIcon != 0; }
  TTrayRequest Request() const;
  void Add();
  void Remove();
  void Readd();
  void Modify();
  void MouseReport(unsigned mouseMessage);
  void WatchPresses();
  void PressTimer();
  void Click(TMouseButton button);

  TTrayShell FShell;
  TWindowHandle FWindow = 0;
  std::string FHint;
  TIconHandle FIcon = 0;
  TIconHandle FOwnedIcon = 0;
  bool FActive = true;
  bool FEnabled = true;
  bool FShown = false;
  TTrayClickRule FClicks;
};

}  // namespace zez
