// Another program on the desktop, for the tests: puts things on the clipboard,
// reads it, or holds it open.
//   cliptool set-text HEX         CF_TEXT with those bytes (and a zero)
//   cliptool set-unicode HEX      CF_UNICODETEXT with those UTF-16LE bytes
//   cliptool get-text             prints the CF_TEXT bytes as hex
//   cliptool hold MS              holds the clipboard open for MS milliseconds
// Exit status 0 on success, 1 when the clipboard could not be opened.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "WinTestSupport.h"

namespace {

bool Open() {
  for (int i = 0; i < 50; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

int Put(UINT format, const std::string& bytes, std::size_t terminator) {
  if (!Open()) return 1;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + terminator);
  char* p = static_cast<char*>(GlobalLock(block));
  std::memcpy(p, bytes.data(), bytes.size());
  std::memset(p + bytes.size(), 0, terminator);
  GlobalUnlock(block);
  if (!SetClipboardData(format, block)) GlobalFree(block);
  CloseClipboard();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using zez::test::FromHex;
  using zez::test::ToHex;
  if (argc < 2) return 2;
  std::string verb = argv[1];
  std::string arg = argc > 2 ? argv[2] : "";
  if (verb == "set-text") return Put(CF_TEXT, FromHex(arg), 1);
  if (verb == "set-unicode") return Put(CF_UNICODETEXT, FromHex(arg), 2);
  if (verb == "get-text") {
    if (!Open()) return 1;
    std::string bytes;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
      if (const char* p = static_cast<const char*>(GlobalLock(h))) {
        bytes.assign(p, strnlen(p, GlobalSize(h)));
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
    std::fputs(ToHex(bytes).c_str(), stdout);
    return 0;
  }
  if (verb == "hold") {
    if (!Open()) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(arg.c_str())));
    CloseClipboard();
    return 0;
  }
  return 2;
}
