#include "clipboard/qamwatchClipbrd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ClipboardFake.h"
#include "util/Exception.h"

namespace zez {
namespace {

using test::TFakeChainSystem;
using test::TFakeClipboardSystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr TWindowHandle kForm = 1000;
constexpr TWindowHandle kNext = 77;

TMessage Notice(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  return m;
}

class WatcherTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (Watcher) Watcher->Destroy();
    EXPECT_EQ(TqamwatchClipbrd::Joining(), nullptr);
    EXPECT_FALSE(System.IsOpen());
    EXPECT_THAT(System.LeakedBlocks(), IsEmpty());
  }
  // A joined watcher whose next viewer is `next`, with the records cleared.
  TqamwatchClipbrd* Join(TWindowHandle next) {
    Chain.PreviousViewer = next;
    Watcher = TqamwatchClipbrd::Create(kForm, Clipboard, Chain);
    System.ClearCalls();
    Chain.ClearCalls();
    return Watcher;
  }

  TFakeClipboardSystem System;
  TClipboard Clipboard{System, test::FakeCodePage()};
  TFakeChainSystem Chain;
  TqamwatchClipbrd* Watcher = nullptr;
};

TEST_F(WatcherTest, CreateEmptiesThenJoins) {
  System.Put(1, std::string("before start\0", 13));
  Chain.PreviousViewer = kNext;
  Chain.InsideSetViewer = [&] {
    // The emptying is over before the chain is joined.
    EXPECT_THAT(System.Calls(), ElementsAre("Open(0)", "Empty", "Close"));
    EXPECT_TRUE(System.Formats().empty());
  };
  Watcher = TqamwatchClipbrd::Create(kForm, Clipboard, Chain);
  EXPECT_THAT(Chain.Calls(), ElementsAre("SetViewer(1000)"));
  EXPECT_EQ(Watcher->FHandle, kForm);
  EXPECT_EQ(Watcher->FNextViewer, kNext);
  EXPECT_EQ(TqamwatchClipbrd::Joining(), nullptr);
}

TEST_F(WatcherTest, CreateWhileAnotherProgramHoldsTheClipboardJoinsNothing) {
  System.HeldByAnother = true;
  try {
    TqamwatchClipbrd::Create(kForm, Clipboard, Chain);
    ADD_FAILURE() << "Create did not fail";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "无法打开剪贴板");
  }
  EXPECT_THAT(Chain.Calls(), IsEmpty());
  EXPECT_EQ(Clipboard.OpenDepth(), 0);
  // LeakSanitizer checks that no instance is left.
}

TEST_F(WatcherTest, JoiningWithoutClearingLeavesTheClipboardAlone) {
  System.HeldByAnother = true;
  Chain.PreviousViewer = kNext;
  Watcher = TqamwatchClipbrd::CreateWithoutClearing(kForm, Clipboard, Chain);
  EXPECT_THAT(System.Calls(), IsEmpty());
  EXPECT_THAT(Chain.Calls(), ElementsAre("SetViewer(1000)"));
  EXPECT_EQ(Watcher->FNextViewer, kNext);
}

TEST_F(WatcherTest, FailedJoiningLeavesNoJoiningWatcher) {
  Chain.InsideSetViewer = [] { throw std::runtime_error("no chain"); };
  EXPECT_THROW(TqamwatchClipbrd::Create(kForm, Clipboard, Chain), std::runtime_error);
}

