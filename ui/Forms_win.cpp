// Win32 side of the application, screen and form objects.
#include <windows.h>

#include <algorithm>

#include "ui/AppRules.h"
#include "ui/Forms.h"
#include "ui/Text.h"
#include "ui/WinHandles.h"
#include "util/Exception.h"

namespace zez {

TApplication Application;
TScreen Screen;

namespace {

constexpr wchar_t kFormClass[] = L"ZezForm";
constexpr wchar_t kApplicationClass[] = L"ZezApplication";
constexpr int kFirstControlId = 100;  // clear of IDOK/IDCANCEL, which dialogs send

HWND Hwnd(TWindowHandle h) {
  return reinterpret_cast<HWND>(h);
}
TWindowHandle HandleOf(HWND h) {
  return reinterpret_cast<TWindowHandle>(h);
}

void MakeDpiAware() {
  static const bool done = [] {
    SetProcessDPIAware();
    return true;
  }();
  (void)done;
}

HFONT MakeFont(const TFontRecord& font) {
  const std::u16string face = Utf8ToUtf16(font.Face);
  return CreateFontW(font.Height, 0, 0, 0, (font.Style & fsBold) ? FW_BOLD : FW_NORMAL,
                     (font.Style & fsItalic) != 0, (font.Style & fsUnderline) != 0,
                     (font.Style & fsStrikeOut) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(face));
}

void FormStyles(const TComponentRecord& r, DWORD& style, DWORD& exStyle) {
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  exStyle = 0;
  if (r.BorderStyle == TBorderStyle::bsDialog) {
    exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;  // caption and close box only
  } else {
    style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  }
  if (r.FormStyle == TFormStyle::fsStayOnTop) exStyle |= WS_EX_TOPMOST;
}

SIZE OuterSize(const TComponentRecord& r) {
  DWORD style, exStyle;
  FormStyles(r, style, exStyle);
  RECT rc{0, 0, r.Width, r.Height};
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Utf16ToUtf8(text);
}

}  // namespace

void TGdiDeleter::operator()(void* object) const noexcept {
  if (object) DeleteObject(static_cast<HGDIOBJ>(object));
}

// ---------------------------------------------------------------- components

TComponent::TComponent(TForm* owner, std::string_view name) : FOwner(owner), FName(name) {
  if (!owner) return;
  if (const TComponentRecord* r = FindRecord(owner->Layout(), name))
    FRecord = ScaledRecord(*r, owner->LoadedDpi(), owner->DesignDpi());
  owner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  if (FOwner) std::erase(FOwner->FComponents, this);
}

TNotifyEvent TComponent::BindNotify(TNotifyThunk thunk) {
  if (!thunk || !FOwner) return {};
  TForm* form = FOwner;
  return [thunk, form](TObject* sender) { thunk(*form, sender); };
}

TWinControl::~TWinControl() {
  if (FHandle) DestroyWindow(Hwnd(FHandle));
}

TWindowHandle TWinControl::Handle() {
  if (!FHandle && Owner()) Owner()->Handle();
  if (!FHandle) throw Exception("控件 " + Name() + " 没有窗口");
  return FHandle;
}

std::string TWinControl::Caption() const {
  return FHandle ? WindowTextUtf8(Hwnd(FHandle)) : std::string(FRecord.Caption);
}

void TWinControl::SetCaption(std::string_view utf8) {
  SetWindowTextW(Hwnd(Handle()), Wide(Utf8ToUtf16(utf8)));
}

void TWinControl::SetFocus() {
  ::SetFocus(Hwnd(Handle()));
}

bool TWinControl::Focused() const {
  return FHandle && GetFocus() == Hwnd(FHandle);
}

void TWinControl::CreateWindowIn(TWindowHandle parent, int id, void* formFont) {
  const TCreateParams p = CreateParams();
  DWORD style = WS_CHILD | p.Style;
  if (FRecord.Visible) style |= WS_VISIBLE;
  if (FRecord.TabOrder >= 0) style |= WS_TABSTOP;
  if (!FRecord.Enabled) style |= WS_DISABLED;
  const std::u16string caption = Utf8ToUtf16(FRecord.Caption);
  HWND h = CreateWindowExW(p.ExStyle | WS_EX_NOPARENTNOTIFY, Wide(p.ClassName), Wide(caption),
                           style, FRecord.Left, FRecord.Top, FRecord.Width, FRecord.Height,
                           Hwnd(parent), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (!h) throw Exception("无法创建窗口 " + Name());
  FHandle = HandleOf(h);
  void* font = formFont;
  if (!FRecord.ParentFont) {
    FFont.reset(MakeFont(FRecord.Font));
    if (FFont) font = FFont.get();
  }
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // Each window goes below the ones before it: z-order is creation order, which
  // is tab order, as in a dialog.
  SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Created();
}

// ---------------------------------------------------------------- the form

struct TFormProc {
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TForm* self;
    if (msg == WM_NCCREATE) {
      self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->FHandle = HandleOf(window);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    try {
      self->WndProc(m);
    } catch (...) {
      Application.HandleException(self);
      return 0;
    }
    // The handler may have destroyed the window and the object: only the
    // local copy of the result is touched from here on.
    return m.Result;
  }
};

TForm::TForm(TLayout layout, TMessageTable messages)
    : TComponent(nullptr, ""), FLayout(layout), FMessages(messages) {
  FLoadedDpi = Screen.PixelsPerInch();
  if (const TComponentRecord* r = FormRecord(layout)) {
    FDesignDpi = r->PixelsPerInch > 0 ? r->PixelsPerInch : 96;
    FRecord = ScaledRecord(*r, FLoadedDpi, FDesignDpi);
    static_cast<TComponent&>(*this).FName = r->Name;
  }
  FLeft = FRecord.Left;
  FTop = FRecord.Top;
  FColor = FRecord.Color;
  if (FRecord.OnCreate) {
    TNotifyThunk thunk = FRecord.OnCreate;
    OnCreate = [thunk, this](TObject* sender) { thunk(*this, sender); };
  }
  if (FRecord.OnClose) {
    TCloseThunk thunk = FRecord.OnClose;
    OnClose = [thunk, this](TObject* sender, TCloseAction& action) {
      thunk(*this, sender, action);
    };
  }
  Application.FormConstructed(this);
}

TForm::~TForm() {
  // The derived part is gone: its message handlers must not run any more.
  FMessages = {};
  DestroyHandle();
  // Components that outlive the form (never members) must not find it again.
  for (TComponent* c : FComponents) c->FOwner = nullptr;
  Application.FormGone(this);
}

void TForm::AfterConstruction() {
  const auto components = FComponents;  // Loaded may not change the list, but be safe
  for (TComponent* c : components) c->Loaded();
  if (OnCreate) Guarded([&] { OnCreate(this); }, this);
}

TWindowHandle TForm::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TForm::CreateHandle() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TFormProc::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc);
  }();
  if (!atom) throw Exception("无法注册窗口类");
  DWORD style, exStyle;
  FormStyles(FRecord, style, exStyle);
  const SIZE outer = OuterSize(FRecord);
  const std::u16string caption = Utf8ToUtf16(FRecord.Caption);
  FFont.reset(MakeFont(FRecord.Font));
  HWND h =
      CreateWindowExW(exStyle, kFormClass, Wide(caption), style, FLeft, FTop, outer.cx, outer.cy,
                      Hwnd(Application.Handle()), nullptr, GetModuleHandleW(nullptr), this);
  if (!h) throw Exception("无法创建窗口 " + Name());
  Application.FFormWindows.push_back(FHandle);
  const std::vector<std::size_t> order = CreationOrder(FLayout);
  for (std::size_t index : order) {
    for (TComponent* c : FComponents) {
      auto* control = dynamic_cast<TWinControl*>(c);
      if (control && !control->FHandle && c->Name() == FLayout[index].Name)
        control->CreateWindowIn(FHandle, kFirstControlId + static_cast<int>(index), FFont.get());
    }
  }
}

