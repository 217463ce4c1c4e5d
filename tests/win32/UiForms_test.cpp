// The class library on real windows: a form from a layout table, its standard
// controls, the application window, the error box and the message loop.
// The tests share one application object and one suite, so they run in the
// order written; the last runs the real message loop and closes the main form.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ListBoxRows.h"
#include "ui/StdCtrls.h"
#include "ui/WinHandles.h"
#include "util/Exception.h"

namespace zez {
namespace {

constexpr UINT kWMThrow = WM_APP + 1;     // handler throws zez::Exception
constexpr UINT kWMAnswer = WM_APP + 2;    // handler answers 42
constexpr UINT kWMAbort = WM_APP + 3;     // handler throws EAbort
constexpr UINT kWMStdThrow = WM_APP + 4;  // handler throws std::runtime_error

std::atomic<int> gTicks{0};
std::atomic<int> gAnswers{0};
int gCloses = 0;
TCloseAction gCloseAction = TCloseAction::caNone;

class TTestForm : public TForm {
 public:
  TTestForm();
  TTimer Timer1{this, "Timer1"};
  TButton Button1{this, "Button1"};
  TListBox ListBox1{this, "ListBox1"};
  TButton Button2{this, "Button2"};
  TMemo Memo1{this, "Memo1"};
  TButton Button3{this, "Button3"};
  TLabel Label1{this, "Label1"};
  TLabel Label2{this, "Label2"};

  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void Timer1Timer(TObject*) {
    ++gTicks;
    if (ThrowOnNextTick) {
      ThrowOnNextTick = false;
      throw Exception("计时器出错");
    }
  }
  void Button1Click(TObject* sender) {
    ClickSender = sender;
    throw Exception("无法打开剪贴板");
  }
  void Label2Click(TObject* sender) { ClickSender = sender; }
  void WMThrow(TMessage&) { throw Exception("消息出错"); }
  void WMAnswer(TMessage& m) {
    ++gAnswers;
    m.Result = 42;
  }
  void WMAbort(TMessage&) { throw EAbort(); }
  void WMStdThrow(TMessage&) { throw std::runtime_error("plain error"); }
  void WMSetText(TMessage& m) { m.Result = TRUE; }  // handled: the caption must not change

  bool CreateSawReference = false, CreateSawMainForm = false, CreateSawHidden = false;
  bool CreateSawHandlers = false;
  bool ThrowOnNextTick = false;
  TObject* ClickSender = nullptr;