// The system's first notice arrives inside SetClipboardViewer, before the
// caller holds the watcher: the window finds it through Joining().
TEST_F(WatcherTest, EarlyNoticeIsAnsweredThroughJoining) {
  struct Case {
    const char* name;
    bool filledMeanwhile;
    int expected;
  };
  for (const Case c : {Case{"just emptied", false, 0}, Case{"filled meanwhile", true, 1}}) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, test::FakeCodePage());
    TFakeChainSystem chain;
    chain.PreviousViewer = kNext;
    int answered = -1;
    chain.InsideSetViewer = [&] {
      if (c.filledMeanwhile) system.Put(1, std::string("x\0", 2));
      TqamwatchClipbrd* joining = TqamwatchClipbrd::Joining();
      ASSERT_NE(joining, nullptr);
      EXPECT_EQ(joining->FHandle, kForm);
      EXPECT_EQ(joining->FNextViewer, 0u);
      TMessage m = Notice(kWMDrawClipboard, 5, 0);
      answered = joining->DrawClipboard(m);
      if (answered == 1) {
        EXPECT_EQ(joining->GetText(), "x");
      }
    };
    TqamwatchClipbrd* w = TqamwatchClipbrd::Create(kForm, clipboard, chain);
    EXPECT_EQ(answered, c.expected);
    // Not forwarded: the next viewer is not known yet.
    EXPECT_THAT(chain.Calls(), ElementsAre("SetViewer(1000)"));
    EXPECT_EQ(w->FNextViewer, kNext);
    EXPECT_EQ(TqamwatchClipbrd::Joining(), nullptr);
    w->Destroy();
  }
}

TEST_F(WatcherTest, ProbeAnswersTheLowestStandardFormat) {
  struct Case {
    const char* name;
    std::set<unsigned> present;
    int expected;
  };
  const std::vector<Case> cases = {
      {"empty", {}, 0},
      {"text", {1}, 1},
      {"text beside a picture", {1, 2, 8}, 1},
      {"unicode only, text synthesised", {1, 7, 13, 16}, 1},
      {"bitmap only", {2, 8, 17}, 2},
      {"metafile from an enhanced one", {3, 14}, 3},
      {"file list only", {15}, 15},
      {"DIBV5 only", {17}, 17},
      {"registered formats only", {0xC100, 0xC200}, 0},
      {"private and GDI-object ranges only", {0x80, 0x200, 0x300}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, test::FakeCodePage());
    TFakeChainSystem chain;
    TqamwatchClipbrd* w = TqamwatchClipbrd::Create(kForm, clipboard, chain);
    system.ClearCalls();
    system.Synthesized = c.present;
    TMessage m = Notice(kWMDrawClipboard);
    EXPECT_EQ(w->DrawClipboard(m), c.expected);
    // Ascending from 0, stopping at the first present, never opening.
    std::vector<std::string> expectedCalls;
    int last = c.expected == 0 ? 17 : c.expected;
    for (int code = 0; code <= last; ++code) {
      expectedCalls.push_back("IsFormatAvailable(" + std::to_string(code) + ")");
    }
    EXPECT_EQ(system.Calls(), expectedCalls);
    w->Destroy();
  }
}

TEST_F(WatcherTest, ProbeWorksWhileAnotherProgramHoldsTheClipboard) {
  Join(0);
  System.Put(1, std::string("x\0", 2));
  System.HeldByAnother = true;
  TMessage m = Notice(kWMDrawClipboard);
  EXPECT_EQ(Watcher->DrawClipboard(m), 1);
  EXPECT_EQ(System.Count("Open"), 0);
}

TEST_F(WatcherTest, DrawClipboardForwardsAfterTheProbe) {
  Join(kNext);
  System.Synthesized = {2};
  Chain.OnSend = [&] { EXPECT_EQ(System.Count("IsFormatAvailable"), 3); };
  TMessage m = Notice(kWMDrawClipboard, 4321, 9);
  m.Result = 42;
  EXPECT_EQ(Watcher->DrawClipboard(m), 2);
  EXPECT_THAT(Chain.Calls(), ElementsAre("Send(77,0x308,4321,9)"));
  EXPECT_EQ(m.Result, 42);  // the message's result is left alone
}

