// Shared by the bench's Win32 programs: the wall clock both sides of the bench
// read, and plain CF_TEXT access without the program's own classes.
#pragma once
#include <windows.h>
//
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zez::bench {

// Seconds since 1970 from the system clock, as time.time() in the driver.
inline double Now() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  return static_cast<double>(t.QuadPart - 116444736000000000ULL) / 1e7;
}

inline bool OpenWithRetry(HWND owner) {
  for (int i = 0; i < 200; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(1);
  }
  return false;
}

inline bool WriteText(const std::string& bytes) {
  if (!OpenWithRetry(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  bool ok = false;
  if (block) {
    if (char* p = static_cast<char*>(GlobalLock(block))) {
      std::memcpy(p, bytes.data(), bytes.size());
      p[bytes.size()] = '\0';
      GlobalUnlock(block);
      ok = SetClipboardData(CF_TEXT, block) != nullptr;
    }
    if (!ok) GlobalFree(block);
  }
  CloseClipboard();
  return ok;
}

// The clipboard must be open.
inline std::string ReadOpenText() {
  std::string bytes;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      bytes.assign(p, strnlen(p, GlobalSize(h)));
      GlobalUnlock(h);
    }
  }
  return bytes;
}

// A text of `size` bytes: a short first line, then CR LF lines of 64 bytes.
inline std::string LargeText(std::size_t size, const std::string& firstLine) {
  std::string text = firstLine + "\r\n";
  const std::string line = std::string(62, 'z') + "\r\n";
  text.reserve(size + line.size());
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

inline void Out(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  std::printf(format, a, b, c, d);
  std::fflush(stdout);
}

inline HWND ParseHwnd(const char* s) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(s, nullptr, 0)));
}

inline std::size_t ParseSize(const char* s) {
  return static_cast<std::size_t>(std::strtoull(s, nullptr, 0));
}

}  // namespace zez::bench
