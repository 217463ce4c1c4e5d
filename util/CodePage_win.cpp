// The system's ANSI code page through MultiByteToWideChar/WideCharToMultiByte.
#include <windows.h>

#include "util/CodePage.h"

namespace zez {
namespace {

class TSystemCodePage final : public TCodePage {
 public:
  std::u16string AnsiToWide(std::string_view ansi) const override {
    std::u16string wide;
    if (ansi.empty()) return wide;
    const int size = static_cast<int>(ansi.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (n <= 0) return wide;
    wide.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(wide.data()), n);
    return wide;
  }

  std::string WideToAnsi(std::u16string_view wide) const override {
    std::string ansi;
    if (wide.empty()) return ansi;
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, units, size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return ansi;
    ansi.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, units, size, ansi.data(), n, nullptr, nullptr);
    return ansi;
  }

  bool IsLeadByte(unsigned char byte) const override { return IsDBCSLeadByte(byte) != FALSE; }

  std::size_t CharacterBytes(std::u16string_view character) const override {
    // Every ANSI code page keeps ASCII as single bytes.
    if (character.size() == 1 && character[0] < 0x80) return 1;
    const auto* units = reinterpret_cast<const wchar_t*>(character.data());
    const int size = static_cast<int>(character.size());
    char bytes[16];
    BOOL usedDefault = FALSE;
    int n =
        WideCharToMultiByte(CP_ACP, 0, units, size, bytes, sizeof(bytes), nullptr, &usedDefault);
    // Code pages such as UTF-8 refuse the used-default question.
    if (n <= 0) {
      usedDefault = FALSE;
      n = WideCharToMultiByte(CP_ACP, 0, units, size, bytes, sizeof(bytes), nullptr, nullptr);
    }
    if (n <= 0 || usedDefault) return 1;
    return static_cast<std::size_t>(n);
  }
};

}  // namespace

const TCodePage& SystemCodePage() {
  static const TSystemCodePage codePage;
  return codePage;
}

}  // namespace zez
