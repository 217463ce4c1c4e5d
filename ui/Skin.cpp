#include "ui/Skin.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace zez {

namespace {

struct TColorField {
  std::string_view Key;
  TColor TSkin::*Member;
};
struct TIntField {
  std::string_view Key;
  int TSkin::*Member;
  int Min, Max;
};

constexpr TColorField kColors[] = {
    {"background", &TSkin::Background},
    {"caption.active", &TSkin::CaptionActive},
    {"caption.inactive", &TSkin::CaptionInactive},
    {"caption.text", &TSkin::CaptionText},
    {"caption.text.inactive", &TSkin::CaptionTextInactive},
    {"outline.active", &TSkin::OutlineActive},
    {"outline.inactive", &TSkin::OutlineInactive},
    {"close.hot", &TSkin::CloseHot},
    {"close.pressed", &TSkin::ClosePressed},
    {"close.glyph", &TSkin::CloseGlyph},
    {"button.face", &TSkin::ButtonFace},
    {"button.border", &TSkin::ButtonBorder},
    {"button.text", &TSkin::ButtonText},
    {"button.hot.face", &TSkin::ButtonHotFace},
    {"button.hot.border", &TSkin::ButtonHotBorder},
    {"button.down.face", &TSkin::ButtonDownFace},
    {"button.down.border", &TSkin::ButtonDownBorder},
    {"button.disabled.text", &TSkin::ButtonDisabledText},
    {"scroll.track", &TSkin::ScrollTrack},
    {"scroll.thumb", &TSkin::ScrollThumb},
    {"scroll.arrow", &TSkin::ScrollArrow},
};

// The ranges keep a damaged value from making the window unusable: the caption
// must stay tall enough to grab and to hold the close button.
constexpr TIntField kInts[] = {
    {"border.width", &TSkin::BorderWidth, 1, 16},
    {"outline.width", &TSkin::OutlineWidth, 0, 4},
    {"caption.height", &TSkin::CaptionHeight, 16, 64},
    {"close.width", &TSkin::CloseWidth, 12, 64},
    {"close.height", &TSkin::CloseHeight, 10, 60},
    {"close.margin", &TSkin::CloseMargin, 0, 16},
    {"close.glyph.size", &TSkin::GlyphSize, 4, 32},
    {"icon.size", &TSkin::IconSize, 0, 32},
    {"caption.indent", &TSkin::TextIndent, 0, 32},
    {"button.border.width", &TSkin::ButtonBorderWidth, 0, 4},
    {"scroll.thumb.width", &TSkin::ScrollThumbWidth, 2, 32},
    {"scroll.arrow.size", &TSkin::ScrollArrowSize, 3, 32},
    {"font.height", &TSkin::FontHeight, -48, -6},
};

constexpr std::string_view kFontFace = "font.face";
constexpr std::string_view kFontBold = "font.bold";
constexpr std::size_t kMaxFaceBytes = 31 * 3;  // LOGFONT holds 31 characters

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool ParseColor(std::string_view v, TColor& out) {
  if (v.size() != 7 || v[0] != '#') return false;
  unsigned rgb = 0;
  const auto [end, ec] = std::from_chars(v.data() + 1, v.data() + 7, rgb, 16);
  if (ec != std::errc() || end != v.data() + 7) return false;
  out = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  return true;
}

bool ParseInt(std::string_view v, int& out) {
  if (!v.empty() && v[0] == '+') return false;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  return ec == std::errc() && end == v.data() + v.size();
}

// Well-formed UTF-8 without control characters.
bool IsCleanUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return false;
    int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2) || i + more >= s.size()) return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(more) + 1;
  }
  return true;
}

int Scale(int v, int dpi) {
  if (v == 0) return 0;
  return std::max(1, MulDivRound(v, dpi, 96));
}

}  // namespace

