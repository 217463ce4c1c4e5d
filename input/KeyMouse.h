#pragma once
// Synthesised key strokes: the way a chosen text reaches the window the user
// came from (Ctrl+V into whatever has the keyboard focus).
#include <cstdint>

namespace zez {

// The two system calls the key routines make, so that the host tests can
// record the events instead of injecting them.
class TKeySystem {
 public:
  virtual ~TKeySystem() = default;
  // MapVirtualKeyA: the scan code the current layout gives a virtual key.
  virtual unsigned MapVirtualKeyA(unsigned code, unsigned mapType) = 0;
  // keybd_event: one event into the system's input stream.
  virtual void KeybdEvent(std::uint8_t vk, std::uint8_t scan, unsigned flags,
                          std::uintptr_t extra) = 0;
};

inline constexpr std::uint16_t kVkControl = 0x11;
inline constexpr std::uint16_t kVkV = 0x56;
inline constexpr unsigned kMapVkToScan = 0;
inline constexpr unsigned kKeyPressFlags = 1;    // KEYEVENTF_EXTENDEDKEY
inline constexpr unsigned kKeyReleaseFlags = 3;  // ... | KEYEVENTF_KEYUP

// The routines over a given system.
void KeyDown(TKeySystem& system, std::uint16_t key);
void KeyUp(TKeySystem& system, std::uint16_t key);
void SendCtrlV(TKeySystem& system);

// The same over the real system (Windows builds only).
TKeySystem& SystemKeys();
void KeyDown(std::uint16_t key);
void KeyUp(std::uint16_t key);
void SendCtrlV();

}  // namespace zez
