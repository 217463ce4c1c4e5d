// The watcher with a next viewer that does not answer: the forward comes back
// empty-handed after its bounded wait, and what arrived meanwhile (another
// notice, the hung viewer leaving) has been handled on the way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClipboardFake.h"
#include "clipboard/qamwatchClipbrd.h"

namespace zez {
namespace {

using test::TFakeChainSystem;
using test::TFakeClipboardSystem;
using ::testing::ElementsAre;

constexpr TWindowHandle kForm = 1000;
constexpr TWindowHandle kHung = 77;
constexpr TWindowHandle kAfterHung = 88;

TMessage Message(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  return m;
}

TEST(HungNeighbour, MessagesArrivingWhileAForwardWaitsAreHandledAndUsedByTheNextForward) {
  TFakeClipboardSystem system;
  TClipboard clipboard(system, test::FakeCodePage());
  system.Synthesized = {1};
  TFakeChainSystem chain;
  chain.PreviousViewer = kHung;
  TqamwatchClipbrd* watcher = TqamwatchClipbrd::Create(kForm, clipboard, chain);
  chain.ClearCalls();
  // The first forward waits on the hung viewer; while it waits, another copy's
  // notice and then the hung viewer's leaving reach us, nested.
  int depth = 0;
  std::vector<int> nestedFormats;
  chain.OnSend = [&] {
    if (depth++ > 0) return;
    TMessage again = Message(kWMDrawClipboard);
    nestedFormats.push_back(watcher->DrawClipboard(again));
    TMessage leaving = Message(kWMChangeCBChain, kHung, static_cast<std::intptr_t>(kAfterHung));
    watcher->ChangeCBChain(leaving);
    EXPECT_EQ(leaving.Result, 0);
  };
  TMessage first = Message(kWMDrawClipboard);
  EXPECT_EQ(watcher->DrawClipboard(first), 1);  // the answer of a hung viewer is 0: unused
  EXPECT_THAT(nestedFormats, ElementsAre(1));
  EXPECT_EQ(watcher->FNextViewer, kAfterHung);
  chain.OnSend = nullptr;
  TMessage later = Message(kWMDrawClipboard);
  watcher->DrawClipboard(later);
  EXPECT_THAT(chain.Calls(),
              ElementsAre("Send(77,0x308,0,0)", "Send(77,0x308,0,0)", "Send(88,0x308,0,0)"));
  watcher->Destroy();
}

TEST(HungNeighbour, LeavingWithAHungNextViewerStillLeavesAndTellsIt) {
  TFakeClipboardSystem system;
  TClipboard clipboard(system, test::FakeCodePage());
  TFakeChainSystem chain;
  chain.PreviousViewer = kHung;
  TqamwatchClipbrd* watcher = TqamwatchClipbrd::Create(kForm, clipboard, chain);
  chain.ClearCalls();
  watcher->Destroy();
  EXPECT_THAT(chain.Calls(), ElementsAre("ChangeChain(1000,77)", "Send(77,0x30d,1000,77)"));
}

}  // namespace
}  // namespace zez
