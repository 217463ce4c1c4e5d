#include "app/ClipHistory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "CodePageFake.h"
#include "ui/Text.h"

namespace zez {
namespace {

using test::TGbkSubsetPage;
using test::TSingleBytePage;

// What a row shows, as a string: the first line's ANSI bytes, the first line
// of a Unicode form in UTF-8 (marked "U:"), or the fixed label.
std::string Shown(const TClipLabel& label) {
  if (label.Unknown) return std::string(kUnknownLabelUtf8);
  if (label.Wide) return "U:" + Utf16ToUtf8(label.WideFirstLine);
  return std::string(label.FirstLine);
}

struct LabelCase {
  const char* name;
  std::string text;
  std::string label;  // "未知数据" for the fixed label
  TLeadByteTest lead = IsLeadByte936;
};

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}

const std::string kGbkZhong = "\xD6\xD0";  // 中 in code page 936
std::string Gbk(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += kGbkZhong;
  return s;
}
const std::string kUnknown(kUnknownLabelUtf8);

std::vector<LabelCase> LabelCases() {
  return {
      {"single space", " ", " "},
      {"plain", "abc", "abc"},
      {"CR LF first", "\r\nsecond", kUnknown},
      {"only CR LF", "\r\n", kUnknown},
      {"only CR LF pairs", "\r\n\r\n\r\n", kUnknown},
      {"lone LF is no line end", "a\nb\nc", "a\nb\nc"},
      {"lone CR is no line end", "a\rb", "a\rb"},
      {"ends in CR LF", "abc\r\n", "abc"},
      {"two lines", "one\r\ntwo\r\n", "one"},
      {"LF CR is no line end", "a\n\rb\r\nc", "a\n\rb"},
      {"trailing lone CR", "abc\r", "abc\r"},
      {"CR CR LF drops the CR", "abc\r\r\ndef", "abc"},
      {"CR CR LF at start", "\r\r\ndef", kUnknown},
      {"4096-byte first line", Repeat('x', 4096) + "\r\nrest", Repeat('x', 4096)},
      {"4097-byte first line", Repeat('x', 4097) + "\r\nrest", Repeat('x', 4096)},
      {"5000-byte single line", Repeat('y', 5000), Repeat('y', 4096)},
      {"CR at 4095, LF at 4096", Repeat('z', 4095) + "\r\n", Repeat('z', 4095)},
      {"CR at 4096 ends nothing within the cut", Repeat('z', 4096) + "\r\n", Repeat('z', 4096)},
      {"GBK text", kGbkZhong + "\xCE\xC4\r\nx", kGbkZhong + "\xCE\xC4"},
      // 1 + 2 * 2047 = 4095 bytes; the next character would end at 4097.
      {"cut inside a double-byte character drops the lead byte", "a" + Gbk(3000), "a" + Gbk(2047)},
      {"same bytes in a single-byte code page are cut at 4096", "a" + Gbk(3000),
       ("a" + Gbk(3000)).substr(0, 4096), NoLeadBytes},
      {"cut falling between two characters keeps both", Gbk(3000), Gbk(2048)},
  };
}

TEST(ClipLabel, FollowsTheLineRule) {
  for (const LabelCase& c : LabelCases()) {
    EXPECT_EQ(Shown(ClipLabel(c.text, c.lead)), c.label) << c.name;
  }
}

TEST(ClipLabel, EmptyTextHasNoFirstLine) {
  TClipLabel label = ClipLabel("", IsLeadByte936);
  EXPECT_TRUE(label.Unknown);
  EXPECT_TRUE(label.FirstLine.empty());
}

TEST(ClipLabel, LooksOnlyAtTheFirstLine) {
  // A huge text whose bytes after the first line are out of reach: the rule must
  // not touch them. The view's size claims more than is really there.
  std::string head = "short\r\n";
  std::string_view huge(head.data(), std::size_t{1} << 40);
  EXPECT_EQ(ClipLabel(huge, IsLeadByte936).FirstLine, "short");
}

// ---- the entry model -------------------------------------------------------

TEST(ClipTextModel, KeepsTheUnicodeFormOnlyWhereItSaysMore) {
  TGbkSubsetPage gbk;
  TSingleBytePage single;
  struct Case {
    const char* name;
    const TCodePage& page;
    std::string ansi;
    std::u16string unicode;
    bool kept;
  };
  const std::vector<Case> cases = {
      {"GBK text read back exactly", gbk, "\xD6\xD0\xCE\xC4\r\nab", u"\u4E2D\u6587\r\nab", false},
      {"representable accent", gbk, "caf\xA8\xA6", u"caf\u00E9", false},
      {"plain ASCII", single, "abc", u"abc", false},
      {"emoji became '?'", gbk, "a?", u"a\U0001F600", true},
      {"Korean became '?'", gbk, "???", u"\uD55C\uAD6D\uC5B4", true},
      {"high bytes in a single-byte page", single, "\xE9", u"\u00E9", false},
      {"beyond the single-byte page", single, "?", u"\u20AC", true},
      {"no Unicode block", gbk, "abc", u"", false},
      // An owner that put different texts in the two formats: both are kept.
      {"Unicode only", gbk, "", u"x", true},
      {"other text", gbk, "abc", u"abd", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClipText text = ClipText::FromClipboard(c.ansi, c.unicode, c.page);
    EXPECT_EQ(text.Ansi(), c.ansi) << "the ANSI form is kept exactly";
    EXPECT_EQ(text.HasUnicode(), c.kept);
    if (c.kept) {
      EXPECT_TRUE(text.Unicode() == c.unicode);
      EXPECT_TRUE(text.Wide(c.page) == c.unicode);
    } else {
      EXPECT_TRUE(text.Unicode().empty());
      EXPECT_TRUE(text.Wide(c.page) == c.page.AnsiToWide(c.ansi));
    }
  }
}

TEST(ClipTextModel, ARepresentableTextCostsNoSecondCopy) {
  // One pointer beside the ANSI string, and nothing behind it.
  static_assert(sizeof(ClipText) <= sizeof(std::string) + sizeof(void*));
  TGbkSubsetPage gbk;
  const std::string ansi = std::string(100, 'x');
  ClipText text = ClipText::FromClipboard(ansi, std::u16string(100, u'x'), gbk);
  EXPECT_FALSE(text.HasUnicode());
  EXPECT_EQ(text, ansi);
}

TEST(ClipTextModel, CopiesAndComparisonsCoverBothForms) {
  ClipText both("a?", u"a\U0001F600");
  ClipText copy = both;
  EXPECT_EQ(copy, both);
  EXPECT_TRUE(copy.HasUnicode());
  EXPECT_NE(copy.Unicode().data(), both.Unicode().data()) << "a copy owns its own form";
  EXPECT_FALSE(both == "a?") << "bytes alone do not equal a text with a Unicode form";
  EXPECT_FALSE(both == ClipText("a?", u"a?"));
  ClipText moved = std::move(copy);
  EXPECT_EQ(moved, both);
  EXPECT_TRUE(ClipText().Empty());
  EXPECT_FALSE(ClipText("", u"x").Empty());
}

// ---- the label on the Unicode form -----------------------------------------

std::u16string Units(char16_t unit, std::size_t n) {
  return std::u16string(n, unit);
}
std::u16string Times(std::u16string_view piece, std::size_t n) {
  std::u16string s;
  for (std::size_t i = 0; i < n; ++i) s += piece;
  return s;
}
const std::u16string kEmoji = u"\U0001F600";  // a surrogate pair; '?' in the page
const char16_t kHan = u'\uD55C';              // 한: '?' in the page
const char16_t kZhong = u'\u4E2D';            // 中: two bytes in the page

TEST(ClipLabelUnicode, FollowsTheLineRuleAndTheByteCut) {
  struct Case {
    const char* name;
    std::u16string text;
    std::u16string label;  // u"" for "未知数据"
  };
  const std::vector<Case> cases = {
      {"as copied", u"caf\u00E9 \u2615 \uD55C\uAD6D\uC5B4 \U0001F600 na\u00EFve",
       u"caf\u00E9 \u2615 \uD55C\uAD6D\uC5B4 \U0001F600 na\u00EFve"},
      {"CR LF ends the line", u"\uD55C\r\nrest", u"\uD55C"},
      {"CR LF first", u"\r\n\uD55C", u""},
      {"only CR LF", u"\r\n", u""},
      {"lone LF and CR are characters", u"a\nb\r\uD55C", u"a\nb\r\uD55C"},
      {"CR CR LF drops the CR", u"\uD55C\r\r\nx", u"\uD55C"},
      {"CR CR LF at the start", u"\r\r\nx", u""},
      {"ends in CR LF", kEmoji + u"\r\n", kEmoji},
      {"4096 one-byte characters", Units(kHan, 4096) + u"\r\nx", Units(kHan, 4096)},
      {"4097 one-byte characters", Units(kHan, 4097), Units(kHan, 4096)},
      {"CR at the cut ends nothing within it", Units(kHan, 4096) + u"\r\n", Units(kHan, 4096)},
      // 1 + 2 * 2047 = 4095 bytes; the next character would end at 4097.
      {"never inside a double-byte character", u"a" + Units(kZhong, 3000) + kEmoji,
       u"a" + Units(kZhong, 2047)},
      {"two-byte characters up to the limit", Units(kZhong, 3000) + kEmoji, Units(kZhong, 2048)},
      // A surrogate pair is one character of one byte.
      {"4096 surrogate pairs", Times(kEmoji, 5000), Times(kEmoji, 4096)},
      {"a pair at the limit stays whole", Units(u'x', 4095) + kEmoji + u"y",
       Units(u'x', 4095) + kEmoji},
      {"a pair past the limit goes whole", Units(u'x', 4096) + kEmoji, Units(u'x', 4096)},
      {"a lone surrogate is one character",
       u"\xD800"
       u"a\r\n",
       u"\xD800"
       u"a"},
      {"a lone high surrogate at the end", u"a\xD83D", u"a\xD83D"},
  };
  TGbkSubsetPage gbk;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TClipLabel label = ClipLabel(std::u16string_view(c.text), gbk);
    EXPECT_TRUE(label.Wide);
    EXPECT_EQ(label.Unknown, c.label.empty());
    EXPECT_EQ(Utf16ToUtf8(label.WideFirstLine), Utf16ToUtf8(c.label));
    EXPECT_EQ(label.WideFirstLine.size(), c.label.size());
  }
}

TEST(ClipLabelUnicode, LooksOnlyAtTheFirstCharacters) {
  TGbkSubsetPage gbk;
  // Views that claim far more than is there: the rule must not reach past
  // the first line, nor past the characters the cut needs.
  std::u16string head = u"\uD55C\r\n";
  EXPECT_EQ(
      ClipLabel(std::u16string_view(head.data(), std::size_t{1} << 40), gbk).WideFirstLine.size(),
      1u);
  std::u16string line = Units(kHan, 4097);
  EXPECT_EQ(
      ClipLabel(std::u16string_view(line.data(), std::size_t{1} << 40), gbk).WideFirstLine.size(),
      4096u);
}

TEST(ClipLabelUnicode, TakesTheFormTheTextHas) {
  TGbkSubsetPage gbk;
  // Without a Unicode form: the ANSI rule, byte for byte as before.
  const ClipText ansiOnly("a" + Gbk(3000));
  TClipLabel ansi = ClipLabel(ansiOnly, gbk);
  EXPECT_FALSE(ansi.Wide);
  EXPECT_EQ(ansi.FirstLine, "a" + Gbk(2047));
  const ClipText withUnicode("?\r\n", kEmoji + u"\r\n");
  TClipLabel wide = ClipLabel(withUnicode, gbk);
  EXPECT_TRUE(wide.Wide);
  EXPECT_TRUE(wide.WideFirstLine == kEmoji);
  const ClipText lineEndFirst("\r\n?", u"\r\n" + kEmoji);
  EXPECT_TRUE(ClipLabel(lineEndFirst, gbk).Unknown);
}

// Rows in a vector; can be told to refuse the next row.
class TFakeRows : public TClipRows {
 public:
  std::vector<std::string> Rows;
  bool RefuseNext = false;
  void AddRow(const TClipLabel& label) override {
    if (RefuseNext) {
      RefuseNext = false;
      throw std::runtime_error("无法插入行");
    }
    Rows.push_back(Shown(label));
  }
  void ClearRows() override { Rows.clear(); }
};

class ClipHistoryTest : public ::testing::Test {
 protected:
  TClipTexts ClipTexts;
  bool SkipNextClip = false;
  TFakeRows Rows;
  TGbkSubsetPage Page;
  TClipHistory History{ClipTexts, SkipNextClip, Rows, Page};
  int Reads = 0;
  int ExclusionProbes = 0;
  bool Marked = false;  // the clipboard's owner asked history tools to keep off

