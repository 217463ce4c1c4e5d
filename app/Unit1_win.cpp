#include <windows.h>

#include <exception>

#include "app/Unit1.h"
#include "clipboard/Clipbrd.h"
#include "input/KeyMouse.h"

namespace zez {

TForm1* Form1 = nullptr;
TWindowHandle TargetWindow = 0;
TClipTexts ClipTexts;
TqamwatchClipbrd* Watcher = nullptr;
bool SkipNextClip = false;

namespace {

HWND Hwnd(TWindowHandle handle) {
  return reinterpret_cast<HWND>(handle);
}

class TWin32Commands : public TCommandSystem {
 public:
  void WriteClipboardText(const ClipText& text) override { Clipboard().WriteClipboardText(text); }
  void SetForegroundWindow(TWindowHandle window) override { ::SetForegroundWindow(Hwnd(window)); }
  bool WaitUntilForeground(TWindowHandle window, unsigned timeoutMs) override {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
      if (InFrontWithFocus(Hwnd(window))) return true;
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      // Short steps: a change of foreground posts nothing to our queue.
      const DWORD step = static_cast<DWORD>(deadline - now < 10 ? deadline - now : 10);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, step, QS_ALLINPUT);
      Application.ProcessMessages();
    }
  }
  void SendCtrlV() override { zez::SendCtrlV(); }
  TWindowHandle GetForegroundWindow() override {
    return reinterpret_cast<TWindowHandle>(::GetForegroundWindow());
  }
  bool ApplicationActive() override { return Application.Active(); }

 private:
  // In front, and its thread has taken the focus: keys now reach it.
  static bool InFrontWithFocus(HWND window) {
    if (::GetForegroundWindow() != window) return false;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr;
  }
};

}  // namespace

TCommandSystem& PlatformCommands() {
  static TWin32Commands commands;
  return commands;
}

// The stored layout, at 96 pixels per inch.
const TComponentRecord TForm1::kLayout[] = {
    {.Name = "Form1",
     .Kind = TComponentKind::Form,
     .Left = 192,
     .Top = 114,
     .Width = 263,
     .Height = 321,
     .Caption = "Zeziduz",
     .Font = {"宋体", -16, clWindowText, 0},
     .Color = clBtnFace,
     .BorderStyle = TBorderStyle::bsDialog,
     .FormStyle = TFormStyle::fsStayOnTop,
     .OnCreate = Handler<&TForm1::FormCreate>(),
     .OnClose = CloseHandler<&TForm1::FormClose>()},
    {.Name = "Label1",
     .Kind = TComponentKind::Label,
     .Left = 16,
     .Top = 296,
     .Width = 84,
     .Height = 14,
     .Caption = "做软件找River",
     .Font = {"宋体", -14, clFuchsia, 0},
     .AutoSize = true},
    {.Name = "Label2",
     .Kind = TComponentKind::Label,
     .Left = 152,
     .Top = 296,
     .Width = 96,
     .Height = 12,
     .Caption = "下载更多免费软件",
     .Font = {"宋体", -12, clBlue, fsUnderline},
     .Cursor = TCursor::crHandPoint,
     .OnClick = Handler<&TForm1::Label2Click>()},
    {.Name = "Memo1",
     .Kind = TComponentKind::Memo,
     .Left = 7,
     .Top = 6,
     .Width = 234,
     .Height = 226,
     .ParentFont = true,
     .Color = clWindow,
     .TabOrder = 3,
     .Visible = false},
    {.Name = "Button1",
     .Kind = TComponentKind::Button,
     .Left = 14,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "粘  贴",
     .Font = {"宋体", -12, clWindowText, 0},
     .TabOrder = 0,
     .OnClick = Handler<&TForm1::Button1Click>()},
    {.Name = "ListBox1",
     .Kind = TComponentKind::ListBox,
     .Left = 8,
     .Top = 8,
     .Width = 234,
     .Height = 225,
     .Font = {"宋体", -14, clWindowText, 0},
     .Color = clWindow,
     .TabOrder = 1,
     .ItemHeight = 14},
    {.Name = "Button2",
     .Kind = TComponentKind::Button,
     .Left = 99,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "全部粘贴",
     .Font = {"宋体", -12, clWindowText, 0},
     .TabOrder = 2,
     .OnClick = Handler<&TForm1::Button2Click>()},
    {.Name = "Button3",
     .Kind = TComponentKind::Button,
     .Left = 184,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "清  空",
     .Font = {"宋体", -12, clWindowText, 0},
     .TabOrder = 4,
     .OnClick = Handler<&TForm1::Button3Click>()},
    {.Name = "RxTrayIcon1", .Kind = TComponentKind::Other, .Hint = "多次复制剪贴板"},
    {.Name = "Timer1",
     .Kind = TComponentKind::Timer,
     .Interval = 100,
     .OnTimer = Handler<&TForm1::Timer1Timer>()},
};

