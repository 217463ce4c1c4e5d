#pragma once
// The skin component. The skin's data, its stored text format, its measures at
// a screen density and its colour decisions are portable (Skin.cpp); the
// component that paints a form with it is Win32 (Skin_win.cpp). No windows.h.
//
// The stored format is UTF-8 text, one setting a line:
//   ZEZSKIN 1
//   ; a comment
//   caption.active = #56749A
//   caption.height = 28
// The first line names the format and its version. A setting that is missing,
// unknown, malformed or out of range keeps its default (TSkin's initialisers),
// so a damaged skin still gives a usable window.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Forms.h"
#include "ui/Layout.h"
#include "util/Types.h"

namespace zez {

// The skin as designed, in pixels of a 96-DPI screen. Colours are 0x00BBGGRR.
struct TSkin {
  TColor Background = 0xF8F5F3;  // the form's client area, under the labels
  // Caption band and frame.
  TColor CaptionActive = 0x9A7456;
  TColor CaptionInactive = 0xBCADA0;
  TColor CaptionText = 0xFFFFFF;
  TColor CaptionTextInactive = 0xF6F2EE;
  TColor OutlineActive = 0x6B4F3A;  // the 1-px line round the window
  TColor OutlineInactive = 0x968A80;
  TColor CloseHot = 0x5A5AC8;
  TColor ClosePressed = 0x3E3EA0;
  TColor CloseGlyph = 0xFFFFFF;
  // Push buttons.
  TColor ButtonFace = 0xFFFEFD;
  TColor ButtonBorder = 0xC6B7A9;
  TColor ButtonText = 0x3D2D1F;
  TColor ButtonHotFace = 0xF7EEE5;
  TColor ButtonHotBorder = 0xB0916F;
  TColor ButtonDownFace = 0xE8D9CB;
  TColor ButtonDownBorder = 0x9A7456;
  TColor ButtonDisabledText = 0xB1A59A;
  // Scroll bars.
  TColor ScrollTrack = 0xF5F2EF;
  TColor ScrollThumb = 0xC2B5A8;
  TColor ScrollArrow = 0x8C7A6A;
  // Measures.
  int BorderWidth = 3;     // left, right and bottom frame, outline included
  int OutlineWidth = 1;    // part of BorderWidth and of CaptionHeight
  int CaptionHeight = 28;  // the whole top band, outline included
  int CloseWidth = 30;
  int CloseHeight = 22;
  int CloseMargin = 3;  // from the frame's right edge to the close button
  int GlyphSize = 8;    // the close button's cross
  int IconSize = 16;
  int TextIndent = 8;  // caption text (or icon) from the left frame
  int ButtonBorderWidth = 1;
  int ScrollThumbWidth = 7;  // the slim thumb inside the system's bar width
  int ScrollArrowSize = 7;   // width of the arrow triangles
  // Caption font.
  std::string FontFace = "Tahoma";  // UTF-8
  int FontHeight = -12;             // negative: character height in pixels
  bool FontBold = true;