  TClipReader Reader(ClipText text) {
    return [this, text] {
      ++Reads;
      return text;
    };
  }
  TExclusionProbe Excluded() {
    return [this] {
      ++ExclusionProbes;
      return Marked;
    };
  }
  void Notice(int code, ClipText text) {
    History.TextNotice(code, Reader(std::move(text)), Excluded());
  }
  void Copy(ClipText text) { Notice(1, std::move(text)); }
  void ExpectInStep() {
    ASSERT_EQ(Rows.Rows.size(), ClipTexts.size());
    for (std::size_t i = 0; i < ClipTexts.size(); ++i) {
      EXPECT_EQ(Rows.Rows[i], Shown(ClipLabel(ClipTexts[i], Page))) << "row " << i;
    }
  }
};

TEST_F(ClipHistoryTest, RecordsTextNoticesInOrderWithDuplicates) {
  Copy("one\r\nmore");
  Copy("two");
  Copy("two");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("one\r\nmore", "two", "two"));
  EXPECT_THAT(Rows.Rows, ::testing::ElementsAre("one", "two", "two"));
  ExpectInStep();
}

TEST_F(ClipHistoryTest, OtherFormatsNeitherReadNorRecordNorTouchTheFlag) {
  for (int code : {0, 2, 3, 8, 13, 15, 17}) {
    Notice(code, "x");
  }
  EXPECT_EQ(Reads, 0);
  EXPECT_EQ(ExclusionProbes, 0);
  EXPECT_TRUE(ClipTexts.empty());
  SkipNextClip = true;
  Notice(2, "x");
  EXPECT_TRUE(SkipNextClip);
  EXPECT_EQ(Reads, 0);
}

