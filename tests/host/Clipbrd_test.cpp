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

using test::FakeCodePage;
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
  TClipboard Clipboard{System, test::FakeCodePage()};
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
                                          "Unlock(#1)", "GetData(13)", "Close"));
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
    TClipboard clipboard(system, test::FakeCodePage());
    system.Put(1, c.block);
    EXPECT_EQ(clipboard.ReadClipboardText(), c.expected);
    EXPECT_FALSE(system.IsOpen());
    EXPECT_THAT(system.Misuses(), IsEmpty());
  }
}

TEST_F(ClipboardTest, ReadWithoutTextIsEmptyWithoutError) {
  System.Put(2, "bitmap");
  EXPECT_EQ(Clipboard.ReadClipboardText(), "");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "GetData(1)", "GetData(13)", "Close"));
}

TEST_F(ClipboardTest, ReadLockWithoutPointerIsEmptyAndUnlocks) {
  System.Put(1, std::string("abc\0", 4));
  System.FailLock = true;
  EXPECT_EQ(Clipboard.ReadClipboardText(), "");
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "GetData(1)", "Lock(#1)", "Unlock(#1)",
                                          "GetData(13)", "Close"));
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
    TClipboard clipboard(system, test::FakeCodePage());
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
    TClipboard clipboard(system, test::FakeCodePage());
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

// ---- both text formats ------------------------------------------------------