  bool operator==(const TSkin&) const = default;
};

// What reading a stored skin gave: the skin (defaults where the text failed)
// and a line for each problem found.
struct TSkinParse {
  TSkin Skin;
  std::vector<std::string> Problems;
  bool Damaged() const { return !Problems.empty(); }
};

inline constexpr std::string_view kSkinHeader = "ZEZSKIN";
inline constexpr int kSkinVersion = 1;
inline constexpr std::size_t kSkinMaxBytes = 64 * 1024;

TSkinParse ParseSkin(std::string_view text);
// The stored form of a skin; ParseSkin(FormatSkin(s)).Skin == s.
std::string FormatSkin(const TSkin& skin);

// The skin's measures on a screen of `dpi`. Non-zero widths stay at least 1.
struct TSkinMetrics {
  int Border = 0, Outline = 0, Caption = 0;
  int CloseWidth = 0, CloseHeight = 0, CloseMargin = 0, GlyphSize = 0, GlyphPen = 1;
  int IconSize = 0, TextIndent = 0;
  int ButtonBorder = 0, FocusInset = 0;
  int ScrollThumb = 0, ScrollArrow = 0;
  int FontHeight = 0;
};
TSkinMetrics ScaleSkin(const TSkin& skin, int dpi);

// Frame geometry. Window rectangles are in any one coordinate system; the
// parts of the frame are in window coordinates (0,0 = the window's corner).
TRect SkinClientRect(const TSkinMetrics& m, const TRect& window);
TPoint SkinOuterSize(const TSkinMetrics& m, int clientWidth, int clientHeight);
// The window resized to hold that client area, its top-left corner kept.
TRect SkinResizedWindow(const TSkinMetrics& m, const TRect& window, int clientWidth,
                        int clientHeight);
TRect SkinCaptionRect(const TSkinMetrics& m, int windowWidth);
TRect SkinCloseRect(const TSkinMetrics& m, int windowWidth);

enum class TSkinHit { Nowhere, Client, Caption, Close, Border };
// `point` in window coordinates of a window of that size.
TSkinHit SkinHitTest(const TSkinMetrics& m, int windowWidth, int windowHeight, TPoint point);

// Colour decisions.
struct TCaptionLook {
  TColor Band, Text, Outline;
};
TCaptionLook SkinCaptionLook(const TSkin& skin, bool active);

struct TCloseLook {
  TColor Face, Glyph;
};
// The button shows pressed only while the pointer is on it, as the system's.
TCloseLook SkinCloseLook(const TSkin& skin, bool active, bool hot, bool pressed);

struct TButtonState {
  bool Hot = false, Pressed = false, Disabled = false;
};
struct TButtonLook {
  TColor Face, Border, Text;
};
TButtonLook SkinButtonLook(const TSkin& skin, TButtonState state);

// The close button's press: down on it, pointer moves, up. A click is a
// release on the button of a press that began on it.
class TSkinCloseButton {
 public:
  void Press() { FPressed = FHot = true; }
  // Answers whether the look changed.
  bool Hover(bool onButton);
  // Answers whether this release is a click; the press ends either way.
  bool Release(bool onButton);
  void Cancel() { FPressed = false; }
  bool Pressed() const { return FPressed; }
  bool Hot() const { return FHot; }

 private:
  bool FPressed = false;
  bool FHot = false;
};

// A scroll bar drawn slim inside the system's bar: the system's arrow buttons
// and thumb (as it reports them) become a track, two small triangles and a
// thin rounded thumb centred across the bar.
struct TScrollGeometry {
  TRect Bar;  // window coordinates
  bool Vertical = true;
  int ArrowLength = 0;  // the system's arrow buttons along the bar
  int ThumbStart = 0;   // the system's thumb, from the bar's start; equal: none
  int ThumbEnd = 0;
};
struct TTriangle {
  TPoint P[3];
};
struct TScrollParts {
  TRect Track;  // the whole bar
  TRect Thumb;  // empty: no thumb
  TTriangle Arrow1, Arrow2;
};
TScrollParts SkinScrollParts(const TSkinMetrics& m, const TScrollGeometry& g);

// --- Win32 only from here on (defined in Skin_win.cpp) ---------------

// Skins its owner form from the form's first activation (its first showing):
// the form's colour becomes the skin's background, frame, caption and close
// button, push buttons and the scroll bars of list boxes and memos are drawn
// from the skin, and the window is resized so that its client area keeps its
// size with the top-left corner fixed. It loads the program's "SKIN" resource
// when the form is loaded; the program never needs to call it.
//
//   class TForm1 : public TForm { ... TSkinData SkinData1{this, "SkinData1"}; ... };
//
// Every message the skin does not handle goes to the form unchanged.
class TSkinData : public TComponent {
 public:
  static constexpr const char16_t* kResourceName = u"SKIN";  // RCDATA

  TSkinData(TForm* owner, std::string_view name);
  ~TSkinData() override;

  // Read at the first activation; false leaves the system's look.
  bool Active() const { return FActive; }
  void SetActive(bool active) { FActive = active; }

  // Replaces the stored skin (before the first activation).
  void LoadFromText(std::string_view text);
  // The skin of another module's "SKIN" resource (HMODULE as a number);
  // answers false, keeping the skin, when the module has none.
  bool LoadFromModule(std::uintptr_t module);

  const TSkin& Skin() const { return FSkin; }
  const std::vector<std::string>& Problems() const { return FProblems; }
  // The measures at the owner form's density.
  TSkinMetrics Metrics() const;
  // True once the form has been skinned.
  bool Applied() const;
  // The pointer is over this skinned button (its hover look is on).
  bool ButtonHot(TWindowHandle button) const;
  const TSkinCloseButton& CloseButton() const;

 protected:
  void Loaded() override;

 private:
  struct TImpl;
  friend struct TImpl;
  bool FActive = true;
  bool FLoadedSkin = false;
  TSkin FSkin;
  std::vector<std::string> FProblems;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace zez