  static const TComponentRecord kLayout[];
  static const TMessageEntry kMessages[];
};

TTestForm* Form1 = nullptr;

const TComponentRecord TTestForm::kLayout[] = {
    {.Name = "Form1",
     .Kind = TComponentKind::Form,
     .Left = 192,
     .Top = 114,
     .Width = 263,
     .Height = 321,
     .Caption = "Zeziduz",
     .Font = {"宋体", -16},
     .Color = clBtnFace,
     .BorderStyle = TBorderStyle::bsDialog,
     .FormStyle = TFormStyle::fsStayOnTop,
     .OnCreate = Handler<&TTestForm::FormCreate>(),
     .OnClose = CloseHandler<&TTestForm::FormClose>()},
    {.Name = "Timer1",
     .Kind = TComponentKind::Timer,
     .Interval = 20,
     .OnTimer = Handler<&TTestForm::Timer1Timer>()},
    {.Name = "Button1",
     .Kind = TComponentKind::Button,
     .Left = 14,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "粘  贴",
     .TabOrder = 0,
     .OnClick = Handler<&TTestForm::Button1Click>()},
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
     .Cursor = TCursor::crHandPoint,
     .OnClick = Handler<&TTestForm::Label2Click>()},
};

const TMessageEntry TTestForm::kMessages[] = {
    MessageHandler<&TTestForm::WMThrow>(kWMThrow),
    MessageHandler<&TTestForm::WMAnswer>(kWMAnswer),
    MessageHandler<&TTestForm::WMAbort>(kWMAbort),
    MessageHandler<&TTestForm::WMStdThrow>(kWMStdThrow),
    MessageHandler<&TTestForm::WMSetText>(WM_SETTEXT),
};

TTestForm::TTestForm() : TForm(kLayout, kMessages) {}

void TTestForm::FormCreate(TObject* sender) {
  CreateSawReference = Form1 == this && sender == this;
  CreateSawMainForm = Application.MainForm() == this;
  CreateSawHidden = !Visible();
  CreateSawHandlers = static_cast<bool>(Button1.OnClick) && static_cast<bool>(Timer1.OnTimer);
}

void TTestForm::FormClose(TObject*, TCloseAction& action) {
  ++gCloses;
  gCloseAction = action;
}

HWND H(TWindowHandle h) {
  return reinterpret_cast<HWND>(h);
}

// Pumps the application's loop (IsDialogMessage included) for a while.
void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application.ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

template <class F>
bool PumpUntil(F done, int ms = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Application.ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

std::wstring TextOf(HWND h) {
  wchar_t text[512] = {};
  GetWindowTextW(h, text, 512);
  return text;
}

// A message box as another thread sees it: found among this thread's windows,
// read, and dismissed once `dismissWhen` holds (or after a time-out).
struct TBoxSeen {
  bool Found = false;
  std::wstring Text, Caption;
  HWND Owner = nullptr;
  int Buttons = 0;
  bool ConditionMet = false;
};

class TBoxWatcher {
 public:
  explicit TBoxWatcher(std::function<bool()> dismissWhen = {}, int findMs = 10000)
      : FThreadId(GetCurrentThreadId()) {
    FThread = std::thread([this, dismissWhen, findMs] { Watch(dismissWhen, findMs); });
  }
  ~TBoxWatcher() {
    if (FThread.joinable()) FThread.join();
  }
  // Joins the watcher while pumping this thread's messages (the box, if any,
  // belongs to this thread).
  TBoxSeen Result() {
    while (!FDone) {
      Application.ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    FThread.join();
    return FSeen;
  }

 private:
  static BOOL CALLBACK FindBox(HWND h, LPARAM p) {
    if (ClassOf(h) == L"#32770" && IsWindowVisible(h)) {
      *reinterpret_cast<HWND*>(p) = h;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK ReadChild(HWND h, LPARAM p) {
    auto* seen = reinterpret_cast<TBoxSeen*>(p);
    const std::wstring cls = ClassOf(h);
    if (cls == L"Button" || cls == L"BUTTON") ++seen->Buttons;
    if ((cls == L"Static" || cls == L"STATIC") && !TextOf(h).empty()) seen->Text = TextOf(h);
    return TRUE;
  }
  void Watch(const std::function<bool()>& dismissWhen, int findMs) {
    HWND box = nullptr;
    for (int waited = 0; !box && waited < findMs; waited += 10) {
      EnumThreadWindows(FThreadId, &FindBox, reinterpret_cast<LPARAM>(&box));
      if (!box) Sleep(10);
    }
    if (box) {
      FSeen.Found = true;
      FSeen.Caption = TextOf(box);
      FSeen.Owner = GetWindow(box, GW_OWNER);
      EnumChildWindows(box, &ReadChild, reinterpret_cast<LPARAM>(&FSeen));
      if (dismissWhen) {
        for (int waited = 0; waited < 5000 && !FSeen.ConditionMet; waited += 10) {
          FSeen.ConditionMet = dismissWhen();
          if (!FSeen.ConditionMet) Sleep(10);
        }
      }
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      for (int waited = 0; IsWindow(box) && waited < 5000; waited += 10) Sleep(10);
    }
    FDone = true;
  }
  DWORD FThreadId;
  TBoxSeen FSeen;
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

const std::wstring kTitle = L"Uiforms_test";  // UiForms_test.exe

TEST(UiSession, Application_StartsActiveWithAHiddenTitledApplicationWindow) {
  EXPECT_TRUE(Application.Active());
  Application.Initialize();
  HWND app = H(Application.Handle());
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(GetAncestor(app, GA_PARENT), GetDesktopWindow());  // top-level
  EXPECT_EQ(GetWindow(app, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(app));
  EXPECT_EQ(TextOf(app), kTitle);
  EXPECT_EQ(Application.Title(), std::u16string(kTitle.begin(), kTitle.end()));
  EXPECT_TRUE(Application.Active());
}

TEST(UiSession, Application_CreateFormStoresTheReferenceBeforeTheConstructorAndRunsOnCreate) {
  Application.CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
  EXPECT_EQ(Application.MainForm(), Form1);
  EXPECT_TRUE(Form1->CreateSawReference);
  EXPECT_TRUE(Form1->CreateSawMainForm);
  EXPECT_TRUE(Form1->CreateSawHidden);
  EXPECT_TRUE(Form1->CreateSawHandlers);
}

TEST(UiSession, Form_LoadsTheTableIntoRealStandardControls) {
  const int dpi = Screen.PixelsPerInch();
  auto px = [dpi](int v) { return MulDivRound(v, dpi, 96); };
  HWND form = H(Form1->Handle());
  EXPECT_EQ(GetWindow(form, GW_OWNER), H(Application.Handle()));
  EXPECT_EQ(TextOf(form), L"Zeziduz");
  RECT rc;
  GetWindowRect(form, &rc);
  EXPECT_EQ(rc.left, 192);
  EXPECT_EQ(rc.top, 114);
  EXPECT_EQ(Form1->Left(), 192);
  EXPECT_EQ(Form1->Width(), rc.right - rc.left);
  GetClientRect(form, &rc);
  EXPECT_EQ(rc.right, px(263));
  EXPECT_EQ(rc.bottom, px(321));
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(form, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  struct Expect {
    TWinControl* Control;
    const wchar_t* Class;
    int Left, Top, Width, Height;
    const wchar_t* Text;
  };
  const Expect expects[] = {
      {&Form1->Button1, L"Button", 14, 251, 59, 38, L"粘  贴"},
      {&Form1->ListBox1, L"ListBox", 8, 8, 234, 225, L""},
      {&Form1->Button2, L"Button", 99, 251, 59, 38, L"全部粘贴"},
      {&Form1->Button3, L"Button", 184, 251, 59, 38, L"清  空"},
      {&Form1->Memo1, L"Edit", 7, 6, 234, 226, L""},
      {&Form1->Label2, L"Static", 152, 296, 96, 12, L"下载更多免费软件"},
  };
  for (const auto& e : expects) {
    SCOPED_TRACE(e.Control->Name());
    HWND h = H(e.Control->Handle());
    EXPECT_EQ(GetParent(h), form);
    EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), e.Class), 0) << ClassOf(h).c_str();
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, px(e.Left));
    EXPECT_EQ(r.top, px(e.Top));
    EXPECT_EQ(r.right - r.left, px(e.Width));
    EXPECT_EQ(r.bottom - r.top, px(e.Height));
    EXPECT_EQ(TextOf(h), e.Text);
  }
  // Label1 is sized to its caption in its own font, at its loaded place.
  {
    HWND label1 = H(Form1->Label1.Handle());
    RECT r;
    GetWindowRect(label1, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, px(16));
    EXPECT_EQ(r.top, px(296));
    TWindowDC dc(label1);
    TSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label1, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc.Get(), L"做软件找River", 9, &extent);
    EXPECT_EQ(r.right - r.left, extent.cx);
    EXPECT_EQ(r.bottom - r.top, extent.cy);
    EXPECT_EQ(TextOf(label1), L"做软件找River");
  }
  EXPECT_FALSE(IsWindowVisible(H(Form1->Memo1.Handle())));
  const LONG listStyle = GetWindowLongW(H(Form1->ListBox1.Handle()), GWL_STYLE);
  EXPECT_FALSE(listStyle & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_TRUE(GetWindowLongW(H(Form1->Label2.Handle()), GWL_STYLE) & SS_NOTIFY);
  // Fonts: "宋体" at the table's heights.
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(H(Form1->Label2.Handle()), WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(font, sizeof(lf), &lf));
  EXPECT_EQ(lf.lfHeight, px(-12));
  EXPECT_TRUE(lf.lfUnderline);
  EXPECT_STREQ(lf.lfFaceName, L"宋体");
}

TEST(UiSession, Form_ShownTheFirstControlInTabOrderHasTheFocusAndTabMovesAsInADialog) {
  Form1->Show();
  ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == H(Form1->Handle()); }));
  Pump(100);
  EXPECT_EQ(GetFocus(), H(Form1->Button1.Handle()));
  TWinControl* order[] = {&Form1->ListBox1, &Form1->Button2, &Form1->Button3, &Form1->Button1};
  for (TWinControl* next : order) {
    // Through the application's loop, as a key press would come.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0);
    Pump(50);
    EXPECT_EQ(GetFocus(), H(next->Handle())) << "expected " << next->Name();
  }
  // Shift+Tab goes back, skipping the hidden memo.
  keybd_event(VK_SHIFT, 0, 0, 0);
  keybd_event(VK_TAB, 0, 0, 0);
  keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  Pump(150);
  EXPECT_EQ(GetFocus(), H(Form1->Button3.Handle()));
}

TEST(UiSession, Application_ActiveFollowsWMActivateAppOfTheApplicationWindow) {
  HWND app = H(Application.Handle());
  SendMessageW(app, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_FALSE(Application.Active());
  SendMessageW(app, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_TRUE(Application.Active());
  // For real: another program's window comes to the front, then ours again.
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  wchar_t cmd[] = L"notepad.exe";
  ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND notepad = nullptr;
  PumpUntil([&] { return (notepad = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 10000);
  ASSERT_NE(notepad, nullptr);
  SetForegroundWindow(notepad);
  EXPECT_TRUE(PumpUntil([] { return !Application.Active(); }));
  SetForegroundWindow(H(Form1->Handle()));
  EXPECT_TRUE(PumpUntil([] { return Application.Active(); }));
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  PumpUntil([] { return GetForegroundWindow() == H(Form1->Handle()); });
}

TEST(UiSession, Form_MessageTableRoutesByNumberAndHandledMessagesSkipTheDefault) {
  HWND form = H(Form1->Handle());
  const int before = gAnswers;
  EXPECT_EQ(SendMessageW(form, kWMAnswer, 0, 0), 42);
  EXPECT_EQ(gAnswers, before + 1);
  SetWindowTextW(form, L"changed");  // WM_SETTEXT is in the table
  EXPECT_EQ(TextOf(form), L"Zeziduz");
  EXPECT_EQ(SendMessageW(form, WM_APP + 50, 0, 0), 0);  // not in the table: the default answers
}

TEST(UiSession, ErrorBox_AnExceptionFromAButtonHandlerShowsTheBoxAndTheProgramRunsOn) {
  TBoxWatcher watcher;
  SendMessageW(H(Form1->Button1.Handle()), BM_CLICK, 0, 0);
  const TBoxSeen seen = watcher.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, L"无法打开剪贴板.");
  EXPECT_EQ(seen.Caption, kTitle);
  EXPECT_EQ(seen.Owner, H(Application.Handle()));
  EXPECT_EQ(seen.Buttons, 1);
  EXPECT_EQ(Form1->ClickSender, &Form1->Button1);
  EXPECT_EQ(SendMessageW(H(Form1->Handle()), kWMAnswer, 0, 0), 42);  // still alive
}

TEST(UiSession, ErrorBox_TimerTicksAndSentMessagesGoOnWhileTheBoxIsOpen) {
  std::atomic<int> ticksAtBox{-1};
  std::atomic<LRESULT> answeredMeanwhile{0};
  HWND form = H(Form1->Handle());
  TBoxWatcher watcher([&] {
    if (ticksAtBox < 0) {
      ticksAtBox = gTicks.load();
      DWORD_PTR result = 0;
      // A message sent from another thread, as a clipboard notice is.
      if (SendMessageTimeoutW(form, kWMAnswer, 0, 0, SMTO_NORMAL, 3000, &result))
        answeredMeanwhile = static_cast<LRESULT>(result);
    }
    return gTicks >= ticksAtBox + 5;
  });
  Form1->ThrowOnNextTick = true;
  const TBoxSeen seen = watcher.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, L"计时器出错.");
  EXPECT_TRUE(seen.ConditionMet) << "ticks stopped while the box was open";
  EXPECT_EQ(answeredMeanwhile, 42);
  const int after = gTicks;
  Pump(200);
  EXPECT_GT(gTicks, after);  // the timer survived its exception
}

TEST(UiSession, ErrorBox_AMessageHandlersExceptionIsShownAndEAbortIsDropped) {
  HWND form = H(Form1->Handle());
  {
    TBoxWatcher watcher;
    EXPECT_EQ(SendMessageW(form, kWMThrow, 0, 0), 0);
    const TBoxSeen seen = watcher.Result();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Text, L"消息出错.");
  }
  {
    TBoxWatcher watcher;
    SendMessageW(form, kWMStdThrow, 0, 0);
    const TBoxSeen seen = watcher.Result();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Text, L"plain error.");
  }
  {
    TBoxWatcher watcher({}, 500);
    SendMessageW(form, kWMAbort, 0, 0);
    EXPECT_FALSE(watcher.Result().Found);
  }
}

TEST(UiSession, ErrorBox_TextRuleOnTheRealBox) {
  struct Case {
    const char* message;
    const wchar_t* text;
  };
  const Case cases[] = {{"Done.", L"Done."}, {"ends in space ", L"ends in space "}};
  for (const auto& c : cases) {
    TBoxWatcher watcher;
    Application.ShowException(c.message);
    EXPECT_EQ(watcher.Result().Text, c.text);
  }
}

// A second form whose OnCreate fails: the box is shown and the form is made.
class TFailingForm : public TForm {
 public:
  TFailingForm();
  TButton Button1{this, "Button1"};
  void FormCreate(TObject*) { throw Exception("创建出错"); }
  static const TComponentRecord kLayout[];
};
const TComponentRecord TFailingForm::kLayout[] = {
    {.Name = "Form2",
     .Kind = TComponentKind::Form,
     .Width = 100,
     .Height = 80,
     .Caption = "二",
     .OnCreate = Handler<&TFailingForm::FormCreate>()},
    {.Name = "Button1",
     .Kind = TComponentKind::Button,
     .Left = 4,
     .Top = 4,
     .Width = 50,
     .Height = 20,
     .Caption = "ok",
     .TabOrder = 0},
};
TFailingForm::TFailingForm() : TForm(kLayout) {}
TFailingForm* Form2 = nullptr;

TEST(UiSession, Form_AnExceptionLeavingOnCreateIsShownAndCreationGoesOn) {
  TBoxWatcher watcher;
  Application.CreateForm(Form2);
  const TBoxSeen seen = watcher.Result();
  EXPECT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, L"创建出错.");
  ASSERT_NE(Form2, nullptr);
  EXPECT_EQ(Application.MainForm(), Form1);  // only the first form is the main form
  EXPECT_NE(Form2->Handle(), 0u);
  EXPECT_EQ(GetWindow(H(Form2->Handle()), GW_OWNER), H(Application.Handle()));
  Form2->Close();  // not the main form: it hides, the application runs on
  EXPECT_FALSE(Application.Terminated());
}