TEST_F(ClipHistoryTest, EmptyTextIsNotRecorded) {
  Copy("keep");
  Copy("");
  EXPECT_EQ(Reads, 2);
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("keep"));
  ExpectInStep();
}

TEST_F(ClipHistoryTest, SkipFlagSkipsExactlyTheNextTextNoticeWithoutReading) {
  SkipNextClip = true;
  Notice(0, "a");  // other format: flag stays
  Notice(2, "a");
  EXPECT_TRUE(SkipNextClip);
  Copy("new text");  // this one is skipped, unread
  EXPECT_FALSE(SkipNextClip);
  EXPECT_EQ(Reads, 0);
  EXPECT_TRUE(ClipTexts.empty());
  Copy("recorded");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("recorded"));
}

TEST_F(ClipHistoryTest, ClearKeepsTheSkipFlagAndTheNextTextBecomesEntryZero) {
  Copy("a");
  Copy("b");
  SkipNextClip = true;
  History.Clear();
  EXPECT_TRUE(ClipTexts.empty());
  EXPECT_TRUE(Rows.Rows.empty());
  EXPECT_TRUE(SkipNextClip);
  Copy("skipped");
  Copy("c");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("c"));
  EXPECT_THAT(Rows.Rows, ::testing::ElementsAre("c"));
}

