#include <windows.h>

#include "input/KeyMouse.h"

namespace zez {

namespace {

class TWinKeySystem final : public TKeySystem {
 public:
  unsigned MapVirtualKeyA(unsigned code, unsigned mapType) override {
    return ::MapVirtualKeyA(code, mapType);
  }
  void KeybdEvent(std::uint8_t vk, std::uint8_t scan, unsigned flags,
                  std::uintptr_t extra) override {
    ::keybd_event(vk, scan, flags, extra);
  }
};

}  // namespace

TKeySystem& SystemKeys() {
  static TWinKeySystem system;
  return system;
}

void KeyDown(std::uint16_t key) {
  KeyDown(SystemKeys(), key);
}
void KeyUp(std::uint16_t key) {
  KeyUp(SystemKeys(), key);
}
void SendCtrlV() {
  SendCtrlV(SystemKeys());
}

}  // namespace zez
