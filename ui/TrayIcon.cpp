// The tray icon's portable rules: the tip and the click.
#include "ui/TrayIcon.h"

namespace zez {

namespace {

// The shell's tip field holds 64 bytes with the terminating zero.
constexpr std::size_t kTipBytes = 63;

int Index(TMouseButton button) {
  return static_cast<int>(button);
}

}  // namespace

std::string TrayTip(const std::string& hint, TLeadByteTest isLeadByte) {
  // Walk by characters: a trail byte may equal "|" in double-byte code pages.
  std::size_t end = 0;
  while (end < hint.size() && hint[end] != '|') {
    std::size_t width = 1;
    if (isLeadByte(static_cast<unsigned char>(hint[end])) && end + 1 < hint.size()) width = 2;
    if (end + width > kTipBytes) break;
    end += width;
  }
  return hint.substr(0, end);
}

std::optional<TMouseButton> TTrayClickRule::Mouse(TMouseButton button, TTrayMouse what) {
  bool& pressed = FPressed[Index(button)];
  switch (what) {
    case TTrayMouse::Down:
      pressed = true;
      FUpTicks[Index(button)] = 0;
      return std::nullopt;
    case TTrayMouse::DoubleClick:
      // The second press of a double click: its release must not click again.
      pressed = false;
      return std::nullopt;
    case TTrayMouse::Up:
      if (!pressed) return std::nullopt;
      pressed = false;
      if (button == TMouseButton::mbMiddle) return std::nullopt;
      return button;
  }
  return std::nullopt;
}

void TTrayClickRule::Tick(bool leftHeld, bool rightHeld, bool middleHeld) {
  const bool held[3] = {leftHeld, rightHeld, middleHeld};
  for (int i = 0; i < 3; ++i) {
    if (!FPressed[i]) continue;
    if (held[i]) {
      FUpTicks[i] = 0;
    } else if (++FUpTicks[i] >= kUpTicks) {
      FPressed[i] = false;
    }
  }
}

void TTrayClickRule::Reset() {
  for (int i = 0; i < 3; ++i) {
    FPressed[i] = false;
    FUpTicks[i] = 0;
  }
}

}  // namespace zez
