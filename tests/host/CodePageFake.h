#pragma once
// Small made-up ANSI code pages for the host tests.
//   TSingleBytePage: every byte is one character, U+0000..U+00FF; anything
//     above U+00FF becomes '?'.
//   TGbkSubsetPage: a double-byte page with GBK's lead bytes (0x81..0xFE) that
//     knows only a few characters (中 文 é); unknown pairs read as U+FFFD,
//     unknown characters become '?'.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/CodePage.h"

namespace zez::test {

class TSingleBytePage : public TCodePage {
 public:
  std::u16string AnsiToWide(std::string_view ansi) const override {
    std::u16string wide;
    for (char c : ansi) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
  }
  std::string WideToAnsi(std::u16string_view wide) const override {
    std::string ansi;
    for (std::size_t at = 0; at < wide.size();) {
      const std::size_t units = CharacterUnits(wide.substr(at));
      ansi += units == 1 && wide[at] <= 0xFF ? static_cast<char>(wide[at]) : '?';
      at += units;
    }
    return ansi;
  }
  bool IsLeadByte(unsigned char) const override { return false; }
  std::size_t CharacterBytes(std::u16string_view) const override { return 1; }
};

class TGbkSubsetPage : public TCodePage {
 public:
  static inline const std::vector<std::pair<std::string, char16_t>> kPairs = {
      {"\xD6\xD0", u'\u4E2D'},  // 中
      {"\xCE\xC4", u'\u6587'},  // 文
      {"\xA8\xA6", u'\u00E9'},  // é
  };

  std::u16string AnsiToWide(std::string_view ansi) const override {
    std::u16string wide;
    for (std::size_t at = 0; at < ansi.size();) {
      const auto byte = static_cast<unsigned char>(ansi[at]);
      if (!IsLeadByte(byte)) {
        wide += static_cast<char16_t>(byte);
        ++at;
        continue;
      }
      char16_t found = u'\uFFFD';
      for (const auto& [bytes, unit] : kPairs) {
        if (ansi.substr(at, 2) == bytes) found = unit;
      }
      wide += found;
      at += 2;
    }
    return wide;
  }
  std::string WideToAnsi(std::u16string_view wide) const override {
    std::string ansi;
    for (std::size_t at = 0; at < wide.size();) {
      const std::size_t units = CharacterUnits(wide.substr(at));
      ansi += Encode(wide.substr(at, units));
      at += units;
    }
    return ansi;
  }
  bool IsLeadByte(unsigned char byte) const override { return byte >= 0x81 && byte <= 0xFE; }
  std::size_t CharacterBytes(std::u16string_view character) const override {
    return Encode(character).size();
  }

 private:
  static std::string Encode(std::u16string_view character) {
    if (character.size() == 1 && character[0] < 0x80) return std::string(1, char(character[0]));
    for (const auto& [bytes, unit] : kPairs) {
      if (character.size() == 1 && character[0] == unit) return bytes;
    }
    return "?";
  }
};

}  // namespace zez::test
