#include "clipboard/Clipbrd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ClipboardFake.h"
#include "util/Exception.h"

namespace zez {
namespace {

using test::TFakeClipboardSystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr TWindowHandle kAppWindow = 0x1234;

class ClipboardTest : public ::testing::Test {
 protected:
  ClipboardTest() { Clipboard.SetOpenerWindow(kAppWindow); }
  void TearDown() override {
    EXPECT_EQ(Clipboard.OpenDepth(), 0);
    EXPECT_FALSE(System.IsOpen()) << "the clipboard was left open";
    EXPECT_THAT(System.LeakedBlocks(), IsEmpty());
    EXPECT_THAT(System.LockedBlocks(), IsEmpty());
    EXPECT_THAT(System.Misuses(), IsEmpty());
  }
  // The message of the zez::Exception the call threw; a failure when none.
  static std::string ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message();
    }
    ADD_FAILURE() << "no zez::Exception";
    return {};
  }

  TFakeClipboardSystem System;
  TClipboard Clipboard{System};
};

TEST_F(ClipboardTest, WriteMakesTheExactCallsOnce) {
  Clipboard.WriteClipboardText("ab\r\ncd");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "Alloc(0x2002,7)", "Lock(#1)", "Empty",
                                          "SetData(1,#1)", "Unlock(#1)", "Close"));
  EXPECT_EQ(System.Text(), std::string("ab\r\ncd\0", 7));
  EXPECT_EQ(System.Owner(), kAppWindow);
}

TEST_F(ClipboardTest, WriteEmptiesOnceInsideItsOwnOpening) {
  System.OnSetData = [&] {
    EXPECT_EQ(Clipboard.OpenDepth(), 1);
    EXPECT_TRUE(Clipboard.EmptiedThisOpening());
  };
  Clipboard.WriteClipboardText("x");
  EXPECT_EQ(System.Count("Open"), 1);
  EXPECT_EQ(System.Count("Empty"), 1);
  EXPECT_EQ(System.Count("Close"), 1);
}

TEST_F(ClipboardTest, WriteReplacesEveryFormat) {
  System.Put(2, "bitmap");
  System.Put(49300, "registered");
  Clipboard.WriteClipboardText("t");
  EXPECT_EQ(System.Formats(), (std::set<unsigned>{1}));
}

TEST_F(ClipboardTest, EmptyTextIsOneZeroByte) {
  Clipboard.WriteClipboardText("");
  EXPECT_EQ(System.Calls()[1], "Alloc(0x2002,1)");
  EXPECT_EQ(System.Text(), std::string(1, '\0'));
  EXPECT_EQ(Clipboard.ReadClipboardText(), "");
}

TEST_F(ClipboardTest, ReadMakesTheExactCallsWithoutAskingFirst) {
  System.Put(1, std::string("hello\0", 6));
  EXPECT_EQ(Clipboard.ReadClipboardText(), "hello");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "GetData(1)", "Lock(#1)", "Size(#1)",
                                          "Unlock(#1)", "Close"));
}

TEST_F(ClipboardTest, ReadCases) {
  struct Case {
    const char* name;
    std::string block;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"stops at the first zero", std::string("ab\0cd\0", 6), "ab"},
      {"lines and high bytes", std::string("\xD6\xD0\r\n\xCE\xC4\r\n\0", 9),
       "\xD6\xD0\r\n\xCE\xC4\r\n"},
      {"only a zero", std::string(1, '\0'), ""},
      // No zero byte: the block's size is the end, never a byte past it.
      {"no zero byte", "abc", "abc"},
      {"zero-size block", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system);
    system.Put(1, c.block);
    EXPECT_EQ(clipboard.ReadClipboardText(), c.expected);
    EXPECT_FALSE(system.IsOpen());
    EXPECT_THAT(system.Misuses(), IsEmpty());
  }
}

TEST_F(ClipboardTest, ReadWithoutTextIsEmptyWithoutError) {
  System.Put(2, "bitmap");
  EXPECT_EQ(Clipboard.ReadClipboardText(), "");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "GetData(1)", "Close"));
}

TEST_F(ClipboardTest, ReadLockWithoutPointerIsEmptyAndUnlocks) {
  System.Put(1, std::string("abc\0", 4));
  System.FailLock = true;
  EXPECT_EQ(Clipboard.ReadClipboardText(), "");
  EXPECT_THAT(System.Calls(),
              ElementsAre("Open(4660)", "GetData(1)", "Lock(#1)", "Unlock(#1)", "Close"));
}

TEST_F(ClipboardTest, ClearMakesTheExactCalls) {
  System.Put(1, std::string("a\0", 2));
  Clipboard.ClearClipboard();
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "Empty", "Close"));
  EXPECT_TRUE(System.Formats().empty());
  // An empty clipboard is emptied all the same.
  Clipboard.ClearClipboard();
  EXPECT_EQ(System.Count("Empty"), 2);
}

TEST_F(ClipboardTest, FormatPresentNeverOpens) {
  System.Put(1, std::string("a\0", 2));
  System.HeldByAnother = true;
  EXPECT_TRUE(Clipboard.FormatPresent(1));
  EXPECT_FALSE(Clipboard.FormatPresent(2));
  EXPECT_FALSE(Clipboard.FormatPresent(0));
  EXPECT_THAT(System.Calls(),
              ElementsAre("IsFormatAvailable(1)", "IsFormatAvailable(2)", "IsFormatAvailable(0)"));
}

