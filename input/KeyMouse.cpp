#include "input/KeyMouse.h"

namespace zez {

namespace {

// The scan code is looked up on every event: the layout may have changed
// since the last paste.
void InjectKey(TKeySystem& system, std::uint16_t key, unsigned flags) {
  const unsigned scan = system.MapVirtualKeyA(key, kMapVkToScan);
  system.KeybdEvent(static_cast<std::uint8_t>(key & 0xFF), static_cast<std::uint8_t>(scan & 0xFF),
                    flags, 0);
}

}  // namespace

void KeyDown(TKeySystem& system, std::uint16_t key) {
  InjectKey(system, key, kKeyPressFlags);
}

void KeyUp(TKeySystem& system, std::uint16_t key) {
  InjectKey(system, key, kKeyReleaseFlags);
}

// Ctrl goes up before V; the four events go in one by one, unchecked.
void SendCtrlV(TKeySystem& system) {
  KeyDown(system, kVkControl);
  KeyDown(system, kVkV);
  KeyUp(system, kVkControl);
  KeyUp(system, kVkV);
}

}  // namespace zez