void TForm::DestroyHandle() {
  if (FHandle) DestroyWindow(Hwnd(FHandle));
}

void TForm::HandleDestroyed() {
  std::erase(Application.FFormWindows, FHandle);
  FHandle = 0;
  FLastFocus = 0;
  for (TComponent* c : FComponents)
    if (auto* control = dynamic_cast<TWinControl*>(c)) control->FHandle = 0;
}

int TForm::Left() {
  if (!FHandle) return FLeft;
  RECT rc;
  GetWindowRect(Hwnd(FHandle), &rc);
  return rc.left;
}

int TForm::Top() {
  if (!FHandle) return FTop;
  RECT rc;
  GetWindowRect(Hwnd(FHandle), &rc);
  return rc.top;
}

int TForm::Width() {
  if (!FHandle) return OuterSize(FRecord).cx;
  RECT rc;
  GetWindowRect(Hwnd(FHandle), &rc);
  return rc.right - rc.left;
}

int TForm::Height() {
  if (!FHandle) return OuterSize(FRecord).cy;
  RECT rc;
  GetWindowRect(Hwnd(FHandle), &rc);
  return rc.bottom - rc.top;
}

int TForm::ClientWidth() {
  if (!FHandle) return FRecord.Width;
  RECT rc;
  GetClientRect(Hwnd(FHandle), &rc);
  return rc.right;
}