TEST(UiSession, Label_HandCursorAndClick) {
  HWND form = H(Form1->Handle());
  HWND label2 = H(Form1->Label2.Handle());
  EXPECT_EQ(SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(label2),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(H(Form1->Label1.Handle())),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            FALSE);  // Label1 keeps the default cursor
  Form1->ClickSender = nullptr;
  // A real click on the label.
  RECT r;
  GetWindowRect(label2, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  EXPECT_TRUE(PumpUntil([] { return Form1->ClickSender == &Form1->Label2; }));
}

TEST(UiSession, ListBox_RowsFromAnsiBytesAndTheClipRowsAdapter) {
  ASSERT_EQ(GetACP(), 936u);
  TListBox& list = Form1->ListBox1;
  list.Items.Clear();
  TListBoxRows rows(list);
  const std::string gbk = "\xD6\xD0\xCE\xC4 text";  // "中文 text" in GBK
  rows.AddRow({false, gbk});
  rows.AddRow({true, {}});
  list.Items.Add("粘  贴");
  ASSERT_EQ(list.Items.Count(), 3);
  wchar_t text[64] = {};
  SendMessageW(H(list.Handle()), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"中文 text");
  SendMessageW(H(list.Handle()), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"未知数据");
  EXPECT_EQ(list.Items[2], "粘  贴");
  EXPECT_EQ(list.ItemIndex(), -1);  // adding selects nothing
  list.SetItemIndex(1);
  rows.AddRow({false, "more"});
  EXPECT_EQ(list.ItemIndex(), 1);  // nor moves the selection
  rows.ClearRows();
  EXPECT_EQ(list.Items.Count(), 0);
  EXPECT_EQ(list.ItemIndex(), -1);
}

WNDPROC gListProc = nullptr;
LRESULT CALLBACK RefusingList(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == LB_ADDSTRING) return LB_ERRSPACE;
  return CallWindowProcW(gListProc, h, msg, w, l);
}