TSkinParse ParseSkin(std::string_view text) {
  TSkinParse result;
  auto problem = [&](std::string line) { result.Problems.push_back(std::move(line)); };
  if (text.size() > kSkinMaxBytes) {
    problem("skin larger than " + std::to_string(kSkinMaxBytes) + " bytes");
    return result;
  }
  if (text.find('\0') != std::string_view::npos) {
    problem("skin holds a zero byte");
    return result;
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

  bool header = false;
  int lineNumber = 0;
  std::vector<std::string_view> seen;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = Trim(text.substr(0, eol));
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    ++lineNumber;
    if (line.empty() || line[0] == ';') continue;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (!header) {
      const std::string expected = std::string(kSkinHeader) + " " + std::to_string(kSkinVersion);
      if (line != expected) {
        // Another format or version: nothing in it can be trusted.
        problem(where + "not a skin of version " + std::to_string(kSkinVersion));
        return TSkinParse{TSkin{}, std::move(result.Problems)};
      }
      header = true;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      problem(where + "no '='");
      continue;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
      problem(where + "'" + std::string(key) + "' given twice, the first kept");
      continue;
    }
    bool known = false, good = false;
    for (const TColorField& f : kColors) {
      if (f.Key != key) continue;
      known = true;
      TColor c;
      if ((good = ParseColor(value, c))) result.Skin.*f.Member = c;
    }
    for (const TIntField& f : kInts) {
      if (f.Key != key) continue;
      known = true;
      int n;
      if ((good = ParseInt(value, n) && n >= f.Min && n <= f.Max)) result.Skin.*f.Member = n;
    }
    if (key == kFontFace) {
      known = true;
      if ((good = !value.empty() && value.size() <= kMaxFaceBytes && IsCleanUtf8(value)))
        result.Skin.FontFace = std::string(value);
    }
    if (key == kFontBold) {
      known = true;
      if ((good = value == "0" || value == "1")) result.Skin.FontBold = value == "1";
    }
    if (!known) {
      problem(where + "unknown setting '" + std::string(key) + "'");
      continue;
    }
    seen.push_back(key);
    if (!good) problem(where + "bad value for '" + std::string(key) + "', default kept");
  }
  if (!header) {
    problem("empty skin");
    return result;
  }
  // Measures that only make sense together.
  TSkin& s = result.Skin;
  const TSkin d;
  if (s.OutlineWidth >= s.BorderWidth || s.OutlineWidth >= s.CaptionHeight) {
    problem("outline wider than the frame, defaults kept");
    s.OutlineWidth = std::min(d.OutlineWidth, s.BorderWidth - 1);
  }
  if (s.CloseHeight > s.CaptionHeight - s.OutlineWidth) {
    problem("close button taller than the caption, fitted");
    s.CloseHeight = s.CaptionHeight - s.OutlineWidth;
  }
  if (s.GlyphSize > std::min(s.CloseWidth, s.CloseHeight)) {
    problem("close glyph larger than its button, fitted");
    s.GlyphSize = std::min(s.CloseWidth, s.CloseHeight);
  }
  if (s.IconSize > s.CaptionHeight - s.OutlineWidth) {
    problem("icon taller than the caption, fitted");
    s.IconSize = s.CaptionHeight - s.OutlineWidth;
  }
  return result;
}

std::string FormatSkin(const TSkin& skin) {
  std::string out = std::string(kSkinHeader) + " " + std::to_string(kSkinVersion) + "\n";
  for (const TColorField& f : kColors) {
    const TColor c = skin.*f.Member;
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    out += std::string(f.Key) + " = " + hex + "\n";
  }
  for (const TIntField& f : kInts)
    out += std::string(f.Key) + " = " + std::to_string(skin.*f.Member) + "\n";
  out += std::string(kFontFace) + " = " + skin.FontFace + "\n";
  out += std::string(kFontBold) + " = " + (skin.FontBold ? "1" : "0") + "\n";
  return out;
}

TSkinMetrics ScaleSkin(const TSkin& skin, int dpi) {
  if (dpi <= 0) dpi = 96;
  TSkinMetrics m;
  m.Border = Scale(skin.BorderWidth, dpi);
  m.Outline = Scale(skin.OutlineWidth, dpi);
  m.Caption = Scale(skin.CaptionHeight, dpi);
  m.CloseWidth = Scale(skin.CloseWidth, dpi);
  m.CloseHeight = Scale(skin.CloseHeight, dpi);
  m.CloseMargin = Scale(skin.CloseMargin, dpi);
  m.GlyphSize = Scale(skin.GlyphSize, dpi);
  m.GlyphPen = Scale(1, dpi) + (dpi >= 168 ? 1 : 0);
  m.IconSize = Scale(skin.IconSize, dpi);
  m.TextIndent = Scale(skin.TextIndent, dpi);
  m.ButtonBorder = Scale(skin.ButtonBorderWidth, dpi);
  m.FocusInset = m.ButtonBorder + Scale(2, dpi);
  m.ScrollThumb = Scale(skin.ScrollThumbWidth, dpi);
  m.ScrollArrow = Scale(skin.ScrollArrowSize, dpi);
  m.FontHeight = MulDivRound(skin.FontHeight, dpi, 96);
  // Rounding must not let the outline eat the frame.
  m.Outline = std::min(m.Outline, m.Border - 1);
  return m;
}

TRect SkinClientRect(const TSkinMetrics& m, const TRect& w) {
  TRect r{w.Left + m.Border, w.Top + m.Caption, w.Right - m.Border, w.Bottom - m.Border};
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}

TPoint SkinOuterSize(const TSkinMetrics& m, int clientWidth, int clientHeight) {
  return {clientWidth + 2 * m.Border, clientHeight + m.Caption + m.Border};
}

TRect SkinResizedWindow(const TSkinMetrics& m, const TRect& w, int clientWidth, int clientHeight) {
  const TPoint size = SkinOuterSize(m, clientWidth, clientHeight);
  return {w.Left, w.Top, w.Left + size.X, w.Top + size.Y};
}