std::string Utf16Bytes(std::u16string_view units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

TEST_F(ClipboardTest, ReadTakesBothFormsInOneOpening) {
  System.Put(1, std::string("a?\r\n\0", 5));
  System.PutUnicode(u"a\U0001F600\r\n");
  ClipText text = Clipboard.ReadClipboardText();
  EXPECT_EQ(text, ClipText("a?\r\n", u"a\U0001F600\r\n"));
  EXPECT_THAT(System.Calls(),
              ElementsAre("Open(4660)", "GetData(1)", "Lock(#1)", "Size(#1)", "Unlock(#1)",
                          "GetData(13)", "Lock(#2)", "Size(#2)", "Unlock(#2)", "Close"));
}

TEST_F(ClipboardTest, ReadOfARepresentableTextKeepsNoSecondCopy) {
  System.Put(1, std::string("\xD6\xD0\xCE\xC4\0", 5));
  System.PutUnicode(u"\u4E2D\u6587");
  ClipText text = Clipboard.ReadClipboardText();
  EXPECT_EQ(text, "\xD6\xD0\xCE\xC4");
  EXPECT_FALSE(text.HasUnicode());
}

// Blocks as other programs may leave them; never a unit past the block's end
// (the fake's blocks are exactly their size, so AddressSanitizer would see it).
TEST_F(ClipboardTest, UnicodeBlockCases) {
  struct Case {
    const char* name;
    std::string block;
    std::u16string expected;  // u"" when no Unicode form is kept
  };
  const std::vector<Case> cases = {
      {"terminated", Utf16Bytes(u"\u20AC!") + std::string(2, '\0'), u"\u20AC!"},
      {"no terminator", Utf16Bytes(u"\u20AC!"), u"\u20AC!"},
      {"odd byte count without terminator", Utf16Bytes(u"\u20AC!") + "x", u"\u20AC!"},
      {"odd byte count after the terminator", Utf16Bytes(u"\u20AC") + std::string(3, '\0'),
       u"\u20AC"},
      {"stops at the first zero unit",
       Utf16Bytes(u"\u20AC") + std::string(2, '\0') + Utf16Bytes(u"hidden"), u"\u20AC"},
      {"a single byte", "x", u""},
      {"zero-size block", "", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, FakeCodePage());
    system.Put(1, std::string("?!\0", 3));
    system.Put(13, c.block);
    ClipText text = clipboard.ReadClipboardText();
    EXPECT_EQ(text.Ansi(), "?!");
    EXPECT_EQ(text.HasUnicode(), !c.expected.empty());
    EXPECT_TRUE(text.Unicode() == c.expected);
    EXPECT_FALSE(system.IsOpen());
    EXPECT_THAT(system.Misuses(), IsEmpty());
  }
}

TEST_F(ClipboardTest, WriteOfBothFormsMakesTheExactCallsOnce) {
  Clipboard.WriteClipboardText(ClipText("a?", u"a\U0001F600"));
  EXPECT_THAT(System.Calls(), ElementsAre("Open(4660)", "Alloc(0x2002,3)", "Lock(#1)",
                                          "Alloc(0x2002,8)", "Lock(#2)", "Empty", "SetData(1,#1)",
                                          "Unlock(#1)", "SetData(13,#2)", "Unlock(#2)", "Close"));
  EXPECT_EQ(System.Text(), std::string("a?\0", 3));
  EXPECT_EQ(System.Contents(13), Utf16Bytes(u"a\U0001F600") + std::string(2, '\0'));
  EXPECT_EQ(System.Formats(), (std::set<unsigned>{1, 13}));
  EXPECT_EQ(System.Owner(), kAppWindow);
  // And read back as it was.
  EXPECT_EQ(Clipboard.ReadClipboardText(), ClipText("a?", u"a\U0001F600"));
}

TEST_F(ClipboardTest, WriteOfAnAnsiOnlyTextPutsCfTextAlone) {
  System.PutUnicode(u"old");
  Clipboard.WriteClipboardText("\xD6\xD0");
  EXPECT_EQ(System.Formats(), (std::set<unsigned>{1}));
  EXPECT_EQ(System.Count("Alloc"), 1);
}

// Any failure while the two blocks are made: both freed, the clipboard closed
// and its contents kept; refused blocks stay ours and are freed too.
TEST_F(ClipboardTest, WriteOfBothFormsCleansUpOnEveryFailure) {
  struct Case {
    const char* name;
    std::function<void(TFakeClipboardSystem&)> arrange;
    bool throws;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"second allocation",
       [](TFakeClipboardSystem& s) { s.AllocsLeft = 1; },
       true,
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#2)", "Alloc(0x2002,4)", "Unlock(#2)", "Free(#2)",
        "Close"}},
      {"second lock",
       [](TFakeClipboardSystem& s) { s.LocksLeft = 1; },
       true,
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#2)", "Alloc(0x2002,4)", "Lock(#3)", "Unlock(#3)",
        "Free(#3)", "Unlock(#2)", "Free(#2)", "Close"}},
      {"emptying",
       [](TFakeClipboardSystem& s) { s.ThrowOn = "Empty"; },
       true,
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#2)", "Alloc(0x2002,4)", "Lock(#3)", "Empty",
        "Unlock(#3)", "Free(#3)", "Unlock(#2)", "Free(#2)", "Close"}},
      {"both refused",
       [](TFakeClipboardSystem& s) { s.RefuseSetData = true; },
       false,
       {"Open(0)", "Alloc(0x2002,2)", "Lock(#2)", "Alloc(0x2002,4)", "Lock(#3)", "Empty",
        "SetData(1,#2)", "Unlock(#2)", "SetData(13,#3)", "Unlock(#3)", "Free(#3)", "Free(#2)",
        "Close"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, FakeCodePage());
    system.Put(1, std::string("old\0", 4));
    system.ClearCalls();
    c.arrange(system);
    if (c.throws) {
      EXPECT_ANY_THROW(clipboard.WriteClipboardText(ClipText("?", u"\u20AC")));
      EXPECT_EQ(system.Text(), std::string("old\0", 4));
    } else {
      clipboard.WriteClipboardText(ClipText("?", u"\u20AC"));
    }
    EXPECT_THAT(system.Calls(), ElementsAreArray(c.calls));
    EXPECT_EQ(clipboard.OpenDepth(), 0);
    EXPECT_FALSE(system.IsOpen());
    EXPECT_THAT(system.LeakedBlocks(), IsEmpty());
    EXPECT_THAT(system.LockedBlocks(), IsEmpty());
    EXPECT_THAT(system.Misuses(), IsEmpty());
  }
}

// ---- contents marked as not for history ------------------------------------

