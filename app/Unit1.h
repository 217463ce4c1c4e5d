#pragma once
// The main window: the list of captured texts, the three commands, the two
// captions, and the clipboard-chain messages it hands to the watcher.
#include "app/ClipHistory.h"
#include "app/MainCommands.h"
#include "clipboard/qamwatchClipbrd.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ListBoxRows.h"
#include "ui/Skin.h"
#include "ui/StdCtrls.h"
#include "ui/TrayIcon.h"
#include "util/vuzShell.h"

namespace zez {

// The platform calls of the paste commands (clipboard, foreground, keys).
TCommandSystem& PlatformCommands();

class TForm1 : public TForm {
 public:
  TForm1();

  TTimer Timer1{this, "Timer1"};
  TButton Button1{this, "Button1"};
  TListBox ListBox1{this, "ListBox1"};
  TButton Button2{this, "Button2"};
  TMemo Memo1{this, "Memo1"};
  TButton Button3{this, "Button3"};
  TSkinData SkinData1{this, "SkinData1"};
  TRxTrayIcon RxTrayIcon1;
  TLabel Label1{this, "Label1"};
  TLabel Label2{this, "Label2"};

  void Timer1Timer(TObject* sender);
  void Button1Click(TObject* sender);
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void Button2Click(TObject* sender);
  void Button3Click(TObject* sender);
  void RxTrayIcon1Click(TRxTrayIcon* sender, TMouseButton button, TShiftState shift, int x,
                        int y);
  void Label2Click(TObject* sender);

  void WMChangeCBChain(TMessage& message);
  void WMDrawClipboard(TMessage& message);

  static const TComponentRecord kLayout[];
  static const TMessageEntry kMessages[];

 private:
  TqamwatchClipbrd* CurrentWatcher() const;

  TListBoxRows FRows{ListBox1};
  TClipHistory FHistory;
  TMainCommands FCommands;
};

// The web page the link caption opens.
inline constexpr const char* kHomePage = "https://zeziduz.example/";

extern TForm1* Form1;
extern TWindowHandle TargetWindow;
extern TClipTexts ClipTexts;
extern TqamwatchClipbrd* Watcher;
extern bool SkipNextClip;

}  // namespace zez
