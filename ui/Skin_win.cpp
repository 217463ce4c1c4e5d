// The skin's Win32 side: it subclasses the form's window (frame, caption, close
// button), its push buttons (owner-drawn, hover look) and the windows whose
// scroll bars it paints, and forwards everything else unchanged.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/Skin.h"
#include "ui/StdCtrls.h"
#include "ui/Text.h"
#include "ui/WinHandles.h"

namespace zez {

namespace {

constexpr wchar_t kSubclassProp[] = L"ZezSkinSubclass";
// The hover look's safety net: TrackMouseEvent's leave notice can be lost
// while a button holds the capture, so a hot button also checks the pointer.
constexpr UINT_PTR kHoverTimer = 0x5A65;
constexpr UINT kHoverTimerMs = 100;
// Undocumented messages with which themed Windows paints caption and frame
// outside WM_NCPAINT.
constexpr UINT kWMNcUahDrawCaption = 0x00AE;
constexpr UINT kWMNcUahDrawFrame = 0x00AF;

HWND Hwnd(TWindowHandle h) {
  return reinterpret_cast<HWND>(h);
}

TRect ToRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

TRect WindowBox(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return ToRect(r);
}

void Fill(HDC dc, const TRect& r, TColor color) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  TBrushObject brush(CreateSolidBrush(ColorToRGB(color)));
  const RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  FillRect(dc, &rc, brush.Get());
}

// The whole window's DC, for painting the non-client area.
class TNonClientDC {
 public:
  explicit TNonClientDC(HWND window) : FWindow(window), FDC(GetWindowDC(window)) {}
  TNonClientDC(const TNonClientDC&) = delete;
  TNonClientDC& operator=(const TNonClientDC&) = delete;
  ~TNonClientDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  HDC Get() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

// An off-screen bitmap to paint in, so that nothing flickers.
class TMemoryDC {
 public:
  TMemoryDC(HDC like, int width, int height)
      : FDC(CreateCompatibleDC(like)),
        FBitmap(CreateCompatibleBitmap(like, std::max(width, 1), std::max(height, 1))),
        FSelect(FDC, FBitmap.Get()) {}
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  ~TMemoryDC() {
    FSelect.reset();
    FBitmap.Reset();
    if (FDC) DeleteDC(FDC);
  }
  HDC Get() const { return FDC; }
  bool Ok() const { return FDC && FBitmap.Get(); }

 private:
  struct TSelect {
    TSelect(HDC dc, HGDIOBJ object)
        : DC(dc), Previous(dc && object ? SelectObject(dc, object) : nullptr) {}
    void reset() {
      if (Previous) SelectObject(DC, Previous);
      Previous = nullptr;
    }
    HDC DC;
    HGDIOBJ Previous;
  };
  HDC FDC;
  TGdiObject<HBITMAP> FBitmap;
  TSelect FSelect;
};

class TIconObject {
 public:
  TIconObject() = default;
  TIconObject(const TIconObject&) = delete;
  TIconObject& operator=(const TIconObject&) = delete;
  ~TIconObject() { Reset(); }
  HICON Get() const { return FIcon; }
  void Reset(HICON icon = nullptr) {
    if (FIcon) DestroyIcon(FIcon);
    FIcon = icon;
  }

 private:
  HICON FIcon = nullptr;
};

// Windows' desktop composition would draw its own frame over ours.
void TurnOffCompositedFrame(HWND window) {
  HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
  if (!dwm) return;
  using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  if (FARPROC proc = GetProcAddress(dwm, "DwmSetWindowAttribute")) {
    const auto set = reinterpret_cast<TSetAttribute>(reinterpret_cast<void (*)()>(proc));
    const DWORD disabled = 1;  // DWMNCRP_DISABLED for DWMWA_NCRENDERING_POLICY (2)
    set(window, 2, &disabled, sizeof(disabled));
  }
  FreeLibrary(dwm);
}

std::u16string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
  const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

bool SameBar(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
  return EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.dxyLineButton == b.dxyLineButton &&
         a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
         a.rgstate[0] == b.rgstate[0];
}

// Messages after which a control may have drawn its own scroll bars even when
// their state is unchanged.
bool MayDrawScrollBars(UINT msg) {
  switch (msg) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_ENABLE:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
    case WM_SETFONT:
    case WM_SETTEXT:
    case WM_STYLECHANGED:
    case WM_SETREDRAW:
    case WM_TIMER:
    case WM_SHOWWINDOW:
      return true;
    default:
      return (msg >= LB_ADDSTRING && msg <= LB_MSGMAX) || (msg >= EM_GETSEL && msg <= 0x00FF);
  }
}

}  // namespace