std::string Dword(std::uint32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

TEST_F(ClipboardTest, MarksThatKeepContentsOutOfTheHistory) {
  struct Case {
    const char* name;
    std::u16string format;  // u"" for none
    std::string data;
    bool held;
    bool excluded;
  };
  const std::vector<Case> cases = {
      {"no mark", u"", "", false, false},
      {"exclude from monitor processing", u"ExcludeClipboardContentFromMonitorProcessing", "",
       false, true},
      {"exclude, with a DWORD 1 in it", u"ExcludeClipboardContentFromMonitorProcessing", Dword(1),
       false, true},
      {"clipboard viewer ignore", u"Clipboard Viewer Ignore", "", false, true},
      {"may not go into the history", u"CanIncludeInClipboardHistory", Dword(0), false, true},
      {"may go into the history", u"CanIncludeInClipboardHistory", Dword(1), false, false},
      {"any non-zero value allows", u"CanIncludeInClipboardHistory", Dword(0x100), false, false},
      {"a longer block is read from its start", u"CanIncludeInClipboardHistory",
       Dword(0) + Dword(1), false, true},
      // An unreadable value is taken as the owner's no.
      {"short block", u"CanIncludeInClipboardHistory", std::string(2, '\1'), false, true},
      {"empty block", u"CanIncludeInClipboardHistory", "", false, true},
      {"value unreadable: held open", u"CanIncludeInClipboardHistory", Dword(1), true, true},
      {"cloud upload only", u"CanUploadToCloudClipboard", Dword(0), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, FakeCodePage());
    system.Put(1, std::string("secret\0", 7));
    if (!c.format.empty()) system.Put(system.FormatNamed(c.format), c.data);
    system.HeldByAnother = c.held;
    EXPECT_EQ(clipboard.ExcludedFromHistory(), c.excluded);
    EXPECT_EQ(clipboard.OpenDepth(), 0);
    EXPECT_FALSE(system.IsOpen());
    EXPECT_THAT(system.LockedBlocks(), IsEmpty());
    EXPECT_THAT(system.Misuses(), IsEmpty());
    // Only the value of "CanIncludeInClipboardHistory" needs an opening.
    EXPECT_EQ(system.Count("Open"), c.format == u"CanIncludeInClipboardHistory" ? 1 : 0);
  }
}

TEST_F(ClipboardTest, MarkTestAsksWithoutOpeningAndRegistersOnce) {
  System.Put(1, std::string("a\0", 2));
  EXPECT_FALSE(Clipboard.ExcludedFromHistory());
  EXPECT_THAT(
      System.Calls(),
      ElementsAre("RegisterFormat(ExcludeClipboardContentFromMonitorProcessing)",
                  "IsFormatAvailable(49152)", "RegisterFormat(Clipboard Viewer Ignore)",
                  "IsFormatAvailable(49153)", "RegisterFormat(CanIncludeInClipboardHistory)",
                  "IsFormatAvailable(49154)"));
  System.ClearCalls();
  System.Put(System.FormatNamed(u"CanIncludeInClipboardHistory"), Dword(0));
  EXPECT_TRUE(Clipboard.ExcludedFromHistory());
  EXPECT_THAT(System.Calls(),
              ElementsAre("IsFormatAvailable(49152)", "IsFormatAvailable(49153)",
                          "IsFormatAvailable(49154)", "Open(4660)", "GetData(49154)", "Lock(#2)",
                          "Size(#2)", "Unlock(#2)", "Close"));
}

TEST_F(ClipboardTest, MarkTestNeverThrows) {
  System.Put(System.FormatNamed(u"CanIncludeInClipboardHistory"), Dword(1));
  System.ThrowOn = "GetData";
  EXPECT_TRUE(Clipboard.ExcludedFromHistory());
  System.ThrowOn.clear();
  System.FailRegister = true;
  TClipboard fresh(System, FakeCodePage());
  // Formats that cannot be named cannot be asked for: nothing is marked.
  EXPECT_FALSE(fresh.ExcludedFromHistory());
}

}  // namespace
}  // namespace zez