int TForm::ClientHeight() {
  if (!FHandle) return FRecord.Height;
  RECT rc;
  GetClientRect(Hwnd(FHandle), &rc);
  return rc.bottom;
}

void TForm::SetLeft(int value) {
  FLeft = value;
  if (FHandle)
    SetWindowPos(Hwnd(FHandle), nullptr, FLeft, Top(), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetTop(int value) {
  FTop = value;
  if (FHandle)
    SetWindowPos(Hwnd(FHandle), nullptr, Left(), FTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetColor(TColor color) {
  FColor = color;
  FBrush.reset();
  if (FHandle) InvalidateRect(Hwnd(FHandle), nullptr, TRUE);
}

bool TForm::Visible() {
  return FHandle && IsWindowVisible(Hwnd(FHandle));
}

void TForm::Show() {
  ShowWindow(Hwnd(Handle()), SW_SHOWNORMAL);
}

void TForm::Hide() {
  if (FHandle) ShowWindow(Hwnd(FHandle), SW_HIDE);
}

void TForm::BringToFront() {
  SetWindowPos(Hwnd(Handle()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application.MainForm() == this) {
    Application.Terminate();
  } else if (action == TCloseAction::caMinimize) {
    if (FHandle) ShowWindow(Hwnd(FHandle), SW_MINIMIZE);
  } else {
    Hide();
  }
}

TWinControl* TForm::ControlOf(TWindowHandle window) const {
  if (!window) return nullptr;
  for (TComponent* c : FComponents)
    if (auto* control = dynamic_cast<TWinControl*>(c); control && control->FHandle == window)
      return control;
  return nullptr;
}

void TForm::RestoreFocus() {
  HWND form = Hwnd(FHandle);
  HWND target = Hwnd(FLastFocus);
  if (!target || !IsChild(form, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(form, nullptr, FALSE);  // the first in tab order
  if (target) ::SetFocus(target);
}

void TForm::DefaultHandler(TMessage& m) {
  m.Result = DefWindowProcW(Hwnd(FHandle), m.Msg, m.WParam, m.LParam);
}

void TForm::WndProc(TMessage& m) {
  for (const TMessageEntry& entry : FMessages) {
    if (entry.Msg == m.Msg) {
      entry.Handler(*this, m);
      return;
    }
  }
  Dispatch(m);
}

void TForm::Dispatch(TMessage& m) {
  HWND self = Hwnd(FHandle);
  switch (m.Msg) {
    case WM_COMMAND:
      if (TWinControl* control = ControlOf(static_cast<TWindowHandle>(m.LParam))) {
        control->Notify(HIWORD(m.WParam));
        return;  // the control may have closed the form: touch nothing more
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      if (!FBrush) FBrush.reset(CreateSolidBrush(ColorToRGB(FColor)));
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      TWinControl* control = ControlOf(static_cast<TWindowHandle>(m.LParam));
      if (control && control->Record().Kind == TComponentKind::Label) {
        SetTextColor(dc, ColorToRGB(control->Record().Font.Color));
        SetBkMode(dc, TRANSPARENT);
      }
      SetBkColor(dc, ColorToRGB(FColor));
      m.Result = reinterpret_cast<LRESULT>(FBrush.get());
      return;
    }
    case WM_ERASEBKGND: {
      if (!FBrush) FBrush.reset(CreateSolidBrush(ColorToRGB(FColor)));
      RECT rc;
      GetClientRect(self, &rc);
      FillRect(reinterpret_cast<HDC>(m.WParam), &rc, static_cast<HBRUSH>(FBrush.get()));
      m.Result = 1;
      return;
    }
    case WM_SETCURSOR: {
      TWinControl* control = ControlOf(static_cast<TWindowHandle>(m.WParam));
      if (control && LOWORD(m.LParam) == HTCLIENT &&
          control->Record().Cursor == TCursor::crHandPoint) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        m.Result = TRUE;
        return;
      }
      break;
    }
    case WM_ACTIVATE:
      if (LOWORD(m.WParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(self, focus)) FLastFocus = HandleOf(focus);
      }
      break;  // DefWindowProc focuses the window itself on activation: WM_SETFOCUS
    case WM_SETFOCUS:
      RestoreFocus();
      return;
    case WM_CLOSE:
      Close();  // never DestroyWindow: the application ends, or the form hides
      return;
    case WM_NCDESTROY:
      HandleDestroyed();
      SetWindowLongPtrW(self, GWLP_USERDATA, 0);
      m.Result = DefWindowProcW(self, m.Msg, m.WParam, m.LParam);
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

// ---------------------------------------------------------------- screen

TRect TScreen::WorkAreaRect() const {
  RECT rc{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  return {rc.left, rc.top, rc.right, rc.bottom};
}

int TScreen::PixelsPerInch() const {
  MakeDpiAware();
  TWindowDC screen(nullptr);
  return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// ---------------------------------------------------------------- application

struct TApplicationProc {
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) Application.FHandle = HandleOf(window);
    TMessage m{msg, wParam, lParam, 0};
    try {
      Application.WndProc(m);
    } catch (...) {
      Application.HandleException(&Application);
      return 0;
    }
    return m.Result;
  }
};

void TApplication::Initialize() {
  MakeDpiAware();
  Handle();
}

TWindowHandle TApplication::Handle() {
  if (FHandle) return FHandle;
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TApplicationProc::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    wc.lpszClassName = kApplicationClass;
    return RegisterClassExW(&wc);
  }();
  if (!atom) return 0;
  const std::u16string title = Title();
  // Invisible by its size: it is shown only to carry the taskbar button.
  CreateWindowExW(0, kApplicationClass, Wide(title),
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                  GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return FHandle;
}

std::u16string TApplication::Title() {
  if (FTitle.empty()) {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()),
                                         static_cast<DWORD>(path.size()));
      if (n < path.size()) {
        path.resize(n);
        break;
      }
      path.resize(path.size() * 2);
    }
    FTitle = ApplicationTitle(path, [](char16_t c) {
      return static_cast<char16_t>(reinterpret_cast<UINT_PTR>(
          CharLowerW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
    });
  }
  return FTitle;
}

void TApplication::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ACTIVATEAPP:
      FActive = m.WParam != 0;
      break;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_NCDESTROY:
      FHandle = 0;
      break;
    default:
      break;
  }
  m.Result = DefWindowProcW(Hwnd(FHandle), m.Msg, m.WParam, m.LParam);
}

void TApplication::FormConstructed(TForm* form) {
  if (FCreatingForm && !FMainForm) FMainForm = form;
}

void TApplication::FormGone(TForm* form) {
  if (FMainForm == form) FMainForm = nullptr;
  std::erase_if(FForms, [form](const TOwnedForm& f) { return f.Form == form; });
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  // Tab and the arrow keys move between a form's controls as in a dialog.
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root &&
      std::find(FFormWindows.begin(), FFormWindows.end(), HandleOf(root)) != FFormWindows.end()) {
    if (IsDialogMessageW(root, &msg)) return true;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) WaitMessage();
}

void TApplication::Run() {
  if (!FMainForm) return;
  // The hidden window becomes visible (at zero size) to carry the taskbar
  // button, unless the program has made it a tool window by then.
  ShowWindow(Hwnd(Handle()), SW_SHOWNOACTIVATE);
  FMainForm->Show();
  // Shown and activated: a window shown while another program is in front is
  // not always made the foreground window by the system.
  SetForegroundWindow(Hwnd(FMainForm->Handle()));
  while (!FTerminated) HandleMessage();
  DestroyForms();
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

void TApplication::DestroyForms() {
  while (!FForms.empty()) {
    auto destroy = std::move(FForms.back().Destroy);
    FForms.pop_back();
    destroy();
  }
}

void TApplication::HandleException(TObject*) noexcept {
  if (!std::current_exception()) return;
  try {
    throw;
  } catch (const EAbort&) {
    // dropped silently
  } catch (const Exception& e) {
    ShowException(e.Message());
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("未知错误");
  }
}

void TApplication::ShowException(std::string_view utf8Message) noexcept {
  try {
    const std::u16string text = ErrorBoxText(Utf8ToUtf16(utf8Message));
    const std::u16string caption = Title();
    MessageBoxW(Hwnd(Handle()), Wide(text), Wide(caption), kErrorBoxFlags);
  } catch (...) {
    // Out of memory while reporting: nothing sensible is left to do.
  }
}

}  // namespace zez
