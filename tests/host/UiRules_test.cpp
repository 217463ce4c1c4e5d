// The class library's portable rules: title, error box text, UTF-8/UTF-16,
// layout scaling and tab order.
#include <gtest/gtest.h>

#include <string>

#include "ui/AppRules.h"
#include "ui/Layout.h"
#include "ui/ScopeGuard.h"
#include "ui/Text.h"

namespace zez {
namespace {

TEST(ApplicationTitle, FileNameWithoutFolderAndExtensionsRestLowerCase) {
  struct Case {
    std::u16string path, title;
  };
  const Case cases[] = {
      {u"C:\\Tools\\XYZ.V2.EXE", u"Xyz"},
      {u"C:\\Program Files\\Zeziduz.exe", u"Zeziduz"},
      {u"ZEZIDUZ.EXE", u"Zeziduz"},
      {u"c:\\a.b\\zEZ.exe", u"zez"},  // a dot in a folder name is not the first dot
      {u"/home/u/MixedCase.tar.exe", u"Mixedcase"},
      {u"D:NAME.EXE", u"Name"},      // drive without a folder
      {u"C:\\x\\.hidden.exe", u""},  // everything from the first "." on goes
      {u"C:\\x\\NoExtension", u"Noextension"},
      {u"C:\\x\\剪贴板.EXE", u"剪贴板"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationTitle(c.path), c.title) << Utf16ToUtf8(c.path);
}

TEST(ApplicationTitle, UsesTheGivenLowerCaseRule) {
  auto upperToX = [](char16_t c) -> char16_t { return c == u'B' ? u'x' : c; };
  EXPECT_EQ(ApplicationTitle(u"ABB.EXE", upperToX), u"Axx");
}

TEST(ErrorBoxText, FullStopUnlessEmptyOrLastCodeAtMostFullStop) {
  struct Case {
    std::string message, text;
  };
  const Case cases[] = {
      {"无法打开剪贴板", "无法打开剪贴板."},  // ends in a Chinese character: gets the stop
      {"无法插入行", "无法插入行."},
      {"", ""},
      {"Done.", "Done."},
      {"Really?", "Really?."},  // '?' is 0x3F
      {"trailing space ", "trailing space "},
      {"comma,", "comma,"},
      {"dash-", "dash-"},     // 0x2D
      {"slash/", "slash/."},  // 0x2F, just above the stop
      {"line\r\n", "line\r\n"},
      {"emoji \xF0\x9F\x98\x80", "emoji \xF0\x9F\x98\x80."},  // a surrogate pair at the end
  };
  for (const auto& c : cases)
    EXPECT_EQ(Utf16ToUtf8(ErrorBoxText(Utf8ToUtf16(c.message))), c.text) << c.message;
}

TEST(Text, Utf8RoundTripsAndMalformedBytesBecomeReplacements) {
  const std::string samples[] = {"", "Zeziduz", "粘  贴", "做软件找River", "\xF0\x9F\x98\x80"};
  for (const auto& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("宋体"), u"宋体");
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("a\xE5\xAE"), u"a\uFFFD");    // cut short at the end
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xE5\xAE"
                        "x"),
            u"\uFFFDx");  // resynchronises at the next byte
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(ScopeGuard, RunsUnlessDismissed) {
  int runs = 0;
  {
    TScopeGuard g([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  {
    TScopeGuard g([&] { ++runs; });
    g.Dismiss();
  }
  EXPECT_EQ(runs, 1);
  {
    TScopeGuard g([&] { ++runs; });
    TScopeGuard moved(std::move(g));
  }
  EXPECT_EQ(runs, 2);  // a moved-from guard does nothing
}

// The main window's table, as the layout the class library loads.
constexpr TComponentRecord kLayout[] = {
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
     .FormStyle = TFormStyle::fsStayOnTop},
    {.Name = "Timer1", .Kind = TComponentKind::Timer, .Interval = 100},
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
    {.Name = "RxTrayIcon1", .Kind = TComponentKind::Other, .Hint = "多次复制剪贴板"},
    {.Name = "Label1",
     .Kind = TComponentKind::Label,
     .Left = 16,
     .Top = 296,
     .Width = 84,
     .Height = 14,
     .Caption = "做软件找River",
     .Font = {"宋体", -14, clFuchsia}},
    {.Name = "Label2",
     .Kind = TComponentKind::Label,
     .Left = 152,
     .Top = 296,
     .Width = 96,
     .Height = 12,
     .Caption = "下载更多免费软件",
     .Font = {"宋体", -12, clBlue, fsUnderline},
     .Cursor = TCursor::crHandPoint},
};

TEST(LayoutScaling, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDivRound(10, 3, 2), 15);
  EXPECT_EQ(MulDivRound(5, 1, 2), 3);    // 2.5
  EXPECT_EQ(MulDivRound(-5, 1, 2), -3);  // -2.5
  EXPECT_EQ(MulDivRound(-16, 120, 96), -20);
  EXPECT_EQ(MulDivRound(7, 5, -2), -18);                 // -17.5
  EXPECT_EQ(MulDivRound(1, 1, 0), -1);                   // as MulDiv
  EXPECT_EQ(MulDivRound(2000000000, 3, 4), 1500000000);  // no overflow in between
}

TEST(LayoutScaling, ControlsFontsAndClientSizeFollowTheScreenButNotTheFormsPosition) {
  struct Case {
    int dpi;
    int clientW, clientH;
    int b1Left, b1Top, b1W, b1H;
    int listFont, labelFont;
  };
  const Case cases[] = {
      {96, 263, 321, 14, 251, 59, 38, -14, -12},
      {120, 329, 401, 18, 314, 74, 48, -18, -15},  // 328.75, 401.25, 17.5, 313.75, 73.75, 47.5
      {144, 395, 482, 21, 377, 89, 57, -21, -18},  // 394.5, 481.5, 21, 376.5, 88.5, 57
      {192, 526, 642, 28, 502, 118, 76, -28, -24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    const auto form = ScaledRecord(kLayout[0], c.dpi, 96);
    EXPECT_EQ(form.Left, 192);
    EXPECT_EQ(form.Top, 114);
    EXPECT_EQ(form.Width, c.clientW);
    EXPECT_EQ(form.Height, c.clientH);
    const auto b1 = ScaledRecord(*FindRecord(kLayout, "Button1"), c.dpi, 96);
    EXPECT_EQ(b1.Left, c.b1Left);
    EXPECT_EQ(b1.Top, c.b1Top);
    EXPECT_EQ(b1.Width, c.b1W);
    EXPECT_EQ(b1.Height, c.b1H);
    EXPECT_EQ(ScaledRecord(*FindRecord(kLayout, "ListBox1"), c.dpi, 96).Font.Height, c.listFont);
    EXPECT_EQ(ScaledRecord(*FindRecord(kLayout, "Label2"), c.dpi, 96).Font.Height, c.labelFont);
    EXPECT_STREQ(b1.Caption, "粘  贴");  // everything else is loaded as stored
  }
}

TEST(LayoutScaling, ALayoutDesignedAtTheScreensDensityIsUnchanged) {
  const auto r = ScaledRecord(kLayout[2], 120, 120);
  EXPECT_EQ(r.Left, 14);
  EXPECT_EQ(r.Width, 59);
  EXPECT_EQ(r.Font.Height, -12);
}

TEST(LayoutOrder, ChildWindowsAreMadeInTabOrderThenTheLabels) {
  std::vector<std::string_view> names;
  for (std::size_t i : CreationOrder(kLayout)) names.push_back(kLayout[i].Name);
  EXPECT_EQ(names, (std::vector<std::string_view>{"Button1", "ListBox1", "Button2", "Memo1",
                                                  "Button3", "Label1", "Label2"}));
}

TEST(LayoutOrder, TabVisitsTheVisibleEnabledStopsSkippingTheHiddenMemo) {
  EXPECT_EQ(TabSequence(kLayout),
            (std::vector<std::string_view>{"Button1", "ListBox1", "Button2", "Button3"}));
  TComponentRecord disabled[] = {
      {.Name = "A", .Kind = TComponentKind::Button, .TabOrder = 1},
      {.Name = "B", .Kind = TComponentKind::Button, .TabOrder = 0, .Enabled = false},
      {.Name = "C",
       .Kind = TComponentKind::Button,
       .TabOrder = 1},                                              // equal orders keep table order
      {.Name = "L", .Kind = TComponentKind::Label, .TabOrder = 0},  // a label is never a stop
  };
  EXPECT_EQ(TabSequence(disabled), (std::vector<std::string_view>{"A", "C"}));
}

TEST(LayoutTable, FindsTheFormAndComponentsByName) {
  ASSERT_NE(FormRecord(kLayout), nullptr);
  EXPECT_STREQ(FormRecord(kLayout)->Name, "Form1");
  EXPECT_EQ(FindRecord(kLayout, "Label2")->Cursor, TCursor::crHandPoint);
  EXPECT_EQ(FindRecord(kLayout, "Nothing"), nullptr);
  EXPECT_EQ(FormRecord(std::span<const TComponentRecord>(kLayout).subspan(1)), nullptr);
}

}  // namespace
}  // namespace zez