TEST(UiSession, ListBox_ARefusedRowThrowsTheLibrarysError) {
  HWND list = H(Form1->ListBox1.Handle());
  gListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingList)));
  TListBoxRows rows(Form1->ListBox1);
  try {
    rows.AddRow({false, "x"});
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "无法插入行");
  }
  EXPECT_THROW(rows.AddRow({true, {}}), Exception);
  SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gListProc));
  rows.AddRow({false, "x"});
  EXPECT_EQ(Form1->ListBox1.Items.Count(), 1);
}

TEST(UiSession, Screen_WorkAreaIsThePrimaryMonitorsWorkArea) {
  RECT rc{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  const TRect area = Screen.WorkAreaRect();
  EXPECT_EQ(area.Left, rc.left);
  EXPECT_EQ(area.Bottom, rc.bottom);
  EXPECT_EQ(Screen.WorkAreaWidth(), rc.right - rc.left);
  EXPECT_EQ(Screen.WorkAreaHeight(), rc.bottom - rc.top);
  EXPECT_GT(Screen.WorkAreaWidth(), 0);
}

TEST(UiSession, Application_RunShowsTheMainFormAndACloseRequestToTheApplicationWindowEndsIt) {
  Form1->Hide();
  HWND app = H(Application.Handle());
  bool shownInRun = false, activeInRun = false, appShown = false;
  RECT appRect{};
  TTimer probe(nullptr, "probe");
  probe.SetInterval(50);
  int ticks = 0;
  probe.OnTimer = [&](TObject*) {
    // Activation completes asynchronously; on a loaded machine give it up to 3 s.
    activeInRun = GetActiveWindow() == H(Form1->Handle());
    if (!activeInRun && ++ticks < 60) return;
    probe.SetEnabled(false);
    shownInRun = Form1->Visible();
    appShown = IsWindowVisible(app);  // it carries the taskbar button
    GetWindowRect(app, &appRect);
    PostMessageW(app, WM_CLOSE, 0, 0);  // the close request goes to the hidden window
  };
  Application.Run();
  EXPECT_TRUE(shownInRun);
  wchar_t front[64] = L"";
  GetClassNameW(GetForegroundWindow(), front, 64);
  // Under Wine without a window manager, once a tray icon has been shown, a window
  // re-shown right after being hidden can leave the X focus on the desktop
  // (#32769); the program itself is shown once and does get the focus (e2e).
  if (std::wstring(front) != L"#32769") {
    EXPECT_TRUE(activeInRun) << "in front instead: " << std::string(front, front + wcslen(front));
  }
  EXPECT_TRUE(appShown);
  EXPECT_EQ(appRect.right - appRect.left, 0) << "the application window must not be seen";
  EXPECT_EQ(appRect.bottom - appRect.top, 0);
  EXPECT_EQ(gCloses, 1);
  EXPECT_EQ(gCloseAction, TCloseAction::caHide);  // the default, handed by reference
  EXPECT_TRUE(Application.Terminated());
  EXPECT_EQ(Form1, nullptr);  // destroyed after the loop, reference cleared
  EXPECT_EQ(Form2, nullptr);
}

}  // namespace
}  // namespace zez
