// The tray icon's click rule and tip rule.
#include "ui/TrayIcon.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zez {

// Readable buttons in failure messages.
void PrintTo(TMouseButton button, std::ostream* out) {
  static const char* const names[] = {"mbLeft", "mbRight", "mbMiddle"};
  *out << names[static_cast<int>(button)];
}

namespace {

constexpr auto L = TMouseButton::mbLeft;
constexpr auto R = TMouseButton::mbRight;
constexpr auto M = TMouseButton::mbMiddle;
constexpr auto Down = TTrayMouse::Down;
constexpr auto Up = TTrayMouse::Up;
constexpr auto Dbl = TTrayMouse::DoubleClick;

struct TReport {
  TMouseButton Button;
  TTrayMouse What;
};

struct TClickCase {
  const char* Name;
  std::vector<TReport> Reports;
  std::vector<TMouseButton> Clicks;
};

std::vector<TMouseButton> Feed(TTrayClickRule& rule, const std::vector<TReport>& reports) {
  std::vector<TMouseButton> clicks;
  for (const auto& r : reports) {
    if (auto c = rule.Mouse(r.Button, r.What)) clicks.push_back(*c);
  }
  return clicks;
}

TEST(TrayClickRule, FollowsThePressAndReleaseOfOneButton) {
  const std::vector<TClickCase> cases = {
      {"left click", {{L, Down}, {L, Up}}, {L}},
      {"right click", {{R, Down}, {R, Up}}, {R}},
      {"middle never clicks", {{M, Down}, {M, Up}}, {}},
      {"middle double click", {{M, Down}, {M, Up}, {M, Dbl}, {M, Up}}, {}},
      {"left double click is one click", {{L, Down}, {L, Up}, {L, Dbl}, {L, Up}}, {L}},
      {"right double click is one click", {{R, Down}, {R, Up}, {R, Dbl}, {R, Up}}, {R}},
      {"release whose press was elsewhere", {{L, Up}}, {}},
      {"right release whose press was elsewhere", {{R, Up}}, {}},
      {"press only", {{L, Down}}, {}},
      {"release of another button", {{L, Down}, {R, Up}}, {}},
      {"two clicks", {{L, Down}, {L, Up}, {L, Down}, {L, Up}}, {L, L}},
      {"one release per press", {{L, Down}, {L, Up}, {L, Up}}, {L}},
      {"click after a double click",
       {{L, Down}, {L, Up}, {L, Dbl}, {L, Up}, {L, Down}, {L, Up}},
       {L, L}},
      {"buttons overlapping", {{L, Down}, {R, Down}, {R, Up}, {L, Up}}, {R, L}},
      {"middle between a left press and release", {{L, Down}, {M, Down}, {M, Up}, {L, Up}}, {L}},
  };
  for (const auto& c : cases) {
    TTrayClickRule rule;
    EXPECT_EQ(Feed(rule, c.Reports), c.Clicks) << c.Name;
  }
}

TEST(TrayClickRule, ResetForgetsPresses) {
  TTrayClickRule rule;
  rule.Mouse(L, Down);
  rule.Mouse(R, Down);
  rule.Reset();
  EXPECT_EQ(rule.Mouse(L, Up), std::nullopt);
  EXPECT_EQ(rule.Mouse(R, Up), std::nullopt);
}

TEST(TrayClickRule, APressReleasedElsewhereIsForgottenAfterItsButtonIsSeenUp) {
  TTrayClickRule rule;
  rule.Mouse(L, Down);
  EXPECT_TRUE(rule.Pending());
  rule.Tick(true, false, false);   // still held: the user is about to release over the icon
  rule.Tick(false, false, false);  // up once: its release report may still be on its way
  EXPECT_TRUE(rule.Pending());
  EXPECT_EQ(rule.Mouse(L, Up), L);

  rule.Mouse(L, Down);
  rule.Mouse(R, Down);
  for (int i = 0; i < TTrayClickRule::kUpTicks; ++i) rule.Tick(false, true, false);
  EXPECT_TRUE(rule.Pending()) << "the right button is still held";
  EXPECT_EQ(rule.Mouse(L, Up), std::nullopt);
  EXPECT_EQ(rule.Mouse(R, Up), R);
  EXPECT_FALSE(rule.Pending());

  // Held again between the ticks: the count starts over.
  rule.Mouse(R, Down);
  rule.Tick(false, false, false);
  rule.Tick(false, true, false);
  rule.Tick(false, false, false);
  EXPECT_EQ(rule.Mouse(R, Up), R);

  // A new press over the icon starts a fresh count.
  rule.Mouse(L, Down);
  rule.Tick(false, false, false);
  rule.Mouse(L, Up);
  rule.Mouse(L, Down);
  rule.Tick(false, false, false);
  EXPECT_EQ(rule.Mouse(L, Up), L);
}

struct TTipCase {
  const char* Name;
  std::string Hint;
  TLeadByteTest Lead;
  std::string Tip;
};

TEST(TrayTip, IsTheHintBeforeTheFirstBarCutAt63BytesBetweenCharacters) {
  // "多次复制剪贴板" in code page 936.
  const std::string gbk = "\xB6\xE0\xB4\xCE\xB8\xB4\xD6\xC6\xBC\xF4\xCC\xF9\xB0\xE5";
  const std::string a62(62, 'a');
  const std::vector<TTipCase> cases = {
      {"empty", "", IsLeadByte936, ""},
      {"the program's hint", gbk, IsLeadByte936, gbk},
      {"part before the bar", gbk + "|more", IsLeadByte936, gbk},
      {"first bar splits", "one|two|three", NoLeadBytes, "one"},
      {"bar first", "|tail", NoLeadBytes, ""},
      {"63 bytes kept", std::string(63, 'x'), NoLeadBytes, std::string(63, 'x')},
      {"64 bytes cut to 63", std::string(64, 'x'), NoLeadBytes, std::string(63, 'x')},
      {"long hint cut to 63", std::string(200, 'x'), NoLeadBytes, std::string(63, 'x')},
      {"bar after 63 bytes", std::string(70, 'x') + "|y", NoLeadBytes, std::string(63, 'x')},
      // A double-byte character across byte 63 is left out whole.
      {"lead byte at byte 63", a62 + "\xB6\xE0", IsLeadByte936, a62},
      {"character ends at 63", std::string(61, 'a') + "\xB6\xE0" + "b", IsLeadByte936,
       std::string(61, 'a') + "\xB6\xE0"},
      // In a single-byte code page the same bytes are two characters.
      {"no lead bytes in 1252", a62 + "\xB6\xE0", NoLeadBytes, a62 + "\xB6"},
      // GBK trail bytes include 0x7C: such a byte is no bar.
      {"bar as a trail byte", "\x81|x|y", IsLeadByte936, "\x81|x"},
      {"bar as a trail byte in 932", "\x83|\x83|", IsLeadByte932, "\x83|\x83|"},
      {"lone lead byte at the end", "ab\x81", IsLeadByte936, "ab\x81"},
      {"31 characters of two bytes",
       [] {
         std::string s;
         for (int i = 0; i < 40; ++i) s += "\xB6\xE0";
         return s;
       }(),
       IsLeadByte936,
       [] {
         std::string s;
         for (int i = 0; i < 31; ++i) s += "\xB6\xE0";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    std::string tip = TrayTip(c.Hint, c.Lead);
    EXPECT_EQ(tip, c.Tip) << c.Name;
    EXPECT_LE(tip.size(), 63u) << c.Name;
  }
}

}  // namespace
}  // namespace zez
