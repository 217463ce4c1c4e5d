#pragma once
// Basic types shared by the portable core and the Win32 bindings, so that the
// core compiles without windows.h.
#include <cstdint>

namespace zez {

// A window handle (HWND) as a number; 0 means none.
using TWindowHandle = std::uintptr_t;

// A window message as the handlers see it.
struct TMessage {
  unsigned Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

}  // namespace zez
