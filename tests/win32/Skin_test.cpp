// The skin on a real form with the main window's layout: it waits for the
// first showing, keeps the client size and the corner, paints frame, caption,
// buttons and scroll bars in its colours, lets every other message through,
// and its close button, buttons and list box work as the system's do.
// One application and one suite: the tests run in the order written.
#include "ui/Skin.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "WinTestSupport.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/WinHandles.h"

namespace zez {
namespace {

constexpr UINT kWMAnswer = WM_APP + 2;

class TSkinForm : public TForm {
 public:
  TSkinForm();
  TButton Button1{this, "Button1"};
  TListBox ListBox1{this, "ListBox1"};
  TButton Button2{this, "Button2"};
  TMemo Memo1{this, "Memo1"};
  TButton Button3{this, "Button3"};
  TSkinData SkinData1{this, "SkinData1"};
  TLabel Label1{this, "Label1"};

  void Button1Click(TObject*) { ++Clicks; }
  void FormClose(TObject*, TCloseAction& action) {
    ++Closes;
    if (KeepOpen) action = TCloseAction::caNone;
  }
  void WMAnswer(TMessage& m) {
    ++Answers;
    m.Result = 42;
  }
  void WMDrawClipboard(TMessage& m) {
    ++Notices;
    NoticeParams = {m.WParam, static_cast<std::uintptr_t>(m.LParam)};
  }

