#pragma once
// The application object's two text rules, portable so the host tests hold them.
#include <string>
#include <string_view>

namespace zez {

// Message box flags of the default error handler: MB_ICONSTOP | MB_OK.
inline constexpr unsigned kErrorBoxFlags = 0x10;

// Lower-cases one UTF-16 code unit; the Win32 side passes the system's rule.
using TCharLower = char16_t (*)(char16_t);
char16_t AsciiLower(char16_t c);

// The title of an application that sets none: the program file's name without
// its folder and without everything from its first ".", every character after
// the first lower-cased ("C:\\X\\XYZ.V2.EXE" -> "Xyz").
std::u16string ApplicationTitle(std::u16string_view programPath, TCharLower lower = AsciiLower);

// The error box text: the message with "." appended unless it is empty or its
// last character's code is 0x2E or lower. Works on UTF-16 units, so a message
// that ends in a Chinese character gets the full stop.
std::u16string ErrorBoxText(std::u16string_view message);

}  // namespace zez
