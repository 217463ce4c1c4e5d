#pragma once
// Tiny move-only owners of Win32 handles, for the _win.cpp files and the
// Windows tests only (this header includes windows.h).
#include <windows.h>

#include <string>
#include <utility>

namespace zez {

// A window destroyed with its owner object.
class TUniqueWindow {
 public:
  TUniqueWindow() = default;
  explicit TUniqueWindow(HWND window) : FWindow(window) {}
  TUniqueWindow(TUniqueWindow&& other) noexcept : FWindow(std::exchange(other.FWindow, nullptr)) {}
  TUniqueWindow& operator=(TUniqueWindow&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FWindow, nullptr));
    return *this;
  }
  ~TUniqueWindow() { Reset(); }
  HWND Get() const { return FWindow; }
  HWND Release() { return std::exchange(FWindow, nullptr); }
  void Reset(HWND window = nullptr) {
    if (FWindow) DestroyWindow(FWindow);
    FWindow = window;
  }

 private:
  HWND FWindow = nullptr;
};

// A GDI object (font, brush, pen, bitmap) deleted with its owner object.
template <class H>
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(H object) : FObject(object) {}
  TGdiObject(TGdiObject&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FObject, nullptr));
    return *this;
  }
  ~TGdiObject() { Reset(); }
  H Get() const { return FObject; }
  void Reset(H object = nullptr) {
    if (FObject) DeleteObject(FObject);
    FObject = object;
  }

 private:
  H FObject = nullptr;
};
using TFontObject = TGdiObject<HFONT>;
using TBrushObject = TGdiObject<HBRUSH>;

// GetDC .. ReleaseDC of a window (nullptr: the screen).
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : FWindow(window), FDC(GetDC(window)) {}
  TWindowDC(TWindowDC&& other) noexcept
      : FWindow(other.FWindow), FDC(std::exchange(other.FDC, nullptr)) {}
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  HDC Get() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

// BeginPaint .. EndPaint, for WM_PAINT.
class TPaintDC {
 public:
  explicit TPaintDC(HWND window) : FWindow(window) { FDC = BeginPaint(window, &FPaint); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  ~TPaintDC() { EndPaint(FWindow, &FPaint); }
  HDC Get() const { return FDC; }
  const PAINTSTRUCT& Paint() const { return FPaint; }

 private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDC = nullptr;
};

// SelectObject for a scope; the previous object comes back at its end.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FPrevious(SelectObject(dc, object)) {}
  TSelectObject(TSelectObject&& other) noexcept
      : FDC(other.FDC), FPrevious(std::exchange(other.FPrevious, nullptr)) {}
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;
  ~TSelectObject() {
    if (FPrevious) SelectObject(FDC, FPrevious);
  }

 private:
  HDC FDC;
  HGDIOBJ FPrevious;
};

// char16_t text (portable side) as the wide Win32 calls want it.
inline const wchar_t* Wide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline const wchar_t* Wide(const char16_t* s) {
  return reinterpret_cast<const wchar_t*>(s);
}

// The colour as GDI wants it (system colours resolved).
inline COLORREF ColorToRGB(unsigned color) {
  return (color & 0x80000000u) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}

}  // namespace zez
