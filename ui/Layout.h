#pragma once
// A form's stored layout as data: one record per component, the form's own
// record first (Kind Form). Portable: the scaling and ordering rules are
// host-tested; the Win32 side builds real windows from the scaled records.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/Classes.h"

namespace zez {

class TForm;

// Colours as the class library stores them: 0x00BBGGRR, or a system colour
// index with the top bit set.
using TColor = std::uint32_t;
inline constexpr TColor kSystemColorFlag = 0x80000000u;
inline constexpr TColor clWindowText = kSystemColorFlag | 8;  // COLOR_WINDOWTEXT
inline constexpr TColor clWindow = kSystemColorFlag | 5;      // COLOR_WINDOW
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;    // COLOR_BTNFACE
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

enum class TComponentKind { Form, ListBox, Button, Label, Memo, Timer, Other };
enum class TCursor { crDefault, crHandPoint };
enum class TBorderStyle { bsSizeable, bsDialog };
enum class TFormStyle { fsNormal, fsStayOnTop };

// Handlers stored in the table are members of the derived form, reached
// through these thunks (see Handler<> and CloseHandler<> below).
using TNotifyThunk = void (*)(TForm& form, TObject* sender);
using TCloseThunk = void (*)(TForm& form, TObject* sender, TCloseAction& action);

struct TFontRecord {
  const char* Face = "宋体";  // UTF-8
  int Height = -12;           // negative: character height in pixels
  TColor Color = clWindowText;
  unsigned Style = 0;  // TFontStyle bits
};

struct TComponentRecord {
  const char* Name = "";
  TComponentKind Kind = TComponentKind::Other;
  // Form: the window's outer top-left on the screen and its client size;
  // controls: their rectangle in the form's client area.
  int Left = 0, Top = 0, Width = 0, Height = 0;
  const char* Caption = "";  // UTF-8
  TFontRecord Font{};
  bool ParentFont = false;  // use the form's font instead of Font
  TColor Color = clBtnFace;
  int TabOrder = -1;  // -1: not a tab stop
  bool Visible = true;
  bool Enabled = true;
  TCursor Cursor = TCursor::crDefault;
  bool AutoSize = false;  // label: sized to its caption in its font at load
  // Form only.
  TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
  TFormStyle FormStyle = TFormStyle::fsNormal;
  int PixelsPerInch = 96;  // the density the layout was designed at
  TNotifyThunk OnCreate = nullptr;
  TCloseThunk OnClose = nullptr;
  // Controls.
  TNotifyThunk OnClick = nullptr;
  int ItemHeight = 0;  // list box; a standard list box takes it from its font
  // Timer.
  unsigned Interval = 1000;
  TNotifyThunk OnTimer = nullptr;
  // Other components (tray icon and the like).
  const char* Hint = "";  // UTF-8
};

using TLayout = std::span<const TComponentRecord>;

// Thunks that let a table name a member of the derived form, as "OnClick =
// Button1Click" does: .OnClick = Handler<&TForm1::Button1Click>().
template <class M>
struct TMemberOf;
template <class C, class R, class... A>
struct TMemberOf<R (C::*)(A...)> {
  using Type = C;
};
template <auto Method>
constexpr TNotifyThunk Handler() {
  using C = typename TMemberOf<decltype(Method)>::Type;
  return [](TForm& form, TObject* sender) { (static_cast<C&>(form).*Method)(sender); };
}
template <auto Method>
constexpr TCloseThunk CloseHandler() {
  using C = typename TMemberOf<decltype(Method)>::Type;
  return [](TForm& form, TObject* sender, TCloseAction& action) {
    (static_cast<C&>(form).*Method)(sender, action);
  };
}

// n * numerator / denominator rounded half away from zero, as Win32 MulDiv.
int MulDivRound(int n, int numerator, int denominator);

// The record as loaded on a screen of screenDpi: the form's client size,
// the controls' rectangles and every font height scale by screenDpi /
// designDpi. The form's own Left and Top are screen positions and stay.
TComponentRecord ScaledRecord(const TComponentRecord& record, int screenDpi, int designDpi);

// The form's record (the first of kind Form), or nullptr.
const TComponentRecord* FormRecord(TLayout layout);
const TComponentRecord* FindRecord(TLayout layout, std::string_view name);

// The order in which the form creates its child windows, as indices into the
// layout: controls with a tab order by that order (z-order = tab order), then
// the rest (labels) in table order. Forms and non-visual components are not
// windows of the form and are left out.
std::vector<std::size_t> CreationOrder(TLayout layout);

// The names Tab visits from the first, as a dialog does: tab stops in tab
// order, skipping the invisible and the disabled ones.
std::vector<std::string_view> TabSequence(TLayout layout);

}  // namespace zez