TEST_F(ClipHistoryTest, ClearOfAnEmptyHistoryIsHarmless) {
  History.Clear();
  History.Clear();
  EXPECT_TRUE(ClipTexts.empty());
  EXPECT_TRUE(Rows.Rows.empty());
}

TEST_F(ClipHistoryTest, UnicodeTextsGetTheirCharactersAsRows) {
  Copy(ClipText("caf\xA8\xA6 ? ???", u"caf\u00E9 \u2615 \uD55C\uAD6D\uC5B4"));
  Copy("\xD6\xD0\xCE\xC4\r\nx");
  Copy(ClipText("\r\n?", u"\r\n\U0001F600"));
  EXPECT_THAT(Rows.Rows, ::testing::ElementsAre("U:café ☕ 한국어", "\xD6\xD0\xCE\xC4", "未知数据"));
  ExpectInStep();
}

TEST_F(ClipHistoryTest, JoinKeepsBothFormsInOrder) {
  Copy("\xD6\xD0\r\n");                  // 中, GBK only
  Copy(ClipText("a?", u"a\U0001F600"));  // with a Unicode form
  Copy("b");
  ClipText joined = History.Join();
  EXPECT_EQ(joined.Ansi(), "\xD6\xD0\r\na?b");
  ASSERT_TRUE(joined.HasUnicode());
  EXPECT_TRUE(joined.Unicode() == u"\u4E2D\r\na\U0001F600b");
  // Without any Unicode form the join has none either: bytes as before.
  ClipTexts.erase(ClipTexts.begin() + 1);
  EXPECT_EQ(History.Join(), "\xD6\xD0\r\nb");
}