struct TSkinData::TImpl {
  enum class TPart { Form, Button, Scroller };

  // One subclassed window. When the skin goes while the window stays and
  // another procedure sits above ours, the record stays behind with Skin =
  // nullptr and only forwards, until the window's WM_NCDESTROY.
  struct TSubclass {
    WNDPROC Old = nullptr;
    TImpl* Skin = nullptr;
    TPart Part = TPart::Form;
    HWND Window = nullptr;
    bool Hot = false;      // button: the pointer is over it
    bool Default = false;  // button: asked to be the default push button
    SCROLLBARINFO LastVert{}, LastHorz{};
  };

  explicit TImpl(TSkinData& owner) : Owner(owner) {}
  ~TImpl() { Detach(); }

  TSkinData& Owner;
  HWND Form = nullptr;
  bool Applied = false;
  bool CaptionActive = true;
  bool Capturing = false;      // the close button holds the mouse
  bool TrackingLeave = false;  // a non-client leave notice is asked for
  TSkinCloseButton Close;
  TSkinMetrics M;
  TFontObject CaptionFont;
  TIconObject Icon;
  std::vector<std::unique_ptr<TSubclass>> Subclasses;

  const TSkin& Skin() const { return Owner.FSkin; }

  // ------------------------------------------------------------ subclassing

  TSubclass* Install(HWND window, TPart part) {
    if (!window || GetPropW(window, kSubclassProp)) return nullptr;
    auto record = std::make_unique<TSubclass>();
    record->Skin = this;
    record->Part = part;
    record->Window = window;
    if (!SetPropW(window, kSubclassProp, record.get())) return nullptr;
    record->Old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    if (!record->Old) {
      RemovePropW(window, kSubclassProp);
      return nullptr;
    }
    Subclasses.push_back(std::move(record));
    return Subclasses.back().get();
  }

  TSubclass* Find(HWND window, TPart part) const {
    for (const auto& s : Subclasses)
      if (s->Window == window && s->Part == part) return s.get();
    return nullptr;
  }

  void Forget(TSubclass* record) {
    std::erase_if(Subclasses, [record](const auto& s) { return s.get() == record; });
  }

  void Detach() {
    for (auto& s : Subclasses) {
      HWND w = s->Window;
      if (s->Part == TPart::Button) {
        KillTimer(w, kHoverTimer);
        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
        SetWindowLongPtrW(
            w, GWL_STYLE,
            (style & ~LONG_PTR{BS_TYPEMASK}) | (s->Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
      }
      if (GetWindowLongPtrW(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc)) {
        SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s->Old));
        RemovePropW(w, kSubclassProp);
      } else {
        s->Skin = nullptr;
        s.release();  // freed at the window's WM_NCDESTROY
      }
    }
    Subclasses.clear();
    if (Capturing && GetCapture() == Form) ReleaseCapture();
    Form = nullptr;
  }

  static LRESULT Forward(const TSubclass& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(s.Old, s.Window, msg, wParam, lParam);
  }

