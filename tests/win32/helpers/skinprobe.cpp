// A small form with the main window's layout and a skin, shown for a while so
// that tests and screenshots can look at it from outside:
//   skinprobe.exe [stored] [rows N] [show MS]
// "stored" takes the skin and the icon from Zeziduz.exe beside this program.
// Once the form is skinned it prints one line:
//   dpi=N client=WxH window=L,T,W,H border=B caption=C close=L,T,R,B
//   button1=L,T,W,H listbox=L,T,W,H problems=N
// (close and the controls in window coordinates of the form, screen for window).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "WinTestSupport.h"
#include "ui/Forms.h"
#include "ui/Skin.h"
#include "ui/StdCtrls.h"

namespace {

using namespace zez;

class TProbeForm : public TForm {
 public:
  TProbeForm();
  TButton Button1{this, "Button1"};
  TListBox ListBox1{this, "ListBox1"};
  TButton Button2{this, "Button2"};
  TMemo Memo1{this, "Memo1"};
  TButton Button3{this, "Button3"};
  TSkinData SkinData1{this, "SkinData1"};
  TLabel Label1{this, "Label1"};
  TLabel Label2{this, "Label2"};
  static const TComponentRecord kLayout[];
};

const TComponentRecord TProbeForm::kLayout[] = {
    {.Name = "Form1",
     .Kind = TComponentKind::Form,
     .Left = 192,
     .Top = 114,
     .Width = 263,
     .Height = 321,
     .Caption = "Zeziduz",
     .Font = {"宋体", -16},
     .BorderStyle = TBorderStyle::bsDialog,
     .FormStyle = TFormStyle::fsStayOnTop},
    {.Name = "Button1",
     .Kind = TComponentKind::Button,
     .Left = 14,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "粘  贴",
     .TabOrder = 0},
    {.Name = "ListBox1",
     .Kind = TComponentKind::ListBox,
     .Left = 8,
     .Top = 8,
     .Width = 234,
     .Height = 225,
     .Font = {"宋体", -14},
     .TabOrder = 1,
     .ItemHeight = 14},
    {.Name = "Button2",
     .Kind = TComponentKind::Button,
     .Left = 99,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "全部粘贴",
     .TabOrder = 2},
    {.Name = "Memo1",
     .Kind = TComponentKind::Memo,
     .Left = 7,
     .Top = 6,
     .Width = 234,
     .Height = 226,
     .ParentFont = true,
     .TabOrder = 3,
     .Visible = false},
    {.Name = "Button3",
     .Kind = TComponentKind::Button,
     .Left = 184,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "清  空",
     .TabOrder = 4},
    {.Name = "SkinData1", .Kind = TComponentKind::Other},
    {.Name = "Label1",
     .Kind = TComponentKind::Label,
     .Left = 16,
     .Top = 296,
     .Width = 84,
     .Height = 14,
     .Caption = "做软件找River",
     .Font = {"宋体", -14, clFuchsia},
     .AutoSize = true},
    {.Name = "Label2",
     .Kind = TComponentKind::Label,
     .Left = 152,
     .Top = 296,
     .Width = 96,
     .Height = 12,
     .Caption = "下载更多免费软件",
     .Font = {"宋体", -12, clBlue, fsUnderline},
     .Cursor = TCursor::crHandPoint},
};

TProbeForm::TProbeForm() : TForm(kLayout) {}

TProbeForm* Form1 = nullptr;

std::string RectIn(HWND control, HWND form) {
  RECT r, w;
  GetWindowRect(control, &r);
  GetWindowRect(form, &w);
  char text[64];
  std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left - w.left, r.top - w.top,
                r.right - r.left, r.bottom - r.top);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool stored = false;
  int rows = 40, showMs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "stored") stored = true;
    if (a == "rows" && i + 1 < argc) rows = std::atoi(argv[++i]);
    if (a == "show" && i + 1 < argc) showMs = std::atoi(argv[++i]);
  }
  Application.Initialize();
  Application.CreateForm(Form1);
  HWND form = reinterpret_cast<HWND>(Form1->Handle());
  if (stored) {
    const std::wstring exe = zez::test::BesideMe(L"Zeziduz.exe");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module || !Form1->SkinData1.LoadFromModule(reinterpret_cast<std::uintptr_t>(module))) {
      std::fprintf(stderr, "no SKIN resource in Zeziduz.exe\n");
      return 3;
    }
    const int icon = Form1->SkinData1.Metrics().IconSize;
    if (HICON small = static_cast<HICON>(
            LoadImageW(module, L"MAINICON", IMAGE_ICON, icon, icon, LR_DEFAULTCOLOR)))
      SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
  for (int i = 0; i < rows; ++i)
    Form1->ListBox1.Items.Add((i % 3 == 0 ? "复制的文本 " : "copied text ") +
                              std::to_string(i + 1));
  Form1->Show();
  Application.ProcessMessages();
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  RECT w, c;
  GetWindowRect(form, &w);
  GetClientRect(form, &c);
  const TRect close = SkinCloseRect(m, w.right - w.left);
  std::printf(
      "dpi=%d client=%ldx%ld window=%ld,%ld,%ld,%ld border=%d caption=%d close=%d,%d,%d,%d "
      "button1=%s listbox=%s applied=%d problems=%zu\n",
      Screen.PixelsPerInch(), c.right, c.bottom, w.left, w.top, w.right - w.left, w.bottom - w.top,
      m.Border, m.Caption, close.Left, close.Top, close.Right, close.Bottom,
      RectIn(reinterpret_cast<HWND>(Form1->Button1.Handle()), form).c_str(),
      RectIn(reinterpret_cast<HWND>(Form1->ListBox1.Handle()), form).c_str(),
      Form1->SkinData1.Applied() ? 1 : 0, Form1->SkinData1.Problems().size());
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  HWND list = reinterpret_cast<HWND>(Form1->ListBox1.Handle());
  if (GetScrollBarInfo(list, OBJID_VSCROLL, &bar)) {
    RECT lw;
    GetWindowRect(list, &lw);
    std::printf("vbar=%ld,%ld,%ld,%ld arrow=%d thumb=%d,%d state=%lx\n", bar.rcScrollBar.left - lw.left,
                bar.rcScrollBar.top - lw.top, bar.rcScrollBar.right - lw.left,
                bar.rcScrollBar.bottom - lw.top, bar.dxyLineButton, bar.xyThumbTop,
                bar.xyThumbBottom, bar.rgstate[0]);
  }
  std::fflush(stdout);
  const DWORD end = GetTickCount() + static_cast<DWORD>(showMs);
  while (!Application.Terminated() && static_cast<int>(end - GetTickCount()) > 0) {
    Application.ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  const bool closed = Application.Terminated();
  Application.DestroyForms();
  std::printf("closed=%d\n", closed ? 1 : 0);
  return 0;
}
