#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/CodePage.h"

namespace zez {

// A captured text. Its ANSI form is the bytes CF_TEXT delivered, in the ANSI
// code page, without the terminating zero, never re-encoded. Its Unicode form
// (UTF-16, from CF_UNICODETEXT) is kept only where the ANSI form would lose
// characters, so a text the code page holds fully costs no second copy.
// Never changed after capture.
class ClipText {
 public:
  ClipText() = default;
  // A text that has only its ANSI form.
  ClipText(std::string ansi) : FAnsi(std::move(ansi)) {}  // NOLINT: implicit on purpose
  ClipText(const char* ansi) : FAnsi(ansi) {}             // NOLINT
  // Both forms, the Unicode one kept as given.
  ClipText(std::string ansi, std::u16string unicode)
      : FAnsi(std::move(ansi)), FUnicode(std::make_unique<std::u16string>(std::move(unicode))) {}

  // What the clipboard gave: the Unicode form is kept only when it says more
  // than the ANSI form read back in the code page. An empty or missing
  // Unicode block adds nothing.
  static ClipText FromClipboard(std::string ansi, std::u16string unicode,
                                const TCodePage& codePage) {
    if (unicode.empty() || unicode == codePage.AnsiToWide(ansi)) return ClipText(std::move(ansi));
    return ClipText(std::move(ansi), std::move(unicode));
  }

  ClipText(const ClipText& other)
      : FAnsi(other.FAnsi),
        FUnicode(other.FUnicode ? std::make_unique<std::u16string>(*other.FUnicode) : nullptr) {}
  ClipText& operator=(const ClipText& other) {
    if (this != &other) *this = ClipText(other);
    return *this;
  }
  ClipText(ClipText&&) noexcept = default;
  ClipText& operator=(ClipText&&) noexcept = default;

  const std::string& Ansi() const { return FAnsi; }
  bool HasUnicode() const { return FUnicode != nullptr; }
  // The Unicode form; empty when the text has none.
  std::u16string_view Unicode() const {
    return FUnicode ? std::u16string_view(*FUnicode) : std::u16string_view();
  }
  // The characters as copied: the Unicode form, else the ANSI form converted.
  std::u16string Wide(const TCodePage& codePage) const {
    return FUnicode ? *FUnicode : codePage.AnsiToWide(FAnsi);
  }
  bool Empty() const { return FAnsi.empty() && (!FUnicode || FUnicode->empty()); }

  friend bool operator==(const ClipText& a, const ClipText& b) {
    return a.FAnsi == b.FAnsi && a.HasUnicode() == b.HasUnicode() && a.Unicode() == b.Unicode();
  }
  // Equal to bytes: the same ANSI form and no Unicode form.
  friend bool operator==(const ClipText& a, std::string_view ansi) {
    return !a.HasUnicode() && a.FAnsi == ansi;
  }
  friend bool operator==(const ClipText& a, const char* ansi) {
    return a == std::string_view(ansi);
  }
  friend bool operator==(const ClipText& a, const std::string& ansi) {
    return a == std::string_view(ansi);
  }

  // For test output: the ANSI bytes, then the Unicode form's code units.
  template <typename TStream>
  friend TStream& operator<<(TStream& out, const ClipText& text) {
    out << '"' << text.FAnsi << '"';
    if (text.FUnicode) {
      out << " +U[";
      const char* digits = "0123456789ABCDEF";
      for (char16_t unit : *text.FUnicode) {
        char hex[6] = {' ',
                       digits[(unit >> 12) & 15],
                       digits[(unit >> 8) & 15],
                       digits[(unit >> 4) & 15],
                       digits[unit & 15],
                       0};
        out << hex;
      }
      out << " ]";
    }
    return out;
  }

 private:
  std::string FAnsi;
  std::unique_ptr<std::u16string> FUnicode;
};

// The history's entries; index 0 is the oldest.
using TClipTexts = std::vector<ClipText>;

}  // namespace zez
