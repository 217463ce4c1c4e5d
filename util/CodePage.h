#pragma once
// The ANSI code page as the clip texts need it: conversions between its bytes
// and UTF-16, and its lead bytes. The program uses the system's own (CP_ACP);
// the host tests use small made-up pages.
#include <cstddef>
#include <string>
#include <string_view>

namespace zez {

class TCodePage {
 public:
  virtual ~TCodePage() = default;
  // The bytes as the system would read them into UTF-16.
  virtual std::u16string AnsiToWide(std::string_view ansi) const = 0;
  // UTF-16 into the page's bytes; what the page cannot hold becomes its
  // default character ('?').
  virtual std::string WideToAnsi(std::u16string_view wide) const = 0;
  virtual bool IsLeadByte(unsigned char byte) const = 0;
  // The bytes one character (one code unit, or a surrogate pair) takes in
  // this page: its ANSI form's length, or 1 for the '?' that replaces a
  // character the page cannot hold.
  virtual std::size_t CharacterBytes(std::u16string_view character) const = 0;
};

// The length in code units of the character that starts text (a surrogate
// pair is one character); 0 for an empty text.
inline std::size_t CharacterUnits(std::u16string_view text) {
  if (text.empty()) return 0;
  const char16_t first = text[0];
  if (first >= 0xD800 && first <= 0xDBFF && text.size() > 1 && text[1] >= 0xDC00 &&
      text[1] <= 0xDFFF)
    return 2;
  return 1;
}

// The system's ANSI code page (Windows builds only: CodePage_win.cpp).
const TCodePage& SystemCodePage();

}  // namespace zez
