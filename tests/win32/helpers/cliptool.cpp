// Another program on the desktop, for the tests: puts things on the clipboard,
// reads it, or holds it open.
//   cliptool set-text HEX         CF_TEXT with those bytes (and a zero)
//   cliptool set-unicode HEX      CF_UNICODETEXT with those UTF-16LE bytes
//   cliptool get-text             prints the CF_TEXT bytes as hex
//   cliptool get-unicode          prints the CF_UNICODETEXT units as UTF-16LE hex
//   cliptool formats              prints the formats in the clipboard's order,
//                                 one number a line (registered ones with =NAME)
//   cliptool set-marked HEX MARK...  CF_UNICODETEXT with those UTF-16LE bytes and
//                                 beside it each MARK, a registered format
//                                 NAME (a 1-byte block) or NAME=DWORD
//   cliptool hold MS              holds the clipboard open for MS milliseconds
// Exit status 0 on success, 1 when the clipboard could not be opened.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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

void SetBlock(UINT format, const std::string& bytes, std::size_t terminator) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + terminator);
  char* p = static_cast<char*>(GlobalLock(block));
  std::memcpy(p, bytes.data(), bytes.size());
  std::memset(p + bytes.size(), 0, terminator);
  GlobalUnlock(block);
  if (!SetClipboardData(format, block)) GlobalFree(block);
}

int Put(UINT format, const std::string& bytes, std::size_t terminator) {
  if (!Open()) return 1;
  EmptyClipboard();
  SetBlock(format, bytes, terminator);
  CloseClipboard();
  return 0;
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

int PutMarked(const std::string& unicode, int count, char** marks) {
  if (!Open()) return 1;
  EmptyClipboard();
  SetBlock(CF_UNICODETEXT, unicode, 2);
  for (int i = 0; i < count; ++i) {
    const std::string mark = marks[i];
    if (mark.empty()) continue;
    const std::size_t equals = mark.find('=');
    const UINT format = RegisterClipboardFormatW(Widen(mark.substr(0, equals)).c_str());
    if (equals == std::string::npos) {
      SetBlock(format, std::string(1, '\0'), 0);
    } else {
      const DWORD value = static_cast<DWORD>(std::strtoul(mark.c_str() + equals + 1, nullptr, 0));
      SetBlock(format, std::string(reinterpret_cast<const char*>(&value), sizeof(value)), 0);
    }
  }
  CloseClipboard();
  return 0;
}

int Formats() {
  if (!Open()) return 1;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
    char name[256] = {};
    if (f >= 0xC000 && GetClipboardFormatNameA(f, name, sizeof(name)) > 0)
      std::printf("%u=%s\n", f, name);
    else
      std::printf("%u\n", f);
  }
  CloseClipboard();
  return 0;
}

int GetUnicode() {
  if (!Open()) return 1;
  std::string bytes;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(h))) {
      const std::size_t units = GlobalSize(h) / 2;
      for (std::size_t i = 0; i < units && (p[2 * i] != 0 || p[2 * i + 1] != 0); ++i)
        bytes.append(p + 2 * i, 2);
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  std::fputs(zez::test::ToHex(bytes).c_str(), stdout);
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
  if (verb == "get-unicode") return GetUnicode();
  if (verb == "formats") return Formats();
  if (verb == "set-marked" && argc > 2) return PutMarked(FromHex(arg), argc - 3, argv + 3);
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