const TMessageEntry TForm1::kMessages[] = {
    MessageHandler<&TForm1::WMChangeCBChain>(kWMChangeCBChain),
    MessageHandler<&TForm1::WMDrawClipboard>(kWMDrawClipboard),
};

TForm1::TForm1()
    : TForm(kLayout, kMessages),
      FHistory(ClipTexts, SkipNextClip, FRows, SystemCodePage()),
      FCommands(FHistory, ClipTexts, SkipNextClip, TargetWindow, PlatformCommands()) {
  // The tray icon is in the notification area while the form loads, and is
  // put there once more when loading is complete, before FormCreate runs.
  RxTrayIcon1.SetHint(FindRecord(kLayout, "RxTrayIcon1")->Hint);
  RxTrayIcon1.LoadIconResource("MAINICON");
  RxTrayIcon1.OnClick = [this](TRxTrayIcon* sender, TMouseButton button, TShiftState shift, int x,
                               int y) { RxTrayIcon1Click(sender, button, shift, x, y); };
  RxTrayIcon1.Loaded();
}

TqamwatchClipbrd* TForm1::CurrentWatcher() const {
  // A notice can arrive while the watcher joins, before Watcher holds it.
  return Watcher != nullptr ? Watcher : TqamwatchClipbrd::Joining();
}

void TForm1::FormCreate(TObject*) {
  // A clipboard held open by another program must not leave us deaf for the
  // whole run: the error is shown once the window is set up, and we still join.
  std::exception_ptr startError;
  try {
    Watcher = TqamwatchClipbrd::Create(Handle());
  } catch (...) {
    startError = std::current_exception();
    Watcher = TqamwatchClipbrd::CreateWithoutClearing(Handle());
  }
  FHistory.Start();
  const TPoint at = BottomRightPlacement(Screen.WorkAreaRect(), Width(), Height());
  SetLeft(at.X);
  SetTop(at.Y);
  const LONG exStyle = GetWindowLongA(Hwnd(Handle()), GWL_EXSTYLE);
  SetWindowLongA(Hwnd(Application.Handle()), GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
  if (startError) std::rethrow_exception(startError);
}

void TForm1::Timer1Timer(TObject*) {
  FCommands.TimerTick();
}

void TForm1::Button1Click(TObject*) {
  FCommands.PasteSelected(ListBox1.ItemIndex());
}

void TForm1::Button2Click(TObject*) {
  FCommands.PasteAll();
}

void TForm1::Button3Click(TObject*) {
  FHistory.Clear();
}

void TForm1::RxTrayIcon1Click(TRxTrayIcon*, TMouseButton, TShiftState, int, int) {
  Show();
  BringToFront();
}

void TForm1::Label2Click(TObject*) {
  ShellOpenFile(kHomePage, "");
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  // Once only: a second close request, or a start without a watcher, finds none.
  if (Watcher == nullptr) return;
  TqamwatchClipbrd* leaving = Watcher;
  Watcher = nullptr;
  leaving->Destroy();
}

void TForm1::WMDrawClipboard(TMessage& message) {
  TqamwatchClipbrd* watcher = CurrentWatcher();
  if (watcher == nullptr) return;
  const int format = watcher->DrawClipboard(message);
  FHistory.TextNotice(
      format, [watcher] { return watcher->GetText(); },
      [watcher] { return watcher->ExcludedFromHistory(); });
}

void TForm1::WMChangeCBChain(TMessage& message) {
  if (TqamwatchClipbrd* watcher = CurrentWatcher()) watcher->ChangeCBChain(message);
  message.Result = 0;
}

}  // namespace zez
