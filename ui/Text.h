#pragma once
// UTF-8 (captions and messages in our source) to UTF-16 (the wide Win32 calls)
// and back. Portable, so the host tests can check the edge cases.
#include <string>
#include <string_view>

namespace zez {

// Malformed bytes become U+FFFD each; never throws on bad input.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace zez