TRect SkinCaptionRect(const TSkinMetrics& m, int windowWidth) {
  return {m.Outline, m.Outline, windowWidth - m.Outline, m.Caption};
}

TRect SkinCloseRect(const TSkinMetrics& m, int windowWidth) {
  const int right = windowWidth - m.Border - m.CloseMargin;
  const int band = m.Caption - m.Outline;
  const int top = m.Outline + (band - m.CloseHeight) / 2;
  return {right - m.CloseWidth, top, right, top + m.CloseHeight};
}

TSkinHit SkinHitTest(const TSkinMetrics& m, int windowWidth, int windowHeight, TPoint p) {
  if (p.X < 0 || p.Y < 0 || p.X >= windowWidth || p.Y >= windowHeight) return TSkinHit::Nowhere;
  const auto inside = [&p](const TRect& r) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
  };
  if (inside(SkinClientRect(m, {0, 0, windowWidth, windowHeight}))) return TSkinHit::Client;
  if (inside(SkinCloseRect(m, windowWidth))) return TSkinHit::Close;
  // The outline above the caption still drags, as the system's top edge of a
  // fixed frame does nothing better.
  if (p.Y < m.Caption && p.X >= m.Border && p.X < windowWidth - m.Border) return TSkinHit::Caption;
  return TSkinHit::Border;
}

TCaptionLook SkinCaptionLook(const TSkin& s, bool active) {
  if (active) return {s.CaptionActive, s.CaptionText, s.OutlineActive};
  return {s.CaptionInactive, s.CaptionTextInactive, s.OutlineInactive};
}

TCloseLook SkinCloseLook(const TSkin& s, bool active, bool hot, bool pressed) {
  const TColor band = active ? s.CaptionActive : s.CaptionInactive;
  if (pressed && hot) return {s.ClosePressed, s.CloseGlyph};
  if (hot && !pressed) return {s.CloseHot, s.CloseGlyph};
  return {band, active ? s.CaptionText : s.CaptionTextInactive};
}

TButtonLook SkinButtonLook(const TSkin& s, TButtonState st) {
  if (st.Disabled) return {s.ButtonFace, s.ButtonBorder, s.ButtonDisabledText};
  if (st.Pressed) return {s.ButtonDownFace, s.ButtonDownBorder, s.ButtonText};
  if (st.Hot) return {s.ButtonHotFace, s.ButtonHotBorder, s.ButtonText};
  return {s.ButtonFace, s.ButtonBorder, s.ButtonText};
}

bool TSkinCloseButton::Hover(bool onButton) {
  if (FHot == onButton) return false;
  FHot = onButton;
  return true;
}

bool TSkinCloseButton::Release(bool onButton) {
  const bool click = FPressed && onButton;
  FPressed = false;
  FHot = onButton;
  return click;
}

TScrollParts SkinScrollParts(const TSkinMetrics& m, const TScrollGeometry& g) {
  TScrollParts parts;
  parts.Track = g.Bar;
  const TRect& b = g.Bar;
  const int across = g.Vertical ? b.Width() : b.Height();
  const int along = g.Vertical ? b.Height() : b.Width();
  const int arrow = std::clamp(g.ArrowLength, 0, along / 2);
  // Rectangles along the bar as (start, end) mapped to the bar's axis.
  const auto piece = [&](int start, int end, int thickness) {
    const int inset = std::max(0, (across - thickness) / 2);
    const int size = std::min(thickness, across);
    if (g.Vertical) return TRect{b.Left + inset, b.Top + start, b.Left + inset + size, b.Top + end};
    return TRect{b.Left + start, b.Top + inset, b.Left + end, b.Top + inset + size};
  };
  if (g.ThumbEnd > g.ThumbStart) {
    // A hair of track at each end keeps the thumb off the arrows.
    const int gap = std::min(1, (g.ThumbEnd - g.ThumbStart) / 4);
    parts.Thumb = piece(g.ThumbStart + gap, g.ThumbEnd - gap, std::min(m.ScrollThumb, across));
  }
  const int w = std::min(m.ScrollArrow, std::max(2, across - 4));
  const int h = (w + 1) / 2;
  const auto triangle = [&](int start, int end, bool towardsStart) {
    const int mid = (start + end) / 2;
    const int c = (across - w) / 2;  // across offset of the triangle's base
    const int tip = towardsStart ? mid - h / 2 : mid + (h + 1) / 2 - 1;
    const int base = towardsStart ? tip + h : tip - h;
    TTriangle t;
    const TPoint local[3] = {{c, base}, {c + w, base}, {c + w / 2, tip}};
    for (int i = 0; i < 3; ++i) {
      t.P[i] = g.Vertical ? TPoint{b.Left + local[i].X, b.Top + local[i].Y}
                          : TPoint{b.Left + local[i].Y, b.Top + local[i].X};
    }
    return t;
  };
  parts.Arrow1 = triangle(0, arrow, true);
  parts.Arrow2 = triangle(along - arrow, along, false);
  return parts;
}

}  // namespace zez