  int Clicks = 0, Closes = 0, Answers = 0, Notices = 0;
  bool KeepOpen = true;
  std::pair<std::uintptr_t, std::uintptr_t> NoticeParams{};
  static const TComponentRecord kLayout[];
  static const TMessageEntry kMessages[];
};

const TComponentRecord TSkinForm::kLayout[] = {
    {.Name = "Form1",
     .Kind = TComponentKind::Form,
     .Left = 192,
     .Top = 114,
     .Width = 263,
     .Height = 321,
     .Caption = "Zeziduz",
     .Font = {"宋体", -16},
     .BorderStyle = TBorderStyle::bsDialog,
     .FormStyle = TFormStyle::fsStayOnTop,
     .OnClose = CloseHandler<&TSkinForm::FormClose>()},
    {.Name = "Button1",
     .Kind = TComponentKind::Button,
     .Left = 14,
     .Top = 251,
     .Width = 59,
     .Height = 38,
     .Caption = "粘  贴",
     .TabOrder = 0,
     .OnClick = Handler<&TSkinForm::Button1Click>()},
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
};

const TMessageEntry TSkinForm::kMessages[] = {
    MessageHandler<&TSkinForm::WMAnswer>(kWMAnswer),
    MessageHandler<&TSkinForm::WMDrawClipboard>(WM_DRAWCLIPBOARD),
};

TSkinForm::TSkinForm() : TForm(kLayout, kMessages) {}

TSkinForm* Form1 = nullptr;

HWND H(TWindowHandle h) {
  return reinterpret_cast<HWND>(h);
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

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

HWND Form() {
  return H(Form1->Handle());
}

RECT WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

// A pixel of a window, in its window coordinates, as it is on the screen.
COLORREF PixelOf(HWND window, int x, int y) {
  HDC dc = GetWindowDC(window);
  const COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return pixel;
}

void MoveMouse(int x, int y) {
  SetCursorPos(x, y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

// A real click at a screen point, as the user's mouse makes it.
void ClickAt(int x, int y) {
  MoveMouse(x, y);
  Pump(50);
  INPUT press[2]{};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  // Both at once: a press on a scroll bar starts the system's tracking loop,
  // which returns only once it sees the release.
  SendInput(2, press, sizeof(INPUT));
}

POINT Centre(HWND h) {
  const RECT r = WindowRect(h);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT gSystemFrame{};  // the window as the system's dialog frame made it

TEST(Skin, LoadsWithTheFormAndWaitsForTheFirstShowing) {
  Application.Initialize();
  Application.CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
  // This test program carries no skin resource: the built-in skin, said so.
  EXPECT_EQ(Form1->SkinData1.Skin(), TSkin{});
  EXPECT_EQ(Form1->SkinData1.Problems().size(), 1u);
  // The program's own stored skin, from the built Zeziduz.exe.
  HMODULE exe =
      LoadLibraryExW(test::BesideMe(L"Zeziduz.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  EXPECT_TRUE(Form1->SkinData1.LoadFromModule(reinterpret_cast<std::uintptr_t>(exe)));
  EXPECT_TRUE(Form1->SkinData1.Problems().empty());
  EXPECT_FALSE(Form1->SkinData1.LoadFromModule(
      reinterpret_cast<std::uintptr_t>(GetModuleHandleW(L"kernel32.dll"))));
  FreeLibrary(exe);

  EXPECT_TRUE(Form1->SkinData1.Active());
  EXPECT_FALSE(Form1->SkinData1.Applied());
  EXPECT_FALSE(IsWindowVisible(Form()));
  EXPECT_EQ(Form1->Color(), clBtnFace);
  gSystemFrame = WindowRect(Form());
  RECT client;
  GetClientRect(Form(), &client);
  const int dpi = Screen.PixelsPerInch();
  EXPECT_EQ(client.right, MulDiv(263, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(321, dpi, 96));
}

TEST(Skin, FirstShowingSkinsTheFormKeepingItsClientSizeAndCorner) {
  for (int i = 0; i < 100; ++i) Form1->ListBox1.Items.Add("行 " + std::to_string(i + 1));
  Form1->Show();
  Application.ProcessMessages();
  EXPECT_TRUE(Form1->SkinData1.Applied());
  EXPECT_EQ(Form1->Color(), Form1->SkinData1.Skin().Background);

  const int dpi = Screen.PixelsPerInch();
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const RECT w = WindowRect(Form());
  RECT client;
  GetClientRect(Form(), &client);
  EXPECT_EQ(client.right, MulDiv(263, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(321, dpi, 96));
  EXPECT_EQ(w.left, gSystemFrame.left);
  EXPECT_EQ(w.top, gSystemFrame.top);
  // The frame is the skin's: its border widths and caption height.
  POINT origin{0, 0};
  ClientToScreen(Form(), &origin);
  EXPECT_EQ(origin.x - w.left, m.Border);
  EXPECT_EQ(origin.y - w.top, m.Caption);
  EXPECT_EQ(w.right - (origin.x + client.right), m.Border);
  EXPECT_EQ(w.bottom - (origin.y + client.bottom), m.Border);
  EXPECT_NE(w.bottom - w.top, gSystemFrame.bottom - gSystemFrame.top);  // it did change

  // Later activations change nothing more.
  SetActiveWindow(nullptr);
  Form1->BringToFront();
  Application.ProcessMessages();
  const RECT again = WindowRect(Form());
  EXPECT_TRUE(EqualRect(&again, &w));
}

TEST(Skin, FrameCaptionAndClientCarryTheSkinsColours) {
  Form1->BringToFront();
  ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == Form(); }));
  Pump(100);
  const TSkin& s = Form1->SkinData1.Skin();
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const RECT w = WindowRect(Form());
  const int width = w.right - w.left, height = w.bottom - w.top;
  const TRect close = SkinCloseRect(m, width);
  EXPECT_EQ(PixelOf(Form(), 0, 0), ColorToRGB(s.OutlineActive));
  EXPECT_EQ(PixelOf(Form(), width - 1, height - 1), ColorToRGB(s.OutlineActive));
  EXPECT_EQ(PixelOf(Form(), m.Outline, height / 2), ColorToRGB(s.CaptionActive));  // side frame
  EXPECT_EQ(PixelOf(Form(), close.Left - 2, m.Caption - 2), ColorToRGB(s.CaptionActive));
  EXPECT_EQ(PixelOf(Form(), width / 2, m.Outline), ColorToRGB(s.CaptionActive));
  // The close button's corner (its cross is in the middle).
  EXPECT_EQ(PixelOf(Form(), close.Left + 1, close.Top + 1), ColorToRGB(s.CaptionActive));
  // The client area between the list and the buttons.
  EXPECT_EQ(PixelOf(Form(), width / 2, m.Caption + MulDiv(242, Screen.PixelsPerInch(), 96)),
            ColorToRGB(s.Background));
}

TEST(Skin, MessagesTheSkinDoesNotHandleReachTheFormUnchanged) {
  EXPECT_EQ(SendMessageW(Form(), kWMAnswer, 1, 2), 42);
  EXPECT_EQ(Form1->Answers, 1);
  SendMessageW(Form(), WM_DRAWCLIPBOARD, 0x1234, 0x5678);
  EXPECT_EQ(Form1->Notices, 1);
  EXPECT_EQ(Form1->NoticeParams.first, 0x1234u);
  EXPECT_EQ(Form1->NoticeParams.second, 0x5678u);
  // A caption change goes through too and the skin draws the new text.
  SetWindowTextW(Form(), L"Zeziduz 2");
  wchar_t text[32];
  GetWindowTextW(Form(), text, 32);
  EXPECT_STREQ(text, L"Zeziduz 2");
  SetWindowTextW(Form(), L"Zeziduz");
}

TEST(Skin, HitTestAnswersFromTheSkinsFrame) {
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const RECT w = WindowRect(Form());
  const TRect close = SkinCloseRect(m, w.right - w.left);
  auto hit = [&](int x, int y) {
    return SendMessageW(Form(), WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y));
  };
  EXPECT_EQ(hit((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2), HTCLOSE);
  EXPECT_EQ(hit(40, m.Caption / 2), HTCAPTION);
  EXPECT_EQ(hit(m.Border + 1, m.Caption + 1), HTCLIENT);
  EXPECT_EQ(hit(0, (w.bottom - w.top) / 2), HTBORDER);
}

TEST(Skin, ButtonsStayRealButtonsAndStillClick) {
  HWND b1 = H(Form1->Button1.Handle());
  wchar_t cls[32], text[32];
  GetClassNameW(b1, cls, 32);
  GetWindowTextW(b1, text, 32);
  EXPECT_EQ(_wcsicmp(cls, L"Button"), 0);
  EXPECT_STREQ(text, L"粘  贴");
  EXPECT_EQ(GetDlgCtrlID(b1), 101);  // the form's ids: 100 + its place in the table
  EXPECT_EQ(GetWindowLongPtrW(b1, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(SendMessageW(b1, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON),
            DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);

  SendMessageW(b1, BM_CLICK, 0, 0);
  EXPECT_EQ(Form1->Clicks, 1);
  const POINT c = Centre(b1);
  ClickAt(c.x, c.y);
  EXPECT_TRUE(PumpUntil([] { return Form1->Clicks == 2; }));
  // A quick second press is a second click, as on a push button.
  const LPARAM at = MAKELPARAM(5, 5);
  SendMessageW(b1, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(b1, WM_LBUTTONUP, 0, at);
  SendMessageW(b1, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(b1, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(Form1->Clicks, 4);
  // A dialog's default-button bookkeeping does not undo the owner drawing.
  SendMessageW(b1, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongPtrW(b1, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(SendMessageW(b1, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
  SendMessageW(b1, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

TEST(Skin, ButtonHoverLookEndsWhenThePointerLeaves) {
  HWND b2 = H(Form1->Button2.Handle());
  const TSkin& s = Form1->SkinData1.Skin();
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const int inside = m.ButtonBorder + 1;  // face, clear of text and focus
  const POINT c = Centre(b2);
  MoveMouse(c.x, c.y);
  ASSERT_TRUE(PumpUntil([&] { return Form1->SkinData1.ButtonHot(Form1->Button2.Handle()); }));
  Pump(50);
  EXPECT_EQ(PixelOf(b2, inside, inside), ColorToRGB(s.ButtonHotFace));
  EXPECT_EQ(PixelOf(b2, 0, MulDiv(19, Screen.PixelsPerInch(), 96)), ColorToRGB(s.ButtonHotBorder));
  MoveMouse(5, 5);  // off the form
  ASSERT_TRUE(PumpUntil([&] { return !Form1->SkinData1.ButtonHot(Form1->Button2.Handle()); }));
  Pump(50);
  EXPECT_EQ(PixelOf(b2, inside, inside), ColorToRGB(s.ButtonFace));
  // Onto the neighbouring button: one is hot, the other not.
  const POINT c3 = Centre(H(Form1->Button3.Handle()));
  MoveMouse(c.x, c.y);
  ASSERT_TRUE(PumpUntil([&] { return Form1->SkinData1.ButtonHot(Form1->Button2.Handle()); }));
  MoveMouse(c3.x, c3.y);
  ASSERT_TRUE(PumpUntil([&] {
    return !Form1->SkinData1.ButtonHot(Form1->Button2.Handle()) &&
           Form1->SkinData1.ButtonHot(Form1->Button3.Handle());
  }));
  MoveMouse(5, 5);
  EXPECT_TRUE(PumpUntil([&] { return !Form1->SkinData1.ButtonHot(Form1->Button3.Handle()); }));
}

TEST(Skin, TheFocusedButtonShowsItsFocusRectangle) {
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const TSkin& s = Form1->SkinData1.Skin();
  auto marksOnFocusLine = [&](HWND b) {
    RECT r;
    GetClientRect(b, &r);
    int marks = 0;
    for (int y = m.FocusInset; y < r.bottom - m.FocusInset; ++y)
      if (PixelOf(b, m.FocusInset, y) != ColorToRGB(s.ButtonFace)) ++marks;
    return marks;
  };
  Form1->Button3.SetFocus();
  Pump(100);
  EXPECT_GT(marksOnFocusLine(H(Form1->Button3.Handle())), 3);
  EXPECT_EQ(marksOnFocusLine(H(Form1->Button2.Handle())), 0);
}

TEST(Skin, TheListBoxScrollsWithWheelKeysAndItsScrollBar) {
  HWND list = H(Form1->ListBox1.Handle());
  auto top = [&] { return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)); };
  EXPECT_EQ(top(), 0);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL);
  const POINT c = Centre(list);
  MoveMouse(c.x, c.y);
  SendMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(c.x, c.y));
  EXPECT_GT(top(), 0);
  Form1->ListBox1.SetFocus();
  // The list box's first key only picks the focused row (Wine): then End.
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(list, WM_KEYUP, VK_DOWN, 0);
  SendMessageW(list, WM_KEYDOWN, VK_END, 0);
  SendMessageW(list, WM_KEYUP, VK_END, 0);
  const int bottom = top();
  EXPECT_GT(bottom, 80);

  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &bar));
  const int barWidth = bar.rcScrollBar.right - bar.rcScrollBar.left;
  // A real click on the up arrow at the bar's top scrolls one row.
  ClickAt((bar.rcScrollBar.left + bar.rcScrollBar.right) / 2, bar.rcScrollBar.top + barWidth / 2);
  EXPECT_TRUE(PumpUntil([&] { return top() == bottom - 1; })) << top();
  Pump(100);
  // The bar is the skin's: its track colour beside the slim thumb.
  const RECT lw = WindowRect(list);
  const TSkin& s = Form1->SkinData1.Skin();
  const int x = bar.rcScrollBar.left - lw.left + 1;
  const int y = (bar.rcScrollBar.top + bar.rcScrollBar.bottom) / 2 - lw.top;
  EXPECT_EQ(PixelOf(list, x, y), ColorToRGB(s.ScrollTrack));
  // Back to the top with the keyboard, the thumb is at the top under the arrow.
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
  SendMessageW(list, WM_KEYUP, VK_HOME, 0);
  EXPECT_EQ(top(), 0);
  Pump(50);
  ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &bar));
  EXPECT_EQ(PixelOf(list, (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2 - lw.left,
                    bar.rcScrollBar.top - lw.top + bar.xyThumbTop + 3),
            ColorToRGB(s.ScrollThumb));
}

TEST(Skin, ClosePressReleasedElsewhereDoesNotClose) {
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const RECT w = WindowRect(Form());
  const TRect close = SkinCloseRect(m, w.right - w.left);
  const LPARAM onClose =
      MAKELPARAM(w.left + (close.Left + close.Right) / 2, w.top + (close.Top + close.Bottom) / 2);
  SendMessageW(Form(), WM_NCLBUTTONDOWN, HTCLOSE, onClose);
  EXPECT_TRUE(Form1->SkinData1.CloseButton().Pressed());
  EXPECT_EQ(GetCapture(), Form());
  SendMessageW(Form(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(w.left + 40, w.top + 5));
  EXPECT_FALSE(Form1->SkinData1.CloseButton().Pressed());
  EXPECT_NE(GetCapture(), Form());
  Pump(50);
  EXPECT_EQ(Form1->Closes, 0);
  // Pressed and released on it: the form's close path runs.
  SendMessageW(Form(), WM_NCLBUTTONDOWN, HTCLOSE, onClose);
  SendMessageW(Form(), WM_NCLBUTTONUP, HTCLOSE, onClose);
  EXPECT_TRUE(PumpUntil([] { return Form1->Closes == 1; }));
  EXPECT_FALSE(Application.Terminated());  // the handler kept it open
}

TEST(Skin, ARealClickOnTheSkinnedCloseButtonClosesThroughTheFormsClosePath) {
  Form1->KeepOpen = false;
  const TSkinMetrics m = Form1->SkinData1.Metrics();
  const RECT w = WindowRect(Form());
  const TRect close = SkinCloseRect(m, w.right - w.left);
  const int x = w.left + (close.Left + close.Right) / 2, y = w.top + (close.Top + close.Bottom) / 2;
  MoveMouse(x, y);
  Pump(50);
  EXPECT_TRUE(Form1->SkinData1.CloseButton().Hot());
  EXPECT_EQ(PixelOf(Form(), close.Left + 1, close.Top + 1),
            ColorToRGB(Form1->SkinData1.Skin().CloseHot));
  ClickAt(x, y);
  EXPECT_TRUE(PumpUntil([] { return Application.Terminated(); }));
  EXPECT_EQ(Form1->Closes, 2);
  Application.DestroyForms();
  EXPECT_EQ(Form1, nullptr);
}

}  // namespace
}  // namespace zez