  static TSubclass* Lookup(HWND window) {
    return static_cast<TSubclass*>(GetPropW(window, kSubclassProp));
  }

  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TSubclass* s = Lookup(window);
    if (!s) return DefWindowProcW(window, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      const WNDPROC old = s->Old;
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      RemovePropW(window, kSubclassProp);
      if (TImpl* skin = s->Skin) {
        if (s->Part == TPart::Form) skin->Form = nullptr;
        skin->Forget(s);
      } else {
        delete s;
      }
      return CallWindowProcW(old, window, msg, wParam, lParam);
    }
    if (!s->Skin) return Forward(*s, msg, wParam, lParam);
    try {
      switch (s->Part) {
        case TPart::Form:
          return s->Skin->FormMessage(*s, msg, wParam, lParam);
        case TPart::Button:
          return s->Skin->ButtonMessage(*s, msg, wParam, lParam);
        case TPart::Scroller:
          return ScrollerMessage(*s, msg, wParam, lParam);
      }
    } catch (...) {
      // The handler may have ended the window and its record: touch neither.
      Application.HandleException();
    }
    return 0;
  }

  // ------------------------------------------------------------ applying

  void Attach(HWND form) {
    if (Form == form) return;
    if (Install(form, TPart::Form)) Form = form;
  }

  void Apply() {
    if (Applied || !Form || !Owner.FActive) return;
    Applied = true;
    TForm* form = Owner.Owner();
    M = ScaleSkin(Skin(), form->LoadedDpi());
    const std::u16string face = Utf8ToUtf16(Skin().FontFace);
    CaptionFont.Reset(CreateFontW(M.FontHeight, 0, 0, 0, Skin().FontBold ? FW_BOLD : FW_NORMAL,
                                  FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                  Wide(face)));
    if (M.IconSize > 0)
      Icon.Reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                               M.IconSize, M.IconSize, LR_DEFAULTCOLOR)));
    form->SetColor(Skin().Background);

    RECT client{};
    GetClientRect(Form, &client);
    for (TComponent* c : form->Components()) {
      auto* control = dynamic_cast<TWinControl*>(c);
      if (!control || !control->HandleAllocated()) continue;
      HWND h = Hwnd(control->Handle());
      if (dynamic_cast<TButton*>(c)) {
        SkinButton(h);
      } else if (dynamic_cast<TListBox*>(c) || dynamic_cast<TMemo*>(c)) {
        if (Install(h, TPart::Scroller))
          RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      }
    }
    TurnOffCompositedFrame(Form);
    const TRect resized = SkinResizedWindow(M, WindowBox(Form), client.right, client.bottom);
    SetWindowPos(Form, nullptr, 0, 0, resized.Width(), resized.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

  void SkinButton(HWND button) {
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    const LONG_PTR type = style & BS_TYPEMASK;
    if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return;
    TSubclass* s = Install(button, TPart::Button);
    if (!s) return;
    s->Default = type == BS_DEFPUSHBUTTON;
    // Owner-drawn, the button still is a BUTTON with its text, id, focus,
    // keyboard and BM_CLICK; the form gets WM_DRAWITEM for every state.
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~LONG_PTR{BS_TYPEMASK}) | BS_OWNERDRAW);
    InvalidateRect(button, nullptr, TRUE);
  }

  // ------------------------------------------------------------ the form

  TRect ClosePart() const { return SkinCloseRect(M, WindowBox(Form).Width()); }

  // A point in the form's client coordinates, in window coordinates.
  TPoint ClientToWindowPoint(LPARAM lParam) const {
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(Form, &p);
    const TRect box = WindowBox(Form);
    return {p.x - box.Left, p.y - box.Top};
  }

  bool OnClose(TPoint windowPoint) const {
    const TRect r = ClosePart();
    return windowPoint.X >= r.Left && windowPoint.X < r.Right && windowPoint.Y >= r.Top &&
           windowPoint.Y < r.Bottom;
  }

  void TrackLeave() {
    if (TrackingLeave) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE | TME_NONCLIENT;
    tme.hwndTrack = Form;
    TrackingLeave = TrackMouseEvent(&tme) != FALSE;
  }

  // Ends a press of the close button; a click closes the window through the
  // system command, exactly as the system's close button does.
  LRESULT EndClosePress(bool onButton, LPARAM screenPoint) {
    const bool click = Close.Release(onButton);
    if (Capturing) {
      Capturing = false;
      ReleaseCapture();
    }
    TrackingLeave = false;
    if (onButton) TrackLeave();
    PaintFrame();
    // The close path may end the form: nothing is touched after it.
    if (click) SendMessageW(Form, WM_SYSCOMMAND, SC_CLOSE, screenPoint);
    return 0;
  }

  LRESULT FormMessage(TSubclass& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Applied) {
      // Skinned as it first appears: before the system draws its own frame.
      if ((msg == WM_SHOWWINDOW && wParam) || (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE))
        Apply();
      if (!Applied) return Forward(s, msg, wParam, lParam);
    }
    switch (msg) {
      case WM_NCCALCSIZE: {
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                         : reinterpret_cast<RECT*>(lParam);
        const TRect client = SkinClientRect(M, ToRect(*r));
        *r = RECT{client.Left, client.Top, client.Right, client.Bottom};
        return 0;
      }
      case WM_NCPAINT:
      case kWMNcUahDrawCaption:
      case kWMNcUahDrawFrame:
        PaintFrame();
        return 0;
      case WM_NCACTIVATE:
        CaptionActive = wParam != 0;
        // -1: the default procedure keeps its bookkeeping but paints nothing.
        DefWindowProcW(Form, msg, wParam, -1);
        PaintFrame();
        return TRUE;
      case WM_NCHITTEST: {
        const TRect box = WindowBox(Form);
        const TPoint p{static_cast<short>(LOWORD(lParam)) - box.Left,
                       static_cast<short>(HIWORD(lParam)) - box.Top};
        switch (SkinHitTest(M, box.Width(), box.Height(), p)) {
          case TSkinHit::Client:
            return HTCLIENT;
          case TSkinHit::Caption:
            return HTCAPTION;
          case TSkinHit::Close:
            return HTCLOSE;
          case TSkinHit::Border:
            return HTBORDER;
          case TSkinHit::Nowhere:
            return HTNOWHERE;
        }
        return HTNOWHERE;
      }
      case WM_NCMOUSEMOVE:
        if (Close.Hover(wParam == HTCLOSE)) PaintFrame();
        TrackLeave();
        break;
      case WM_NCMOUSELEAVE:
        TrackingLeave = false;
        if (!Capturing && Close.Hover(false)) PaintFrame();
        break;
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONDBLCLK:
        if (wParam != HTCLOSE) break;
        Close.Press();
        Capturing = true;
        SetCapture(Form);
        PaintFrame();
        return 0;
      case WM_NCLBUTTONUP:
        if (!Close.Pressed()) break;
        return EndClosePress(wParam == HTCLOSE, lParam);
      case WM_MOUSEMOVE:
        if (!Capturing) break;
        if (Close.Hover(OnClose(ClientToWindowPoint(lParam)))) PaintFrame();
        return 0;
      case WM_LBUTTONUP:
        if (!Capturing) break;
        {
          POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          ClientToScreen(Form, &screen);
          return EndClosePress(OnClose(ClientToWindowPoint(lParam)),
                               MAKELPARAM(screen.x, screen.y));
        }
      case WM_CAPTURECHANGED:
        if (Capturing && reinterpret_cast<HWND>(lParam) != Form) {
          Capturing = false;
          Close.Cancel();
          Close.Hover(false);
          PaintFrame();
        }
        break;
      case WM_SETTEXT:
      case WM_SETICON: {
        // The default procedure draws the system's caption for these.
        const HWND form = Form;
        const LRESULT result = Forward(s, msg, wParam, lParam);
        if (TSubclass* still = Lookup(form); still && still->Skin == this) PaintFrame();
        return result;
      }
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_BUTTON) {
          if (TSubclass* button = Find(item->hwndItem, TPart::Button)) {
            DrawButton(*button, *item);
            return TRUE;
          }
        }
        break;
      }
      default:
        break;
    }
    return Forward(s, msg, wParam, lParam);
  }

  void PaintFrame() {
    if (!Form || !Applied) return;
    const TRect box = WindowBox(Form);
    const int width = box.Width(), height = box.Height();
    if (width <= 0 || height <= 0) return;
    TNonClientDC dc(Form);
    if (!dc.Get()) return;
    TMemoryDC canvas(dc.Get(), width, height);
    if (!canvas.Ok()) return;
    HDC m = canvas.Get();
    const TCaptionLook look = SkinCaptionLook(Skin(), CaptionActive);
    Fill(m, {0, 0, width, height}, look.Outline);
    Fill(m, {M.Outline, M.Outline, width - M.Outline, height - M.Outline}, look.Band);

    const TRect close = SkinCloseRect(M, width);
    const TCloseLook closeLook = SkinCloseLook(Skin(), CaptionActive, Close.Hot(), Close.Pressed());
    Fill(m, close, closeLook.Face);
    const int g = M.GlyphSize, pen = M.GlyphPen;
    const int gx = close.Left + (close.Width() - g) / 2;
    const int gy = close.Top + (close.Height() - g) / 2;
    for (int i = 0; i + pen <= g; ++i) {
      Fill(m, {gx + i, gy + i, gx + i + pen, gy + i + pen}, closeLook.Glyph);
      Fill(m, {gx + g - pen - i, gy + i, gx + g - i, gy + i + pen}, closeLook.Glyph);
    }

    const int bandTop = M.Outline, bandHeight = M.Caption - M.Outline;
    int x = M.Border + M.TextIndent - M.Outline;
    HICON icon = CaptionIcon();
    if (icon && M.IconSize > 0) {
      DrawIconEx(m, x, bandTop + (bandHeight - M.IconSize) / 2, icon, M.IconSize, M.IconSize, 0,
                 nullptr, DI_NORMAL);
      x += M.IconSize + M.TextIndent / 2 + 1;
    }
    const std::u16string text = WindowText(Form);
    RECT textBox{x, bandTop, close.Left - M.TextIndent / 2, M.Caption};
    SetBkMode(m, TRANSPARENT);
    SetTextColor(m, ColorToRGB(look.Text));
    {
      TSelectObject font(m, CaptionFont.Get() ? static_cast<HGDIOBJ>(CaptionFont.Get())
                                              : GetStockObject(DEFAULT_GUI_FONT));
      DrawTextW(m, Wide(text), static_cast<int>(text.size()), &textBox,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    const TRect client = SkinClientRect(M, {0, 0, width, height});
    ExcludeClipRect(dc.Get(), client.Left, client.Top, client.Right, client.Bottom);
    BitBlt(dc.Get(), 0, 0, width, height, m, 0, 0, SRCCOPY);
  }

  HICON CaptionIcon() const {
    if (Icon.Get()) return Icon.Get();
    if (auto icon = reinterpret_cast<HICON>(SendMessageW(Form, WM_GETICON, ICON_SMALL, 0)))
      return icon;
    return reinterpret_cast<HICON>(GetClassLongPtrW(Form, GCLP_HICONSM));
  }

  // ------------------------------------------------------------ buttons

  void SetHot(TSubclass& s, bool hot) {
    if (s.Hot == hot) return;
    s.Hot = hot;
    if (hot) {
      TRACKMOUSEEVENT tme{};
      tme.cbSize = sizeof(tme);
      tme.dwFlags = TME_LEAVE;
      tme.hwndTrack = s.Window;
      TrackMouseEvent(&tme);
      SetTimer(s.Window, kHoverTimer, kHoverTimerMs, nullptr);
    } else {
      KillTimer(s.Window, kHoverTimer);
    }
    InvalidateRect(s.Window, nullptr, FALSE);
  }

  LRESULT ButtonMessage(TSubclass& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_MOUSEMOVE:
        SetHot(s, true);
        break;
      case WM_MOUSELEAVE:
        SetHot(s, false);
        break;
      case WM_TIMER:
        if (wParam != kHoverTimer) break;
        {
          POINT p{};
          GetCursorPos(&p);
          if (WindowFromPoint(p) != s.Window && GetCapture() != s.Window) SetHot(s, false);
        }
        return 0;
      case WM_ENABLE:
        if (!wParam) SetHot(s, false);
        break;
      case WM_LBUTTONDBLCLK:
        // An owner-drawn button reports a double click as BN_DOUBLECLICKED;
        // a push button takes the second press as a press: a second click.
        return Forward(s, WM_LBUTTONDOWN, wParam, lParam);
      case BM_SETSTYLE: {
        const WPARAM type = wParam & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
          s.Default = type == BS_DEFPUSHBUTTON;
          InvalidateRect(s.Window, nullptr, FALSE);
          return Forward(s, msg, (wParam & ~WPARAM{BS_TYPEMASK}) | BS_OWNERDRAW, lParam);
        }
        break;
      }
      case WM_GETDLGCODE: {
        // Answer as the push button it was, so dialog keys treat it the same.
        const LRESULT code = Forward(s, msg, wParam, lParam);
        return (code & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) |
               (s.Default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      }
      default:
        break;
    }
    return Forward(s, msg, wParam, lParam);
  }

  void DrawButton(const TSubclass& s, const DRAWITEMSTRUCT& item) {
    const RECT& rc = item.rcItem;
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0) return;
    TMemoryDC canvas(item.hDC, width, height);
    HDC dc = canvas.Ok() ? canvas.Get() : item.hDC;
    const int ox = canvas.Ok() ? 0 : rc.left, oy = canvas.Ok() ? 0 : rc.top;
    const TButtonState state{s.Hot, (item.itemState & ODS_SELECTED) != 0,
                             (item.itemState & ODS_DISABLED) != 0};
    const TButtonLook look = SkinButtonLook(Skin(), state);
    const int b = M.ButtonBorder + (s.Default ? 1 : 0);
    Fill(dc, {ox, oy, ox + width, oy + height}, look.Border);
    Fill(dc, {ox + b, oy + b, ox + width - b, oy + height - b}, look.Face);
    // Corners in the background colour round the button off by a pixel.
    const int k = M.ButtonBorder;
    const TColor back = Skin().Background;
    Fill(dc, {ox, oy, ox + k, oy + k}, back);
    Fill(dc, {ox + width - k, oy, ox + width, oy + k}, back);
    Fill(dc, {ox, oy + height - k, ox + k, oy + height}, back);
    Fill(dc, {ox + width - k, oy + height - k, ox + width, oy + height}, back);

    const std::u16string text = WindowText(s.Window);
    RECT textBox{ox + b, oy + b, ox + width - b, oy + height - b};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(look.Text));
    {
      TSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(s.Window, WM_GETFONT, 0, 0)));
      UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
      if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
      DrawTextW(dc, Wide(text), static_cast<int>(text.size()), &textBox, format);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
      RECT focus{ox + M.FocusInset, oy + M.FocusInset, ox + width - M.FocusInset,
                 oy + height - M.FocusInset};
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      DrawFocusRect(dc, &focus);
    }
    if (canvas.Ok()) BitBlt(item.hDC, rc.left, rc.top, width, height, dc, 0, 0, SRCCOPY);
  }

  // ------------------------------------------------------------ scroll bars

  static LRESULT ScrollerMessage(TSubclass& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND window = s.Window;
    const LRESULT result = Forward(s, msg, wParam, lParam);
    if (msg == WM_DESTROY) return result;
    // The message may have ended the skin or the window.
    TSubclass* still = Lookup(window);
    if (!still || !still->Skin || !IsWindowVisible(window)) return result;
    still->Skin->PaintScrollBars(*still, msg == WM_NCPAINT || MayDrawScrollBars(msg));
    return result;
  }

  void PaintScrollBars(TSubclass& s, bool always) {
    SCROLLBARINFO vert{}, horz{};
    vert.cbSize = horz.cbSize = sizeof(SCROLLBARINFO);
    const bool hasVert = GetScrollBarInfo(s.Window, OBJID_VSCROLL, &vert) != FALSE;
    const bool hasHorz = GetScrollBarInfo(s.Window, OBJID_HSCROLL, &horz) != FALSE;
    const bool vertChanged = hasVert && !SameBar(vert, s.LastVert);
    const bool horzChanged = hasHorz && !SameBar(horz, s.LastHorz);
    if (!always && !vertChanged && !horzChanged) return;
    if (hasVert) s.LastVert = vert;
    if (hasHorz) s.LastHorz = horz;
    TNonClientDC dc(s.Window);
    if (!dc.Get()) return;
    const TRect box = WindowBox(s.Window);
    if (always) PaintEdge(dc.Get(), s.Window, box);
    const auto shown = [](const SCROLLBARINFO& i) {
      return !(i.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
    };
    if (hasVert && shown(vert)) PaintBar(dc.Get(), box, vert, true);
    if (hasHorz && shown(horz)) PaintBar(dc.Get(), box, horz, false);
    if (hasVert && hasHorz && shown(vert) && shown(horz)) {
      Fill(dc.Get(),
           {vert.rcScrollBar.left - box.Left, horz.rcScrollBar.top - box.Top,
            vert.rcScrollBar.right - box.Left, horz.rcScrollBar.bottom - box.Top},
           Skin().ScrollTrack);
    }
  }

  // The sunken client edge becomes a flat line in the buttons' border colour.
  void PaintEdge(HDC dc, HWND window, const TRect& box) {
    if (!(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int edge = std::min(origin.x - box.Left, origin.y - box.Top);
    const int width = box.Width(), height = box.Height();
    for (int i = 0; i < edge && 2 * i < std::min(width, height); ++i) {
      const TColor color = i == 0 ? Skin().ButtonBorder : clWindow;
      Fill(dc, {i, i, width - i, i + 1}, color);
      Fill(dc, {i, height - i - 1, width - i, height - i}, color);
      Fill(dc, {i, i, i + 1, height - i}, color);
      Fill(dc, {width - i - 1, i, width - i, height - i}, color);
    }
  }

  void PaintBar(HDC dc, const TRect& box, const SCROLLBARINFO& info, bool vertical) {
    const TRect bar{info.rcScrollBar.left - box.Left, info.rcScrollBar.top - box.Top,
                    info.rcScrollBar.right - box.Left, info.rcScrollBar.bottom - box.Top};
    if (bar.Width() <= 0 || bar.Height() <= 0) return;
    const bool disabled = (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0;
    TScrollGeometry g;
    g.Bar = {0, 0, bar.Width(), bar.Height()};
    g.Vertical = vertical;
    // The system's arrow buttons are square. (Wine's dxyLineButton reports
    // the thumb's length instead, so it is not used.)
    g.ArrowLength = vertical ? bar.Width() : bar.Height();
    if (!disabled) {
      g.ThumbStart = info.xyThumbTop;
      g.ThumbEnd = info.xyThumbBottom;
    }
    const TScrollParts parts = SkinScrollParts(M, g);
    TMemoryDC canvas(dc, bar.Width(), bar.Height());
    if (!canvas.Ok()) return;
    HDC m = canvas.Get();
    Fill(m, parts.Track, Skin().ScrollTrack);
    if (parts.Thumb.Right > parts.Thumb.Left && parts.Thumb.Bottom > parts.Thumb.Top) {
      TBrushObject brush(CreateSolidBrush(ColorToRGB(Skin().ScrollThumb)));
      TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, ColorToRGB(Skin().ScrollThumb)));
      TSelectObject useBrush(m, brush.Get());
      TSelectObject usePen(m, pen.Get());
      const int round = std::min(parts.Thumb.Width(), parts.Thumb.Height());
      RoundRect(m, parts.Thumb.Left, parts.Thumb.Top, parts.Thumb.Right, parts.Thumb.Bottom, round,
                round);
    }
    const TColor arrow = disabled ? Skin().ScrollThumb : Skin().ScrollArrow;
    TBrushObject brush(CreateSolidBrush(ColorToRGB(arrow)));
    TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, ColorToRGB(arrow)));
    TSelectObject useBrush(m, brush.Get());
    TSelectObject usePen(m, pen.Get());
    for (const TTriangle* t : {&parts.Arrow1, &parts.Arrow2}) {
      const POINT points[3] = {
          {t->P[0].X, t->P[0].Y}, {t->P[1].X, t->P[1].Y}, {t->P[2].X, t->P[2].Y}};
      Polygon(m, points, 3);
    }
    BitBlt(dc, bar.Left, bar.Top, bar.Width(), bar.Height(), m, 0, 0, SRCCOPY);
  }
};

