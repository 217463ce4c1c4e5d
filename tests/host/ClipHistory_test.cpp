#include "app/ClipHistory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace zez {
namespace {

// What a row shows, as a string: the first line's bytes, or the fixed label.
std::string Shown(const TClipLabel& label) {
  return label.Unknown ? std::string(kUnknownLabelUtf8) : std::string(label.FirstLine);
}

struct LabelCase {
  const char* name;
  std::string text;
  std::string label;  // "未知数据" for the fixed label
  TLeadByteTest lead = IsLeadByte936;
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

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
      {"cut inside a double-byte character drops the lead byte", "a" + Gbk(3000),
       "a" + Gbk(2047)},
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
  TClipHistory History{ClipTexts, SkipNextClip, Rows, IsLeadByte936};
  int Reads = 0;

  TClipReader Reader(std::string text) {
    return [this, text] {
      ++Reads;
      return text;
    };
  }
  void Copy(std::string text) { History.TextNotice(1, Reader(std::move(text))); }
  void ExpectInStep() {
    ASSERT_EQ(Rows.Rows.size(), ClipTexts.size());
    for (std::size_t i = 0; i < ClipTexts.size(); ++i) {
      EXPECT_EQ(Rows.Rows[i], Shown(ClipLabel(ClipTexts[i], IsLeadByte936))) << "row " << i;
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
    History.TextNotice(code, Reader("x"));
  }
  EXPECT_EQ(Reads, 0);
  EXPECT_TRUE(ClipTexts.empty());
  SkipNextClip = true;
  History.TextNotice(2, Reader("x"));
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
  History.TextNotice(0, Reader("a"));  // other format: flag stays
  History.TextNotice(2, Reader("a"));
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

TEST_F(ClipHistoryTest, JoinIsPlainConcatenation) {
  EXPECT_EQ(History.Join(), "");
  Copy("first");
  EXPECT_EQ(History.Join(), "first");
  Copy("second\r\n");
  Copy("third");
  EXPECT_EQ(History.Join(), "firstsecond\r\nthird");
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
