// The key events the routines hand to the system, recorded by a fake.
#include "input/KeyMouse.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

struct TEvent {
  unsigned Vk, Scan, Flags;
  std::uintptr_t Extra;
  bool operator==(const TEvent&) const = default;
};

void PrintTo(const TEvent& e, std::ostream* os) {
  *os << "{vk " << e.Vk << ", scan " << e.Scan << ", flags " << e.Flags << ", extra " << e.Extra
      << "}";
}

// A keyboard layout as a table; unknown keys map to 0 as in the system.
class TFakeKeys : public zez::TKeySystem {
 public:
  std::map<unsigned, unsigned> Layout;
  std::vector<TEvent> Events;
  std::vector<std::pair<unsigned, unsigned>> Lookups;  // (code, mapType)

  unsigned MapVirtualKeyA(unsigned code, unsigned mapType) override {
    Lookups.emplace_back(code, mapType);
    auto it = Layout.find(code);
    return it == Layout.end() ? 0 : it->second;
  }
  void KeybdEvent(std::uint8_t vk, std::uint8_t scan, unsigned flags,
                  std::uintptr_t extra) override {
    Events.push_back({vk, scan, flags, extra});
  }
};

TEST(KeyMouse, SendCtrlVInjectsFourEventsCtrlReleasedBeforeV) {
  TFakeKeys keys;
  keys.Layout = {{17, 0x1D}, {86, 0x2F}};
  zez::SendCtrlV(keys);
  const std::vector<TEvent> expected = {
      {17, 0x1D, 1, 0}, {86, 0x2F, 1, 0}, {17, 0x1D, 3, 0}, {86, 0x2F, 3, 0}};
  EXPECT_EQ(keys.Events, expected);
  // One lookup per event, each just before its event, with mapping type 0.
  const std::vector<std::pair<unsigned, unsigned>> lookups = {{17, 0}, {86, 0}, {17, 0}, {86, 0}};
  EXPECT_EQ(keys.Lookups, lookups);
}

TEST(KeyMouse, ScanCodesFollowTheLayoutOfTheMoment) {
  TFakeKeys keys;
  keys.Layout = {{17, 0x1D}, {86, 0x2F}};
  zez::SendCtrlV(keys);
  keys.Layout = {{17, 0x1D}, {86, 0x34}};  // e.g. a Dvorak layout between two pastes
  zez::SendCtrlV(keys);
  ASSERT_EQ(keys.Events.size(), 8u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(keys.Events[i].Vk, keys.Events[i + 4].Vk);
    EXPECT_EQ(keys.Events[i].Flags, keys.Events[i + 4].Flags);
  }
  EXPECT_EQ(keys.Events[1].Scan, 0x2Fu);
  EXPECT_EQ(keys.Events[5].Scan, 0x34u);
  EXPECT_EQ(keys.Events[7].Scan, 0x34u);
  EXPECT_EQ(keys.Events[4].Scan, 0x1Du);
}

TEST(KeyMouse, LayoutChangeBetweenTheFourEventsIsSeen) {
  // No table of scan codes: a change after the first press shows at once.
  struct TChangingKeys : TFakeKeys {
    unsigned MapVirtualKeyA(unsigned code, unsigned mapType) override {
      const unsigned scan = TFakeKeys::MapVirtualKeyA(code, mapType);
      Layout[86] = 0x34;
      return scan;
    }
  } keys;
  keys.Layout = {{17, 0x1D}, {86, 0x2F}};
  zez::SendCtrlV(keys);
  ASSERT_EQ(keys.Events.size(), 4u);
  EXPECT_EQ(keys.Events[1].Scan, 0x34u);
  EXPECT_EQ(keys.Events[3].Scan, 0x34u);
}

TEST(KeyMouse, KeyDownAndKeyUpUseLowBytesAndTheWholeKeyForTheLookup) {
  struct TCase {
    std::uint16_t Key;
    unsigned MappedScan;
    TEvent Down, Up;
  };
  const TCase cases[] = {
      {0x41, 0x1E, {0x41, 0x1E, 1, 0}, {0x41, 0x1E, 3, 0}},
      // Extended-key flag on every key, also keys that are not extended.
      {0x10, 0x2A, {0x10, 0x2A, 1, 0}, {0x10, 0x2A, 3, 0}},
      // Key code above 8 bits: looked up whole, injected as its low byte.
      {0x0141, 0xE11E, {0x41, 0x1E, 1, 0}, {0x41, 0x1E, 3, 0}},
      // A key the layout does not have: scan code 0 is injected all the same.
      {0xFF, 0, {0xFF, 0, 1, 0}, {0xFF, 0, 3, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Key);
    TFakeKeys keys;
    keys.Layout = {{c.Key, c.MappedScan}};
    zez::KeyDown(keys, c.Key);
    zez::KeyUp(keys, c.Key);
    const std::vector<TEvent> expected = {c.Down, c.Up};
    EXPECT_EQ(keys.Events, expected);
    ASSERT_EQ(keys.Lookups.size(), 2u);
    EXPECT_EQ(keys.Lookups[0], std::make_pair(unsigned{c.Key}, 0u));
  }
}

}  // namespace
