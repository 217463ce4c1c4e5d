// The skin's portable side: the stored format and its damage, the measures at
// each density, the frame's geometry and the colour decisions.
#include "ui/Skin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/Layout.h"

namespace zez {
namespace {

std::string StoredSkin() {
  const auto path =
      std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "res" / "Zeziduz.skin";
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(SkinFormat, TheStoredSkinReadsCleanAndIsTheBuiltInOne) {
  const std::string text = StoredSkin();
  ASSERT_FALSE(text.empty());
  const TSkinParse parsed = ParseSkin(text);
  EXPECT_FALSE(parsed.Damaged()) << parsed.Problems.front();
  // The built-in skin is the fallback for a damaged resource: the same look.
  EXPECT_EQ(parsed.Skin, TSkin{});
}

TEST(SkinFormat, FormatReadsBackToTheSameSkin) {
  TSkin skin;
  skin.Background = 0x123456;
  skin.CaptionHeight = 40;
  skin.FontFace = "微软雅黑";
  skin.FontBold = false;
  skin.FontHeight = -15;
  const TSkinParse parsed = ParseSkin(FormatSkin(skin));
  EXPECT_FALSE(parsed.Damaged());
  EXPECT_EQ(parsed.Skin, skin);
}

TEST(SkinFormat, ColoursAreRrggbbStoredAsBbggrr) {
  const TSkinParse parsed = ParseSkin("ZEZSKIN 1\nbackground = #102030\ncaption.active=#abcdef\n");
  EXPECT_FALSE(parsed.Damaged());
  EXPECT_EQ(parsed.Skin.Background, 0x302010u);
  EXPECT_EQ(parsed.Skin.CaptionActive, 0xEFCDABu);
}

TEST(SkinFormat, CommentsBlankLinesCrLfAndBomAreFine) {
  const TSkinParse parsed =
      ParseSkin("\xEF\xBB\xBF; first\r\n\r\n  ZEZSKIN 1  \r\n; note\r\n\tborder.width = 5 \r\n");
  EXPECT_FALSE(parsed.Damaged());
  EXPECT_EQ(parsed.Skin.BorderWidth, 5);
}

TEST(SkinFormat, DamagedSettingsKeepTheirDefaultsOneProblemEach) {
  struct Case {
    const char* line;
  };
  const Case cases[] = {
      {"background = #12345"},           // short
      {"background = #1234567"},         // long
      {"background = 123456"},           // no '#'
      {"background = #12345G"},          // not hex
      {"background = #-12345"},          // sign
      {"caption.height = 10"},           // below its range
      {"caption.height = 65"},           // above its range
      {"caption.height = 2x"},           // trailing junk
      {"caption.height = +30"},          // sign
      {"caption.height = 99999999999"},  // overflow
      {"caption.height ="},              // empty
      {"font.bold = yes"},
      {"font.face ="},
      {"font.face = \x01name"},  // control character
      {"font.face = \xC3("},     // broken UTF-8
      {"font.face = \xE5\xBE"},  // cut UTF-8
      {"no equals sign here"},
      {"unknown.key = 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const TSkinParse parsed =
        ParseSkin(std::string("ZEZSKIN 1\n") + c.line + "\nborder.width = 4\n");
    EXPECT_EQ(parsed.Problems.size(), 1u);
    TSkin expected;
    expected.BorderWidth = 4;  // a good line after the bad one still counts
    EXPECT_EQ(parsed.Skin, expected);
  }
}

TEST(SkinFormat, ATwiceGivenSettingKeepsTheFirst) {
  const TSkinParse parsed = ParseSkin("ZEZSKIN 1\nborder.width = 4\nborder.width = 9\n");
  EXPECT_EQ(parsed.Problems.size(), 1u);
  EXPECT_EQ(parsed.Skin.BorderWidth, 4);
}

TEST(SkinFormat, NotASkinGivesTheBuiltInSkin) {
  const std::string binary("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
  const std::string cases[] = {
      "",                                                                 // empty resource
      "   \n; only a comment\n",                                          // nothing in it
      "ZEZSKIN 2\nborder.width = 9\n",                                    // a later version
      "border.width = 9\nZEZSKIN 1\n",                                    // no header first
      "zezskin 1\nborder.width = 9\n",                                    // header case matters
      binary,                                                             // junk with zero bytes
      "ZEZSKIN 1\nborder.width = 9\n" + std::string(kSkinMaxBytes, ';'),  // oversized
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 20));
    const TSkinParse parsed = ParseSkin(text);
    EXPECT_TRUE(parsed.Damaged());
    EXPECT_EQ(parsed.Skin, TSkin{});
  }
}

TEST(SkinFormat, ATruncatedSkinKeepsWhatItHas) {
  const TSkin changed;
  const std::string edited =
      "ZEZSKIN 1\nbackground = #000001\ncaption.height = 3";  // cut mid-value
  const TSkinParse parsed = ParseSkin(edited);
  EXPECT_EQ(parsed.Skin.Background, 0x010000u);
  EXPECT_EQ(parsed.Skin.CaptionHeight, changed.CaptionHeight);  // 3 is out of range
  EXPECT_EQ(parsed.Problems.size(), 1u);
}

TEST(SkinFormat, MeasuresThatDoNotFitTogetherAreFitted) {
  const TSkinParse parsed = ParseSkin(
      "ZEZSKIN 1\nborder.width = 2\noutline.width = 3\ncaption.height = 20\nclose.height = 30\n"
      "close.width = 12\nclose.glyph.size = 20\nicon.size = 30\n");
  EXPECT_EQ(parsed.Problems.size(), 4u);
  const TSkin& s = parsed.Skin;
  EXPECT_LT(s.OutlineWidth, s.BorderWidth);
  EXPECT_LE(s.CloseHeight, s.CaptionHeight - s.OutlineWidth);
  EXPECT_LE(s.GlyphSize, std::min(s.CloseWidth, s.CloseHeight));
  EXPECT_LE(s.IconSize, s.CaptionHeight - s.OutlineWidth);
}

TEST(SkinMetrics, ScaleWithTheDensityAndKeepThinLinesVisible) {
  const TSkin skin;
  struct Case {
    int dpi, border, outline, caption, closeWidth, font, pen;
  };
  const Case cases[] = {
      {96, 3, 1, 28, 30, -12, 1},
      {120, 4, 1, 35, 38, -15, 1},  // 3.75 -> 4; 1.25 -> 1; 37.5 -> 38
      {144, 5, 2, 42, 45, -18, 2},  // 4.5 -> 5; 1.5 -> 2
      {192, 6, 2, 56, 60, -24, 3},
      {72, 2, 1, 21, 23, -9, 1},  // 0.75 -> 1: an outline never vanishes
      {0, 3, 1, 28, 30, -12, 1},  // unknown density: as 96
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const TSkinMetrics m = ScaleSkin(skin, c.dpi);
    EXPECT_EQ(m.Border, c.border);
    EXPECT_EQ(m.Outline, c.outline);
    EXPECT_EQ(m.Caption, c.caption);
    EXPECT_EQ(m.CloseWidth, c.closeWidth);
    EXPECT_EQ(m.FontHeight, c.font);
    EXPECT_EQ(m.GlyphPen, c.pen);
    EXPECT_LT(m.Outline, m.Border);
  }
  TSkin noOutline;
  noOutline.OutlineWidth = 0;
  EXPECT_EQ(ScaleSkin(noOutline, 144).Outline, 0);
}

TEST(SkinFrame, ResizeKeepsTheClientSizeAndTheTopLeftCorner) {
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    const TSkinMetrics m = ScaleSkin(TSkin{}, dpi);
    const int cw = MulDivRound(263, dpi, 96), ch = MulDivRound(321, dpi, 96);
    // The window as the system's dialog frame made it.
    const TRect system{1000, 600, 1000 + cw + 8, 600 + ch + 31};
    const TRect skinned = SkinResizedWindow(m, system, cw, ch);
    EXPECT_EQ(skinned.Left, system.Left);
    EXPECT_EQ(skinned.Top, system.Top);
    const TRect client = SkinClientRect(m, skinned);
    EXPECT_EQ(client.Width(), cw);
    EXPECT_EQ(client.Height(), ch);
    EXPECT_EQ(client.Left - skinned.Left, m.Border);
    EXPECT_EQ(client.Top - skinned.Top, m.Caption);
    EXPECT_EQ(skinned.Bottom - client.Bottom, m.Border);
    const TPoint outer = SkinOuterSize(m, cw, ch);
    EXPECT_EQ(outer.X, skinned.Width());
    EXPECT_EQ(outer.Y, skinned.Height());
  }
  // At 96: 263 x 321 inside a 3-px frame and a 28-px caption.
  const TRect r = SkinResizedWindow(ScaleSkin(TSkin{}, 96), {192, 114, 0, 0}, 263, 321);
  EXPECT_EQ(r.Width(), 269);
  EXPECT_EQ(r.Height(), 352);
}

TEST(SkinFrame, AWindowSmallerThanItsFrameHasAnEmptyClientArea) {
  const TSkinMetrics m = ScaleSkin(TSkin{}, 96);
  const TRect client = SkinClientRect(m, {10, 10, 14, 20});
  EXPECT_EQ(client.Width(), 0);
  EXPECT_EQ(client.Height(), 0);
}

TEST(SkinFrame, HitTestFindsClientCaptionCloseAndBorder) {
  const TSkinMetrics m = ScaleSkin(TSkin{}, 96);
  const int w = 269, h = 352;
  const TRect close = SkinCloseRect(m, w);
  EXPECT_EQ(close.Right, w - m.Border - m.CloseMargin);
  EXPECT_EQ(close.Width(), m.CloseWidth);
  EXPECT_EQ(close.Height(), m.CloseHeight);
  EXPECT_GE(close.Top, m.Outline);
  EXPECT_LE(close.Bottom, m.Caption);
  struct Case {
    TPoint p;
    TSkinHit hit;
  };
  const Case cases[] = {
      {{100, 100}, TSkinHit::Client},
      {{3, 28}, TSkinHit::Client},  // the client's first pixel
      {{2, 28}, TSkinHit::Border},
      {{100, 351}, TSkinHit::Border},
      {{100, 348}, TSkinHit::Client},
      {{100, 349}, TSkinHit::Border},
      {{100, 10}, TSkinHit::Caption},
      {{100, 0}, TSkinHit::Caption},  // the top outline drags too
      {{0, 10}, TSkinHit::Border},
      {{close.Left, close.Top}, TSkinHit::Close},
      {{close.Right - 1, close.Bottom - 1}, TSkinHit::Close},
      {{close.Right, close.Top}, TSkinHit::Caption},
      {{close.Left - 1, close.Top}, TSkinHit::Caption},
      {{-1, 10}, TSkinHit::Nowhere},
      {{w, 10}, TSkinHit::Nowhere},
      {{10, h}, TSkinHit::Nowhere},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p.X << "," << c.p.Y);
    EXPECT_EQ(SkinHitTest(m, w, h, c.p), c.hit);
  }
}

TEST(SkinLooks, CaptionFollowsActivation) {
  const TSkin s;
  EXPECT_EQ(SkinCaptionLook(s, true).Band, s.CaptionActive);
  EXPECT_EQ(SkinCaptionLook(s, true).Text, s.CaptionText);
  EXPECT_EQ(SkinCaptionLook(s, true).Outline, s.OutlineActive);
  EXPECT_EQ(SkinCaptionLook(s, false).Band, s.CaptionInactive);
  EXPECT_EQ(SkinCaptionLook(s, false).Outline, s.OutlineInactive);
}

TEST(SkinLooks, CloseButtonShowsPressedOnlyWithThePointerOnIt) {
  const TSkin s;
  struct Case {
    bool active, hot, pressed;
    TColor face;
  };
  const Case cases[] = {
      {true, false, false, s.CaptionActive}, {false, false, false, s.CaptionInactive},
      {true, true, false, s.CloseHot},       {false, true, false, s.CloseHot},
      {true, true, true, s.ClosePressed},    {true, false, true, s.CaptionActive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.active << c.hot << c.pressed);
    EXPECT_EQ(SkinCloseLook(s, c.active, c.hot, c.pressed).Face, c.face);
  }
}

TEST(SkinLooks, ButtonStates) {
  const TSkin s;
  struct Case {
    TButtonState state;
    TColor face, border, text;
  };
  const Case cases[] = {
      {{}, s.ButtonFace, s.ButtonBorder, s.ButtonText},
      {{.Hot = true}, s.ButtonHotFace, s.ButtonHotBorder, s.ButtonText},
      {{.Pressed = true}, s.ButtonDownFace, s.ButtonDownBorder, s.ButtonText},
      {{.Hot = true, .Pressed = true}, s.ButtonDownFace, s.ButtonDownBorder, s.ButtonText},
      {{.Hot = true, .Disabled = true}, s.ButtonFace, s.ButtonBorder, s.ButtonDisabledText},
  };
  for (const Case& c : cases) {
    const TButtonLook look = SkinButtonLook(s, c.state);
    EXPECT_EQ(look.Face, c.face);
    EXPECT_EQ(look.Border, c.border);
    EXPECT_EQ(look.Text, c.text);
  }
  // Distinct enough to see: hover differs from rest, pressed from hover.
  EXPECT_NE(s.ButtonHotFace, s.ButtonFace);
  EXPECT_NE(s.ButtonDownFace, s.ButtonHotFace);
}

TEST(SkinCloseButton, AClickIsAReleaseOnTheButtonOfAPressThatBeganThere) {
  TSkinCloseButton b;
  EXPECT_FALSE(b.Release(true));  // no press
  b.Press();
  EXPECT_TRUE(b.Pressed());
  EXPECT_TRUE(b.Hot());
  EXPECT_TRUE(b.Hover(false));  // moved off: the look changes
  EXPECT_FALSE(b.Hover(false));
  EXPECT_TRUE(b.Hover(true));  // and back on
  EXPECT_TRUE(b.Release(true));
  EXPECT_FALSE(b.Pressed());

  b.Press();
  b.Hover(false);
  EXPECT_FALSE(b.Release(false));  // released elsewhere
  EXPECT_FALSE(b.Hot());

  b.Press();
  b.Cancel();  // capture lost
  EXPECT_FALSE(b.Release(true));
}

TEST(SkinScrollBar, SlimThumbCentredAndArrowsInsideTheirButtons) {
  const TSkinMetrics m = ScaleSkin(TSkin{}, 96);
  TScrollGeometry g;
  g.Bar = {215, 2, 232, 223};  // 17 wide, 221 long
  g.ArrowLength = 17;
  g.ThumbStart = 17;
  g.ThumbEnd = 78;
  const TScrollParts p = SkinScrollParts(m, g);
  EXPECT_EQ(p.Track.Left, 215);
  EXPECT_EQ(p.Thumb.Width(), m.ScrollThumb);
  EXPECT_EQ(p.Thumb.Left - 215, 232 - p.Thumb.Right);  // centred
  EXPECT_GE(p.Thumb.Top, 2 + 17);
  EXPECT_LE(p.Thumb.Bottom, 2 + 78);
  for (const TPoint& q : p.Arrow1.P) {
    EXPECT_GE(q.Y, 2);
    EXPECT_LE(q.Y, 2 + 17);
    EXPECT_GT(q.X, 215);
    EXPECT_LT(q.X, 232);
  }
  for (const TPoint& q : p.Arrow2.P) {
    EXPECT_GE(q.Y, 223 - 17);
    EXPECT_LE(q.Y, 223);
  }
  // The first arrow points up: its tip is its highest point.
  EXPECT_LT(p.Arrow1.P[2].Y, p.Arrow1.P[0].Y);
  EXPECT_GT(p.Arrow2.P[2].Y, p.Arrow2.P[0].Y);

  g.ThumbStart = g.ThumbEnd = 0;  // no thumb (disabled or too short)
  const TScrollParts none = SkinScrollParts(m, g);
  EXPECT_EQ(none.Thumb.Width() * none.Thumb.Height(), 0);
}

TEST(SkinScrollBar, HorizontalBarsTurnTheArrowsSideways) {
  const TSkinMetrics m = ScaleSkin(TSkin{}, 144);
  TScrollGeometry g;
  g.Bar = {0, 300, 300, 326};
  g.Vertical = false;
  g.ArrowLength = 26;
  g.ThumbStart = 100;
  g.ThumbEnd = 160;
  const TScrollParts p = SkinScrollParts(m, g);
  EXPECT_EQ(p.Thumb.Height(), m.ScrollThumb);
  EXPECT_GE(p.Thumb.Left, 100);
  EXPECT_LE(p.Thumb.Right, 160);
  EXPECT_LT(p.Arrow1.P[2].X, p.Arrow1.P[0].X);  // points left
  EXPECT_GT(p.Arrow2.P[2].X, p.Arrow2.P[0].X);  // points right
  for (const TPoint& q : p.Arrow2.P) EXPECT_GE(q.X, 300 - 26);
}

}  // namespace
}  // namespace zez