// ---------------------------------------------------------------- component

TSkinData::TSkinData(TForm* owner, std::string_view name)
    : TComponent(owner, name), FImpl(std::make_unique<TImpl>(*this)) {}

TSkinData::~TSkinData() = default;

void TSkinData::LoadFromText(std::string_view text) {
  TSkinParse parsed = ParseSkin(text);
  FSkin = std::move(parsed.Skin);
  FProblems = std::move(parsed.Problems);
  FLoadedSkin = true;
}

bool TSkinData::LoadFromModule(std::uintptr_t module) {
  HMODULE m = reinterpret_cast<HMODULE>(module);
  HRSRC found = FindResourceW(m, Wide(kResourceName), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL data = LoadResource(m, found);
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return false;
  LoadFromText({static_cast<const char*>(bytes), SizeofResource(m, found)});
  return true;
}

void TSkinData::Loaded() {
  if (!FLoadedSkin &&
      !LoadFromModule(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)))) {
    FSkin = TSkin{};
    FProblems = {"no stored skin: the built-in one"};
    FLoadedSkin = true;
  }
  // The form's window is made now, still hidden, so that the skin is in place
  // before the window first shows.
  if (TForm* form = Owner()) FImpl->Attach(Hwnd(form->Handle()));
}

TSkinMetrics TSkinData::Metrics() const {
  return ScaleSkin(FSkin, Owner() ? Owner()->LoadedDpi() : 96);
}

bool TSkinData::Applied() const {
  return FImpl->Applied;
}

bool TSkinData::ButtonHot(TWindowHandle button) const {
  const TImpl::TSubclass* s = FImpl->Find(Hwnd(button), TImpl::TPart::Button);
  return s && s->Hot;
}

const TSkinCloseButton& TSkinData::CloseButton() const {
  return FImpl->Close;
}

}  // namespace zez