TEST_F(ClipHistoryTest, JoinIsPlainConcatenation) {
  EXPECT_EQ(History.Join(), "");
  Copy("first");
  EXPECT_EQ(History.Join(), "first");
  Copy("second\r\n");
  Copy("third");
  EXPECT_EQ(History.Join(), "firstsecond\r\nthird");
}

TEST_F(ClipHistoryTest, MarkedContentsAreNeitherReadNorRecorded) {
  Copy("before");
  Marked = true;
  Copy("password");
  EXPECT_EQ(Reads, 1);
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("before"));
  ExpectInStep();
  Marked = false;
  Copy("after");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("before", "after"));
}

// A marked notice is not the notice of our own write (that one never carries
// the marks), so it leaves the skip flag for the notice it is meant for.
TEST_F(ClipHistoryTest, MarkedNoticeLeavesTheSkipFlagForOurOwnNotice) {
  SkipNextClip = true;
  Marked = true;
  Copy("password");
  EXPECT_TRUE(SkipNextClip);
  Marked = false;
  Copy("our own write");  // skipped, unread
  EXPECT_FALSE(SkipNextClip);
  EXPECT_EQ(Reads, 0);
  Copy("recorded");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("recorded"));
  // Our own notice is only probed, never read.
  EXPECT_EQ(ExclusionProbes, 3);
}

TEST_F(ClipHistoryTest, StartClearsTheFlagAndKeepsATextRecordedWhileJoining) {
  Copy("copied while joining");
  SkipNextClip = true;
  History.Start();
  EXPECT_FALSE(SkipNextClip);
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("copied while joining"));
  ExpectInStep();
  Copy("next");
  ExpectInStep();
}

TEST_F(ClipHistoryTest, RefusedRowTakesItsEntryBackAndTheErrorGoesOn) {
  Copy("a");
  Rows.RefuseNext = true;
  EXPECT_THROW(Copy("refused"), std::runtime_error);
  ExpectInStep();
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("a"));
  Copy("b");
  EXPECT_THAT(ClipTexts, ::testing::ElementsAre("a", "b"));
  ExpectInStep();
}

TEST_F(ClipHistoryTest, LongTextIsStoredWholeWithACutLabel) {
  std::string text = std::string(5000, 'q') + "\r\ntail";
  Copy(text);
  ASSERT_EQ(ClipTexts.size(), 1u);
  EXPECT_EQ(ClipTexts[0], text);
  EXPECT_EQ(Rows.Rows[0], std::string(4096, 'q'));
}

}  // namespace
}  // namespace zez