TEST_F(ClipboardTest, HeldByAnotherProgramEveryOpeningFailsAndChangesNothing) {
  const std::string before("keep\0", 5);
  System.Put(1, before);
  System.HeldByAnother = true;
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"read", [&] { Clipboard.ReadClipboardText(); }},
      {"write", [&] { Clipboard.WriteClipboardText("new"); }},
      {"clear", [&] { Clipboard.ClearClipboard(); }},
      {"begin", [&] { Clipboard.BeginClipboard(); }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    System.ClearCalls();
    EXPECT_EQ(ErrorOf(operation), "无法打开剪贴板");
    // At once, no retry, nothing after the failed opening.
    EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)"));
    EXPECT_EQ(Clipboard.OpenDepth(), 0);
    EXPECT_EQ(System.Text(), before);
  }
  // Once the other program lets go, the next operation opens normally.
  System.HeldByAnother = false;
  System.ClearCalls();
  EXPECT_EQ(Clipboard.ReadClipboardText(), "keep");
  EXPECT_EQ(System.Count("Open"), 1);
  EXPECT_EQ(System.Count("Close"), 1);
}

TEST_F(ClipboardTest, CountedOpening) {
  Clipboard.EndClipboard();  // at depth 0: nothing
  EXPECT_THAT(System.Calls(), IsEmpty());
  Clipboard.BeginClipboard();
  EXPECT_FALSE(Clipboard.EmptiedThisOpening());
  Clipboard.BeginClipboard();
  EXPECT_EQ(Clipboard.OpenDepth(), 2);
  Clipboard.EndClipboard();
  EXPECT_TRUE(System.IsOpen());
  Clipboard.EndClipboard();
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "Close"));
}

TEST_F(ClipboardTest, EveryOpeningResetsTheEmptiedFlag) {
  Clipboard.WriteClipboardText("a");
  EXPECT_TRUE(Clipboard.EmptiedThisOpening());
  Clipboard.BeginClipboard();
  EXPECT_FALSE(Clipboard.EmptiedThisOpening());
  Clipboard.EndClipboard();
  // So each write empties again.
  Clipboard.WriteClipboardText("b");
  EXPECT_EQ(System.Count("Empty"), 2);
}

// The block for a write cannot be had: a clear error, the clipboard closed and
// its contents kept (the emptying comes after the copy), no block left.
TEST_F(ClipboardTest, FailedAllocationOrLockKeepsTheClipboard) {
  struct Case {
    const char* name;
    bool failAlloc;
    bool failLock;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"allocation", true, false, {"Open(0)", "Alloc(0x2002,4)", "Close"}},
      {"lock",
       false,
       true,
       {"Open(0)", "Alloc(0x2002,4)", "Lock(#2)", "Unlock(#2)", "Free(#2)", "Close"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system);
    system.Put(1, std::string("old\0", 4));
    system.ClearCalls();
    system.FailAlloc = c.failAlloc;
    system.FailLock = c.failLock;
    EXPECT_EQ(ErrorOf([&] { clipboard.WriteClipboardText("new"); }), "无法分配剪贴板内存");
    EXPECT_THAT(system.Calls(), ElementsAreArray(c.calls));
    EXPECT_EQ(clipboard.OpenDepth(), 0);
    EXPECT_EQ(system.Text(), std::string("old\0", 4));
    EXPECT_THAT(system.LeakedBlocks(), IsEmpty());
    EXPECT_THAT(system.Misuses(), IsEmpty());
  }
}

TEST_F(ClipboardTest, RefusedBlockIsFreedAndNotReported) {
  System.RefuseSetData = true;
  Clipboard.WriteClipboardText("abc");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "Alloc(0x2002,4)", "Lock(#1)", "Empty",
                                          "SetData(1,#1)", "Unlock(#1)", "Free(#1)", "Close"));
}

// A failure anywhere between the allocation and the end of SetClipboardData:
// unlocked, freed, closed, and the failure goes on to the caller.
TEST_F(ClipboardTest, FailureInsideAWriteCleansUp) {
  struct Case {
    const char* failingCall;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"Empty",
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#1)", "Empty", "Unlock(#1)", "Free(#1)", "Close"}},
      {"SetData",
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#1)", "Empty", "SetData(1,#1)", "Unlock(#1)",
        "Free(#1)", "Close"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failingCall);
    TFakeClipboardSystem system;
    TClipboard clipboard(system);
    system.ThrowOn = c.failingCall;
    EXPECT_THROW(clipboard.WriteClipboardText("x"), std::runtime_error);
    EXPECT_THAT(system.Calls(), ElementsAreArray(c.calls));
    EXPECT_EQ(clipboard.OpenDepth(), 0);
    EXPECT_THAT(system.LeakedBlocks(), IsEmpty());
    EXPECT_THAT(system.LockedBlocks(), IsEmpty());
    // The next write goes through normally.
    system.ThrowOn.clear();
    clipboard.WriteClipboardText("y");
    EXPECT_EQ(system.Text(), std::string("y\0", 2));
  }
}

TEST_F(ClipboardTest, FailureWhileReadingUnlocksAndCloses) {
  System.Put(1, std::string("abc\0", 4));
  System.ThrowOn = "Size";
  EXPECT_THROW(Clipboard.ReadClipboardText(), std::runtime_error);
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "GetData(1)", "Lock(#1)", "Size(#1)",
                                          "Unlock(#1)", "Close"));
}

TEST_F(ClipboardTest, LongTextRoundTrip) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line \xD6\xD0\r\n";
  Clipboard.WriteClipboardText(text);
  EXPECT_EQ(Clipboard.ReadClipboardText(), text);
}

}  // namespace
}  // namespace zez