TEST_F(WatcherTest, LastViewerForwardsNothing) {
  Join(0);
  TMessage draw = Notice(kWMDrawClipboard);
  TMessage change = Notice(kWMChangeCBChain, 55, 66);
  change.Result = 7;
  EXPECT_EQ(Watcher->DrawClipboard(draw), 0);
  Watcher->ChangeCBChain(change);
  EXPECT_THAT(Chain.Calls(), IsEmpty());
  EXPECT_EQ(change.Result, 0);
  EXPECT_EQ(Watcher->FNextViewer, 0u);
}

TEST_F(WatcherTest, ChainBookkeeping) {
  struct Case {
    const char* name;
    TWindowHandle next;
    std::uintptr_t leaving;
    std::intptr_t following;
    TWindowHandle nextAfter;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"the next viewer leaves", kNext, kNext, 88, 88, {}},
      {"the next viewer, the last, leaves", kNext, kNext, 0, 0, {}},
      {"a viewer further down leaves", kNext, 99, 100, kNext, {"Send(77,0x30d,99,100)"}},
      {"last viewer, another leaves", 0, 99, 100, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeClipboardSystem system;
    TClipboard clipboard(system, test::FakeCodePage());
    TFakeChainSystem chain;
    chain.PreviousViewer = c.next;
    TqamwatchClipbrd* w = TqamwatchClipbrd::Create(kForm, clipboard, chain);
    chain.ClearCalls();
    TMessage m = Notice(kWMChangeCBChain, c.leaving, c.following);
    m.Result = 123;
    w->ChangeCBChain(m);
    EXPECT_EQ(w->FNextViewer, c.nextAfter);
    EXPECT_EQ(chain.Calls(), c.calls);
    EXPECT_EQ(m.Result, 0);
    w->Destroy();
  }
}

TEST_F(WatcherTest, ForwardingFailuresAreIgnored) {
  Join(kNext);
  Chain.ThrowOnSend = true;
  System.Synthesized = {1};
  TMessage draw = Notice(kWMDrawClipboard);
  EXPECT_EQ(Watcher->DrawClipboard(draw), 1);
  TMessage change = Notice(kWMChangeCBChain, 99, 100);
  change.Result = 5;
  EXPECT_NO_THROW(Watcher->ChangeCBChain(change));
  EXPECT_EQ(change.Result, 0);
  EXPECT_EQ(Watcher->FNextViewer, kNext);
  EXPECT_EQ(Chain.Calls().size(), 2u);
  Chain.ThrowOnSend = false;
}

TEST_F(WatcherTest, DestroyLeavesAndTellsTheNextViewer) {
  Join(kNext);
  TMessage m = Notice(kWMChangeCBChain, kNext, 88);  // the chain changed meanwhile
  Watcher->ChangeCBChain(m);
  Watcher->Destroy();
  Watcher = nullptr;
  EXPECT_THAT(Chain.Calls(), ElementsAre("ChangeChain(1000,88)", "Send(88,0x30d,1000,88)"));
}

TEST_F(WatcherTest, LeavingAsTheLastViewer) {
  Join(0);
  Watcher->Destroy();
  Watcher = nullptr;
  // The direct notice goes to no window.
  EXPECT_THAT(Chain.Calls(), ElementsAre("ChangeChain(1000,0)", "Send(0,0x30d,1000,0)"));
}

TEST_F(WatcherTest, GetTextReadsOrSilentlyGivesTheEmptyText) {
  Join(0);
  System.Put(1, std::string("a\r\nb\0", 5));
  EXPECT_EQ(Watcher->GetText(), "a\r\nb");
  System.HeldByAnother = true;
  EXPECT_EQ(Watcher->GetText(), "");
  EXPECT_EQ(Clipboard.OpenDepth(), 0);
  System.HeldByAnother = false;
  System.ThrowOn = "GetData";
  EXPECT_EQ(Watcher->GetText(), "");
  System.ThrowOn.clear();
  EXPECT_EQ(Watcher->GetText(), "a\r\nb");
}

}  // namespace
}  // namespace zez
