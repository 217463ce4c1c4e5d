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

// A rectangle and a point in pixels (screen or client coordinates).
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

struct TPoint {
  int X = 0, Y = 0;
};

}  // namespace zez
