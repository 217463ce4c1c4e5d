#include "app/MainCommands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodePageFake.h"
#include "util/Exception.h"

namespace zez {
namespace {

using ::testing::ElementsAre;

class TNoRows : public TClipRows {
 public:
  void AddRow(const TClipLabel&) override {}
  void ClearRows() override {}
};

// Records the calls in order; the write can be made to fail, the target can be
// made to come in front late or never.
class TRecordingSystem : public TCommandSystem {
 public:
  std::vector<std::string> Calls;
  std::vector<ClipText> Written;
  bool FailWrite = false;
  bool* SkipSeenAtWrite = nullptr;
  bool SkipAtWrite = false;
  TWindowHandle Foreground = 0;
  bool Active = true;

  void WriteClipboardText(const ClipText& text) override {
    Calls.push_back("write");
    if (SkipSeenAtWrite) SkipAtWrite = *SkipSeenAtWrite;
    if (FailWrite) throw Exception("无法打开剪贴板");
    Written.push_back(text);
  }
  void SetForegroundWindow(TWindowHandle window) override {
    Calls.push_back("foreground " + std::to_string(window));
  }
  bool WaitUntilForeground(TWindowHandle window, unsigned timeoutMs) override {
    Calls.push_back("wait " + std::to_string(window) + " " + std::to_string(timeoutMs));
    return true;
  }
  void SendCtrlV() override { Calls.push_back("ctrl+v"); }
  TWindowHandle GetForegroundWindow() override { return Foreground; }
  bool ApplicationActive() override { return Active; }
};

class MainCommandsTest : public ::testing::Test {
 protected:
  TClipTexts ClipTexts{"first\r\n", "second"};
  bool SkipNextClip = false;
  TWindowHandle TargetWindow = 0x1234;
  TNoRows Rows;
  test::TSingleBytePage Page;
  TClipHistory History{ClipTexts, SkipNextClip, Rows, Page};
  TRecordingSystem System;
  TMainCommands Commands{History, ClipTexts, SkipNextClip, TargetWindow, System};
};

TEST_F(MainCommandsTest, PasteSelectedWritesTheEntryThenBringsTheTargetAndTypes) {
  System.SkipSeenAtWrite = &SkipNextClip;
  Commands.PasteSelected(1);
  EXPECT_TRUE(System.SkipAtWrite) << "the flag must be set before the write begins";
  EXPECT_THAT(System.Written, ElementsAre("second"));
  EXPECT_THAT(System.Calls, ElementsAre("write", "foreground 4660", "wait 4660 500", "ctrl+v"));
}

TEST_F(MainCommandsTest, PasteWithNoSelectionDoesNothingAtAll) {
  Commands.PasteSelected(-1);
  EXPECT_TRUE(System.Calls.empty());
  EXPECT_FALSE(SkipNextClip);
}

TEST_F(MainCommandsTest, PasteAllJoinsEverythingAndAlsoPastesAnEmptyHistory) {
  Commands.PasteAll();
  EXPECT_THAT(System.Written, ElementsAre("first\r\nsecond"));
  ClipTexts.clear();
  System.Calls.clear();
  Commands.PasteAll();
  EXPECT_EQ(System.Written.back(), "");
  EXPECT_THAT(System.Calls, ElementsAre("write", "foreground 4660", "wait 4660 500", "ctrl+v"));
}

TEST_F(MainCommandsTest, PastesCarryTheUnicodeForm) {
  ClipTexts.push_back(ClipText("?", u"\u20AC"));
  Commands.PasteSelected(2);
  Commands.PasteAll();
  ASSERT_EQ(System.Written.size(), 2u);
  EXPECT_EQ(System.Written[0], ClipText("?", u"\u20AC"));
  EXPECT_EQ(System.Written[1], ClipText("first\r\nsecond?", u"first\r\nsecond\u20AC"));
}

TEST_F(MainCommandsTest, FailedWriteStopsThePasteAndClearsTheSkipFlag) {
  System.FailWrite = true;
  EXPECT_THROW(Commands.PasteSelected(0), Exception);
  EXPECT_THROW(Commands.PasteAll(), Exception);
  EXPECT_THAT(System.Calls, ElementsAre("write", "write"));
  EXPECT_FALSE(SkipNextClip);
}

TEST_F(MainCommandsTest, WithNoTargetYetTheKeysGoOutWithoutWaiting) {
  TargetWindow = 0;
  Commands.PasteSelected(0);
  EXPECT_THAT(System.Calls, ElementsAre("write", "foreground 0", "ctrl+v"));
}

TEST_F(MainCommandsTest, TimerRemembersTheForegroundWindowOnlyWhileAnotherAppIsActive) {
  TargetWindow = 0;
  System.Foreground = 77;
  Commands.TimerTick();  // active: nothing
  EXPECT_EQ(TargetWindow, 0u);
  System.Active = false;
  Commands.TimerTick();
  EXPECT_EQ(TargetWindow, 77u);
  System.Foreground = 0;  // a moment with no foreground window is remembered too
  Commands.TimerTick();
  EXPECT_EQ(TargetWindow, 0u);
  System.Foreground = 88;
  System.Active = true;
  Commands.TimerTick();
  EXPECT_EQ(TargetWindow, 0u);
}

TEST(BottomRightPlacement, CountsFromTheScreenCornerNotTheWorkArea) {
  struct Case {
    const char* name;
    TRect workArea;
    TPoint expected;
  } cases[] = {
      {"taskbar at the bottom", {0, 0, 1280, 994}, {1280 - 269 - 20, 994 - 350 - 20}},
      {"taskbar at the top", {0, 30, 1280, 1024}, {1280 - 269 - 20, 994 - 350 - 20}},
      {"taskbar at the left", {60, 0, 1280, 1024}, {1220 - 269 - 20, 1024 - 350 - 20}},
  };
  for (const Case& c : cases) {
    TPoint at = BottomRightPlacement(c.workArea, 269, 350);
    EXPECT_EQ(at.X, c.expected.X) << c.name;
    EXPECT_EQ(at.Y, c.expected.Y) << c.name;
  }
}

}  // namespace
}  // namespace zez
