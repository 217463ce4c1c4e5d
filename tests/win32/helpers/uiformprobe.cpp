// Loads a small form from a layout table and prints what the system made of it
// at this process's screen density:
//   dpi=N client=WxH Button1=L,T,W,H ListBox1=L,T,W,H font=H left=L top=T
// With "show MS" it then shows the form for MS milliseconds (for screenshots).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

using namespace zez;

class TProbeForm : public TForm {
 public:
  TProbeForm();
  TButton Button1{this, "Button1"};
  TListBox ListBox1{this, "ListBox1"};
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
     .TabOrder = 1},
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
     .Font = {"宋体", -12, clBlue, fsUnderline}},
};

TProbeForm::TProbeForm() : TForm(kLayout) {}

TProbeForm* Form1 = nullptr;

void PrintRect(const char* name, HWND control, HWND form) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  std::printf(" %s=%ld,%ld,%ld,%ld", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

int main(int argc, char** argv) {
  Application.Initialize();
  Application.CreateForm(Form1);
  HWND form = reinterpret_cast<HWND>(Form1->Handle());
  RECT client;
  GetClientRect(form, &client);
  std::printf("dpi=%d client=%ldx%ld", Screen.PixelsPerInch(), client.right, client.bottom);
  PrintRect("Button1", reinterpret_cast<HWND>(Form1->Button1.Handle()), form);
  PrintRect("ListBox1", reinterpret_cast<HWND>(Form1->ListBox1.Handle()), form);
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(
                 SendMessageW(reinterpret_cast<HWND>(Form1->Label2.Handle()), WM_GETFONT, 0, 0)),
             sizeof(lf), &lf);
  std::printf(" font=%ld left=%d top=%d\n", lf.lfHeight, Form1->Left(), Form1->Top());
  std::fflush(stdout);
  if (argc == 3 && std::string_view(argv[1]) == "show") {
    Form1->ListBox1.Items.AddAnsi("\xD6\xD0\xCE\xC4 row");  // GBK
    Form1->Show();
    const DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2]));
    while (GetTickCount() < end) {
      Application.ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  Application.DestroyForms();
  return 0;
}
